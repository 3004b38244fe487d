#include "FileReader.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

FileReader::FileReader(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

FileReader::~FileReader() {
    if (m_fd >= 0)
        ::close(m_fd);
}

std::size_t FileReader::readAt(std::uint64_t offset, std::span<std::byte> out) {
    if (m_fd < 0 || offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        return 0;
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
