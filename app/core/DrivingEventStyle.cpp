#include "DrivingEventStyle.h"

#include "AppManager.h"
#include "AppResources.h"
#include "SpeedUnits.h"
#include "TimeFormatUtils.h"

#include <QCoreApplication>

#include <cmath>

QColor DrivingEventStyle::colour(DrivingEventKind kind) {
    switch (kind) {
    case DrivingEventKind::HardBraking:
        return QColor(0xF0, 0x3E, 0x3E); // red
    case DrivingEventKind::HardAcceleration:
        return QColor(0x2F, 0xB3, 0x44); // green
    case DrivingEventKind::SharpTurn:
        return QColor(0xF5, 0x9F, 0x00); // amber
    case DrivingEventKind::Impact:
        return QColor(0xB1, 0x5C, 0xF0); // violet
    }
    return Qt::white;
}

QString DrivingEventStyle::name(DrivingEventKind kind) {
    switch (kind) {
    case DrivingEventKind::HardBraking:
        return QCoreApplication::translate("DrivingEventStyle", "Hard braking");
    case DrivingEventKind::HardAcceleration:
        return QCoreApplication::translate("DrivingEventStyle", "Hard acceleration");
    case DrivingEventKind::SharpTurn:
        return QCoreApplication::translate("DrivingEventStyle", "Sharp turn");
    case DrivingEventKind::Impact:
        return QCoreApplication::translate("DrivingEventStyle", "Impact");
    }
    return {};
}

QString DrivingEventStyle::tooltip(const DrivingEvent& event) {
    const int speedType = AppManager::sharedManager().speedType();
    const long speed = std::lround(static_cast<float>(event.speedKnots * SpeedUnits::factor(speedType)));
    return name(event.kind) + QStringLiteral(" · ") +
           TimeFormatUtils::stringFromSeconds(static_cast<std::int32_t>(event.second)) +
           QStringLiteral(" · ") + QString::number(speed) + " " +
           AppResources::localized(speedType == AppManager::kSpeedKmh ? "km_speedUnit" : "mph_speedUnit");
}
