// Named pictures, colours, translations and bundle information.
#include "AppResources.h"
#include "InterfaceLanguage.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

namespace {

// Every key of the default table that the views look up.
const char* const kKeys[] = {
    "设置",
    "打开文件",
    "清空列表",
    "time_Text_string",
    "km_speedUnit",
    "mph_speedUnit",
    "行驶距离",
    "纬度",
    "经度",
    "最高时速",
    "平均时速",
    "Alert_Sure",
    "不支持的格式视频",
    "文件已损坏",
    "文件不存在",
    "上一段",
    "播放/暂停",
    "下一段",
    "音量",
    "播放速度",
    "循环播放",
    "全屏/退出全屏",
    "请检查网络连接",
    "速度单位",
    "经纬度",
    "度/分/秒",
    "小数点显示",
    "地图",
    "Google Map",
    "百度地图",
    "app名称",
    "版本",
    "官网",
    "技术支持",
    "许可",
    "英语",
    "法语",
    "西班牙语",
    "德语",
    "意大利语",
    "简中",
    "俄语",
    "日语",
    "波兰语",
    "setting",
};

} // namespace

class TestAppResources : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_config;

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8()); // the language choice is read from the store
        SettingsStore::resetShared();
    }

    void everyKeyIsTranslated_data() {
        QTest::addColumn<QString>("language");
        for (const char* language : {"en", "fr", "es", "de", "it", "zh_CN", "ru", "ja", "pl"})
            QTest::newRow(language) << language;
    }
    void everyKeyIsTranslated() {
        QFETCH(QString, language);
        QTranslator table;
        QVERIFY(table.load(":/i18n/kestrun_" + language + ".qm"));
        for (const char* key : kKeys)
            QVERIFY2(!table.translate("Localizable", key).isEmpty(), key);
        QVERIFY(!table.translate("InfoPlist", "CFBundleDisplayName").isEmpty());
    }

    void lookups() {
        // Without a table a key shows itself.
        QCOMPARE(AppResources::localized("行驶距离"), QString("行驶距离"));
        QCOMPARE(AppResources::localized("no_such_key"), QString("no_such_key"));
        QCOMPARE(AppResources::displayName(), QString("Kestrun Player"));

        QCOMPARE(AppResources::installTranslations({"en-GB"}), QString("en"));
        QCOMPARE(AppResources::localized("行驶距离"), QString("Distance"));
        QCOMPARE(AppResources::localized("km_speedUnit"), QString("km/h"));
        QCOMPARE(AppResources::localized("no_such_key"), QString("no_such_key"));
        QVERIFY(AppResources::localized("版本").contains(AppResources::shortVersion()));

        QCOMPARE(AppResources::installTranslations({"zh-Hans-CN"}), QString("zh_CN"));
        QCOMPARE(AppResources::localized("Alert_Sure"), QString("确定"));
        QCOMPARE(AppResources::displayName(), QString("Kestrun 行车记录播放器"));
        AppResources::installTranslations({"en"});
    }

    void languageOfAStoredTitle_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("index");
        QTest::newRow("English title") << "English" << 0;
        QTest::newRow("title key") << "英语" << 0;
        QTest::newRow("French title of English") << "Anglais" << 0;
        QTest::newRow("table name") << "fr" << 1;
        QTest::newRow("German title of French") << "Französisch" << 1;
        QTest::newRow("Chinese title") << "简体中文" << 5;
        QTest::newRow("Japanese in Japanese") << "日本語" << 7;
        QTest::newRow("Polish in Polish") << "Polski" << 8;
        QTest::newRow("surrounding spaces") << " Russian " << 6;
        QTest::newRow("unknown") << "Klingon" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void languageOfAStoredTitle() {
        QFETCH(QString, title);
        QFETCH(int, index);
        QCOMPARE(InterfaceLanguage::indexOfTitle(title), index);
    }

    void languageOfPreferredLanguages_data() {
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<int>("index");
        QTest::newRow("French, Canada") << QStringList{"fr-CA"} << 1;
        QTest::newRow("traditional Chinese") << QStringList{"zh-Hant-TW"} << 5;
        QTest::newRow("first translated one") << QStringList{"pt-BR", "de-DE"} << 3;
        QTest::newRow("none translated") << QStringList{"ko"} << 0;
        QTest::newRow("nothing") << QStringList{} << 0;
        QTest::newRow("locale name") << QStringList{"ja_JP"} << 7;
    }
    void languageOfPreferredLanguages() {
        QFETCH(QStringList, preferred);
        QFETCH(int, index);
        QCOMPARE(InterfaceLanguage::indexForPreferred(preferred), index);
    }

    void chosenLanguageIsInstalled() {
        // A confirmed choice wins over the desktop's language; an unusable one does not count.
        SettingsStore::shared().setValue("userLanguage", "Deutsch");
        QCOMPARE(AppResources::installTranslations({"en-GB"}), QString("de"));
        QCOMPARE(AppResources::installedLanguage(), 3);
        QCOMPARE(AppResources::localized("行驶距离"), QString("Strecke"));
        SettingsStore::shared().setValue("userLanguage", "Klingon");
        QCOMPARE(AppResources::installTranslations({"it-IT"}), QString("it"));
        QCOMPARE(AppResources::localized("Alert_Sure"), QString("OK"));
        SettingsStore::shared().remove("userLanguage");
        QCOMPARE(AppResources::installTranslations({"en"}), QString("en"));
        QCOMPARE(AppResources::versionText(), AppResources::localized("版本"));
    }

    void bundleInformation() {
        QCOMPARE(AppResources::shortVersion(), QString(KESTRUN_EXPECTED_VERSION));
        QVERIFY(!AppResources::buildVersion().isEmpty());
    }

    void colors() {
        for (const char* name : {"圆低色", "红色", "黄色", "cell文字颜色", "灰色"})
            QVERIFY2(AppResources::color(name).isValid(), name);
        QVERIFY(!AppResources::color("no colour").isValid());
        QVERIFY(AppResources::color("红色").red() > 200);
    }

    void pictures() {
        QStringList names{"player_play", "player_pause", "4.00", "2.00", "1.00", "0.50", "0.25", "动画.gif"};
        for (int i = 1; i <= 12; ++i)
            names << QString("动画-%1").arg(i);
        for (const QString& name : names) {
            const QPixmap pixmap = AppResources::picture(name, QSize(48, 48));
            QVERIFY2(!pixmap.isNull(), qPrintable(name));
            const QImage image = pixmap.toImage();
            int opaque = 0;
            for (int y = 0; y < image.height(); y += 2) {
                for (int x = 0; x < image.width(); x += 2)
                    opaque += qAlpha(image.pixel(x, y)) > 128;
            }
            QVERIFY2(opaque > 20, qPrintable(name)); // something is drawn, not an empty square
        }
        QVERIFY(AppResources::picturePath("no picture").isEmpty());
        // The play glyph is light on a transparent background.
        const QImage play = AppResources::picture("player_play", QSize(48, 48)).toImage();
        QCOMPARE(qAlpha(play.pixel(2, 2)), 0);
        QVERIFY(qGray(play.pixel(24, 24)) > 200);
    }
};

QTEST_MAIN(TestAppResources)
#include "tst_appresources.moc"
