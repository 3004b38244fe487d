#include "ExportTrack.h"

#include "NumberText.h"

#include <cmath>

std::vector<ExportPoint> positionedPoints(const ExportTrack& track) {
    std::vector<ExportPoint> points;
    if (!track.info.videoDatas)
        return points;
    const auto& samples = *track.info.videoDatas;
    points.reserve(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double lat = NumberText::parseLeadingDouble(samples[i].gpsLat);
        const double lon = NumberText::parseLeadingDouble(samples[i].gpsLgt);
        if (lat == 0 || lon == 0)
            continue;
        // The stored track keeps whatever the records said; no export format can hold these.
        if (!(std::fabs(lat) <= kMaxLatitude) || !(std::fabs(lon) <= kMaxLongitude))
            continue;
        ExportPoint point;
        point.index = i;
        point.latitude = samples[i].gpsLat;
        point.longitude = samples[i].gpsLgt;
        point.latitudeValue = lat;
        point.longitudeValue = lon;
        if (i < track.times.size())
            point.time = track.times[i];
        points.push_back(std::move(point));
    }
    return points;
}

std::string_view fileNameOf(std::string_view path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}
