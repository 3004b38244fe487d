#pragma once

#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>
#include <utility>

// What part of which clip to save where. Times are seconds from the start of the clip as the player shows it.
struct IncidentRequest {
    std::string source;     // the clip's path (bytes as the file system has them); only read
    std::string target;     // the file to write; written as target + ".part" then renamed
    double fromSeconds = 0; // in point; the cut starts at the key frame at or before it
    double toSeconds = 0;   // out point (clamped to the duration)
};

struct IncidentResult {
    bool ok = false;
    std::string error;          // why not, for the user (e.g. "the disk is full", "the clip cannot be read")
    double startSeconds = 0;    // where the saved part starts in the source (the key frame)
    double durationSeconds = 0; // of the saved part
    std::size_t gpsSeconds = 0; // records written into the new file (0 for a transport stream)
    bool telemetryKept =
        false; // false for a transport stream (saved as a transport stream without telemetry)
};

// Saves a part of a clip without re-encoding: every stream is copied packet by packet from the key frame at
// or before the in point to the out point, with times starting at 0. An MP4 clip gives an MP4 file that
// carries the GPS records of the kept seconds, copied as they are, under its own "gps " index, so the part
// plays with its telemetry from its first second; a transport stream gives a transport stream without
// telemetry. The source is never written. On any failure nothing is left at the target, not even the ".part"
// file.
class IncidentSaver {
public:
    // Runs the whole save on the calling thread. `progress` (0..1) is called on that thread; a stop requested
    // on `stop` (from any thread) cancels the save, and the half-written file is removed.
    static IncidentResult save(const IncidentRequest& request,
                               const std::function<void(double)>& progress = {}, std::stop_token stop = {});

    // The default range around a position: 20 s before it to 10 s after, clamped to [0, duration].
    static std::pair<double, double> defaultRange(double positionSeconds, double durationSeconds);

    static constexpr double kSecondsBefore = 20;
    static constexpr double kSecondsAfter = 10;
};
