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
    // A record's UTC time ("2025-06-01T08:15:02Z") plus `laterSeconds`, in local time: "2025-06-01 10:15:02";
    // empty when it is not such a time.
    static QString localRecordTime(const QString& isoUtc, std::int64_t laterSeconds = 0);
};
