#include "AppManager.h"
#include "KestrunLog.h"

#include "AppLanguageManager.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QString>
#include <QtDebug>

#include <optional>

namespace {

// A stored choice when the key holds one of the allowed values.
std::optional<std::int32_t> storedChoice(const char* key, std::initializer_list<std::int32_t> allowed) {
    SettingsStore& store = SettingsStore::shared();
    if (!store.contains(key))
        return std::nullopt;
    const std::int32_t value = store.integerValue(key);
    for (const std::int32_t a : allowed) {
        if (a == value)
            return value;
    }
    return std::nullopt;
}

} // namespace

AppManager::Defaults AppManager::defaultsForLanguage(const QString& firstLanguage) {
    Defaults d;
    if (firstLanguage.startsWith("zh-Han"))
        d.mapType = kMapBaidu;
    else if (firstLanguage.startsWith("en"))
        d.speedType = kSpeedMph;
    return d;
}

AppManager::AppManager() {
    const QString first = AppLanguageManager::systemCurrentLanguage();
    qCInfo(lcKestrun).noquote() << "AppleLanguages:" << first;
    const Defaults d = defaultsForLanguage(first);
    m_speedType = storedChoice(SettingsKeys::kUserSpeed, {kSpeedMph, kSpeedKmh}).value_or(d.speedType);
    m_mapType = storedChoice(SettingsKeys::kUserMap, {kMapGoogle, kMapBaidu}).value_or(d.mapType);
    m_languageShowType = storedChoice(SettingsKeys::kLanguageShowType, {kCoordinatesDecimal, kCoordinatesDms})
                             .value_or(d.languageShowType);
}

AppManager& AppManager::sharedManager() {
    static AppManager manager; // thread-safe, once
    return manager;
}

void AppManager::storeDisplaySettings() const {
    SettingsStore& store = SettingsStore::shared();
    const auto storeIfMissing = [&store](const char* key, std::int32_t value) {
        if (!store.contains(key))
            store.setValue(key, QString::number(value));
    };
    storeIfMissing(SettingsKeys::kUserSpeed, m_speedType);
    storeIfMissing(SettingsKeys::kUserMap, m_mapType);
    storeIfMissing(SettingsKeys::kLanguageShowType, m_languageShowType);
}
