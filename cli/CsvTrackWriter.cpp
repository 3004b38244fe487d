#include "CsvTrackWriter.h"

#include "NumberText.h"

namespace {

// RFC 4180 quoting where a field needs it.
QByteArray csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
    QByteArray out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

QByteArray number(float value) {
    return QByteArray::fromStdString(NumberText::formatShortest(value));
}

} // namespace

QByteArray CsvTrackWriter::begin() {
    return "file,second,utc_time,latitude,longitude,speed_knots,north_angle,gsensor_x,gsensor_y,gsensor_z\n";
}

QByteArray CsvTrackWriter::track(const ExportTrack& track) {
    QByteArray out;
    const QByteArray file = csvField(track.path);
    for (const ExportPoint& point : positionedPoints(track)) {
        const TrackSample& s = track.info.videoDatas->at(point.index);
        out += file + ',' + QByteArray::fromStdString(NumberText::formatUnsigned(point.index)) + ',' +
               (point.time ? QByteArray::fromStdString(isoUtcText(*point.time)) : QByteArray()) + ',' +
               QByteArray::fromStdString(point.latitude) + ',' + QByteArray::fromStdString(point.longitude) +
               ',' + number(s.spd) + ',' + number(s.northAngle) + ',' + number(s.gsensorX) + ',' +
               number(s.gsensorY) + ',' + number(s.gsensorZ) + '\n';
    }
    return out;
}
