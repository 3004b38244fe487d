#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The 88-byte GPS message a camera writes once per second, little-endian on disk. The padding bytes belong to
// the format and are not kept.
struct HDGPSMessage {
    static constexpr std::size_t kSize = 88;

    std::uint32_t hour = 0;
    std::uint32_t minute = 0;
    std::uint32_t second = 0;
    char status = 0;      // 'A' for a valid fix
    double latitude = 0;  // ddmm.mmmm, always positive
    char nsind = 0;       // 'N' or 'S'
    double longitude = 0; // dddmm.mmmm, always positive
    char ewind = 0;       // 'E' or 'W'
    double speed = 0;     // knots
    double angle = 0;     // degrees clockwise from north
    std::uint32_t year = 0;
    std::uint32_t month = 0;
    std::uint32_t day = 0;
    std::int32_t x = 0; // G-sensor, raw units
    std::int32_t y = 0;
    std::int32_t z = 0;

    static HDGPSMessage fromBytes(std::span<const std::byte, kSize> bytes);
    std::array<std::byte, kSize> toBytes() const; // padding written as zero
};
