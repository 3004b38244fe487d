#include "HDGPSMessage.h"

#include "ByteOrder.h"

#include <bit>

namespace {

// Field offsets inside the message.
constexpr std::size_t kHour = 0;
constexpr std::size_t kMinute = 4;
constexpr std::size_t kSecond = 8;
constexpr std::size_t kStatus = 12;
constexpr std::size_t kLatitude = 16;
constexpr std::size_t kNsind = 24;
constexpr std::size_t kLongitude = 32;
constexpr std::size_t kEwind = 40;
constexpr std::size_t kSpeed = 48;
constexpr std::size_t kAngle = 56;
constexpr std::size_t kYear = 64;
constexpr std::size_t kMonth = 68;
constexpr std::size_t kDay = 72;
constexpr std::size_t kX = 76;
constexpr std::size_t kY = 80;
constexpr std::size_t kZ = 84;

void put32(std::array<std::byte, HDGPSMessage::kSize>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = std::byte((value >> (8 * i)) & 0xffu);
}

void put64(std::array<std::byte, HDGPSMessage::kSize>& out, std::size_t at, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    put32(out, at, std::uint32_t(bits & 0xffffffffu));
    put32(out, at + 4, std::uint32_t(bits >> 32));
}

} // namespace

HDGPSMessage HDGPSMessage::fromBytes(std::span<const std::byte, kSize> bytes) {
    using namespace ByteOrder;
    HDGPSMessage m;
    m.hour = readLittleEndian32(bytes.subspan(kHour));
    m.minute = readLittleEndian32(bytes.subspan(kMinute));
    m.second = readLittleEndian32(bytes.subspan(kSecond));
    m.status = static_cast<char>(bytes[kStatus]);
    m.latitude = readLittleEndianDouble(bytes.subspan(kLatitude));
    m.nsind = static_cast<char>(bytes[kNsind]);
    m.longitude = readLittleEndianDouble(bytes.subspan(kLongitude));
    m.ewind = static_cast<char>(bytes[kEwind]);
    m.speed = readLittleEndianDouble(bytes.subspan(kSpeed));
    m.angle = readLittleEndianDouble(bytes.subspan(kAngle));
    m.year = readLittleEndian32(bytes.subspan(kYear));
    m.month = readLittleEndian32(bytes.subspan(kMonth));
    m.day = readLittleEndian32(bytes.subspan(kDay));
    m.x = static_cast<std::int32_t>(readLittleEndian32(bytes.subspan(kX)));
    m.y = static_cast<std::int32_t>(readLittleEndian32(bytes.subspan(kY)));
    m.z = static_cast<std::int32_t>(readLittleEndian32(bytes.subspan(kZ)));
    return m;
}

std::array<std::byte, HDGPSMessage::kSize> HDGPSMessage::toBytes() const {
    std::array<std::byte, kSize> out{};
    put32(out, kHour, hour);
    put32(out, kMinute, minute);
    put32(out, kSecond, second);
    out[kStatus] = std::byte(static_cast<unsigned char>(status));
    put64(out, kLatitude, latitude);
    out[kNsind] = std::byte(static_cast<unsigned char>(nsind));
    put64(out, kLongitude, longitude);
    out[kEwind] = std::byte(static_cast<unsigned char>(ewind));
    put64(out, kSpeed, speed);
    put64(out, kAngle, angle);
    put32(out, kYear, year);
    put32(out, kMonth, month);
    put32(out, kDay, day);
    put32(out, kX, static_cast<std::uint32_t>(x));
    put32(out, kY, static_cast<std::uint32_t>(y));
    put32(out, kZ, static_cast<std::uint32_t>(z));
    return out;
}
