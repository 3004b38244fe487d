#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Positioned reads from a file or a buffer. Not thread-safe; one reader per extraction.
class RandomAccessSource {
public:
    virtual ~RandomAccessSource() = default;

    // Copies up to out.size() bytes starting at `offset` into `out` and returns how many were copied: fewer
    // at the end of the data, 0 past it or on a read error.
    virtual std::size_t readAt(std::uint64_t offset, std::span<std::byte> out) = 0;

    // Total size in bytes.
    virtual std::uint64_t size() const = 0;
};
