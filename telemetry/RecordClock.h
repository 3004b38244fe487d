#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The date and time fields of one GPS message as the camera wrote them (UTC by NMEA convention).
struct RecordClock {
    std::uint32_t year = 0;
    std::uint32_t month = 0;
    std::uint32_t day = 0;
    std::uint32_t hour = 0;
    std::uint32_t minute = 0;
    std::uint32_t second = 0;

    // The clock with a four-digit year when it names a real moment (two-digit years are read as 20yy),
    // otherwise nothing.
    std::optional<RecordClock> plausible() const;
    // "2025-06-01T08:15:02Z", the fields as they are (padded to four and two digits).
    std::string isoUtcText() const;
};
