#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

class QAction;
class QKeyEvent;

// What the shell and the modules ask of each other directly, beside CVModuleProtocol. The modules register
// themselves when they load; the shell wires nothing else. References are weak: a module that is gone reads
// as absent. Main thread only.

// The playback module (VideoViewController).
class PlaybackControl {
public:
    virtual ~PlaybackControl() = default;
    // Stops and forgets the file that plays.
    virtual void close() = 0;
    // Stops the file that plays and leaves every module showing no file (its row was removed).
    virtual void StopVideo() = 0;
    // Starts the file and makes it the active one for every module.
    virtual void initAssetData(const QUrl& url) = 0;
    // Pauses the file that plays (before the play list's open dialog).
    virtual void openFilePause() = 0;
    // The video view's keys (space, Escape), passed on by the play list.
    virtual void keyDown(QKeyEvent* event) = 0;
    // Menu commands: seek by a number of seconds (negative: back), the previous or next file through the
    // play list, the video view's own full screen.
    virtual void seekRelative(double seconds) = 0;
    virtual void playAdjacentFile(bool next) = 0;
    virtual void toggleVideoFullScreen() = 0;
    virtual void togglePlayPause() = 0;
    // Goes to the next (or previous) driving event: in the clip that plays, else in the next (previous)
    // clip of the list that has one.
    virtual void jumpToEvent(bool next) = 0;
    // Plays the listed file from a second of it (a click on its route): the file that plays seeks there,
    // another one starts there and becomes the active one.
    virtual void playFileAt(const QString& key, double second) = 0;
    // The in and out points of the part Save Clip keeps (at the position that shows), and the save itself.
    virtual void setInPoint() = 0;
    virtual void setOutPoint() = 0;
    virtual void saveClip() = 0;
    // Saves the picture that shows, at the video's own size, as PNG (with a caption when that is on).
    virtual void saveSnapshot() = 0;
    // The playback menu's commands, so that their keys also work in the video's own full-screen window.
    virtual void addPlaybackActions(const QList<QAction*>& actions) = 0;
};

// The play-list module (PlayListViewController).
class PlayListControl {
public:
    virtual ~PlayListControl() = default;
    // Shows the stored list again.
    virtual void reloadPlayListData() = 0;
    // Moves the row marker and the navigation index to the row of this file key (when listed).
    virtual void followPlayingFile(const QString& key) = 0;
    // The file keys of the selected rows, in list order (the playing row when none is selected).
    virtual QStringList selectedKeys() const = 0;
    // Deletes the selected (or playing) row, as its delete button does.
    virtual void removeSelectedRow() = 0;
};

// The application controller (AppDelegate).
class AppController {
public:
    virtual ~AppController() = default;
    virtual void activeCurrentPlayFile(const QString& key) = 0;
    virtual void activeCurrentPlayIndex(int index) = 0;
    // Shows the open dialog and adds the chosen files (the menu's open command).
    virtual void openFile() = 0;
};

class AppLinks {
public:
    static AppLinks& shared();

    template <typename T> void registerVideoVC(T* module) { m_video = {module, module}; }
    template <typename T> void registerPlaylistVC(T* module) { m_playlist = {module, module}; }
    template <typename T> void registerAppController(T* controller) { m_app = {controller, controller}; }

    PlaybackControl* videoVC() const { return m_video.get(); }
    PlayListControl* playlistVC() const { return m_playlist.get(); }
    AppController* appController() const { return m_app.get(); }

private:
    template <typename Interface> struct Link {
        QPointer<QObject> object;
        Interface* target = nullptr;
        Interface* get() const { return object ? target : nullptr; }
    };
    Link<PlaybackControl> m_video;
    Link<PlayListControl> m_playlist;
    Link<AppController> m_app;
};
