#include "MemorySource.h"

#include <algorithm>

std::size_t MemorySource::readAt(std::uint64_t offset, std::span<std::byte> out) {
    if (offset >= m_bytes.size())
        return 0;
    const std::size_t count = std::min<std::uint64_t>(out.size(), m_bytes.size() - offset);
    std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(offset), count, out.begin());
    return count;
}
