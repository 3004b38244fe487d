#pragma once

#include "TrackSample.h"

#include <optional>
#include <string>
#include <vector>

// The result of extracting one file. The track and the three summary figures are present exactly when the
// file gave at least one sample.
struct TrackInfo {
    float fileSize = 0;     // decimal megabytes
    std::string fileTime;   // local time the extraction finished, "yyyy-MM-dd HH:mm:ss"
    bool isInChina = false; // the last sample lies in the China bounding box
    std::optional<std::vector<TrackSample>> videoDatas;
    std::optional<float> maxSpeed;       // whole knots
    std::optional<float> aevSpeed;       // sum of "spd" over the number of records read
    std::optional<float> totailDistance; // sum of "spd" (knot-seconds)

    friend bool operator==(const TrackInfo&, const TrackInfo&) = default;
};
