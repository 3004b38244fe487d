#include "PlatformEngine.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QVideoWidget>
#include <QtDebug>

PlatformEngine::PlatformEngine(QObject* parent)
    : PlaybackEngine(parent) {
    m_video = new QVideoWidget;
    m_video->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_reports.setInterval(kReportIntervalMs);
    connect(&m_reports, &QTimer::timeout, this, &PlatformEngine::report);
    makePlayer();
}

void PlatformEngine::makePlayer() {
    // A fresh player per file, as the platform's player item: nothing of a failed file (GStreamer may post
    // a late second error) reaches the next one.
    if (m_player) {
        m_player->disconnect(this);
        m_player->stop();
        m_player->deleteLater();
    }
    m_player = new QMediaPlayer(this);
    m_player->setVideoOutput(m_video);
    // A machine without an audio device plays silently.
    if (!QMediaDevices::defaultAudioOutput().isNull()) {
        if (!m_audio)
            m_audio = new QAudioOutput(this);
        m_player->setAudioOutput(m_audio);
    }
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &PlatformEngine::mediaStatusChanged);
    connect(m_player, &QMediaPlayer::errorOccurred, this, &PlatformEngine::errorOccurred);
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState state) {
        if (state == QMediaPlayer::PlayingState)
            m_reports.start();
        else
            m_reports.stop();
        emit playingChanged(state == QMediaPlayer::PlayingState);
    });
}

PlatformEngine::~PlatformEngine() {
    delete m_video; // not owned by a widget until the controller places it
}

QWidget* PlatformEngine::videoSurface() {
    return m_video;
}

void PlatformEngine::open(const QUrl& url, float rate, float volume) {
    m_url = url;
    m_rate = rate;
    m_volume = volume;
    m_loaded = false;
    m_endSent = false;
    m_failed = false;
    makePlayer();
    m_player->setSource(url); // loads asynchronously: mediaStatusChanged and errorOccurred follow
}

void PlatformEngine::mediaStatusChanged() {
    switch (m_player->mediaStatus()) {
    case QMediaPlayer::LoadedMedia:
        if (m_loaded || m_failed)
            return;
        m_loaded = true;
        if (!m_player->hasVideo()) {
            qInfo() << "NO Video===============";
            emit noVideoTrack();
            return;
        }
        emit started(duration());
        if (m_audio)
            m_audio->setVolume(m_volume);
        m_player->play();
        m_player->setPlaybackRate(m_rate);
        return;
    case QMediaPlayer::EndOfMedia:
        // Quarter-second reports seldom land on the duration exactly: the end of the media ends the file.
        m_reports.stop();
        if (!m_endSent) {
            m_endSent = true;
            emit endReached();
        }
        return;
    case QMediaPlayer::InvalidMedia:
        errorOccurred();
        return;
    default:
        return;
    }
}

// Qt Multimedia's errors as the alert kinds: a local file that does not exist is kind 3 (the platform's
// -1100); a local file the engine cannot read or parse (ResourceError, FormatError, InvalidMedia: GStreamer
// reports unparsable files as resource errors) is kind 2 (-11829); anything else (a remote source, access,
// network) kind 1.
void PlatformEngine::errorOccurred() {
    if (m_failed || m_url.isEmpty())
        return;
    const QMediaPlayer::Error error = m_player->error();
    if (error == QMediaPlayer::NoError && m_player->mediaStatus() != QMediaPlayer::InvalidMedia)
        return;
    if (m_loaded) {
        // After the file has loaded an error is the player item's failure: logged, no alert.
        qInfo().noquote() << "AVPlayerItemStatusFailed" << m_player->errorString();
        emit itemFailed();
        return;
    }
    m_failed = true;
    m_reports.stop();
    qInfo().noquote() << "error" << m_player->errorString();
    int kind = UnsupportedFormat;
    if (m_url.isLocalFile() && !QFileInfo::exists(m_url.toLocalFile()))
        kind = MissingFile;
    else if (m_url.isLocalFile() &&
             (error == QMediaPlayer::ResourceError || error == QMediaPlayer::FormatError ||
              m_player->mediaStatus() == QMediaPlayer::InvalidMedia))
        kind = DamagedFile;
    emit failed(kind);
}

void PlatformEngine::report() {
    if (m_player->playbackState() == QMediaPlayer::PlayingState)
        emit timeReport(currentTime());
}

void PlatformEngine::close() {
    m_reports.stop();
    m_player->pause();
    m_player->setSource(QUrl());
    m_url.clear();
    m_loaded = false;
}

bool PlatformEngine::hasFile() const {
    return !m_url.isEmpty();
}

void PlatformEngine::play() {
    // A file that was let to end starts again from the beginning.
    if (m_loaded && currentTime() >= duration() && duration() > 0)
        setCurrentTime(0);
    m_endSent = false;
    m_player->play();
}

void PlatformEngine::pause() {
    m_player->pause();
}

bool PlatformEngine::isPlaying() const {
    return m_player->playbackState() == QMediaPlayer::PlayingState;
}

void PlatformEngine::setRate(float rate) {
    m_rate = rate;
    m_player->setPlaybackRate(rate);
}

float PlatformEngine::rate() const {
    return static_cast<float>(m_player->playbackRate());
}

double PlatformEngine::duration() const {
    return m_loaded ? static_cast<double>(m_player->duration()) / 1000.0 : 0.0;
}

double PlatformEngine::currentTime() const {
    return static_cast<double>(m_player->position()) / 1000.0;
}

void PlatformEngine::setCurrentTime(double seconds) {
    // Whole seconds, as the platform's seek with a one-second tolerance each way.
    m_player->setPosition(static_cast<qint64>(seconds) * 1000);
    if (seconds < duration())
        m_endSent = false;
}

void PlatformEngine::userChangeVolume(double volume) {
    m_volume = static_cast<float>(volume);
    if (m_audio)
        m_audio->setVolume(m_volume);
}
