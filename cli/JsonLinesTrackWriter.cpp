#include "JsonLinesTrackWriter.h"

#include "TrackJson.h"

std::string JsonLinesTrackWriter::track(const ExportTrack& track) {
    std::string out;
    TrackJson::appendTrackInfo(out, track.info);
    out += '\n';
    return out;
}
