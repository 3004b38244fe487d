#include "CsvTrackWriter.h"

#include "ExportText.h"
#include "NumberText.h"

namespace {

void appendField(std::string& out, float value) {
    out += ',';
    ExportText::appendNumber(out, value);
}

} // namespace

std::string CsvTrackWriter::begin() {
    return "file,second,utc_time,latitude,longitude,speed_knots,north_angle,gsensor_x,gsensor_y,gsensor_z\n";
}

std::string CsvTrackWriter::track(const ExportTrack& track) {
    std::string out;
    const std::string file = ExportText::csvField(track.path);
    for (const ExportPoint& point : positionedPoints(track)) {
        const TrackSample& s = track.info.videoDatas->at(point.index);
        out += file;
        out += ',';
        out += NumberText::formatUnsigned(point.index);
        out += ',';
        if (point.time)
            out += point.time->isoUtcText();
        out += ',';
        out += point.latitude;
        out += ',';
        out += point.longitude;
        appendField(out, s.spd);
        appendField(out, s.northAngle);
        appendField(out, s.gsensorX);
        appendField(out, s.gsensorY);
        appendField(out, s.gsensorZ);
        out += '\n';
    }
    return out;
}
