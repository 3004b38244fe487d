#pragma once

#include "PlaybackEngine.h"

#include <QPointer>

class QAudioOutput;
class QMediaPlayer;
class QVideoFrame;
class PlatformVideoSurface;

// The platform engine: Qt Multimedia's player. Its frames reach a painted widget through a video sink; its
// position is media time, reported whenever the player moves it. Each file gets a player of its own, so
// nothing of a failed file (GStreamer may post a late second error) reaches the next one; the old player
// is released on a later turn of the event loop, never inside its own signal.
class PlatformEngine : public PlaybackEngine {
    Q_OBJECT
public:
    explicit PlatformEngine(QObject* parent = nullptr);
    ~PlatformEngine() override;

    QWidget* videoSurface() override;
    PlatformVideoSurface* surface() const { return m_surface; }
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
    void userChangeVolume(double volume) override;
    float volume() const { return m_volume; } // 0 to 1

private:
    void makePlayer();
    void releasePlayer();
    QUrl sourceFor(const QUrl& url);
    void closeDescriptor();
    void mediaStatusChanged();
    void errorOccurred();

    QPointer<QMediaPlayer> m_player;
    PlatformVideoSurface* m_surface = nullptr;
    QAudioOutput* m_audio = nullptr; // only when the machine has an audio device
    QUrl m_url;
    float m_rate = 1.0f;
    float m_volume = 0;
    bool m_loaded = false;
    bool m_endSent = false;
    bool m_failed = false;
    int m_descriptor = -1; // the open file handed to the player by descriptor, or -1
};
