#include "AppDelegate.h"

#include "AppManager.h"
#include "AppResources.h"
#include "CVWindowController.h"
#include "MyCache.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "PreferenceController.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QtDebug>

namespace {

AppDelegate* g_instance = nullptr;

constexpr const char* kPlayerName = "Kestrun Player";

// What the open dialog offers: the files cameras write, and everything else.
const QStringList kNameFilters = {
    "Videos (*.mp4 *.MP4 *.mov *.MOV *.ts *.TS *.m2ts *.mts)",
    "MP4 (*.mp4 *.MP4)",
    "MPEG transport streams (*.ts *.TS *.m2ts *.mts)",
    "All files (*)",
};

QAction* checkable(QMenu* menu, const QString& text, QActionGroup* group) {
    QAction* action = menu->addAction(text);
    action->setCheckable(true);
    group->addAction(action);
    return action;
}

} // namespace

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent) {
    g_instance = this;
    AppLinks::shared().registerAppController(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &AppDelegate::applicationStateChanged);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
    QGuiApplication::setQuitOnLastWindowClosed(true); // closing the main window ends the application
}

AppDelegate::~AppDelegate() {
    if (g_instance == this)
        g_instance = nullptr;
}

AppDelegate* AppDelegate::instance() {
    return g_instance;
}

void AppDelegate::setWindowVC(CVWindowController* window) {
    m_windowVC = window;
}

void AppDelegate::buildMenus(QMenuBar* bar) {
    QMenu* app = bar->addMenu(kPlayerName);
    m_playerName = app->menuAction();
    m_aboutAction =
        app->addAction(tr("About %1").arg(AppResources::displayName()), this, &AppDelegate::showHelp);
    m_aboutAction->setMenuRole(QAction::AboutRole);
    QAction* preferences =
        app->addAction(tr("Preferences…"), QKeySequence::Preferences, this, &AppDelegate::showPreferencePanel);
    preferences->setMenuRole(QAction::PreferencesRole);
    app->addSeparator();
    QAction* quit = app->addAction(tr("Quit"), QKeySequence::Quit, qApp, &QCoreApplication::quit);
    quit->setMenuRole(QAction::QuitRole);

    QMenu* file = bar->addMenu(tr("&File"));
    m_openAction = file->addAction(AppResources::localized("打开文件") + QStringLiteral("…"),
                                   QKeySequence::Open, this, &AppDelegate::openFile);

    QMenu* view = bar->addMenu(tr("&View"));
    QMenu* speed = view->addMenu(AppResources::localized("速度单位"));
    auto* speedGroup = new QActionGroup(this);
    m_englishSpeed = checkable(speed, AppResources::localized("mph_speedUnit"), speedGroup);
    m_chineseSpeed = checkable(speed, AppResources::localized("km_speedUnit"), speedGroup);
    connect(m_englishSpeed, &QAction::triggered, this, &AppDelegate::selestSpeedEnglish);
    connect(m_chineseSpeed, &QAction::triggered, this, &AppDelegate::selestSpeedChinese);
    QMenu* map = view->addMenu(AppResources::localized("地图"));
    auto* mapGroup = new QActionGroup(this);
    m_googleMap = checkable(map, AppResources::localized("Google Map"), mapGroup);
    m_baiduMap = checkable(map, AppResources::localized("百度地图"), mapGroup);
    connect(m_googleMap, &QAction::triggered, this, &AppDelegate::selestGoogleMap);
    connect(m_baiduMap, &QAction::triggered, this, &AppDelegate::selestBaiduMap);
}

void AppDelegate::applicationDidFinishLaunching(const QStringList& files) {
    // Files handed over by the desktop are only logged.
    if (files.isEmpty()) {
        qInfo() << "applicationShouldOpenUntitledFile";
        qInfo() << "applicationOpenUntitledFile";
    }
    for (const QString& file : files)
        qInfo().noquote() << "filename" << file;

    // The display settings in force: the ones chosen last, or from the language when never chosen. Keys never
    // written are stored now, so the menus, the store and the dashboard agree.
    AppManager& manager = AppManager::sharedManager();
    manager.storeDisplaySettings();
    if (m_chineseSpeed && m_englishSpeed) {
        const bool kmh = manager.speedType() == AppManager::kSpeedKmh;
        m_chineseSpeed->setChecked(kmh);
        m_englishSpeed->setChecked(!kmh);
    }
    if (m_playerName)
        m_playerName->setText(kPlayerName);
    if (m_baiduMap && m_googleMap) {
        const bool baidu = manager.mapType() == AppManager::kMapBaidu;
        m_baiduMap->setChecked(baidu);
        m_googleMap->setChecked(!baidu);
    }
}

void AppDelegate::selestSpeedEnglish() {
    m_chineseSpeed->setChecked(false);
    m_englishSpeed->setChecked(true);
    AppManager::sharedManager().setSpeedType(AppManager::kSpeedMph);
    SettingsStore::shared().setValue(SettingsKeys::kUserSpeed, "1");
    NotificationCenter::defaultCenter().postAsync(NotificationNames::kSelectSpeed, "1");
}

void AppDelegate::selestSpeedChinese() {
    m_englishSpeed->setChecked(false);
    m_chineseSpeed->setChecked(true);
    AppManager::sharedManager().setSpeedType(AppManager::kSpeedKmh);
    SettingsStore::shared().setValue(SettingsKeys::kUserSpeed, "2");
    NotificationCenter::defaultCenter().postAsync(NotificationNames::kSelectSpeed, "2");
}

void AppDelegate::selestBaiduMap() {
    m_googleMap->setChecked(false);
    m_baiduMap->setChecked(true);
    AppManager::sharedManager().setMapType(AppManager::kMapBaidu);
    SettingsStore::shared().setValue(SettingsKeys::kUserMap, "1");
    NotificationCenter::defaultCenter().postAsync(NotificationNames::kSelectMapType, "1");
}

void AppDelegate::selestGoogleMap() {
    m_baiduMap->setChecked(false);
    m_googleMap->setChecked(true);
    AppManager::sharedManager().setMapType(AppManager::kMapGoogle);
    SettingsStore::shared().setValue(SettingsKeys::kUserMap, "0");
    NotificationCenter::defaultCenter().postAsync(NotificationNames::kSelectMapType, "0");
}

void AppDelegate::openFile() {
    auto* dialog = new QFileDialog(m_windowVC, AppResources::localized("打开文件"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilters(kNameFilters);
    dialog->setOption(QFileDialog::DontUseNativeDialog, QGuiApplication::platformName() == "offscreen" ||
                                                            QGuiApplication::platformName() == "minimal");
    connect(dialog, &QFileDialog::urlsSelected, this, [this](const QList<QUrl>& urls) { openUrls(urls); });
    dialog->open(); // asynchronous: the main thread stays responsive; a cancel changes nothing
    emit openDialogShown(dialog);
}

void AppDelegate::openUrls(const QList<QUrl>& urls) {
    QStringList names;
    for (const QUrl& url : urls)
        names << url.toString();
    qInfo().noquote() << "(" + names.join(",\n") + ")";
    if (PlaybackControl* video = videoVC())
        video->close();
    if (urls.isEmpty())
        return;
    const QUrl first = urls.first();
    QPointer<AppDelegate> self(this);
    MyCache::playPathArrCache(urls, [self, first] {
        if (!self)
            return;
        const QString key = MyCache::fileKey(first);
        self->activeCurrentPlayFile(key);
        if (PlaybackControl* video = self->videoVC())
            video->initAssetData(first);
        if (PlayListControl* list = self->playlistVC()) {
            list->reloadPlayListData();
            list->followPlayingFile(key); // the marker and next/previous follow the file that plays
        }
        emit self->openFinished();
    });
}

void AppDelegate::activeCurrentPlayFile(const QString& key) {
    MyCache::activatePath(key);
}

void AppDelegate::activeCurrentPlayIndex(int index) {
    MyCache::activateIndex(index);
}

void AppDelegate::showHelp() {
    QMessageBox box(
        QMessageBox::Information, AppResources::displayName(),
        QString("Version %1(Build %2)").arg(AppResources::shortVersion(), AppResources::buildVersion()),
        QMessageBox::Ok, m_windowVC);
    box.setIconPixmap(AppResources::picture("kestrun-player", QSize(64, 64)));
    box.exec();
}

void AppDelegate::showPreferencePanel()
{
    if (!m_preferences)
        m_preferences = new PreferenceController(m_windowVC);
    m_preferences->show();
    m_preferences->raise();
    m_preferences->activateWindow();
}

void AppDelegate::applicationStateChanged(Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive || !m_windowVC || m_windowVC->isVisible())
        return;
    qInfo() << "applicationShouldHandleReopen flag:0";
    m_windowVC->show();
    m_windowVC->raise();
}

void AppDelegate::applicationWillTerminate() {
    qInfo() << "applicationWillTerminate...";
    SettingsStore::shared().flush();
}
