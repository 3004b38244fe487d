#include "GpxTrackWriter.h"

#include "ExportText.h"

std::string GpxTrackWriter::begin() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"Kestrun Player\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
}

std::string GpxTrackWriter::track(const ExportTrack& track) {
    std::string out =
        "  <trk>\n    <name>" + ExportText::xmlEscaped(fileNameOf(track.path)) + "</name>\n    <trkseg>\n";
    for (const ExportPoint& point : positionedPoints(track)) {
        out += "      <trkpt lat=\"" + point.latitude + "\" lon=\"" + point.longitude + "\">";
        if (point.time)
            out += "<time>" + point.time->isoUtcText() + "</time>";
        out += "</trkpt>\n";
    }
    out += "    </trkseg>\n  </trk>\n";
    return out;
}

std::string GpxTrackWriter::end() {
    return "</gpx>\n";
}
