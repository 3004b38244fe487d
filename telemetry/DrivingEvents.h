#pragma once

#include "TrackSample.h"

#include <cstddef>
#include <vector>

// Moments of a clip's track that a driver may want to find again: hard braking or acceleration, a sharp
// turn, a knock on the camera. Found from the per-second samples alone.
enum class DrivingEventKind { HardBraking, HardAcceleration, SharpTurn, Impact };

struct DrivingEvent {
    DrivingEventKind kind;
    std::size_t second; // index of the sample (media second) where it happens
    float speedKnots;   // the sample's "spd" at that second
    // The measured figure: km/h per second for braking (negative) and acceleration (positive); g for turns
    // (lateral acceleration, always positive) and impacts (the larger of the magnitude's departure from 1 g
    // and the largest change of one axis since the second before).
    double value;
};

struct DrivingEventThresholds {
    // Hard braking / acceleration: at least this lost or gained in one second.
    double speedChangeKmhPerSecond = 12.0;
    // Sharp turn: heading change rate x speed, at least this.
    double lateralG = 0.4;
    // Impact: |magnitude - 1 g| above this.
    double impactG = 1.5;
    // Impact: an axis changes by more than this between two seconds.
    double axisJumpG = 1.0;
};

// The events of a track, sorted by second (events of the same second in the order of DrivingEventKind).
// Pure function of its arguments; safe to call from any thread.
//
// Speed changes and turns compare two consecutive seconds and count for the later one. They need a fresh
// position in both seconds (one of its own: not "0.000000", and not the position of the second before
// repeated exactly at a mean speed of 8 knots or more, which is a lost fix's held position, nor any repeat
// of such a held position) and a plausible speed (0 to below 400 knots) in both. Turns also need both
// seconds at 5 knots or more: a heading measured at walking pace is noise. Impacts need no position. A run
// of consecutive seconds of the same kind is one event, at its strongest second (the first of equals; for
// impacts the second whose magnitude is farthest from 1 g, since a knock jumps both into and out of it).
std::vector<DrivingEvent> detectDrivingEvents(const std::vector<TrackSample>& samples,
                                              const DrivingEventThresholds& thresholds = {});

// "hard_braking", "hard_acceleration", "sharp_turn", "impact"
const char* drivingEventKindKey(DrivingEventKind kind);
