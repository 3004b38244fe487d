#include "VlcEngine.h"

#include "MediaTrackReader.h"
#include "VlcVideoSurface.h"

#include <QAudioDevice>
#include <QFile>
#include <QLabel>
#include <QMediaDevices>
#include <QStackedLayout>
#include <QtDebug>

#include <vlc/vlc.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

constexpr int kMaxVolume = 200;
constexpr const char* kCacheValue = "400";

// libvlc_media_parse_network | libvlc_media_fetch_local | libvlc_media_fetch_network
constexpr auto kParseOptions = static_cast<libvlc_media_parse_flag_t>(7);

const libvlc_event_type_t kEvents[] = {
    libvlc_MediaPlayerTimeChanged, libvlc_MediaPlayerLengthChanged, libvlc_MediaPlayerOpening,
    libvlc_MediaPlayerBuffering,   libvlc_MediaPlayerPlaying,       libvlc_MediaPlayerPaused,
    libvlc_MediaPlayerStopped,     libvlc_MediaPlayerEndReached,    libvlc_MediaPlayerEncounteredError,
};

unsigned setupFormat(void** opaque, char* chroma, unsigned* width, unsigned* height, unsigned* pitches,
                     unsigned* lines) {
    auto* surface = static_cast<VlcVideoSurface*>(*opaque);
    std::memcpy(chroma, VlcVideoSurface::kChroma, 4);
    surface->allocate(*width, *height, pitches, lines);
    return 1;
}

void cleanupFormat(void*) {}

void* lockFrame(void* opaque, void** planes) {
    static_cast<VlcVideoSurface*>(opaque)->lockBuffer(planes);
    return nullptr;
}

void unlockFrame(void* opaque, void*, void* const*) {
    static_cast<VlcVideoSurface*>(opaque)->unlockBuffer();
}

void displayFrame(void* opaque, void*) {
    static_cast<VlcVideoSurface*>(opaque)->frameReady();
}

// Rounded to the nearest whole number, halves away from zero.
double wholeSeconds(double seconds) {
    return std::round(seconds);
}

} // namespace

QStringList VlcEngine::playerOptions() {
    QStringList options;
    for (const char* name : {"network-caching", "clock-jitter"})
        options << QString("--%1=%2").arg(name, kCacheValue);
    return options;
}

VlcEngine::VlcEngine(QObject* parent)
    : PlaybackEngine(parent) {
    QList<QByteArray> arguments;
    for (const QString& option : playerOptions())
        arguments << option.toUtf8();
    arguments << "--quiet"
              << "--no-video-title-show"
              << "--no-xlib";
    if (QMediaDevices::defaultAudioOutput().isNull())
        arguments << "--aout=dummy"; // a machine without an audio device plays silently
    std::vector<const char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(argument.constData());
    m_vlc = libvlc_new(static_cast<int>(argv.size()), argv.data());
    if (!m_vlc)
        qWarning() << "libVLC could not be started";

    m_container = new QWidget;
    m_container->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* stack = new QStackedLayout(m_container);
    stack->setStackingMode(QStackedLayout::StackAll);
    m_busy = new QLabel(m_container);
    m_busy->setAlignment(Qt::AlignCenter);
    m_busy->setText(QStringLiteral("…"));
    m_busy->setStyleSheet("color: white; font-size: 28px; background: transparent;");
    m_busy->hide();
    m_surface = new VlcVideoSurface(m_container);
    stack->addWidget(m_busy);
    stack->addWidget(m_surface);

    m_playTimer.setSingleShot(true);
    m_playTimer.setInterval(kStallMs);
    connect(&m_playTimer, &QTimer::timeout, this, &VlcEngine::stalled);
}

VlcEngine::~VlcEngine() {
    close();
    if (m_vlc)
        libvlc_release(m_vlc);
    delete m_container;
}

bool VlcEngine::isAvailable() const {
    return m_vlc != nullptr;
}

QWidget* VlcEngine::videoSurface() {
    return m_container;
}

void VlcEngine::handleEvent(const libvlc_event_t* event, void* opaque) {
    // On a libVLC thread: only hand the event to the main thread.
    auto* self = static_cast<VlcEngine*>(opaque);
    const int type = event->type;
    const int generation = self->m_generation;
    QMetaObject::invokeMethod(
        self,
        [self, type, generation] {
            if (generation != self->m_generation || !self->m_player)
                return;
            if (type == libvlc_MediaPlayerTimeChanged)
                self->timeChanged();
            else
                self->stateChanged(type);
        },
        Qt::QueuedConnection);
}

void VlcEngine::open(const QUrl& url, float rate, float volume) {
    close();
    if (!m_vlc) {
        emit failed(UnsupportedFormat);
        return;
    }
    ++m_generation;
    m_url = url;
    m_media = libvlc_media_new_path(m_vlc, MediaTrackReader::localPath(url).constData());
    libvlc_media_parse_with_options(m_media, kParseOptions, kParseTimeoutMs);
    m_player = libvlc_media_player_new_from_media(m_media);
    libvlc_event_manager_t* events = libvlc_media_player_event_manager(m_player);
    for (const libvlc_event_type_t type : kEvents)
        libvlc_event_attach(events, type, &VlcEngine::handleEvent, this);
    libvlc_video_set_callbacks(m_player, lockFrame, unlockFrame, displayFrame, m_surface);
    libvlc_video_set_format_callbacks(m_player, setupFormat, cleanupFormat);
    libvlc_video_set_scale(m_player, 0); // fit the picture to the view

    m_surface->clearFrame();
    libvlc_audio_set_volume(m_player, static_cast<int>(volume * 100));
    libvlc_media_player_play(m_player);
    libvlc_media_player_set_rate(m_player, rate);
    m_pauseAsked = false;
    m_isOpen = false;
    m_surface->hide(); // shown half a second after the first time report
    emit started(wholeSeconds(duration()));
}

void VlcEngine::close() {
    m_playTimer.stop();
    m_keepPausedOnSeek = false;
    m_busy->hide();
    if (m_player) {
        libvlc_event_manager_t* events = libvlc_media_player_event_manager(m_player);
        for (const libvlc_event_type_t type : kEvents)
            libvlc_event_detach(events, type, &VlcEngine::handleEvent, this);
        libvlc_media_player_stop(m_player);
        libvlc_media_player_release(m_player);
        m_player = nullptr;
    }
    if (m_media) {
        libvlc_media_release(m_media);
        m_media = nullptr;
    }
    ++m_generation;
    m_url.clear();
    m_isOpen = false;
    m_surface->clearFrame(); // no last frame of this file behind the next one or the logo
    m_surface->hide();
}

bool VlcEngine::hasFile() const {
    return m_player != nullptr;
}

void VlcEngine::play() {
    m_pauseAsked = false;
    if (m_player)
        libvlc_media_player_set_pause(m_player, 0);
}

void VlcEngine::pause() {
    m_pauseAsked = true;
    if (m_player)
        libvlc_media_player_set_pause(m_player, 1);
}

bool VlcEngine::isPlaying() const {
    return m_player && libvlc_media_player_is_playing(m_player);
}

void VlcEngine::setRate(float rate) {
    if (m_player)
        libvlc_media_player_set_rate(m_player, rate);
}

float VlcEngine::rate() const {
    return m_player ? libvlc_media_player_get_rate(m_player) : 1.0f;
}

double VlcEngine::duration() const {
    if (!m_media)
        return 0;
    libvlc_time_t length = libvlc_media_get_duration(m_media);
    if (length < 0 && m_player)
        length = libvlc_media_player_get_length(m_player);
    return length > 0 ? static_cast<double>(length) / 1000.0 : 0.0;
}

double VlcEngine::currentTime() const {
    return m_player ? static_cast<double>(libvlc_media_player_get_time(m_player)) / 1000.0 : 0.0;
}

int VlcEngine::jumpSeconds(double target, double now, qint64 remainingMs, double duration) {
    const auto distance = static_cast<std::int32_t>(target - now); // truncated toward zero
    if (distance <= 0)
        return distance;
    const qint64 remainingSeconds = std::llabs(remainingMs) / 1000;
    if (distance + 1 >= remainingSeconds)
        return static_cast<int>(std::fabs(std::trunc(duration - now - 1)));
    return distance;
}

double VlcEngine::setCurrentTime(double seconds) {
    if (!m_player)
        return 0;
    const libvlc_time_t time = libvlc_media_player_get_time(m_player);
    const libvlc_time_t length = libvlc_media_player_get_length(m_player);
    const auto remaining = static_cast<std::int32_t>(time - length); // negative: time still to play
    const int jump = jumpSeconds(seconds, static_cast<double>(time) / 1000.0, remaining, duration());
    const libvlc_time_t target = std::max<libvlc_time_t>(0, time + libvlc_time_t(jump) * 1000);
    libvlc_media_player_set_time(m_player, target);
    // A seek plays on, unless the next seek was to keep the player paused (a play request with a pause
    // right after it would race in libVLC's input thread).
    const bool keepPaused = std::exchange(m_keepPausedOnSeek, false);
    if (!keepPaused && !libvlc_media_player_is_playing(m_player))
        libvlc_media_player_play(m_player);
    return wholeSeconds(static_cast<double>(target) / 1000.0);
}

void VlcEngine::userChangeVolume(double value) {
    if (!m_player)
        return;
    // One step of the engine's own size towards the slider per change.
    const double target = value * 100;
    const int current = libvlc_audio_get_volume(m_player);
    if (target > current)
        libvlc_audio_set_volume(m_player, std::min(kMaxVolume, current + kVolumeStep));
    else if (target < libvlc_audio_get_volume(m_player))
        libvlc_audio_set_volume(m_player, std::max(0, current - kVolumeStep));
}

int VlcEngine::volume() const {
    return m_player ? libvlc_audio_get_volume(m_player) : 0;
}

bool VlcEngine::isStallIndicatorShown() const {
    return !m_busy->isHidden();
}

bool VlcEngine::isPictureShown() const {
    return !m_surface->isHidden();
}

void VlcEngine::timeChanged() {
    if (!m_isOpen) {
        m_isOpen = true;
        const int generation = m_generation;
        QTimer::singleShot(kRevealMs, this, [this, generation] {
            if (generation == m_generation)
                m_surface->show();
        });
    }
    // The stall indicator: it spins whenever the time has not advanced for 0.7 s.
    m_busy->hide();
    m_playTimer.start();
    emit timeReport(wholeSeconds(currentTime()));
}

void VlcEngine::stalled() {
    m_playTimer.stop();
    m_busy->show();
}

// libVLC's states onto the controller's. An error state is reported as a missing file; the controller names
// the alert's kind from the file itself. The end of the media ends the file once.
void VlcEngine::stateChanged(int state) {
    switch (state) {
    case libvlc_MediaPlayerStopped:
    case libvlc_MediaPlayerPaused:
        m_playTimer.stop();
        emit playingChanged(false);
        break;
    case libvlc_MediaPlayerBuffering:
        // A seek while paused buffers and stays paused: only a player asked to play shows as playing.
        if (!m_pauseAsked)
            emit playingChanged(true);
        break;
    case libvlc_MediaPlayerPlaying:
        emit playingChanged(true);
        break;
    case libvlc_MediaPlayerEndReached:
        m_playTimer.stop();
        m_busy->hide();
        emit playingChanged(false);
        emit endReached();
        break;
    case libvlc_MediaPlayerEncounteredError:
        m_playTimer.stop();
        m_busy->hide();
        emit failed(MissingFile);
        break;
    case libvlc_MediaPlayerLengthChanged:
        // The parse runs asynchronously: the length is often unknown when the file starts.
        if (const double length = duration(); length > 0)
            emit durationChanged(length);
        break;
    default:
        break;
    }
}
