#include "GpxTrackWriter.h"

QByteArray GpxTrackWriter::begin() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"Kestrun Player\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
}

QByteArray GpxTrackWriter::track(const ExportTrack& track) {
    QByteArray out = "  <trk>\n    <name>" + xmlEscaped(fileNameOf(track.path)) + "</name>\n    <trkseg>\n";
    for (const ExportPoint& point : positionedPoints(track)) {
        out += "      <trkpt lat=\"" + QByteArray::fromStdString(point.latitude) + "\" lon=\"" +
               QByteArray::fromStdString(point.longitude) + "\">";
        if (point.time)
            out += "<time>" + QByteArray::fromStdString(isoUtcText(*point.time)) + "</time>";
        out += "</trkpt>\n";
    }
    out += "    </trkseg>\n  </trk>\n";
    return out;
}

QByteArray GpxTrackWriter::end() {
    return "</gpx>\n";
}
