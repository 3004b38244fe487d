#include "GeoJsonTrackWriter.h"

#include "ExportText.h"
#include "TrackJson.h"

namespace {

void appendPosition(std::string& out, const ExportPoint& point) {
    out += '[';
    ExportText::appendNumber(out, point.longitudeValue);
    out += ',';
    ExportText::appendNumber(out, point.latitudeValue);
    out += ']';
}

} // namespace

std::string GeoJsonTrackWriter::begin() {
    m_first = true;
    return "{\"type\":\"FeatureCollection\",\"features\":[\n";
}

std::string GeoJsonTrackWriter::track(const ExportTrack& track) {
    const auto points = positionedPoints(track);
    std::string out = m_first ? std::string() : std::string(",\n");
    m_first = false;

    // Members in key order: geometry, properties, type.
    out += "{\"geometry\":";
    if (points.empty()) {
        out += "null";
    } else if (points.size() == 1) {
        out += "{\"coordinates\":";
        appendPosition(out, points.front());
        out += ",\"type\":\"Point\"}";
    } else {
        out += "{\"coordinates\":[";
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (i > 0)
                out += ',';
            appendPosition(out, points[i]);
        }
        out += "],\"type\":\"LineString\"}";
    }

    out += ",\"properties\":{\"file\":";
    ExportText::appendJsonString(out, track.path); // a name that is not UTF-8 keeps U+FFFD in its place
    TrackJson::appendSummaryMembers(out, track.info);
    out += ",\"times\":[";
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0)
            out += ',';
        if (points[i].time)
            ExportText::appendJsonString(out, points[i].time->isoUtcText());
        else
            out += "null";
    }
    out += "]},\"type\":\"Feature\"}";
    return out;
}

std::string GeoJsonTrackWriter::end() {
    return "\n]}\n";
}
