#include "DrivingEventSettings.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace {

// A stored number above 0, else the default.
double stored(const char* key, double fallback) {
    const double value = SettingsStore::shared().floatValue(key);
    return value > 0 ? value : fallback;
}

} // namespace

DrivingEventThresholds DrivingEventSettings::thresholds() {
    const DrivingEventThresholds defaults;
    DrivingEventThresholds thresholds;
    thresholds.speedChangeKmhPerSecond =
        stored(SettingsKeys::kEventSpeedChange, defaults.speedChangeKmhPerSecond);
    thresholds.lateralG = stored(SettingsKeys::kEventLateralG, defaults.lateralG);
    thresholds.impactG = stored(SettingsKeys::kEventImpactG, defaults.impactG);
    thresholds.axisJumpG = stored(SettingsKeys::kEventAxisJumpG, defaults.axisJumpG);
    return thresholds;
}
