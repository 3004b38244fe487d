#include "TrackAppender.h"

#include "ByteOrder.h"
#include "VideoGpsTool.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t kBoxHeader = 8;
constexpr std::uint64_t kLargeBoxHeader = 16;

// Closes the descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now; false (errno set) when the close reports a failed write.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool readFully(int fd, std::uint64_t offset, std::span<std::byte> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n =
            ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = 0;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool writeFully(int fd, std::uint64_t offset, std::span<const std::byte> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

struct Box {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t headerSize = 0;
};

// The top-level "moov" and whether it is the last box; nothing when the file's boxes do not add up.
std::optional<std::pair<Box, bool>> findMoov(int fd, std::uint64_t fileSize) {
    using namespace ByteOrder;
    std::optional<Box> moov;
    std::uint64_t at = 0;
    while (at < fileSize) {
        std::array<std::byte, kLargeBoxHeader> header{};
        if (fileSize - at < kBoxHeader || !readFully(fd, at, std::span(header).first(kBoxHeader)))
            return std::nullopt;
        Box box{at, readBigEndian32(header), kBoxHeader};
        if (box.size == 1) {
            if (fileSize - at < kLargeBoxHeader || !readFully(fd, at + 8, std::span(header).subspan(8)))
                return std::nullopt;
            box.size = readBigEndian64(std::span(header).subspan(8));
            box.headerSize = kLargeBoxHeader;
        } else if (box.size == 0) {
            box.size = fileSize - at;
        }
        if (box.size < box.headerSize || box.size > fileSize - at)
            return std::nullopt;
        if (readBigEndian32(std::span(header).subspan(4)) == fourCC("moov")) {
            if (moov)
                return std::nullopt; // two movie boxes: not a file this writer made
            moov = box;
        }
        at += box.size;
    }
    if (!moov)
        return std::nullopt;
    return std::pair{*moov, moov->offset + moov->size == fileSize};
}

bool fail(std::string* error, int* errorNumber, const std::string& text, int number) {
    if (error)
        *error = text;
    if (errorNumber)
        *errorNumber = number;
    return false;
}

} // namespace

bool TrackAppender::append(const std::string& path, std::span<const ClipWriter::RecordBytes> records,
                           std::string* error, int* errorNumber) {
    Descriptor fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (fd.get() < 0)
        return fail(error, errorNumber, std::string("cannot open the new file: ") + std::strerror(errno),
                    errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return fail(error, errorNumber, "the new file is not a regular file", 0);
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);

    const auto found = findMoov(fd.get(), fileSize);
    if (!found || found->first.headerSize != kBoxHeader || found->first.size > VideoGpsTool::kMaxMoovPayload)
        return fail(error, errorNumber, "the new file has no movie box the track can be added to", 0);
    const auto& [moov, last] = *found;

    std::vector<std::byte> moovBytes(static_cast<std::size_t>(moov.size));
    if (!readFully(fd.get(), moov.offset, moovBytes))
        return fail(error, errorNumber, std::string("cannot read the new file: ") + std::strerror(errno),
                    errno);

    // A last "moov" is replaced where it stands; one in front of other boxes becomes a "free" box and the
    // track goes behind everything.
    const std::uint64_t at = last ? moov.offset : fileSize;
    std::string tailError;
    const auto tail = ClipWriter::trackTail(moovBytes, at, records, &tailError);
    if (!tail)
        return fail(error, errorNumber, tailError, 0);
    if (!last) {
        static constexpr std::array kFree{std::byte{'f'}, std::byte{'r'}, std::byte{'e'}, std::byte{'e'}};
        if (!writeFully(fd.get(), moov.offset + 4, kFree))
            return fail(error, errorNumber, std::strerror(errno), errno);
    }
    if (!writeFully(fd.get(), at, *tail) ||
        ::ftruncate(fd.get(), static_cast<off_t>(at + tail->size())) != 0 || ::fsync(fd.get()) != 0 ||
        !fd.close())
        return fail(error, errorNumber, std::strerror(errno), errno);
    return true;
}
