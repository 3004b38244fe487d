#pragma once

#include "PlaybackEngine.h"

#include <QTimer>

class QAudioOutput;
class QMediaPlayer;
class QVideoWidget;

// The platform engine: Qt Multimedia's player. Reports the position every 1/4 second of playback with
// fractional seconds, and the end once when the media ends.
class PlatformEngine : public PlaybackEngine {
    Q_OBJECT
public:
    static constexpr int kReportIntervalMs = 250;

    explicit PlatformEngine(QObject* parent = nullptr);
    ~PlatformEngine() override;

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
    void setCurrentTime(double seconds) override;
    void userChangeVolume(double volume) override;

private:
    void makePlayer();
    void mediaStatusChanged();
    void errorOccurred();
    void report();

    QMediaPlayer* m_player = nullptr;
    QVideoWidget* m_video = nullptr;
    QAudioOutput* m_audio = nullptr; // only when the machine has an audio device
    QTimer m_reports;
    QUrl m_url;
    float m_rate = 1.0f;
    float m_volume = 0;
    bool m_loaded = false;
    bool m_endSent = false;
    bool m_failed = false;
};
