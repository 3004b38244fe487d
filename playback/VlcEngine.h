#pragma once

#include "PlaybackEngine.h"

#include <QPointer>
#include <QTimer>

#include <atomic>
#include <memory>

struct libvlc_instance_t;
struct libvlc_media_t;
struct libvlc_media_player_t;
struct libvlc_event_t;
class VlcVideoSurface;
class QLabel;

// The VLC engine: libVLC 3. Times are the engine's milliseconds; time reports are whole seconds (rounded,
// halves away from zero). libVLC's events arrive on its own threads and are passed to the main thread with
// queued calls. The picture is hidden until half a second after the first time report; a busy indicator
// shows while the time has not advanced for 0.7 s.
class VlcEngine : public PlaybackEngine {
    Q_OBJECT
public:
    static constexpr int kParseTimeoutMs = 400;
    static constexpr int kStallMs = 700;
    static constexpr int kRevealMs = 500;
    static constexpr int kVolumeStep = 6; // one step of the engine's own volume up/down

    explicit VlcEngine(QObject* parent = nullptr);
    ~VlcEngine() override;

    // The options every player is made with ("--network-caching=400", "--clock-jitter=400").
    static QStringList playerOptions();
    // False when libVLC could not be started (no plug-ins).
    bool isAvailable() const;

    QWidget* videoSurface() override;
    void open(const QUrl& url, float rate, float volume) override;
    void close() override;
    bool hasFile() const override;
    void play() override;
    void pause() override;
    bool isPlaying() const override;
    void setRate(float rate) override;
    float rate() const override;
    double duration() const override;
    double currentTime() const override;
    double setCurrentTime(double seconds) override;
    // The next setCurrentTime leaves a paused player paused instead of playing on.
    void keepPausedOnNextSeek() { m_keepPausedOnSeek = true; }
    void userChangeVolume(double volume) override;

    int volume() const;
    bool isStallIndicatorShown() const;
    bool isPictureShown() const;
    VlcVideoSurface* surface() const { return m_surface; }

    // The relative jump that brings the engine from `now` (seconds) to `target`, given the remaining time
    // (milliseconds, either sign) and the duration: whole seconds, negative backwards; a jump to or past the
    // end stops about one second before it.
    static int jumpSeconds(double target, double now, qint64 remainingMs, double duration);

private:
    static void handleEvent(const libvlc_event_t* event, void* self);
    void timeChanged();
    void stateChanged(int state);
    void stalled();

    libvlc_instance_t* m_vlc = nullptr;
    libvlc_media_t* m_media = nullptr;
    libvlc_media_player_t* m_player = nullptr;
    QWidget* m_container = nullptr;
    VlcVideoSurface* m_surface = nullptr;
    QLabel* m_busy = nullptr;
    QTimer m_playTimer; // the stall timer
    QUrl m_url;
    bool m_isOpen = false;     // a time report has arrived for the current file
    bool m_pauseAsked = false; // paused by pause(), until play() or another file
    bool m_keepPausedOnSeek = false;
    std::atomic<int> m_generation{0}; // events of a closed player are ignored
};
