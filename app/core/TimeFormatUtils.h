#pragma once

#include <QString>

#include <cstdint>

// Whole seconds as the text the playback controls and the G-sensor graph show.
class TimeFormatUtils {
public:
    TimeFormatUtils() = delete;

    // mm:ss below an hour (00:05, 59:59), h:mm:ss from 3600 seconds on (1:00:00); negative counts as 0.
    static QString stringFromSeconds(std::int32_t seconds);
    // "09" for 9, "10" for 10.
    static QString stringAddPreZero(std::int32_t value);
};
