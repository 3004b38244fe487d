#include "TimeFormatUtils.h"

#include <QDateTime>

namespace {
constexpr std::int32_t kSecondsPerHour = 3600;
constexpr std::int32_t kSecondsPerMinute = 60;
} // namespace

QString TimeFormatUtils::stringAddPreZero(std::int32_t value) {
    return (value >= 0 && value <= 9 ? QStringLiteral("0") : QString()) + QString::number(value);
}

QString TimeFormatUtils::localRecordTime(const QString& isoUtc, std::int64_t laterSeconds) {
    const QDateTime utc = QDateTime::fromString(isoUtc, Qt::ISODate);
    if (!utc.isValid())
        return {};
    const QDateTime local = utc.addSecs(laterSeconds).toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    return QString::number(d.year()) + "-" + stringAddPreZero(d.month()) + "-" + stringAddPreZero(d.day()) +
           " " + stringAddPreZero(t.hour()) + ":" + stringAddPreZero(t.minute()) + ":" +
           stringAddPreZero(t.second());
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
