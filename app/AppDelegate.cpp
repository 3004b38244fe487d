#include "AppDelegate.h"

#include "DrivingEventSettings.h"
#include "EventsCsvWriter.h"
#include "GpxTrackWriter.h"
#include "KestrunLog.h"

#include "AppManager.h"
#include "AppResources.h"
#include "BatchWorker.h"
#include "CVWindowController.h"
#include "ExtractorCommand.h"
#include "MyCache.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "OpenFilesDialog.h"
#include "PreferenceController.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TrackExportWriter.h"

#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QSaveFile>
#include <QtDebug>

#include <sys/stat.h>

namespace {

AppDelegate* g_instance = nullptr;

constexpr const char* kPlayerName = "Kestrun Player";
constexpr int kQuitWriteTimeoutMs = 1000;

// What the open dialog offers: the files cameras write, and everything else.

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

namespace {
// The platform's key for a standard command, or the usual one where the platform (a bare X server, a
// desktop without a key scheme) defines none.
QKeySequence standardKey(QKeySequence::StandardKey command, QKeyCombination usual) {
    const QList<QKeySequence> keys = QKeySequence::keyBindings(command);
    return keys.isEmpty() ? QKeySequence(usual) : keys.first();
}
} // namespace

void AppDelegate::buildMenus(QMenuBar* bar) {
    QMenu* app = bar->addMenu(kPlayerName);
    m_playerName = app->menuAction();
    m_aboutAction =
        app->addAction(tr("About %1").arg(AppResources::displayName()), this, &AppDelegate::showHelp);
    m_aboutAction->setMenuRole(QAction::AboutRole);
    QAction* preferences =
        app->addAction(tr("Preferences…"), standardKey(QKeySequence::Preferences, Qt::CTRL | Qt::Key_Comma),
                       this, &AppDelegate::showPreferencePanel);
    preferences->setMenuRole(QAction::PreferencesRole);
    app->addSeparator();
    // The main window asks before it closes while changes are unsaved; quit() closes it first.
    QAction* quit = app->addAction(tr("Quit"), standardKey(QKeySequence::Quit, Qt::CTRL | Qt::Key_Q), qApp,
                                   &QCoreApplication::quit);
    quit->setMenuRole(QAction::QuitRole);

    QMenu* file = bar->addMenu(tr("&File"));
    m_openAction =
        file->addAction(AppResources::localized("打开文件") + QStringLiteral("…"),
                        standardKey(QKeySequence::Open, Qt::CTRL | Qt::Key_O), this, &AppDelegate::openFile);

    m_exportAction = file->addAction(tr("Export Track…"), QKeySequence(Qt::CTRL | Qt::Key_E), this,
                                     &AppDelegate::exportTrack);
    QAction* saveClip =
        file->addAction(tr("Save Clip…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this, [this] {
            if (PlaybackControl* video = videoVC())
                video->saveClip();
        });
    file->addSeparator();
    file->addAction(tr("Remove Selected Clip"), standardKey(QKeySequence::Delete, Qt::Key_Delete), this,
                    [this] {
                        if (PlayListControl* list = playlistVC())
                            list->removeSelectedRow();
                    });

    // Playback commands, also in the video's full-screen window; Escape stays with the video view. Space
    // plays and pauses whatever has focus in the window, but for a text field, which takes it as text.
    QMenu* playback = bar->addMenu(tr("&Playback"));
    const auto command = [this, playback](const QString& text, const QKeySequence& keys, auto action) {
        // Shortcuts of the main window only: typing in a dialog never triggers them.
        return playback->addAction(text, keys, this, [this, action] {
            if (PlaybackControl* video = videoVC())
                action(video);
        });
    };
    command(tr("Play / Pause"), QKeySequence(Qt::Key_Space),
            [](PlaybackControl* v) { v->togglePlayPause(); });
    command(tr("Back 5 Seconds"), QKeySequence(Qt::Key_Left),
            [](PlaybackControl* v) { v->seekRelative(-5); });
    command(tr("Forward 5 Seconds"), QKeySequence(Qt::Key_Right),
            [](PlaybackControl* v) { v->seekRelative(5); });
    command(tr("Previous Clip"), QKeySequence(Qt::Key_PageUp),
            [](PlaybackControl* v) { v->playAdjacentFile(false); });
    command(tr("Next Clip"), QKeySequence(Qt::Key_PageDown),
            [](PlaybackControl* v) { v->playAdjacentFile(true); });
    command(tr("Full Screen Video"), QKeySequence(Qt::Key_F),
            [](PlaybackControl* v) { v->toggleVideoFullScreen(); });
    command(tr("Set In Point"), QKeySequence(Qt::Key_I), [](PlaybackControl* v) { v->setInPoint(); });
    command(tr("Set Out Point"), QKeySequence(Qt::Key_O), [](PlaybackControl* v) { v->setOutPoint(); });
    command(tr("Next Event"), QKeySequence(Qt::Key_N), [](PlaybackControl* v) { v->jumpToEvent(true); });
    command(tr("Previous Event"), QKeySequence(Qt::SHIFT | Qt::Key_N),
            [](PlaybackControl* v) { v->jumpToEvent(false); });
    playback->addSeparator();
    command(tr("Save Snapshot"), QKeySequence(Qt::CTRL | Qt::Key_S),
            [](PlaybackControl* v) { v->saveSnapshot(); });
    QAction* caption = playback->addAction(tr("Caption on Snapshots"));
    caption->setCheckable(true);
    const QVariant stored = SettingsStore::shared().value(SettingsKeys::kSnapshotCaption);
    caption->setChecked(!stored.isValid() || stored.toBool());
    connect(caption, &QAction::toggled, this,
            [](bool on) { SettingsStore::shared().setValue(SettingsKeys::kSnapshotCaption, on); });
    if (PlaybackControl* video = videoVC())
        video->addPlaybackActions(playback->actions() << saveClip);

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
    // The settings panel and the preferences window change the same settings: the ticks follow them.
    NotificationCenter& center = NotificationCenter::defaultCenter();
    for (const char* name : {NotificationNames::kSelectSpeed, NotificationNames::kSelectMapType})
        center.addObserver(name, this, [this](const QVariant&) { showViewMenuTicks(); });
}

void AppDelegate::showViewMenuTicks() {
    const AppManager& manager = AppManager::sharedManager();
    if (m_chineseSpeed && m_englishSpeed) {
        const bool kmh = manager.speedType() == AppManager::kSpeedKmh;
        m_chineseSpeed->setChecked(kmh);
        m_englishSpeed->setChecked(!kmh);
    }
    if (m_baiduMap && m_googleMap) {
        const bool baidu = manager.mapType() == AppManager::kMapBaidu;
        m_baiduMap->setChecked(baidu);
        m_googleMap->setChecked(!baidu);
    }
}

void AppDelegate::applicationDidFinishLaunching(const QStringList& files) {
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    applicationDidFinishLaunching(urls);
}

void AppDelegate::applicationDidFinishLaunching(const QList<QUrl>& files) {
    if (files.isEmpty()) {
        qCInfo(lcKestrun) << "applicationShouldOpenUntitledFile";
        qCInfo(lcKestrun) << "applicationOpenUntitledFile";
    }

    // The display settings in force: the ones chosen last, or from the language when never chosen. Keys never
    // written are stored now, so the menus, the store and the dashboard agree.
    AppManager::sharedManager().storeDisplaySettings();
    showViewMenuTicks();
    if (m_playerName)
        m_playerName->setText(kPlayerName);
    openLocalUrls(files);
}

void AppDelegate::openFiles(const QStringList& files) {
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    openLocalUrls(urls);
}

void AppDelegate::openLocalUrls(const QList<QUrl>& urls) {
    // Files handed over by the desktop (or by a player started later) go through the open command's batch.
    // The file system's own bytes are checked, so a name that is not UTF-8 is found as it is.
    QList<QUrl> files;
    for (const QUrl& url : urls) {
        const QByteArray path = MyCache::localPathBytes(MyCache::fileKey(url));
        const QString shown = QString::fromUtf8(path);
        qCInfo(lcKestrun).noquote() << "filename" << shown;
        struct stat status = {};
        if (!path.isEmpty() && ::stat(path.constData(), &status) == 0 && S_ISREG(status.st_mode))
            files << url;
        else
            qWarning().noquote() << "Not a file, not opened:" << shown;
    }
    if (!files.isEmpty())
        openUrls(files);
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
    // Asynchronous: the main thread stays responsive; a cancel changes nothing.
    QPointer<AppDelegate> self(this);
    QFileDialog* dialog = OpenFilesDialog::open(m_windowVC, AppResources::localized("打开文件"),
                                                [self](const QList<QUrl>& urls) {
                                                    if (self && !urls.isEmpty())
                                                        self->openUrls(urls);
                                                });
    emit openDialogShown(dialog);
}

void AppDelegate::openUrls(const QList<QUrl>& urls) {
    QStringList names;
    for (const QUrl& url : urls)
        names << url.toString();
    qCInfo(lcKestrun).noquote() << "(" + names.join(",\n") + ")";
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

namespace {

// The track of one file: extracted again when the file is still there (it carries the records' times),
// otherwise as the play list stored it.
ExportTrack trackOf(const QString& key) {
    const QByteArray path = MyCache::localPathBytes(key);
    struct stat status = {};
    if (::stat(path.constData(), &status) == 0 && S_ISREG(status.st_mode))
        return ExtractorCommand::extract(path.toStdString());
    ExportTrack track;
    track.path = path.toStdString();
    const auto list = MyCache::playList();
    for (const PlayListEntry& entry : list ? *list : PlayList{}) {
        if (entry.path() != key)
            continue;
        const PlayListEntryBody& body = entry.body();
        if (const auto samples = body.samples())
            track.info.videoDatas = *samples;
        track.info.maxSpeed = body.maxSpeed;
        track.info.aevSpeed = body.aevSpeed;
        track.info.totailDistance = body.totailDistance;
        track.info.isInChina = body.isInChina.value_or(false);
        track.info.fileSize = body.fileSize.value_or(0);
        track.info.fileTime = body.fileTime.value_or(QString()).toStdString();
        break;
    }
    return track;
}

} // namespace

bool AppDelegate::exportTracks(const QStringList& keys, const QString& path, const QString& filter,
                               QString* error) {
    const QString lower = filter.toLower();
    ExportFormat format = ExportFormat::Gpx;
    if (lower.startsWith("kml"))
        format = ExportFormat::Kml;
    else if (lower.startsWith("csv"))
        format = ExportFormat::Csv;
    else if (lower.startsWith("geojson"))
        format = ExportFormat::GeoJson;
    // The driving events with the thresholds in force: as waypoints in GPX, or alone as "Events CSV".
    const DrivingEventThresholds thresholds = DrivingEventSettings::thresholds();
    std::unique_ptr<TrackExportWriter> writer;
    if (lower.startsWith("events"))
        writer = std::make_unique<EventsCsvWriter>(thresholds);
    else if (format == ExportFormat::Gpx)
        writer = std::make_unique<GpxTrackWriter>(thresholds);
    else
        writer = TrackExportWriter::create(format);
    std::string text = writer->begin();
    for (const QString& key : keys)
        text += writer->track(trackOf(key));
    text += writer->end();
    QSaveFile file(path);
    const auto size = static_cast<qint64>(text.size());
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), size) != size || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void AppDelegate::exportTrack() {
    const QStringList keys = playlistVC() ? playlistVC()->selectedKeys() : QStringList();
    if (keys.isEmpty()) {
        QMessageBox::information(m_windowVC, AppResources::displayName(),
                                 tr("Choose a clip in the play list first (Ctrl+click chooses several)."));
        return;
    }
    auto* dialog = new QFileDialog(m_windowVC, tr("Export Track"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters(
        {"GPX (*.gpx)", "KML (*.kml)", "CSV (*.csv)", "GeoJSON (*.geojson)", "Events CSV (*.csv)"});
    dialog->setDefaultSuffix("gpx");
    dialog->setOption(QFileDialog::DontUseNativeDialog, QGuiApplication::platformName() == "offscreen");
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        dialog->setDefaultSuffix(filter.section("*.", 1).section(')', 0, 0));
    });
    connect(dialog, &QFileDialog::fileSelected, this, [this, keys, dialog](const QString& path) {
        // Re-reading the clips is extraction: it runs on the batch worker, never on the main thread.
        const QString filter = dialog->selectedNameFilter();
        QPointer<AppDelegate> self(this);
        BatchWorker::shared().enqueue([self, keys, path, filter] {
            QString error;
            if (exportTracks(keys, path, filter, &error))
                return;
            QMetaObject::invokeMethod(qApp, [self, error] {
                if (self)
                    QMessageBox::warning(self->m_windowVC, AppResources::displayName(),
                                         tr("The track could not be written: %1").arg(error));
            });
        });
    });
    dialog->open();
    emit openDialogShown(dialog);
}

void AppDelegate::activeCurrentPlayFile(const QString& key) {
    MyCache::activatePath(key);
}

void AppDelegate::activeCurrentPlayIndex(int index) {
    MyCache::activateIndex(index);
}

void AppDelegate::showHelp() {
    QMessageBox box(QMessageBox::Information, AppResources::displayName(),
                    AppResources::versionText(), // the same line as the settings panel's
                    QMessageBox::Ok, m_windowVC);
    box.setIconPixmap(AppResources::picture("kestrun-player", QSize(64, 64)));
    box.exec();
}

void AppDelegate::showPreferencePanel() {
    if (!m_preferences)
        m_preferences = new PreferenceController(m_windowVC);
    m_preferences->show();
    m_preferences->raise();
    m_preferences->activateWindow();
}

void AppDelegate::applicationStateChanged(Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive || !m_windowVC || m_windowVC->isVisible())
        return;
    qCInfo(lcKestrun) << "applicationShouldHandleReopen flag:0";
    m_windowVC->show();
    m_windowVC->raise();
}

void AppDelegate::applicationWillTerminate() {
    qCInfo(lcKestrun) << "applicationWillTerminate...";
    SettingsStore::shared().flush(kQuitWriteTimeoutMs);
}
