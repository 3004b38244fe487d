#include "PlatformEngine.h"
#include "KestrunLog.h"

#include "MediaTrackReader.h"
#include "PlatformVideoSurface.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QVideoSink>
#include <QtDebug>

#include <fcntl.h>
#include <unistd.h>

PlatformEngine::PlatformEngine(QObject* parent)
    : PlaybackEngine(parent) {
    m_surface = new PlatformVideoSurface;
    // A machine without an audio device plays silently.
    if (!QMediaDevices::defaultAudioOutput().isNull())
        m_audio = new QAudioOutput(this);
}

PlatformEngine::~PlatformEngine() {
    releasePlayer();
    closeDescriptor();
    delete m_surface; // not owned by a widget until the controller places it
}

QWidget* PlatformEngine::videoSurface() {
    return m_surface;
}

void PlatformEngine::releasePlayer() {
    if (!m_player)
        return;
    QMediaPlayer* old = m_player;
    m_player = nullptr;
    old->disconnect(this);
    if (QVideoSink* sink = old->videoSink())
        sink->disconnect(m_surface);
    old->stop();
    old->setAudioOutput(nullptr);
    old->deleteLater(); // its sink goes with it
}

void PlatformEngine::makePlayer() {
    releasePlayer();
    m_player = new QMediaPlayer(this);
    // A sink of the player's own: no sink or widget is ever handed from one player to the next.
    auto* sink = new QVideoSink(m_player);
    m_player->setVideoSink(sink);
    connect(sink, &QVideoSink::videoFrameChanged, m_surface, &PlatformVideoSurface::setFrame);
    if (m_audio)
        m_player->setAudioOutput(m_audio);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &PlatformEngine::mediaStatusChanged);
    connect(m_player, &QMediaPlayer::errorOccurred, this, &PlatformEngine::errorOccurred);
    connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 ms) {
        if (m_loaded && !m_failed && m_player->playbackState() == QMediaPlayer::PlayingState)
            emit timeReport(static_cast<double>(ms) / 1000.0);
    });
    connect(m_player, &QMediaPlayer::durationChanged, this, [this](qint64) {
        if (m_loaded)
            emit durationChanged(duration());
    });
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState state) {
        emit playingChanged(state == QMediaPlayer::PlayingState);
    });
}

void PlatformEngine::open(const QUrl& url, float rate, float volume) {
    m_url = url;
    m_rate = rate;
    m_volume = volume;
    m_loaded = false;
    m_endSent = false;
    m_failed = false;
    m_surface->clearFrame();
    makePlayer();
    m_player->setSource(sourceFor(url)); // loads asynchronously: mediaStatusChanged and errorOccurred follow
}

void PlatformEngine::mediaStatusChanged() {
    switch (m_player->mediaStatus()) {
    case QMediaPlayer::LoadedMedia:
        if (m_loaded || m_failed)
            return;
        m_loaded = true;
        if (!m_player->hasVideo()) {
            qCInfo(lcKestrun) << "NO Video===============";
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
        // Position reports seldom land on the duration exactly: the end of the media ends the file.
        if (!m_endSent && !m_failed) {
            m_endSent = true;
            emit timeReport(duration());
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

// A failure before the file loaded is the file's: the controller names its kind from the file itself. A
// failure after it has loaded is the player item's: logged, and only the play button goes out of use.
void PlatformEngine::errorOccurred() {
    if (m_failed || m_url.isEmpty())
        return;
    const QMediaPlayer::Error error = m_player->error();
    if (error == QMediaPlayer::NoError && m_player->mediaStatus() != QMediaPlayer::InvalidMedia)
        return;
    if (m_loaded) {
        qCInfo(lcKestrun).noquote() << "AVPlayerItemStatusFailed" << m_player->errorString();
        emit itemFailed();
        return;
    }
    m_failed = true;
    qCInfo(lcKestrun).noquote() << "error" << m_player->errorString();
    int kind = UnsupportedFormat;
    if (m_url.isLocalFile() && !MediaTrackReader::exists(MediaTrackReader::localPath(m_url)))
        kind = MissingFile;
    else if (m_url.isLocalFile())
        kind = DamagedFile;
    emit failed(kind);
}

// A local file whose name is not UTF-8 cannot be named to GStreamer by its URL: it is opened here by its
// bytes and handed over as this process's descriptor of it.
QUrl PlatformEngine::sourceFor(const QUrl& url) {
    closeDescriptor();
    const QByteArray path = MediaTrackReader::localPath(url);
    if (path.isEmpty() || QString::fromUtf8(path).toUtf8() == path)
        return url;
    m_descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_descriptor < 0)
        return url; // the failure that follows names the file
    return QUrl::fromLocalFile(QString("/proc/self/fd/%1").arg(m_descriptor));
}

void PlatformEngine::closeDescriptor() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    m_descriptor = -1;
}

void PlatformEngine::close() {
    releasePlayer();
    closeDescriptor();
    m_surface->clearFrame();
    m_url.clear();
    m_loaded = false;
    m_failed = false;
}

bool PlatformEngine::hasFile() const {
    return !m_url.isEmpty() && m_player;
}

void PlatformEngine::play() {
    if (!m_player)
        return;
    // A file that was let to end starts again from the beginning.
    if (m_loaded && (m_endSent || (duration() > 0 && currentTime() >= duration())))
        setCurrentTime(0);
    m_endSent = false;
    m_player->play();
}

void PlatformEngine::pause() {
    if (m_player)
        m_player->pause();
}

bool PlatformEngine::isPlaying() const {
    return m_player && m_player->playbackState() == QMediaPlayer::PlayingState;
}

void PlatformEngine::setRate(float rate) {
    m_rate = rate;
    if (m_player)
        m_player->setPlaybackRate(rate);
}

float PlatformEngine::rate() const {
    return m_player ? static_cast<float>(m_player->playbackRate()) : m_rate;
}

double PlatformEngine::duration() const {
    return m_loaded && m_player ? static_cast<double>(m_player->duration()) / 1000.0 : 0.0;
}

double PlatformEngine::currentTime() const {
    return m_player ? static_cast<double>(m_player->position()) / 1000.0 : 0.0;
}

double PlatformEngine::setCurrentTime(double seconds) {
    if (!m_player)
        return 0;
    // Whole seconds, as the platform's seek with a one-second tolerance each way.
    const double target = std::trunc(std::max(0.0, seconds));
    m_player->setPosition(static_cast<qint64>(target) * 1000);
    if (target < duration())
        m_endSent = false;
    return target;
}

void PlatformEngine::userChangeVolume(double volume) {
    m_volume = static_cast<float>(volume);
    if (m_audio)
        m_audio->setVolume(m_volume);
}
