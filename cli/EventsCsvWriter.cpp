#include "EventsCsvWriter.h"

#include "ExportText.h"
#include "NumberText.h"

#include <cmath>

namespace {

constexpr double kKmhPerKnot = 1.852;
// Two decimals, as the camera records its speeds.
constexpr int kSpeedDecimals = 2;
// km/h per second are exact to three decimals; g to a thousandth is finer than any sensor reads.
constexpr int kValueDecimals = 3;

void appendFixed(std::string& out, double value, int decimals) {
    if (!std::isfinite(value))
        out += ExportText::kNotFinite;
    else
        out += NumberText::formatFixed(value, decimals);
}

} // namespace

EventsCsvWriter::EventsCsvWriter(const DrivingEventThresholds& thresholds)
    : m_thresholds(thresholds) {}

std::string EventsCsvWriter::begin() {
    return "file,kind,second,utc_time,latitude,longitude,speed_kmh,value\n";
}

std::string EventsCsvWriter::track(const ExportTrack& track) {
    std::string out;
    if (!track.info.videoDatas)
        return out;
    const std::string file = ExportText::csvField(track.path);
    for (const DrivingEvent& event : detectDrivingEvents(*track.info.videoDatas, m_thresholds)) {
        out += file;
        out += ',';
        out += drivingEventKindKey(event.kind);
        out += ',';
        out += NumberText::formatUnsigned(event.second);
        out += ',';
        if (event.second < track.times.size() && track.times[event.second])
            out += track.times[event.second]->isoUtcText();
        out += ',';
        if (const auto point = positionedPoint(track, event.second)) {
            out += point->latitude;
            out += ',';
            out += point->longitude;
        } else {
            out += ',';
        }
        out += ',';
        appendFixed(out, double(event.speedKnots) * kKmhPerKnot, kSpeedDecimals);
        out += ',';
        appendFixed(out, event.value, kValueDecimals);
        out += '\n';
    }
    return out;
}
