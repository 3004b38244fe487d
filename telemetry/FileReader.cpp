#include "FileReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string fileTypeText(unsigned type) {
    switch (type) {
    case S_IFDIR:
        return "a folder";
    case S_IFIFO:
        return "a FIFO";
    case S_IFSOCK:
        return "a socket";
    case S_IFCHR:
        return "a character device";
    case S_IFBLK:
        return "a block device";
    default:
        return "not a file";
    }
}

} // namespace

FileReader::FileReader(const std::string& path) {
    // O_NONBLOCK: opening a FIFO without a writer, or a device, returns at once instead of waiting. It has no
    // effect on reads of a regular file, the only kind kept.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        m_errno = errno;
        m_status = Status::CannotOpen;
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        m_errno = errno;
        m_status = Status::CannotOpen;
        ::close(fd);
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        m_fileType = info.st_mode & S_IFMT;
        m_status = Status::NotRegularFile;
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_status = Status::Open;
    m_size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

FileReader::~FileReader() {
    if (m_fd >= 0)
        ::close(m_fd);
}

std::string FileReader::errorText() const {
    switch (m_status) {
    case Status::Open:
        return {};
    case Status::CannotOpen:
        return std::strerror(m_errno);
    case Status::NotRegularFile:
        return "not a regular file (" + fileTypeText(m_fileType) + ")";
    }
    return {};
}

std::size_t FileReader::readAt(std::uint64_t offset, std::span<std::byte> out) {
    if (m_fd < 0 || offset >= m_size ||
        m_size > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        return 0;
    out = out.first(static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), m_size - offset)));
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got =
            ::pread(m_fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}
