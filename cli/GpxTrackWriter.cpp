#include "GpxTrackWriter.h"

#include "DrivingEvents.h"
#include "ExportText.h"

namespace {

const char* waypointName(DrivingEventKind kind) {
    switch (kind) {
    case DrivingEventKind::HardBraking:
        return "Hard braking";
    case DrivingEventKind::HardAcceleration:
        return "Hard acceleration";
    case DrivingEventKind::SharpTurn:
        return "Sharp turn";
    case DrivingEventKind::Impact:
        return "Impact";
    }
    return "";
}

std::string waypoints(const ExportTrack& track, const DrivingEventThresholds& thresholds) {
    std::string out;
    if (!track.info.videoDatas)
        return out;
    for (const DrivingEvent& event : detectDrivingEvents(*track.info.videoDatas, thresholds)) {
        const auto point = positionedPoint(track, event.second);
        if (!point)
            continue;
        out += "  <wpt lat=\"" + point->latitude + "\" lon=\"" + point->longitude + "\">";
        if (point->time)
            out += "<time>" + point->time->isoUtcText() + "</time>";
        out += "<name>";
        out += waypointName(event.kind);
        out += "</name><type>";
        out += drivingEventKindKey(event.kind);
        out += "</type></wpt>\n";
    }
    return out;
}

} // namespace

std::string GpxTrackWriter::begin() {
    m_tracks.clear();
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"Kestrun Player\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
}

std::string GpxTrackWriter::track(const ExportTrack& track) {
    m_tracks +=
        "  <trk>\n    <name>" + ExportText::xmlEscaped(fileNameOf(track.path)) + "</name>\n    <trkseg>\n";
    for (const ExportPoint& point : positionedPoints(track)) {
        m_tracks += "      <trkpt lat=\"" + point.latitude + "\" lon=\"" + point.longitude + "\">";
        if (point.time)
            m_tracks += "<time>" + point.time->isoUtcText() + "</time>";
        m_tracks += "</trkpt>\n";
    }
    m_tracks += "    </trkseg>\n  </trk>\n";
    return waypoints(track, m_thresholds);
}

std::string GpxTrackWriter::end() {
    std::string out = std::move(m_tracks);
    m_tracks.clear();
    out += "</gpx>\n";
    return out;
}
