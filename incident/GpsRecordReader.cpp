#include "GpsRecordReader.h"

#include "ByteOrder.h"
#include "FileReader.h"
#include "VideoGpsTool.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

constexpr std::uint64_t kBoxHeader = 8;
constexpr std::uint64_t kLargeBoxHeader = 16;
constexpr std::size_t kGpsCountOffset = 12;
constexpr std::size_t kGpsFirstEntry = 16;
constexpr std::size_t kGpsEntrySize = 8;
constexpr std::uint32_t kMoov = ByteOrder::fourCC("moov");
constexpr std::uint32_t kGps = ByteOrder::fourCC("gps ");

// Collects the records of one "gps " box; false once no further record is wanted.
class Collector {
public:
    Collector(FileReader& file, std::size_t first, std::size_t count)
        : m_file(file)
        , m_first(first)
        , m_count(count)
        , m_limit(VideoGpsTool::recordLimit(file.size())) {}

    bool done() const { return m_records.size() >= m_count || m_seen >= m_limit; }
    std::vector<ClipWriter::RecordBytes> take() { return std::move(m_records); }

    void gpsBox(std::span<const std::byte> box) {
        using namespace ByteOrder;
        if (box.size() < kGpsFirstEntry)
            return;
        const auto count = static_cast<std::int32_t>(readBigEndian32(box.subspan(kGpsCountOffset)));
        if (count <= 0)
            return;
        const std::uint64_t entries = std::min<std::uint64_t>(static_cast<std::uint64_t>(count),
                                                              (box.size() - kGpsFirstEntry) / kGpsEntrySize);
        for (std::uint64_t i = 0; i < entries && !done(); ++i) {
            const std::uint64_t offset = readBigEndian32(box.subspan(kGpsFirstEntry + kGpsEntrySize * i));
            if (offset + ClipWriter::kRecordHeaderSize >= m_file.size())
                continue; // no byte of the message in the file: the track has no sample for it
            const std::uint64_t index = m_seen++;
            if (index < m_first)
                continue;
            ClipWriter::RecordBytes record{}; // a record cut short keeps zeros
            m_file.readAt(offset, record);
            m_records.push_back(record);
        }
    }

private:
    FileReader& m_file;
    std::size_t m_first;
    std::size_t m_count;
    std::uint64_t m_limit;
    std::uint64_t m_seen = 0;
    std::vector<ClipWriter::RecordBytes> m_records;
};

void walkMoov(std::span<const std::byte> payload, Collector& collector) {
    using namespace ByteOrder;
    while (payload.size() >= kBoxHeader && !collector.done()) {
        const std::uint32_t size = readBigEndian32(payload);
        if (size < kBoxHeader || size > payload.size())
            return;
        if (readBigEndian32(payload.subspan(4)) == kGps)
            collector.gpsBox(payload.first(size));
        payload = payload.subspan(size);
    }
}

} // namespace

std::vector<ClipWriter::RecordBytes> GpsRecordReader::read(const std::string& path, std::size_t first,
                                                           std::size_t count) {
    using namespace ByteOrder;
    FileReader file(path);
    if (!file.isOpen() || count == 0)
        return {};
    Collector collector(file, first, count);
    std::uint64_t next = 0;
    while (!collector.done()) {
        std::array<std::byte, kLargeBoxHeader> header{};
        const std::size_t got = file.readAt(next, header);
        if (got < kBoxHeader)
            break;
        const std::uint64_t start = next;
        std::uint64_t size = readBigEndian32(header);
        std::uint64_t headerSize = kBoxHeader;
        if (size == 1) {
            if (got < kLargeBoxHeader)
                break;
            size = readBigEndian64(std::span(header).subspan(8));
            headerSize = kLargeBoxHeader;
            if (size < kLargeBoxHeader)
                break;
        } else if (size == 0) {
            size = file.size() - start;
        } else if (size < kBoxHeader) {
            break;
        }
        next = size > std::numeric_limits<std::uint64_t>::max() - start
                   ? std::numeric_limits<std::uint64_t>::max()
                   : start + size;
        if (readBigEndian32(std::span(header).subspan(4)) != kMoov)
            continue;
        const std::uint64_t payloadStart = start + headerSize;
        const std::uint64_t available = file.size() > payloadStart ? file.size() - payloadStart : 0;
        const std::uint64_t wanted = std::min(size - headerSize, available);
        if (wanted > VideoGpsTool::kMaxMoovPayload)
            break;
        std::vector<std::byte> payload(static_cast<std::size_t>(wanted));
        payload.resize(file.readAt(payloadStart, payload));
        walkMoov(payload, collector);
    }
    return collector.take();
}
