#pragma once

#include "SyntheticDrive.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

#include <memory>
#include <optional>

class AppDelegate;
class QAction;
class CVDisplayViewController;
class CVLayoutViewController;
class CVWebViewController;
class CVWindowController;
class PlayListViewController;
class VideoViewController;

// The whole player in the test's process, as main() sets it up: a store in a temporary folder, the player's
// names, theme and English texts, the main window with its menus. The map pages are stand-ins that record
// their calls; the map hosts are "reachable" through a fake probe and every non-local request is blocked.
// Made once the application object exists.
class PlayerHarness {
public:
    PlayerHarness();
    ~PlayerHarness();

    void start();
    void stop();
    bool isRunning() const { return m_window != nullptr; }

    AppDelegate* delegate() const { return m_delegate.get(); }
    CVWindowController* window() const { return m_window.get(); }

    // Chooses an item from the window's menu bar with the mouse, e.g. {"View", "Map", "Baidu Map"}; false
    // when an entry is missing or a menu does not open or close.
    bool chooseFromMenu(const QStringList& path) const;
    // The first action of `actions` whose text, without its mnemonic marker, is `text`.
    static QAction* actionNamed(const QList<QAction*>& actions, const QString& text);
    CVLayoutViewController* content() const;
    VideoViewController* video() const;
    CVDisplayViewController* display() const;
    PlayListViewController* playlist() const;
    CVWebViewController* map() const;

    // A clip made by ffmpeg (`ffmpeg` without the output), with the drive's 'gps ' index and records added
    // by the clip writer when there is one.
    QUrl clip(const QString& name, const QStringList& ffmpeg, const std::optional<SyntheticDrive>& drive);
    QString mediaPath(const QString& name) const { return m_media.filePath(name); }
    QString configPath() const { return m_config.path(); }

    // The window's frame from the screen (video surface included) into the test artefacts as
    // `prefix`-`name`.png.
    void screenshot(const QString& prefix, const QString& name) const;

    // Clips of `seconds` each, one of every kind the engines and the telemetry meet: H.264 MP4 with GPS,
    // HEVC transport stream, HEVC 'hvc1' MP4 with GPS, an MP4 whose records have no fix, an MP4 without a
    // 'gps ' index.
    QList<QUrl> mixedClips(int seconds);

    // ffmpeg arguments of a small H.264 or HEVC video of `seconds` (10 frames a second, a key frame a
    // second).
    static QStringList h264(int seconds);
    static QStringList hevc(int seconds);

private:
    class BlockRemote : public QWebEngineUrlRequestInterceptor {
    public:
        void interceptRequest(QWebEngineUrlRequestInfo& info) override;
    };

    QTemporaryDir m_config;
    QTemporaryDir m_media;
    BlockRemote m_interceptor;
    std::unique_ptr<AppDelegate> m_delegate;
    std::unique_ptr<CVWindowController> m_window;
};
