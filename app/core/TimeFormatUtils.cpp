#include "TimeFormatUtils.h"

namespace {
constexpr std::int32_t kSecondsPerHour = 3600;
constexpr std::int32_t kSecondsPerMinute = 60;
} // namespace

QString TimeFormatUtils::stringAddPreZero(std::int32_t value) {
    return (value >= 0 && value <= 9 ? QStringLiteral("0") : QString()) + QString::number(value);
}

QString TimeFormatUtils::stringFromSeconds(std::int32_t seconds) {
    // A position is never negative; a stray negative value shows as the start, not as "00:-5".
    seconds = seconds < 0 ? 0 : seconds;
    const QString minutesAndSeconds = stringAddPreZero(seconds % kSecondsPerHour / kSecondsPerMinute) + ":" +
                                      stringAddPreZero(seconds % kSecondsPerMinute);
    if (seconds < kSecondsPerHour)
        return stringAddPreZero(seconds / kSecondsPerMinute) + ":" +
               stringAddPreZero(seconds % kSecondsPerMinute);
    return QString::number(seconds / kSecondsPerHour) + ":" + minutesAndSeconds;
}
