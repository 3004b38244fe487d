#include "AppUserDefaults.h"

#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

std::optional<QString> AppUserDefaults::initSpeedUnitUserDefault() {
    SettingsStore& store = SettingsStore::shared();
    if (!store.contains(SettingsKeys::kSpeedUnit)) {
        store.setValue(SettingsKeys::kSpeedUnit, QString(kMileph));
        return std::nullopt;
    }
    return store.stringValue(SettingsKeys::kSpeedUnit);
}

bool AppUserDefaults::isKMPH() {
    return initSpeedUnitUserDefault() == QString(kKmph);
}

void AppUserDefaults::setSpeedUnit(const QString& unit) {
    SettingsStore::shared().setValue(SettingsKeys::kSpeedUnit, unit);
}

void AppUserDefaults::chooseSpeedUnit(int column) {
    if (column == 0) {
        SettingsStore::shared().setValue(SettingsKeys::kSpeedUnit, QString(kKmph));
        setSpeedUnit(kKmph);
    } else {
        setSpeedUnit(kMileph);
    }
    NotificationCenter::defaultCenter().post(NotificationNames::kSpeedUnit);
}
