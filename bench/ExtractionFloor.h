#pragma once

// The floor of the extraction benchmark: the least any extractor must do to read the GPS records of one
// dash-cam clip. Opens the file, walks the top-level boxes to "moov", reads it, finds the "gps " index and
// reads each 88-byte record with one pread, and decodes nothing. Returns a checksum of the bytes read, so
// that no read can be left out.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ExtractionFloor {

inline constexpr std::size_t kMessageSize = 88;
inline constexpr std::uint64_t kRecordHeader = 16;

inline std::uint32_t bigEndian32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

inline std::uint32_t readRecords(int fd, const unsigned char* box, std::size_t size) {
    std::uint32_t sum = 0;
    if (size < 16)
        return sum;
    const std::uint32_t count = bigEndian32(box + 12);
    unsigned char message[kMessageSize];
    for (std::uint32_t i = 0; i < count && 16 + 8 * std::size_t(i) + 8 <= size; ++i) {
        const std::uint64_t offset = bigEndian32(box + 16 + 8 * std::size_t(i));
        if (::pread(fd, message, sizeof message, off_t(offset + kRecordHeader)) > 0)
            sum += message[0] + message[87];
    }
    return sum;
}

inline std::uint32_t readFile(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct stat info {};
    ::fstat(fd, &info);
    const std::uint64_t fileSize = std::uint64_t(info.st_size);
    std::uint32_t sum = 0;
    std::uint64_t at = 0;
    unsigned char header[8];
    while (at + 8 <= fileSize && ::pread(fd, header, 8, off_t(at)) == 8) {
        const std::uint64_t size = bigEndian32(header);
        if (size < 8)
            break;
        if (std::memcmp(header + 4, "moov", 4) == 0) {
            std::vector<unsigned char> moov(size - 8);
            const ssize_t got = ::pread(fd, moov.data(), moov.size(), off_t(at + 8));
            for (std::size_t child = 0; got > 0 && child + 8 <= std::size_t(got);) {
                const std::uint32_t childSize = bigEndian32(moov.data() + child);
                if (childSize < 8 || child + childSize > std::size_t(got))
                    break;
                if (std::memcmp(moov.data() + child + 4, "gps ", 4) == 0)
                    sum += readRecords(fd, moov.data() + child, childSize);
                child += childSize;
            }
        }
        at += size;
    }
    ::close(fd);
    return sum;
}

} // namespace ExtractionFloor
