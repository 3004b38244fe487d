#pragma once

#include "AppManager.h"

// Speeds are stored in whole knots; a display shows them in the unit in force.
namespace SpeedUnits {

inline constexpr double kKmhFactor = 1.852;
inline constexpr double kMphFactor = 1.15;

// Knots to the unit of `speedType` (km/h for AppManager::kSpeedKmh, mph otherwise).
constexpr double factor(int speedType) {
    return speedType == AppManager::kSpeedKmh ? kKmhFactor : kMphFactor;
}

} // namespace SpeedUnits
