#include "ExportTrack.h"

#include "NumberText.h"

#include <cmath>

std::optional<ExportPoint> positionedPoint(const ExportTrack& track, std::size_t index) {
    if (!track.info.videoDatas || index >= track.info.videoDatas->size())
        return std::nullopt;
    const TrackSample& sample = (*track.info.videoDatas)[index];
    const double lat = NumberText::parseLeadingDouble(sample.gpsLat);
    const double lon = NumberText::parseLeadingDouble(sample.gpsLgt);
    if (lat == 0 || lon == 0)
        return std::nullopt;
    // The stored track keeps whatever the records said; no export format can hold these.
    if (!(std::fabs(lat) <= kMaxLatitude) || !(std::fabs(lon) <= kMaxLongitude))
        return std::nullopt;
    ExportPoint point;
    point.index = index;
    point.latitude = sample.gpsLat;
    point.longitude = sample.gpsLgt;
    point.latitudeValue = lat;
    point.longitudeValue = lon;
    if (index < track.times.size())
        point.time = track.times[index];
    return point;
}

std::vector<ExportPoint> positionedPoints(const ExportTrack& track) {
    std::vector<ExportPoint> points;
    if (!track.info.videoDatas)
        return points;
    const std::size_t count = track.info.videoDatas->size();
    points.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (auto point = positionedPoint(track, i))
            points.push_back(std::move(*point));
    }
    return points;
}

std::string_view fileNameOf(std::string_view path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}
