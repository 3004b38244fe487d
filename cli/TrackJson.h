#pragma once

#include "TrackInfo.h"

#include <string>

// A TrackInfo as compact JSON with its literal keys in key order, numbers as the shortest text that reads
// back as the same single-precision value (null when not finite): the record the play list stores.
namespace TrackJson {

void appendSample(std::string& out, const TrackSample& sample);
void appendTrackInfo(std::string& out, const TrackInfo& info);
// The summary members of a TrackInfo, without braces and without the track, each preceded by a comma.
void appendSummaryMembers(std::string& out, const TrackInfo& info);

} // namespace TrackJson
