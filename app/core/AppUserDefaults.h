#pragma once

#include <QString>

#include <optional>

// The "speed_unit" setting of the transport bar and the preferences window ("kmph" or "mileph").
class AppUserDefaults {
public:
    AppUserDefaults() = delete;

    static constexpr const char* kKmph = "kmph";
    static constexpr const char* kMileph = "mileph";

    // The stored unit; when none is stored, stores "mileph" and returns nothing.
    static std::optional<QString> initSpeedUnitUserDefault();
    static bool isKMPH();
    static void setSpeedUnit(const QString& unit);
    // A speed-unit radio choice (column 0 km/h, any other mph): stores it and posts
    // "speed_unit_notification".
    static void chooseSpeedUnit(int column);
};
