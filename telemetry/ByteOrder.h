#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// Endian reads and four-character codes over byte spans. Callers check the span's size first; every function
// reads exactly the bytes it names, starting at the front of the span.
namespace ByteOrder {

constexpr std::uint32_t readBigEndian32(std::span<const std::byte> bytes) {
    return (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) |
           (std::uint32_t(bytes[2]) << 8) | std::uint32_t(bytes[3]);
}

constexpr std::uint64_t readBigEndian64(std::span<const std::byte> bytes) {
    return (std::uint64_t(readBigEndian32(bytes)) << 32) | readBigEndian32(bytes.subspan(4));
}

constexpr std::uint32_t readLittleEndian32(std::span<const std::byte> bytes) {
    return std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) | (std::uint32_t(bytes[2]) << 16) |
           (std::uint32_t(bytes[3]) << 24);
}

constexpr std::uint64_t readLittleEndian64(std::span<const std::byte> bytes) {
    return std::uint64_t(readLittleEndian32(bytes)) |
           (std::uint64_t(readLittleEndian32(bytes.subspan(4))) << 32);
}

constexpr double readLittleEndianDouble(std::span<const std::byte> bytes) {
    return std::bit_cast<double>(readLittleEndian64(bytes));
}

// A box type such as "moov" or "gps " as the 32-bit big-endian number it is stored as.
constexpr std::uint32_t fourCC(std::string_view code) {
    return (std::uint32_t(static_cast<unsigned char>(code[0])) << 24) |
           (std::uint32_t(static_cast<unsigned char>(code[1])) << 16) |
           (std::uint32_t(static_cast<unsigned char>(code[2])) << 8) |
           std::uint32_t(static_cast<unsigned char>(code[3]));
}

} // namespace ByteOrder
