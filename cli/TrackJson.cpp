#include "TrackJson.h"

#include "ExportText.h"
#include "TrackKeys.h"

namespace TrackJson {

namespace {

constexpr std::size_t kSampleTextEstimate = 128;

void appendKey(std::string& out, const char* key, bool first = false) {
    if (!first)
        out += ',';
    out += '"';
    out += key;
    out += "\":";
}

void appendMember(std::string& out, const char* key, float value, bool first = false) {
    appendKey(out, key, first);
    ExportText::appendNumber(out, value);
}

} // namespace

void appendSample(std::string& out, const TrackSample& s) {
    using namespace TrackKeys;
    out += '{';
    appendKey(out, kGpsLat, true);
    ExportText::appendJsonString(out, s.gpsLat);
    appendKey(out, kGpsLgt);
    ExportText::appendJsonString(out, s.gpsLgt);
    appendMember(out, kGsensorX, s.gsensorX);
    appendMember(out, kGsensorY, s.gsensorY);
    appendMember(out, kGsensorZ, s.gsensorZ);
    appendMember(out, kNorthAngle, s.northAngle);
    appendMember(out, kSpd, s.spd);
    out += '}';
}

void appendSummaryMembers(std::string& out, const TrackInfo& info) {
    using namespace TrackKeys;
    // In key order, as the play list's dictionaries are written.
    appendMember(out, kFileSize, info.fileSize);
    appendKey(out, kFileTime);
    ExportText::appendJsonString(out, info.fileTime);
    if (info.aevSpeed)
        appendMember(out, kAevSpeed, *info.aevSpeed);
    appendKey(out, kIsInChina);
    out += info.isInChina ? "true" : "false";
    if (info.maxSpeed)
        appendMember(out, kMaxSpeed, *info.maxSpeed);
    if (info.totailDistance)
        appendMember(out, kTotailDistance, *info.totailDistance);
}

void appendTrackInfo(std::string& out, const TrackInfo& info) {
    using namespace TrackKeys;
    out += '{';
    const std::size_t start = out.size();
    appendSummaryMembers(out, info);
    out.erase(start, 1); // the first member's comma
    if (info.videoDatas) {
        // About 120 bytes a sample: grown once instead of doubling through a large track.
        out.reserve(out.size() + 32 + kSampleTextEstimate * info.videoDatas->size());
        appendKey(out, kVideoDatas);
        out += '[';
        bool first = true;
        for (const TrackSample& s : *info.videoDatas) {
            if (!first)
                out += ',';
            first = false;
            appendSample(out, s);
        }
        out += ']';
    }
    out += '}';
}

} // namespace TrackJson
