// Shared settings, the speed-unit helper, preferred languages and time text.
#include "AppLanguageManager.h"
#include "AppManager.h"
#include "AppUserDefaults.h"
#include "SettingsStore.h"
#include "TimeFormatUtils.h"

#include <QTemporaryDir>
#include <QTest>

#include <thread>

class TestAppSettings : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_config;

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        SettingsStore::resetShared();
    }

    void languageDefaults_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("speedType");
        QTest::addColumn<int>("mapType");
        QTest::newRow("zh-Hant-TW") << "zh-Hant-TW" << 2 << 1;
        QTest::newRow("zh-Hans-CN") << "zh-Hans-CN" << 2 << 1;
        QTest::newRow("en-GB") << "en-GB" << 1 << 0;
        QTest::newRow("fr") << "fr" << 2 << 0;
        QTest::newRow("zh without script") << "zh-CN" << 2 << 0;
        QTest::newRow("none") << "" << 2 << 0;
    }
    void languageDefaults() {
        QFETCH(QString, language);
        QFETCH(int, speedType);
        QFETCH(int, mapType);
        const AppManager::Defaults d = AppManager::defaultsForLanguage(language);
        QCOMPARE(d.speedType, speedType);
        QCOMPARE(d.mapType, mapType);
        QCOMPARE(d.languageShowType, 1);
    }

    void sharedManagerStartsFromStoredChoices() {
        // English first (mph by language), but the user chose km/h last time; the map was never stored.
        SettingsStore::shared().setValue("AppleLanguages", QStringList{"en-US"});
        SettingsStore::shared().setValue("userSpeed", "2");
        SettingsStore::shared().setValue("languageShowType", "7"); // not a valid choice: the default holds
        AppManager* seen[4] = {};
        std::thread threads[4];
        for (int i = 0; i < 4; ++i)
            threads[i] = std::thread([&seen, i] { seen[i] = &AppManager::sharedManager(); });
        for (auto& t : threads)
            t.join();
        for (AppManager* m : seen)
            QCOMPARE(m, &AppManager::sharedManager());
        AppManager& manager = AppManager::sharedManager();
        QCOMPARE(manager.speedType(), 2);
        QCOMPARE(manager.mapType(), 0);
        QCOMPARE(manager.languageShowType(), 1);
        QCOMPARE(manager.speedPlay(), 0);
        QCOMPARE(manager.playType(), 0);

        manager.setMapType(1);
        QVERIFY(!SettingsStore::shared().contains("userMap")); // setters do not store
        manager.storeDisplaySettings();                        // only the keys never written
        QCOMPARE(SettingsStore::shared().value("userSpeed"), QVariant("2"));
        QCOMPARE(SettingsStore::shared().value("userMap"), QVariant("1"));
        QCOMPARE(SettingsStore::shared().value("languageShowType"), QVariant("7"));
    }

    void speedUnit() {
        SettingsStore::shared().remove("speed_unit");
        QCOMPARE(AppUserDefaults::initSpeedUnitUserDefault(), std::nullopt);
        QCOMPARE(SettingsStore::shared().value("speed_unit"), QVariant("mileph"));
        SettingsStore::shared().remove("speed_unit");
        QVERIFY(!AppUserDefaults::isKMPH());
        QVERIFY(!AppUserDefaults::isKMPH());
        AppUserDefaults::setSpeedUnit("kmph");
        QVERIFY(AppUserDefaults::isKMPH());
        AppUserDefaults::setSpeedUnit("mileph");
        QVERIFY(!AppUserDefaults::isKMPH());
    }

    void preferredLanguages() {
        SettingsStore::shared().setValue("AppleLanguages", QStringList{"de-DE", "en"});
        QCOMPARE(AppLanguageManager::systemCurrentLanguage(), QString("de-DE"));
        SettingsStore::shared().remove("AppleLanguages");
        QVERIFY(!AppLanguageManager::preferredLanguages().contains("C"));
    }

    void normalizedTags_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("tag");
        QTest::newRow("zh_CN") << "zh_CN"
                               << "zh-Hans-CN";
        QTest::newRow("zh_TW") << "zh_TW"
                               << "zh-Hant-TW";
        QTest::newRow("zh_HK.UTF-8") << "zh_HK.UTF-8"
                                     << "zh-Hant-HK";
        QTest::newRow("zh-Hans-CN") << "zh-Hans-CN"
                                    << "zh-Hans-CN";
        QTest::newRow("en_GB") << "en_GB"
                               << "en-GB";
        QTest::newRow("fr") << "fr"
                            << "fr";
        QTest::newRow("de_DE.UTF-8") << "de_DE.UTF-8"
                                     << "de-DE";
        QTest::newRow("C") << "C"
                           << "";
    }
    void normalizedTags() {
        QFETCH(QString, name);
        QFETCH(QString, tag);
        QCOMPARE(AppLanguageManager::normalizedTag(name), tag);
    }

    void timeText_data() {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "00:00";
        QTest::newRow("5") << 5 << "00:05";
        QTest::newRow("60") << 60 << "01:00";
        QTest::newRow("65") << 65 << "01:05";
        QTest::newRow("600") << 600 << "10:00";
        QTest::newRow("3599") << 3599 << "59:59";
        QTest::newRow("3600") << 3600 << "1:00:00";
        QTest::newRow("3725") << 3725 << "1:02:05";
        QTest::newRow("36000") << 36000 << "10:00:00";
        QTest::newRow("negative") << -5 << "00:00";
    }
    void timeText() {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(TimeFormatUtils::stringFromSeconds(seconds), text);
    }

    void preZero() {
        QCOMPARE(TimeFormatUtils::stringAddPreZero(9), QString("09"));
        QCOMPARE(TimeFormatUtils::stringAddPreZero(0), QString("00"));
        QCOMPARE(TimeFormatUtils::stringAddPreZero(10), QString("10"));
    }
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
