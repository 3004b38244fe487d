#include "RecordClock.h"

#include "NumberText.h"

namespace {

constexpr std::uint32_t kFirstYear = 1990;
constexpr std::uint32_t kLastYear = 2199;
constexpr std::uint32_t kTwoDigitYearBase = 2000;

bool isLeapYear(std::uint32_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::uint32_t daysInMonth(std::uint32_t year, std::uint32_t month) {
    static constexpr std::uint32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

std::string padded(std::uint32_t value, std::size_t width) {
    const std::string digits = NumberText::formatUnsigned(value);
    return digits.size() < width ? std::string(width - digits.size(), '0') + digits : digits;
}

} // namespace

std::string RecordClock::isoUtcText() const {
    return padded(year, 4) + "-" + padded(month, 2) + "-" + padded(day, 2) + "T" + padded(hour, 2) + ":" +
           padded(minute, 2) + ":" + padded(second, 2) + "Z";
}

std::optional<RecordClock> RecordClock::plausible() const {
    RecordClock clock = *this;
    if (clock.year < 100)
        clock.year += kTwoDigitYearBase;
    if (clock.year < kFirstYear || clock.year > kLastYear)
        return std::nullopt;
    if (clock.month < 1 || clock.month > 12)
        return std::nullopt;
    if (clock.day < 1 || clock.day > daysInMonth(clock.year, clock.month))
        return std::nullopt;
    if (clock.hour > 23 || clock.minute > 59 || clock.second > 59)
        return std::nullopt;
    return clock;
}
