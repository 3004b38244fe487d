#pragma once

#include <atomic>
#include <cstdint>

// The shared in-memory display settings. One instance for the whole run, created on first use from any
// thread. The speed unit, map provider and coordinate format start from the values the user chose last
// ("userSpeed", "userMap", "languageShowType" in the store); a setting that was never stored starts from the
// preferred language. Setters neither store nor notify: the callers do that.
class AppManager {
public:
    static constexpr std::int32_t kSpeedMph = 1;
    static constexpr std::int32_t kSpeedKmh = 2;
    static constexpr std::int32_t kMapGoogle = 0;
    static constexpr std::int32_t kMapBaidu = 1;
    static constexpr std::int32_t kCoordinatesDecimal = 1;
    static constexpr std::int32_t kCoordinatesDms = 2;

    static AppManager& sharedManager();
    AppManager(const AppManager&) = delete;
    AppManager& operator=(const AppManager&) = delete;

    std::int32_t speedType() const { return m_speedType; }
    void setSpeedType(std::int32_t value) { m_speedType = value; }
    std::int32_t mapType() const { return m_mapType; }
    void setMapType(std::int32_t value) { m_mapType = value; }
    std::int32_t languageShowType() const { return m_languageShowType; }
    void setLanguageShowType(std::int32_t value) { m_languageShowType = value; }
    std::int32_t speedPlay() const { return m_speedPlay; }
    void setSpeedPlay(std::int32_t value) { m_speedPlay = value; }
    std::int32_t playType() const { return m_playType; }
    void setPlayType(std::int32_t value) { m_playType = value; }

    // Start-up: stores the speed unit, map provider and coordinate format in force under the keys that the
    // store does not hold yet, so the store, the menus and the dashboard agree from the first run on. A key
    // the store holds (even an unusable value) is left as it is.
    void storeDisplaySettings() const;

    // The initial values for a first preferred language, before stored choices apply.
    struct Defaults {
        std::int32_t speedType = kSpeedKmh;
        std::int32_t mapType = kMapGoogle;
        std::int32_t languageShowType = kCoordinatesDecimal;
    };
    static Defaults defaultsForLanguage(const class QString& firstLanguage);

private:
    AppManager();

    std::atomic<std::int32_t> m_speedType{kSpeedKmh};
    std::atomic<std::int32_t> m_mapType{kMapGoogle};
    std::atomic<std::int32_t> m_languageShowType{kCoordinatesDecimal};
    std::atomic<std::int32_t> m_speedPlay{0};
    std::atomic<std::int32_t> m_playType{0};
};
