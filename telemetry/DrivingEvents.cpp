#include "DrivingEvents.h"

#include "NumberText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace {

constexpr double kKmhPerKnot = 1.852;
constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;
constexpr double kStandardGravity = 9.80665; // m/s²
constexpr double kGravityUnits = 1024.0;     // raw G-sensor units per g
constexpr double kPi = 3.141592653589793;
// The extraction already refuses a lost fix's speed from 400 knots on; a fix claiming such a speed is a
// glitch, and a car's speed is never negative.
constexpr double kMaxPlausibleKnots = 400.0;
// GPS course over ground is noise when the car barely moves (a U-turn at 5 knots already needs a radius
// under 2 m to reach 0.4 g, which no car can drive).
constexpr double kMinTurnKnots = 5.0;
// At a mean speed of 8 knots over two seconds a car covers about 4 m, several times the resolution of a
// stored position (a single-precision coordinate, under a metre). A position repeated exactly at such a
// speed is the last good fix that the extraction repeats while the camera has lost its fix, not a
// measurement. Below it a car that stops may well show the same position twice.
constexpr double kHeldPositionKnots = 8.0;

constexpr std::size_t kKindCount = 4;

bool hasPosition(const TrackSample& sample) {
    const double lat = NumberText::parseLeadingDouble(sample.gpsLat);
    const double lon = NumberText::parseLeadingDouble(sample.gpsLgt);
    return lat != 0 && lon != 0 && std::isfinite(lat) && std::isfinite(lon);
}

bool plausibleSpeed(float knots) {
    return knots >= 0 && knots < kMaxPlausibleKnots; // false for NaN too
}

// Whether each sample carries a position measured in its own second.
std::vector<bool> freshPositions(const std::vector<TrackSample>& samples) {
    std::vector<bool> fresh(samples.size(), false);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (!hasPosition(samples[i]))
            continue;
        if (i > 0) {
            const TrackSample& before = samples[i - 1];
            const bool samePosition =
                before.gpsLat == samples[i].gpsLat && before.gpsLgt == samples[i].gpsLgt;
            const bool moving = (double(before.spd) + double(samples[i].spd)) / 2 >= kHeldPositionKnots;
            // Once held, a position stays held for as long as it repeats, whatever speed the records claim.
            const bool heldBefore = !fresh[i - 1];
            if (samePosition && (moving || heldBefore))
                continue;
        }
        fresh[i] = true;
    }
    return fresh;
}

// The heading change from `from` to `to` in degrees, within [-180, 180].
double headingChange(double from, double to) {
    double change = std::fmod(to - from, 360.0);
    if (change > 180)
        change -= 360;
    else if (change < -180)
        change += 360;
    return change;
}

double magnitudeG(const TrackSample& s) {
    const double x = s.gsensorX;
    const double y = s.gsensorY;
    const double z = s.gsensorZ;
    return std::sqrt(x * x + y * y + z * z) / kGravityUnits;
}

double largestAxisJumpG(const TrackSample& before, const TrackSample& after) {
    const double dx = std::fabs(double(after.gsensorX) - double(before.gsensorX));
    const double dy = std::fabs(double(after.gsensorY) - double(before.gsensorY));
    const double dz = std::fabs(double(after.gsensorZ) - double(before.gsensorZ));
    return std::max({dx, dy, dz}) / kGravityUnits;
}

// Collects the seconds that pass a test into one event per run of consecutive seconds of a kind, kept at
// the second of the greatest strength (the first of equals).
class RunMerger {
public:
    void add(DrivingEventKind kind, std::size_t second, float speedKnots, double value, double strength) {
        std::optional<Run>& open = m_open[static_cast<std::size_t>(kind)];
        if (open && open->lastSecond + 1 == second) {
            open->lastSecond = second;
            if (strength > open->strength) {
                open->strongest = {kind, second, speedKnots, value};
                open->strength = strength;
            }
            return;
        }
        if (open)
            m_events.push_back(open->strongest);
        open = Run{{kind, second, speedKnots, value}, strength, second};
    }

    std::vector<DrivingEvent> finish() {
        for (std::optional<Run>& open : m_open) {
            if (open)
                m_events.push_back(open->strongest);
            open.reset();
        }
        std::sort(m_events.begin(), m_events.end(), [](const DrivingEvent& a, const DrivingEvent& b) {
            return a.second != b.second ? a.second < b.second : a.kind < b.kind;
        });
        return std::move(m_events);
    }

private:
    struct Run {
        DrivingEvent strongest;
        double strength;
        std::size_t lastSecond;
    };
    std::array<std::optional<Run>, kKindCount> m_open;
    std::vector<DrivingEvent> m_events;
};

} // namespace

std::vector<DrivingEvent> detectDrivingEvents(const std::vector<TrackSample>& samples,
                                              const DrivingEventThresholds& thresholds) {
    RunMerger merger;
    const std::vector<bool> fresh = freshPositions(samples);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const TrackSample& now = samples[i];

        const double departure = std::fabs(magnitudeG(now) - 1.0);
        const double jump = i > 0 ? largestAxisJumpG(samples[i - 1], now) : 0.0;
        // A knock shows as a jump both into and out of the second that felt it: of such a run, the second
        // farthest from rest is the knock.
        if (departure > thresholds.impactG || jump > thresholds.axisJumpG)
            merger.add(DrivingEventKind::Impact, i, now.spd, std::max(departure, jump), departure);

        if (i == 0)
            continue;
        const TrackSample& before = samples[i - 1];
        // Without a fresh position in both seconds the speed and heading are not measurements: a cold start's
        // jump from 0 to cruising speed, or a lost fix's held heading meeting a new one.
        if (!fresh[i - 1] || !fresh[i] || !plausibleSpeed(before.spd) || !plausibleSpeed(now.spd))
            continue;

        const double speedChange = (double(now.spd) - double(before.spd)) * kKmhPerKnot;
        // An unchanged speed is neither, whatever the threshold.
        if (speedChange < 0 && speedChange <= -thresholds.speedChangeKmhPerSecond)
            merger.add(DrivingEventKind::HardBraking, i, now.spd, speedChange, -speedChange);
        else if (speedChange > 0 && speedChange >= thresholds.speedChangeKmhPerSecond)
            merger.add(DrivingEventKind::HardAcceleration, i, now.spd, speedChange, speedChange);

        if (before.spd < kMinTurnKnots || now.spd < kMinTurnKnots)
            continue;
        if (!std::isfinite(before.northAngle) || !std::isfinite(now.northAngle))
            continue;
        const double metresPerSecond = (double(before.spd) + double(now.spd)) / 2 * kMetresPerSecondPerKnot;
        const double radiansPerSecond =
            std::fabs(headingChange(before.northAngle, now.northAngle)) * kPi / 180;
        const double lateralG = metresPerSecond * radiansPerSecond / kStandardGravity;
        if (lateralG > 0 && lateralG >= thresholds.lateralG)
            merger.add(DrivingEventKind::SharpTurn, i, now.spd, lateralG, lateralG);
    }
    return merger.finish();
}

const char* drivingEventKindKey(DrivingEventKind kind) {
    switch (kind) {
    case DrivingEventKind::HardBraking:
        return "hard_braking";
    case DrivingEventKind::HardAcceleration:
        return "hard_acceleration";
    case DrivingEventKind::SharpTurn:
        return "sharp_turn";
    case DrivingEventKind::Impact:
        return "impact";
    }
    return "";
}
