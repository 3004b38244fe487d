#include "PlayerHarness.h"

#include "AppDelegate.h"
#include "CVLayoutViewController.h"
#include "CVWebViewController.h"
#include "CVWindowController.h"
#include "ClipWriter.h"
#include "PlayListStore.h"
#include "PlayerEnvironment.h"
#include "Reachability.h"
#include "SettingsStore.h"
#include "TestFiles.h"
#include "VideoViewController.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

void PlayerHarness::BlockRemote::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const QString scheme = info.requestUrl().scheme();
    if (!info.requestUrl().isLocalFile() && scheme != "data" && scheme != "qrc")
        info.block(true);
}

PlayerHarness::PlayerHarness() {
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    qputenv("KESTRUN_MAP_DIR", QByteArray(KESTRUN_TEST_DATA "/map"));
    SettingsStore::resetShared();
    SettingsStore::shared().setValue("AppleLanguages", QStringList{"en-US"});
    PlayerEnvironment::setUpApplication(*qApp); // the player's names, theme and English texts
    Reachability::setDefaultProbe([](const QString&) { return Reachability::kReachable; });
    CVWebViewController::setProbeHosts("google.test", "baidu.test");
    CVWebViewController::setRequestInterceptor(&m_interceptor);
}

PlayerHarness::~PlayerHarness() {
    if (isRunning())
        stop();
    CVWebViewController::setRequestInterceptor(nullptr);
}

void PlayerHarness::start() {
    m_delegate = std::make_unique<AppDelegate>();
    m_window = std::make_unique<CVWindowController>();
    m_delegate->buildMenus(m_window->menuBar());
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning() << "the main window was not exposed";
    m_window->activateWindow();
    m_delegate->applicationDidFinishLaunching();
}

void PlayerHarness::stop() {
    video()->close();
    m_window.reset();
    m_delegate.reset();
    PlayListStore::resetShared(); // the next start reads the files again
    SettingsStore::resetShared();
}

CVLayoutViewController* PlayerHarness::content() const {
    return m_window->content();
}

VideoViewController* PlayerHarness::video() const {
    return content()->videoVC();
}

CVDisplayViewController* PlayerHarness::display() const {
    return content()->displayVC();
}

PlayListViewController* PlayerHarness::playlist() const {
    return content()->playlistVC();
}

CVWebViewController* PlayerHarness::map() const {
    return content()->webVC();
}

QUrl PlayerHarness::clip(const QString& name, const QStringList& ffmpeg,
                         const std::optional<SyntheticDrive>& drive) {
    const QString raw = drive ? m_media.filePath("raw-" + name) : m_media.filePath(name);
    QString error;
    if (!TestFiles::runFfmpeg(ffmpeg + QStringList{raw}, &error))
        qWarning() << error;
    if (!drive)
        return QUrl::fromLocalFile(raw);
    const auto input = ClipWriter::readFile(raw.toStdString());
    const auto withTrack = ClipWriter::addTrack(*input, drive->messages());
    return QUrl::fromLocalFile(TestFiles::write(m_media, name, *withTrack));
}

QList<QUrl> PlayerHarness::mixedClips(int seconds) {
    SyntheticDrive china = SyntheticDrive::china();
    china.seconds = seconds;
    SyntheticDrive world = SyntheticDrive::world();
    world.seconds = seconds;
    SyntheticDrive noFix = china;
    noFix.noFixSeconds = seconds;
    return {clip("gps-h264.mp4", h264(seconds), china),
            clip("hevc.ts", hevc(seconds) + QStringList{"-f", "mpegts"}, std::nullopt),
            clip("gps-hvc1.mp4", hevc(seconds) + QStringList{"-tag:v", "hvc1"}, world),
            clip("nofix.mp4", h264(seconds), noFix), clip("no-gps-index.mp4", h264(seconds), std::nullopt)};
}

void PlayerHarness::screenshot(const QString& prefix, const QString& name) const {
    QDir().mkpath(KESTRUN_ARTEFACTS);
    QTest::qWait(200); // what the last input changed is painted and on the screen
    const QRect frame = m_window->frameGeometry();
    m_window->screen()
        ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
        .save(QString(KESTRUN_ARTEFACTS) + "/" + prefix + "-" + name + ".png");
}

QStringList PlayerHarness::h264(int seconds) {
    return {"-f",   "lavfi",   "-i",       QString("testsrc=size=320x180:rate=10:duration=%1").arg(seconds),
            "-c:v", "libx264", "-pix_fmt", "yuv420p",
            "-g",   "10"};
}

QStringList PlayerHarness::hevc(int seconds) {
    return {"-f",           "lavfi",
            "-i",           QString("testsrc=size=320x180:rate=10:duration=%1").arg(seconds),
            "-c:v",         "libx265",
            "-x265-params", "log-level=none",
            "-pix_fmt",     "yuv420p",
            "-g",           "10"};
}

QAction* PlayerHarness::actionNamed(const QList<QAction*>& actions, const QString& text) {
    for (QAction* action : actions) {
        if (QString(action->text()).remove('&') == text)
            return action;
    }
    return nullptr;
}

bool PlayerHarness::chooseFromMenu(const QStringList& path) const {
    QMenuBar* bar = window()->menuBar();
    QAction* top = actionNamed(bar->actions(), path.first());
    if (!top)
        return false;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(top).center());
    for (const QString& step : path.mid(1)) {
        if (!QTest::qWaitFor([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }))
            return false;
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QAction* action = actionNamed(menu->actions(), step);
        if (!action)
            return false;
        QTest::mouseMove(menu, menu->actionGeometry(action).center());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    }
    return QTest::qWaitFor([] { return !QApplication::activePopupWidget(); });
}
