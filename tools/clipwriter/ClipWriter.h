#pragma once

#include "HDGPSMessage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class ClipMoovPlacement { AfterMdat, BeforeMdat };

// The box layout of a bare clip (no playable media).
struct ClipLayout {
    ClipMoovPlacement placement = ClipMoovPlacement::AfterMdat;
    int gpsBoxes = 1;                       // the records are split between this many "gps " boxes
    std::optional<std::int32_t> countField; // written instead of the real entry count
};

// Writes dash-cam style MP4 files: a "gps " index among the children of "moov" that points at GPS records
// (a 16-byte header and an 88-byte message each) stored elsewhere in the file. Used for test fixtures, the
// fuzzer's seeds, benchmarks and demo clips.
class ClipWriter {
public:
    using Bytes = std::vector<std::byte>;

    static constexpr std::size_t kRecordHeaderSize = 16;
    static constexpr std::size_t kRecordSize = kRecordHeaderSize + HDGPSMessage::kSize;

    // One record exactly as a file holds it (header and message), e.g. copied from another clip.
    using RecordBytes = std::array<std::byte, kRecordSize>;

    using MoovPlacement = ClipMoovPlacement;
    using Layout = ClipLayout;

    // One box: 32-bit size, type, payload.
    static Bytes box(std::string_view type, std::span<const std::byte> payload);
    // A "gps " box indexing records at the given absolute file offsets.
    static Bytes gpsIndexBox(std::span<const std::uint32_t> recordOffsets,
                             std::optional<std::int32_t> countField = std::nullopt);
    // One record as stored in the file: header, then the message.
    static Bytes record(const HDGPSMessage& message);

    // ftyp, then "mdat" holding the records and a "moov" with "mvhd" and the index, in the order asked for.
    static Bytes bareClip(std::span<const HDGPSMessage> messages, const Layout& layout = {});

    // The bytes of `mp4` (a real MP4, e.g. from ffmpeg) with the records added in a "free" box just before
    // "moov" and a "gps " index appended to "moov". Chunk offsets ("stco", "co64") that point behind the
    // insertion are moved, so the media still plays. Nothing when `mp4` has no readable "moov".
    static std::optional<Bytes> addTrack(std::span<const std::byte> mp4,
                                         std::span<const HDGPSMessage> messages,
                                         std::string* error = nullptr);

    // What to write at offset `at` of a file so that its movie box `moov` (header included) carries a track:
    // a "free" box holding `records` as they are, then `moov` with a "gps " index of them appended. Nothing
    // in front of `at` moves, so no chunk offset changes; the file's old "moov" must not stay a "moov" (cut
    // off when it was the last box, or turned into a "free" box). Nothing when `moov` is not a plain 32-bit
    // "moov" or a record would lie beyond the 4 GiB an index entry can reach.
    static std::optional<Bytes> trackTail(std::span<const std::byte> moov, std::uint64_t at,
                                          std::span<const RecordBytes> records, std::string* error = nullptr);

    static bool writeFile(const std::string& path, std::span<const std::byte> bytes,
                          std::string* error = nullptr);
    static std::optional<Bytes> readFile(const std::string& path, std::string* error = nullptr);
};
