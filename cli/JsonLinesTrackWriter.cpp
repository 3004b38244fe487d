#include "JsonLinesTrackWriter.h"

#include "JsonTextWriter.h"
#include "TrackDictionary.h"

QByteArray JsonLinesTrackWriter::track(const ExportTrack& track) {
    return JsonTextWriter::write(TrackDictionary::fromTrackInfo(track.info),
                                 JsonTextWriter::NumberStyle::Shortest) +
           '\n';
}
