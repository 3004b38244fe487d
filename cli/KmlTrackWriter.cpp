#include "KmlTrackWriter.h"

#include "ExportText.h"

std::string KmlTrackWriter::begin() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n  <Document>\n    <name>Kestrun Player "
           "tracks</name>\n";
}

std::string KmlTrackWriter::track(const ExportTrack& track) {
    const auto points = positionedPoints(track);
    std::string out = std::string("    <Placemark>\n      <name>") +
                      ExportText::xmlEscaped(fileNameOf(track.path)) + "</name>\n";
    std::optional<RecordClock> first;
    std::optional<RecordClock> last;
    for (const ExportPoint& point : points) {
        if (!point.time)
            continue;
        if (!first)
            first = point.time;
        last = point.time;
    }
    if (first) {
        out += "      <TimeSpan><begin>" + first->isoUtcText() + "</begin><end>" + last->isoUtcText() +
               "</end></TimeSpan>\n";
    }
    out += "      <LineString>\n        <tessellate>1</tessellate>\n        <coordinates>";
    bool firstPoint = true;
    for (const ExportPoint& point : points) {
        if (!firstPoint)
            out += ' ';
        firstPoint = false;
        out += point.longitude + ',' + point.latitude + ",0";
    }
    out += "</coordinates>\n      </LineString>\n    </Placemark>\n";
    return out;
}

std::string KmlTrackWriter::end() {
    return "  </Document>\n</kml>\n";
}
