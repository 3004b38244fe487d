#pragma once

#include "RandomAccessSource.h"

#include <string>

// Read-only access to a file by path through pread; the descriptor is closed with the reader.
class FileReader final : public RandomAccessSource {
public:
    // Opens `path` (UTF-8) for reading; isOpen() tells whether that worked. Directories do not open.
    explicit FileReader(const std::string& path);
    ~FileReader() override;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    std::size_t readAt(std::uint64_t offset, std::span<std::byte> out) override;
    std::uint64_t size() const override { return m_size; }

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};
