// The settings as a person changes them, under Xvfb: mouse clicks and keys on the real window's settings
// panel, View menu and preferences window. Every place that shows a choice shows the one in force, from a
// fresh store on and after a change made in any of them; a confirmed language is the next start's language.
// Screenshots of each step go to test-artefacts/settings-agree-*.png.
#include "AppDelegate.h"
#include "AppManager.h"
#include "CVDisplayViewController.h"
#include "CVWindowController.h"
#include "PlayListViewController.h"
#include "PlayerHarness.h"
#include "PlayerSetingViewController.h"
#include "PreferenceController.h"
#include "SettingsStore.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

using Tag = PlayerSetingViewController::Tag;

// The colour a button is filled with (inside its border, away from its text).
QColor fillOf(QWidget* button) {
    return button->grab().toImage().pixelColor(6, 3);
}

int distance(const QColor& a, const QColor& b) {
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
}

} // namespace

class TestSettingsAgree : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<PlayerHarness> m_player;

    CVWindowController* window() const { return m_player->window(); }
    AppDelegate* delegate() const { return m_player->delegate(); }

    // The whole screen (the panel and the preferences window reach beyond the main window) into the
    // artefacts.
    void screenshot(const QString& name) const {
        QDir().mkpath(KESTRUN_ARTEFACTS);
        window()->screen()->grabWindow(0).save(QString(KESTRUN_ARTEFACTS) + "/settings-agree-" + name +
                                               ".png");
    }

    // Clicks through the menu bar: the menu, then each submenu, then the command.
    bool chooseFromMenu(const QStringList& path) { return m_player->chooseFromMenu(path); }

    // Opens the View menu and its speed submenu and leaves them open for a screenshot, then closes them.
    void screenshotOfViewMenu(const QString& name) {
        QMenuBar* bar = window()->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(PlayerHarness::actionNamed(bar->actions(), "View")).center());
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        auto* view = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QTest::mouseClick(view, Qt::LeftButton, {}, view->actionGeometry(view->actions().first()).center());
        QTRY_VERIFY(QApplication::activePopupWidget() != view);
        QTest::qWait(100);
        screenshot(name);
        while (QWidget* popup = QApplication::activePopupWidget()) {
            QTest::keyClick(popup, Qt::Key_Escape);
            QTest::qWait(20);
        }
    }

    PlayerSetingViewController* openPanel() {
        PlayListViewController* list = m_player->playlist();
        QTest::mouseClick(list->setbutton(), Qt::LeftButton);
        if (!QTest::qWaitFor([list] { return list->openPanel() && list->openPanel()->isVisible(); }))
            return nullptr;
        return qobject_cast<PlayerSetingViewController*>(list->openPanel());
    }

    void closePanel(PlayerSetingViewController* panel) {
        QPushButton* cancel = nullptr;
        for (QPushButton* b : panel->findChildren<QPushButton*>()) {
            if (b->text() == "Cancel")
                cancel = b;
        }
        QVERIFY(cancel);
        QTest::mouseClick(cancel, Qt::LeftButton);
        QTRY_VERIFY(!m_player->playlist()->openPanel() || !m_player->playlist()->openPanel()->isVisible());
    }

    PreferenceController* openPreferences() {
        window()->activateWindow();
        if (!QTest::qWaitForWindowActive(window()))
            return nullptr;
        QTest::keyClick(window(), Qt::Key_Comma, Qt::ControlModifier);
        if (!QTest::qWaitFor([this] {
                return delegate()->preferenceController() && delegate()->preferenceController()->isVisible();
            }))
            return nullptr;
        return delegate()->preferenceController();
    }

    // A row of a combo box chosen with the mouse: the list opens, the row is clicked.
    static void chooseRow(QComboBox* combo, int row) {
        QTest::mouseClick(combo, Qt::LeftButton);
        QAbstractItemView* list = combo->view();
        QTRY_VERIFY(list->isVisible());
        // A release right after the list opened belongs to the press that opened it: the list ignores it.
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        const QRect rect = list->visualRect(combo->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTRY_VERIFY(!list->isVisible());
    }

    // What every place shows for the speed unit and the map: the panel, the View menu, the preferences
    // window and the dashboard agree with the setting in force.
    void verifyAgreement(PlayerSetingViewController* panel, PreferenceController* preferences) {
        const bool kmh = AppManager::sharedManager().speedType() == AppManager::kSpeedKmh;
        const bool baidu = AppManager::sharedManager().mapType() == AppManager::kMapBaidu;
        QTRY_COMPARE(delegate()->chineseSpeed()->isChecked(), kmh);
        QCOMPARE(delegate()->englishSpeed()->isChecked(), !kmh);
        QCOMPARE(delegate()->baiduMap()->isChecked(), baidu);
        QCOMPARE(delegate()->googleMap()->isChecked(), !baidu);
        QTRY_COMPARE(m_player->display()->speedunit()->text(), QString(kmh ? "km/h" : "mph"));
        if (preferences)
            QTRY_VERIFY(preferences->speedUnitRadio()->button(kmh ? 0 : 1)->isChecked());
        if (panel) {
            QTRY_COMPARE(panel->button(Tag::SpeedKmh)->isChecked(), kmh);
            QCOMPARE(panel->button(Tag::SpeedMph)->isChecked(), !kmh);
            QCOMPARE(panel->button(Tag::MapBaidu)->isChecked(), baidu);
            QCOMPARE(panel->button(Tag::MapGoogle)->isChecked(), !baidu);
        }
    }

private slots:
    void initTestCase() {
        m_player = std::make_unique<PlayerHarness>();
        m_player->start();
    }

    void cleanupTestCase() {
        if (QWidget* preferences = delegate() ? delegate()->preferenceController() : nullptr)
            preferences->close();
        m_player.reset();
    }

    void freshStoreAgrees() {
        // English desktop, nothing stored: mph and Google everywhere.
        PreferenceController* preferences = openPreferences();
        QVERIFY(preferences);
        QCOMPARE(SettingsStore::shared().value("userSpeed"), QVariant("1"));
        QCOMPARE(preferences->languageList()->currentText(), QString("English"));
        window()->activateWindow();
        PlayerSetingViewController* panel = openPanel();
        QVERIFY(panel);
        verifyAgreement(panel, preferences);
        QVERIFY(panel->button(Tag::CoordinatesDecimal)->isChecked());
        QVERIFY(!panel->button(Tag::CoordinatesDms)->isChecked());
        QCOMPARE(panel->listView()->currentText(), QString("English"));
        QVERIFY(panel->languageNote()->isVisible());
        QVERIFY(!panel->connectLabel()->text().contains(".invalid"));
        // The on state is plain to see: the button that is on is filled quite differently from its partner.
        QVERIFY(distance(fillOf(panel->button(Tag::SpeedMph)), fillOf(panel->button(Tag::SpeedKmh))) > 150);
        QVERIFY(panel->button(Tag::SpeedMph)->text().startsWith(QStringLiteral("✓")));
        QVERIFY(!panel->button(Tag::SpeedKmh)->text().startsWith(QStringLiteral("✓")));
        screenshot("1-fresh-store-panel");
        closePanel(panel);
    }

    void panelChoicesReachEveryPlace() {
        PreferenceController* preferences = delegate()->preferenceController();
        PlayerSetingViewController* panel = openPanel();
        QVERIFY(panel);
        QTest::mouseClick(panel->button(Tag::SpeedKmh), Qt::LeftButton);
        QTest::mouseClick(panel->button(Tag::MapBaidu), Qt::LeftButton);
        QTest::mouseClick(panel->button(Tag::CoordinatesDms), Qt::LeftButton);
        QCOMPARE(AppManager::sharedManager().speedType(), AppManager::kSpeedKmh);
        QCOMPARE(AppManager::sharedManager().mapType(), AppManager::kMapBaidu);
        verifyAgreement(panel, preferences);
        QVERIFY(panel->button(Tag::CoordinatesDms)->isChecked() &&
                !panel->button(Tag::CoordinatesDecimal)->isChecked());
        QVERIFY(distance(fillOf(panel->button(Tag::MapBaidu)), fillOf(panel->button(Tag::MapGoogle))) > 150);
        screenshot("2-panel-kmh-baidu");
        closePanel(panel);
        screenshotOfViewMenu("3-view-menu-after-panel");
        // The panel opened again shows the same.
        panel = openPanel();
        QVERIFY(panel);
        verifyAgreement(panel, preferences);
        QVERIFY(panel->button(Tag::CoordinatesDms)->isChecked());
        closePanel(panel);
    }

    void menuChoicesReachEveryPlace() {
        QVERIFY(chooseFromMenu({"View", "Speed Unit", "mph"}));
        QVERIFY(chooseFromMenu({"View", "Map", "Google Map"}));
        QCOMPARE(AppManager::sharedManager().speedType(), AppManager::kSpeedMph);
        QCOMPARE(AppManager::sharedManager().mapType(), AppManager::kMapGoogle);
        QCOMPARE(SettingsStore::shared().value("userSpeed"), QVariant("1"));
        PlayerSetingViewController* panel = openPanel();
        QVERIFY(panel);
        verifyAgreement(panel, delegate()->preferenceController());
        screenshot("4-panel-after-menu");
        closePanel(panel);
    }

    void preferencesChoiceReachesEveryPlace() {
        PreferenceController* preferences = openPreferences();
        QVERIFY(preferences);
        QTest::mouseClick(preferences->speedUnitRadio()->button(0), Qt::LeftButton, {}, QPoint(6, 6));
        QTRY_COMPARE(AppManager::sharedManager().speedType(), AppManager::kSpeedKmh);
        QCOMPARE(SettingsStore::shared().value("userSpeed"), QVariant("2"));
        QCOMPARE(SettingsStore::shared().value("speed_unit"), QVariant("kmph"));
        verifyAgreement(nullptr, preferences);
        window()->activateWindow();
        PlayerSetingViewController* panel = openPanel();
        QVERIFY(panel);
        verifyAgreement(panel, preferences);
        closePanel(panel);
        screenshotOfViewMenu("5-view-menu-after-preferences");
    }

    void languageChoiceIsUsedFromTheNextStart() {
        // Preferences: German, stored at once; the panel then shows it.
        PreferenceController* preferences = openPreferences();
        QVERIFY(preferences);
        chooseRow(preferences->languageList(), 3);
        QCOMPARE(SettingsStore::shared().value("userLanguage"), QVariant("German"));
        QVERIFY(preferences->languageNote()->isVisible());
        window()->activateWindow();
        PlayerSetingViewController* panel = openPanel();
        QVERIFY(panel);
        QCOMPARE(panel->listView()->currentText(), QString("German"));
        // The panel: French, confirmed with OK; the preferences window follows.
        chooseRow(panel->listView(), 1);
        QCOMPARE(panel->listView()->currentText(), QString("French"));
        screenshot("6-panel-french-chosen");
        QPushButton* ok = nullptr;
        for (QPushButton* b : panel->findChildren<QPushButton*>()) {
            if (b->text() == "OK")
                ok = b;
        }
        QVERIFY(ok);
        QTest::mouseClick(ok, Qt::LeftButton);
        QTRY_VERIFY(!m_player->playlist()->openPanel() || !m_player->playlist()->openPanel()->isVisible());
        QCOMPARE(SettingsStore::shared().value("userLanguage"), QVariant("French"));
        QTRY_COMPARE(preferences->languageList()->currentIndex(), 1);
        preferences->close();
        SettingsStore::shared().flush();

        // The next start of the real program speaks French.
        QProcess help;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", m_player->configPath());
        help.setProcessEnvironment(env);
        help.start(QString(KESTRUN_BIN_DIR) + "/kestrun-player", {"--help"});
        QVERIFY(help.waitForFinished(20000));
        const QString text = QString::fromUtf8(help.readAllStandardOutput());
        QVERIFY2(text.contains("Utilisation : kestrun-player"), qPrintable(text));
        QVERIFY2(text.contains("Version"), qPrintable(text));

        // And its window: the real player started on this display with the same store, then ended.
        m_player->stop();
        QProcess player;
        player.setProcessEnvironment(env);
        player.start(QString(KESTRUN_BIN_DIR) + "/kestrun-player", {});
        QVERIFY(player.waitForStarted());
        QTest::qWait(4000);
        QDir().mkpath(KESTRUN_ARTEFACTS);
        QProcess::execute("ffmpeg", {"-loglevel", "error", "-y", "-f", "x11grab", "-video_size", "1440x900",
                                     "-i", qEnvironmentVariable("DISPLAY"), "-frames:v", "1",
                                     QString(KESTRUN_ARTEFACTS) + "/settings-agree-7-next-start-french.png"});
        player.terminate(); // SIGTERM: the player quits in order
        QVERIFY(player.waitForFinished(20000));
        QCOMPARE(player.exitStatus(), QProcess::NormalExit);
        const QString log = QString::fromUtf8(player.readAllStandardError());
        QVERIFY2(!log.contains("QThread: Destroyed while thread is still running"), qPrintable(log));
    }
};

QTEST_MAIN(TestSettingsAgree)
#include "tst_settingsagree.moc"
