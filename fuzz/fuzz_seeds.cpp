// Writes the fuzzer's seeds for the damaged and hostile files the extraction has met, each a few hundred
// bytes: the fuzzer starts from every such case instead of having to find it again.
//
//   fuzz_seeds FOLDER
#include "ClipWriter.h"
#include "SyntheticDrive.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = ClipWriter::Bytes;

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

Bytes bigEndian32(std::uint32_t v) {
    return {std::byte(v >> 24), std::byte(v >> 16), std::byte(v >> 8), std::byte(v)};
}

std::vector<HDGPSMessage> drive(int seconds) {
    SyntheticDrive d = SyntheticDrive::china();
    d.seconds = seconds;
    return d.messages();
}

// "mdat" holding one record at offset 8, then "moov" whose index points `entries` times at it.
Bytes oneRecordIndexedManyTimes(int entries) {
    Bytes file = ClipWriter::box("mdat", ClipWriter::record(drive(1)[0]));
    append(file, ClipWriter::box("moov", ClipWriter::gpsIndexBox(std::vector<std::uint32_t>(entries, 8u))));
    return file;
}

// The same record indexed by many small "moov" boxes, one entry each.
Bytes manyMoovBoxes(int boxes) {
    Bytes file = ClipWriter::box("mdat", ClipWriter::record(drive(1)[0]));
    const Bytes moov = ClipWriter::box("moov", ClipWriter::gpsIndexBox(std::vector<std::uint32_t>{8u}));
    for (int i = 0; i < boxes; ++i)
        append(file, moov);
    return file;
}

// The index in a "moov" before the data, the data cut off by a power loss inside the third record.
Bytes cutShort() {
    Bytes clip = ClipWriter::bareClip(drive(6), {ClipMoovPlacement::BeforeMdat, 1, std::nullopt});
    clip.resize(clip.size() - 3 * ClipWriter::kRecordSize - 40);
    return clip;
}

// Records at the edge of the validation: latitude 90.5, a speed no float holds, a negative heading.
Bytes edgeRecords() {
    std::vector<HDGPSMessage> messages = drive(3);
    messages[0].latitude = 9029.9999;
    messages[1].speed = 1e39;
    messages[2].angle = -1e300;
    return ClipWriter::bareClip(messages);
}

// A "moov" with its index, then a box of size 0 (to the end of the file) and one of size 1 (64-bit size).
Bytes oddSizes() {
    Bytes file = ClipWriter::bareClip(drive(2));
    append(file, bigEndian32(1));
    append(file, Bytes{std::byte('f'), std::byte('r'), std::byte('e'), std::byte('e')});
    append(file, Bytes(4));
    append(file, bigEndian32(24));
    append(file, Bytes(8));
    append(file, bigEndian32(0));
    append(file, Bytes{std::byte('m'), std::byte('o'), std::byte('o'), std::byte('v')});
    return file;
}

// An index whose count claims more than the box holds, and one whose count is negative.
Bytes badCounts() {
    Bytes file = ClipWriter::bareClip(drive(3), {ClipMoovPlacement::AfterMdat, 1, 1000});
    append(file, ClipWriter::bareClip(drive(2), {ClipMoovPlacement::AfterMdat, 1, -5}));
    return file;
}

bool write(const std::string& folder, const std::string& name, const Bytes& bytes) {
    std::string error;
    if (ClipWriter::writeFile(folder + "/" + name, bytes, &error))
        return true;
    std::fprintf(stderr, "fuzz_seeds: %s: %s\n", name.c_str(), error.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: fuzz_seeds FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = write(folder, "amplified-index.mp4", oneRecordIndexedManyTimes(400));
    ok = write(folder, "many-moov.mp4", manyMoovBoxes(100)) && ok;
    ok = write(folder, "cut-short.mp4", cutShort()) && ok;
    ok = write(folder, "edge-records.mp4", edgeRecords()) && ok;
    ok = write(folder, "odd-sizes.mp4", oddSizes()) && ok;
    ok = write(folder, "bad-counts.mp4", badCounts()) && ok;
    return ok ? 0 : 1;
}
