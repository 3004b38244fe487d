#pragma once

#include "RandomAccessSource.h"

// Positioned reads from bytes the caller keeps alive for the source's lifetime.
class MemorySource final : public RandomAccessSource {
public:
    explicit MemorySource(std::span<const std::byte> bytes)
        : m_bytes(bytes) {}

    std::size_t readAt(std::uint64_t offset, std::span<std::byte> out) override;
    std::uint64_t size() const override { return m_bytes.size(); }

private:
    std::span<const std::byte> m_bytes;
};
