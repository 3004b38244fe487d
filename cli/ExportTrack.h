#pragma once

#include "RecordClock.h"
#include "TrackInfo.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One file's track as the exporters see it.
struct ExportTrack {
    std::string path;
    TrackInfo info;
    // The UTC date and time of the record behind each sample, in sample order, where the record carries a
    // plausible one; may be shorter than the track (or empty) when times are unknown.
    std::vector<std::optional<RecordClock>> times;
};

// A sample that has a position, as the exporters write it.
struct ExportPoint {
    std::size_t index = 0; // position in the track
    std::string latitude;  // the sample's "%f" text
    std::string longitude;
    double latitudeValue = 0;
    double longitudeValue = 0;
    std::optional<RecordClock> time;
};

// Positions on the globe, degrees.
inline constexpr double kMaxLatitude = 90;
inline constexpr double kMaxLongitude = 180;

// The samples with a position (neither coordinate 0) that lies on the globe (latitude within ±90°, longitude
// within ±180°), in track order.
std::vector<ExportPoint> positionedPoints(const ExportTrack& track);

// The sample at `index` as a point, when it has such a position; nothing otherwise (also beyond the track).
std::optional<ExportPoint> positionedPoint(const ExportTrack& track, std::size_t index);

// The last path component.
std::string_view fileNameOf(std::string_view path);
