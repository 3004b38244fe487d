#pragma once

#include "AppLinks.h"
#include "PreferenceController.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

class CVWindowController;
class QAction;
class QMenu;
class QMenuBar;

// The application controller: start-up, the main menu and its commands, the open command, the about box,
// the platform's application events, and the activation of play-list rows. One per run, on the main thread.
class AppDelegate : public QObject, public AppController {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    static AppDelegate* instance();

    void setWindowVC(CVWindowController* window);
    CVWindowController* windowVC() const { return m_windowVC; }
    PlaybackControl* videoVC() const { return AppLinks::shared().videoVC(); }
    PlayListControl* playlistVC() const { return AppLinks::shared().playlistVC(); }

    // Fills a menu bar with the application's menus (the window's own).
    void buildMenus(QMenuBar* bar);

    // Start-up: menu check marks from the settings in force, the files handed over on the command line.
    void applicationDidFinishLaunching(const QStringList& files = {});
    void applicationDidFinishLaunching(const QList<QUrl>& urls);

    // Menu commands.
    void openFile() override;
    void showHelp();
    // The preferences window, made on first use and kept.
    void showPreferencePanel();
    PreferenceController* preferenceController() const { return m_preferences; }
    void selestSpeedEnglish();
    void selestSpeedChinese();
    void selestBaiduMap();
    void selestGoogleMap();

    // File → Export Track…: the selected rows' tracks into one GPX, KML, CSV or GeoJSON file.
    void exportTrack();
    // Writes the tracks of these file keys to `path` in the format its filter names; false on failure.
    static bool exportTracks(const QStringList& keys, const QString& path, const QString& filter,
                             QString* error = nullptr);

    // The open command once files are chosen (also what the open dialog calls).
    void openUrls(const QList<QUrl>& urls);
    // Logs each file ("filename <path>"), then opens those that exist through openUrls.
    void openFiles(const QStringList& files);
    // The same for file URLs, whose names may be any bytes (not only UTF-8).
    void openLocalUrls(const QList<QUrl>& urls);

    // AppController
    void activeCurrentPlayFile(const QString& key) override;
    void activeCurrentPlayIndex(int index) override;

    QAction* englishSpeed() const { return m_englishSpeed; }
    QAction* chineseSpeed() const { return m_chineseSpeed; }
    QAction* googleMap() const { return m_googleMap; }
    QAction* baiduMap() const { return m_baiduMap; }
    QAction* playerName() const { return m_playerName; }
    QAction* openAction() const { return m_openAction; }
    QAction* aboutAction() const { return m_aboutAction; }
    QAction* exportAction() const { return m_exportAction; }

signals:
    // The open dialog of the open command is up (for tests and the wait indicator).
    void openDialogShown(QWidget* dialog);
    // A batch started by the open command has finished and its first file started.
    void openFinished();

private:
    // The View menu's ticks from the settings in force.
    void showViewMenuTicks();
    void applicationStateChanged(Qt::ApplicationState state);
    void applicationWillTerminate();

    QPointer<CVWindowController> m_windowVC;
    QAction* m_englishSpeed = nullptr;
    QAction* m_chineseSpeed = nullptr;
    QAction* m_googleMap = nullptr;
    QAction* m_baiduMap = nullptr;
    QAction* m_playerName = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_aboutAction = nullptr;
    QAction* m_exportAction = nullptr;
    QPointer<PreferenceController> m_preferences;
};
