#include "ClipWriter.h"

#include "ByteOrder.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

using Bytes = ClipWriter::Bytes;

void appendBigEndian32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::byte((value >> shift) & 0xffu));
}

void putBigEndian32(std::span<std::byte> at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = std::byte((value >> (24 - 8 * i)) & 0xffu);
}

void putBigEndian64(std::span<std::byte> at, std::uint64_t value) {
    putBigEndian32(at, std::uint32_t(value >> 32));
    putBigEndian32(at.subspan(4), std::uint32_t(value & 0xffffffffu));
}

void appendText(Bytes& out, std::string_view text) {
    for (char c : text)
        out.push_back(std::byte(static_cast<unsigned char>(c)));
}

void append(Bytes& out, std::span<const std::byte> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// A top-level or child box found in a buffer.
struct BoxSpan {
    std::size_t offset = 0;
    std::size_t headerSize = 0;
    std::size_t size = 0;
    std::uint32_t type = 0;
};

std::vector<BoxSpan> listBoxes(std::span<const std::byte> bytes, std::size_t base = 0) {
    std::vector<BoxSpan> boxes;
    std::size_t at = 0;
    while (bytes.size() - at >= 8) {
        BoxSpan b;
        b.offset = base + at;
        std::uint64_t size = ByteOrder::readBigEndian32(bytes.subspan(at));
        b.type = ByteOrder::readBigEndian32(bytes.subspan(at + 4));
        b.headerSize = 8;
        if (size == 1) {
            if (bytes.size() - at < 16)
                break;
            size = ByteOrder::readBigEndian64(bytes.subspan(at + 8));
            b.headerSize = 16;
        } else if (size == 0) {
            size = bytes.size() - at;
        }
        if (size < b.headerSize || size > bytes.size() - at)
            break;
        b.size = static_cast<std::size_t>(size);
        boxes.push_back(b);
        at += b.size;
    }
    return boxes;
}

// Moves every chunk offset at or behind `from` by `delta`, in all "stco" and "co64" boxes below `container`.
bool shiftChunkOffsets(std::span<std::byte> container, std::uint64_t from, std::uint64_t delta,
                       std::string* error) {
    static const std::uint32_t kContainers[] = {ByteOrder::fourCC("moov"), ByteOrder::fourCC("trak"),
                                                ByteOrder::fourCC("mdia"), ByteOrder::fourCC("minf"),
                                                ByteOrder::fourCC("stbl")};
    for (const BoxSpan& child : listBoxes(container)) {
        auto payload = container.subspan(child.offset + child.headerSize, child.size - child.headerSize);
        if (std::find(std::begin(kContainers), std::end(kContainers), child.type) != std::end(kContainers)) {
            if (!shiftChunkOffsets(payload, from, delta, error))
                return false;
            continue;
        }
        const bool is32 = child.type == ByteOrder::fourCC("stco");
        const bool is64 = child.type == ByteOrder::fourCC("co64");
        if (!is32 && !is64)
            continue;
        if (payload.size() < 8)
            continue;
        const std::uint32_t count = ByteOrder::readBigEndian32(payload.subspan(4));
        const std::size_t width = is32 ? 4 : 8;
        for (std::uint32_t i = 0; i < count && 8 + (i + 1) * width <= payload.size(); ++i) {
            auto entry = payload.subspan(8 + i * width, width);
            std::uint64_t value =
                is32 ? ByteOrder::readBigEndian32(entry) : ByteOrder::readBigEndian64(entry);
            if (value < from)
                continue;
            value += delta;
            if (is32) {
                if (value > 0xffffffffu) {
                    if (error)
                        *error = "chunk offset does not fit in 32 bits after the insertion";
                    return false;
                }
                putBigEndian32(entry, std::uint32_t(value));
            } else {
                putBigEndian64(entry, value);
            }
        }
    }
    return true;
}

Bytes recordsPayload(std::span<const HDGPSMessage> messages) {
    Bytes payload;
    payload.reserve(messages.size() * ClipWriter::kRecordSize);
    for (const HDGPSMessage& m : messages)
        append(payload, ClipWriter::record(m));
    return payload;
}

Bytes fileTypeBox() {
    Bytes payload;
    appendText(payload, "isom");
    appendBigEndian32(payload, 0x200);
    appendText(payload, "isomiso2mp41");
    return ClipWriter::box("ftyp", payload);
}

// A movie header with a one-second time scale and the drive's duration.
Bytes movieHeaderBox(std::uint32_t durationSeconds) {
    Bytes payload;
    appendBigEndian32(payload, 0);    // version, flags
    appendBigEndian32(payload, 0);    // creation time
    appendBigEndian32(payload, 0);    // modification time
    appendBigEndian32(payload, 1000); // time scale
    appendBigEndian32(payload, durationSeconds * 1000);
    appendBigEndian32(payload, 0x00010000); // rate 1.0
    payload.push_back(std::byte{1});        // volume 1.0
    payload.push_back(std::byte{0});
    payload.resize(payload.size() + 10); // reserved
    const std::uint32_t matrix[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
    for (std::uint32_t v : matrix)
        appendBigEndian32(payload, v);
    payload.resize(payload.size() + 24); // pre-defined
    appendBigEndian32(payload, 2);       // next track id
    return ClipWriter::box("mvhd", payload);
}

// "moov" with a movie header and the index split over `gpsBoxes` boxes.
Bytes moovBox(std::span<const std::uint32_t> offsets, const ClipWriter::Layout& layout,
              std::uint32_t seconds) {
    Bytes payload = movieHeaderBox(seconds);
    const int boxes = std::max(layout.gpsBoxes, 1);
    const std::size_t per = (offsets.size() + boxes - 1) / boxes;
    for (int b = 0; b < boxes; ++b) {
        const std::size_t first = std::min(offsets.size(), b * per);
        const std::size_t last = std::min(offsets.size(), first + per);
        append(payload, ClipWriter::gpsIndexBox(offsets.subspan(first, last - first), layout.countField));
    }
    return ClipWriter::box("moov", payload);
}

} // namespace

Bytes ClipWriter::box(std::string_view type, std::span<const std::byte> payload) {
    Bytes out;
    out.reserve(8 + payload.size());
    appendBigEndian32(out, static_cast<std::uint32_t>(8 + payload.size()));
    appendText(out, type.substr(0, 4));
    append(out, payload);
    return out;
}

Bytes ClipWriter::gpsIndexBox(std::span<const std::uint32_t> recordOffsets,
                              std::optional<std::int32_t> countField) {
    Bytes payload;
    appendBigEndian32(payload, 0); // not interpreted
    appendBigEndian32(payload,
                      static_cast<std::uint32_t>(countField.value_or(std::int32_t(recordOffsets.size()))));
    for (std::uint32_t offset : recordOffsets) {
        appendBigEndian32(payload, offset);
        appendBigEndian32(payload, static_cast<std::uint32_t>(kRecordSize)); // not interpreted
    }
    return box("gps ", payload);
}

Bytes ClipWriter::record(const HDGPSMessage& message) {
    Bytes out;
    out.reserve(kRecordSize);
    appendBigEndian32(out, static_cast<std::uint32_t>(kRecordSize));
    appendText(out, "GPS ");
    out.resize(kRecordHeaderSize);
    append(out, message.toBytes());
    return out;
}

Bytes ClipWriter::bareClip(std::span<const HDGPSMessage> messages, const Layout& layout) {
    const Bytes ftyp = fileTypeBox();
    const Bytes mdat = box("mdat", recordsPayload(messages));
    const auto seconds = static_cast<std::uint32_t>(messages.size());

    std::vector<std::uint32_t> offsets(messages.size());
    // The index's size does not depend on the offsets, so measure "moov" first.
    const std::size_t moovSize = moovBox(offsets, layout, seconds).size();
    const std::size_t mdatStart =
        ftyp.size() + (layout.placement == MoovPlacement::BeforeMdat ? moovSize : 0);
    for (std::size_t i = 0; i < offsets.size(); ++i)
        offsets[i] = static_cast<std::uint32_t>(mdatStart + 8 + i * kRecordSize);
    const Bytes moov = moovBox(offsets, layout, seconds);

    Bytes out = ftyp;
    if (layout.placement == MoovPlacement::BeforeMdat) {
        append(out, moov);
        append(out, mdat);
    } else {
        append(out, mdat);
        append(out, moov);
    }
    return out;
}

std::optional<Bytes> ClipWriter::addTrack(std::span<const std::byte> mp4,
                                          std::span<const HDGPSMessage> messages, std::string* error) {
    const std::vector<BoxSpan> top = listBoxes(mp4);
    const auto moov = std::find_if(top.begin(), top.end(),
                                   [](const BoxSpan& b) { return b.type == ByteOrder::fourCC("moov"); });
    if (moov == top.end() || moov->headerSize != 8) {
        if (error)
            *error = "no readable moov box";
        return std::nullopt;
    }

    const Bytes records = box("free", recordsPayload(messages));
    std::vector<std::uint32_t> offsets(messages.size());
    for (std::size_t i = 0; i < offsets.size(); ++i)
        offsets[i] = static_cast<std::uint32_t>(moov->offset + 8 + i * kRecordSize);
    const Bytes index = gpsIndexBox(offsets);

    Bytes newMoov(mp4.begin() + static_cast<std::ptrdiff_t>(moov->offset),
                  mp4.begin() + static_cast<std::ptrdiff_t>(moov->offset + moov->size));
    append(newMoov, index);
    putBigEndian32(newMoov, static_cast<std::uint32_t>(newMoov.size()));
    // Everything that lay at or behind the old "moov" moves by the records box and the index.
    const std::uint64_t delta = records.size() + index.size();
    if (!shiftChunkOffsets(std::span(newMoov).subspan(8), moov->offset, delta, error))
        return std::nullopt;

    Bytes out(mp4.begin(), mp4.begin() + static_cast<std::ptrdiff_t>(moov->offset));
    append(out, records);
    append(out, newMoov);
    out.insert(out.end(), mp4.begin() + static_cast<std::ptrdiff_t>(moov->offset + moov->size), mp4.end());
    return out;
}

std::optional<Bytes> ClipWriter::trackTail(std::span<const std::byte> moov, std::uint64_t at,
                                           std::span<const RecordBytes> records, std::string* error) {
    const std::vector<BoxSpan> boxes = listBoxes(moov);
    if (boxes.size() != 1 || boxes.front().type != ByteOrder::fourCC("moov") ||
        boxes.front().headerSize != 8 || boxes.front().size != moov.size()) {
        if (error)
            *error = "no readable moov box";
        return std::nullopt;
    }
    const std::uint64_t recordsEnd = at + 8 + records.size() * kRecordSize;
    const std::uint64_t moovSize = moov.size() + 16 + 8 * records.size();
    if (recordsEnd > 0xffffffffu || moovSize > 0xffffffffu) {
        if (error)
            *error = "the records would lie beyond the reach of a 32-bit index";
        return std::nullopt;
    }

    Bytes payload;
    payload.reserve(records.size() * kRecordSize);
    for (const RecordBytes& r : records)
        append(payload, r);
    Bytes out = box("free", payload);

    std::vector<std::uint32_t> offsets(records.size());
    for (std::size_t i = 0; i < offsets.size(); ++i)
        offsets[i] = static_cast<std::uint32_t>(at + 8 + i * kRecordSize);
    const std::size_t moovStart = out.size();
    append(out, moov);
    append(out, gpsIndexBox(offsets));
    putBigEndian32(std::span(out).subspan(moovStart), static_cast<std::uint32_t>(out.size() - moovStart));
    return out;
}

bool ClipWriter::writeFile(const std::string& path, std::span<const std::byte> bytes, std::string* error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        if (error)
            *error = "cannot write " + path;
        return false;
    }
    return true;
}

std::optional<Bytes> ClipWriter::readFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = "cannot read " + path;
        return std::nullopt;
    }
    Bytes bytes;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        const auto* first = reinterpret_cast<const std::byte*>(buffer);
        bytes.insert(bytes.end(), first, first + in.gcount());
    }
    return bytes;
}
