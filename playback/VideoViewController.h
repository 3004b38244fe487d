#pragma once

#include "AppLinks.h"
#include "CVModuleProtocol.h"
#include "MediaClock.h"

#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>
#include <thread>

class MyCustomSlider;
class PlaybackEngine;
class PlatformEngine;
class VlcEngine;
class QHBoxLayout;
class QLabel;
class QProgressDialog;
class QToolButton;
class QButtonGroup;
class QFrame;

// The video module and the application's clock. It picks an engine per file (the VLC engine for files
// that are not MP4 and whose video is HEVC, or that hold a lone audio track; the platform engine for
// everything else), plays the file, and tells the other modules which file is active, how long it is, where
// playback stands and when it ended. Under the picture: the transport bar, and the view's own full screen.
class VideoViewController : public QWidget, public CVModuleProtocol, public PlaybackControl {
    Q_OBJECT
public:
    static constexpr int kAutoHideMs = 4000;
    static constexpr int kNoticeMs = 6000;                         // how long a notice over the picture stays
    static constexpr double kSpacingFactor = 0.034722222222222224; // 5/144 of the window width
    static constexpr double kInitialSpacing = 35;
    static constexpr int kDragSeekMs = 80; // seeks while the seek knob is dragged, at most this often

    explicit VideoViewController(QWidget* parent = nullptr);
    ~VideoViewController() override;

    bool implementsOperation(Operation operation) const override;

    // PlaybackControl
    void close() override;
    void initAssetData(const QUrl& url) override;

    double duration() const;
    double currentTime() const;
    void setCurrentTime(double seconds);
    void execPlayOrPause();
    // Pauses the current file (before the play list's open dialog).
    void openFilePause() override;
    // Stops playback; the map and the dashboard show no file.
    void StopVideo() override;
    // The error alert of a kind (1 format, 2 damaged, 3 missing).
    void playFaire(int kind);

    // Transport actions.
    void playOrPause();
    void lastFile();
    void nextFile();
    void VidePlaySlider();
    void clickVoiceBtn();
    void playSpeedChange();
    void filesListSortPlay();
    void FullScreen();
    void helps();
    void settings();
    void userChangeVolume(double volume);
    void currentSelectPlaySpeed(double rate, const QString& text);
    // The view's key handling (the play list passes its keys on here).
    void keyDown(QKeyEvent* event) override;
    void seekRelative(double seconds) override;
    void playAdjacentFile(bool next) override;
    void toggleVideoFullScreen() override;
    void togglePlayPause() override;
    void addPlaybackActions(const QList<QAction*>& actions) override;
    void saveSnapshot() override;
    void jumpToEvent(bool next) override;
    void playFileAt(const QString& key, double second) override;
    void setInPoint() override;
    void setOutPoint() override;
    void saveClip() override;
    std::optional<double> inPoint() const { return m_inPoint; }
    std::optional<double> outPoint() const { return m_outPoint; }
    // Where saved clips go by default (the Videos folder unless set).
    void setClipFolder(const QString& folder) { m_clipFolder = folder; }
    // Where snapshots go (the Pictures folder unless set, for tests and a later preference).
    void setSnapshotFolder(const QString& folder) { m_snapshotFolder = folder; }
    // The caption's lines for the second that shows: the record's date and time, the speed in the unit in
    // force, the position (each when the clip has it).
    QStringList snapshotCaption(double seconds) const;
    // A short message over the picture that goes away by itself (the path of a snapshot saved).
    void showNotice(const QString& text);
    QLabel* noticeLabel() const { return m_noticeLabel; }

    // What an engine reports, passed to the modules in the order they rely on.
    void reportDuration(double seconds);
    void reportTime(double seconds);
    void reportEnd();

    // State, for the transport bar's users and the tests.
    std::optional<QUrl> activeUrl() const { return m_url; }
    bool isTSvideo() const { return m_isTSvideo; }
    bool isAddVideoFile() const { return m_isAddVideoFile; }
    bool isOtherOne() const { return m_isOtherOne; }
    double currentRate() const { return m_currentRate; }
    double spacingNum() const { return m_spacingNum; }
    int buttonSpacing() const;
    PlatformEngine* platformEngine() const { return m_platform; }
    VlcEngine* vlcEngine() const { return m_vlc; }
    QWidget* controlView() const { return m_controlView; }
    MyCustomSlider* timeSlider() const { return m_timeSlider; }
    QLabel* currentTimeField() const { return m_currentTimeField; }
    QLabel* totalTimeField() const { return m_totalTimeField; }
    QToolButton* playButton() const { return m_playButton; }
    QToolButton* lasetButton() const { return m_lasetButton; }
    QToolButton* nextButton() const { return m_nextButton; }
    QToolButton* loopButton() const { return m_loopButton; }
    QToolButton* playSpeedButton() const { return m_playSpeedButton; }
    QToolButton* voiceBtn() const { return m_voiceBtn; }
    QToolButton* fullButton() const { return m_fullButton; }
    QLabel* logoImage() const { return m_logoImage; }
    QFrame* helpDialog() const { return m_helpDialog; }
    QFrame* settingsDialog() const { return m_settingsDialog; }
    QWidget* openPopover() const { return m_popover; }

    ModuleRef zoomInDelegate;   // the layout controller
    ModuleRef gpsDelegate;      // the map
    ModuleRef speedDelegate;    // the dashboard
    ModuleRef gpsInfoDelegate;  // the play list
    ModuleRef videoEndDelegate; // the play list
    ModuleRef clearDelegate;    // the dashboard

signals:
    // An error alert is up (its kind).
    void alertShown(int kind);
    // The file has no video track: only logged, nothing plays.
    void noVideoTrack();
    // Save Clip's file dialog is up; a save has ended (the file, or the reason it failed).
    void saveDialogShown(QWidget* dialog);
    void clipSaved(const QString& path, bool ok, const QString& problem);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTransportBar();
    void buildPanels();
    QToolButton* transportButton(const QString& picture, const char* tooltipKey);
    void placeNotice();
    // The driving events of the file that plays, marked on the seek bar.
    void showEventMarks();
    void showInOut(); // the in and out points on the seek bar
    void startSave(const QString& source, const QString& target, double from, double to);
    // The volume button shows a muted speaker while the volume is 0 (as on a first run).
    void showVolume(double volume);
    PlaybackEngine* engine() const;
    void connectEngine(PlaybackEngine* engine);
    void engineStarted(double duration);
    void engineDurationChanged(double duration);
    void engineFailed(int kind);
    void enginePosition(double seconds);
    void engineTimeReport(double seconds);
    void showTime(double seconds);
    void sendVideoEnd();
    // Runs `action` on a later turn of the event loop if the same file is still open then.
    void laterForThisFile(std::function<void()> action);
    int alertKindFor(int engineKind) const;
    void sliderPressed();
    void sliderReleased();
    void sliderValueChanged();
    void setPlayPicture(bool playing);
    void resetShowTimerTime();
    void starTimerShowControlView();
    void videoTimeChangedTimer();
    void enterFullScreen();
    void leaveFullScreen();
    void imageWillChangSize(const QSize& size);
    void setButtonSpacing(double spacing);
    void placeBarOverPicture();

    PlatformEngine* m_platform = nullptr;
    VlcEngine* m_vlc = nullptr;
    bool m_isTSvideo = false;
    bool m_isAddVideoFile = false;
    bool m_endSent = false;
    double m_currentRate = 1.0;
    double m_reportedDuration = 0;
    std::optional<QUrl> m_url;
    MediaClock m_clock;
    quint64 m_fileSerial = 0; // changes with every open and close
    bool m_playingBeforeDrag = false;
    QTimer m_dragSeek;

    QWidget* m_containerView = nullptr;
    QLabel* m_logoImage = nullptr;
    QWidget* m_controlView = nullptr;
    QHBoxLayout* m_neStackView = nullptr;
    MyCustomSlider* m_timeSlider = nullptr;
    QLabel* m_currentTimeField = nullptr;
    QLabel* m_totalTimeField = nullptr;
    QToolButton* m_playButton = nullptr;
    QToolButton* m_lasetButton = nullptr;
    QToolButton* m_nextButton = nullptr;
    std::optional<double> m_pendingSeek; // where to go once the file that opens has started
    // That seek, checked against the engine's first reports (see enginePosition).
    struct StartSeek {
        double target = 0;
        int attempts = 0;
    };
    std::optional<StartSeek> m_startSeek;
    static constexpr double kStartSeekTolerance = 1.5; // the platform's seek lands within a second
    static constexpr int kStartSeekAttempts = 5;
    std::optional<double> m_inPoint;
    std::optional<double> m_outPoint;
    QString m_clipFolder;
    std::jthread m_saveThread; // the save that runs, if any
    QPointer<QProgressDialog> m_saveProgress;
    QLabel* m_noticeLabel = nullptr;
    QTimer* m_noticeTimer = nullptr;
    QString m_snapshotFolder;
    QToolButton* m_voiceBtn = nullptr;
    QToolButton* m_playSpeedButton = nullptr;
    QToolButton* m_loopButton = nullptr;
    QToolButton* m_fullButton = nullptr;
    QToolButton* m_helpButton = nullptr;
    QToolButton* m_settingsButton = nullptr;
    QFrame* m_helpDialog = nullptr;
    QFrame* m_settingsDialog = nullptr;
    QPointer<QWidget> m_popover;

    // The view's own full screen.
    bool m_isOtherOne = false;
    double m_spacingNum = kInitialSpacing;
    QTimer* m_timer = nullptr; // auto-hide of the bar, only in full screen
    bool m_mouseMonitor = false;
    QPointer<QWidget> m_homeContainer;
};
