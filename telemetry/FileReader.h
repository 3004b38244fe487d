#pragma once

#include "RandomAccessSource.h"

#include <string>

// Read-only access to a regular file by path through pread; the descriptor is closed with the reader.
//
// Only regular files are read. The file is opened without blocking (a FIFO or a device never holds up the
// open) and refused unless it is a regular file, so that a FIFO, a terminal, /dev/zero or a folder can never
// keep an extraction waiting or reading for ever. Reads end at the size the file had when it was opened: a
// file that grows meanwhile, or a pseudo-file that reports no size, gives no more than that.
class FileReader final : public RandomAccessSource {
public:
    enum class Status {
        Open,
        CannotOpen,     // open failed; errorNumber() tells why
        NotRegularFile, // a folder, FIFO, socket or device
    };

    // Opens `path` (the file system's bytes, UTF-8 or not) for reading; status() tells whether that worked.
    explicit FileReader(const std::string& path);
    ~FileReader() override;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    Status status() const { return m_status; }
    int errorNumber() const { return m_errno; } // errno of the failed open, 0 otherwise
    // Why the file is not open: the system's text for the error ("No such file or directory"), or "not a
    // regular file (a FIFO)" and the like; empty when it is open.
    std::string errorText() const;

    std::size_t readAt(std::uint64_t offset, std::span<std::byte> out) override;
    std::uint64_t size() const override { return m_size; }

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
    Status m_status = Status::CannotOpen;
    int m_errno = 0;
    unsigned m_fileType = 0; // st_mode & S_IFMT of a file that is not regular
};
