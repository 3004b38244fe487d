#include "VideoViewController.h"
#include "KestrunLog.h"

#include "AppManager.h"
#include "AppResources.h"
#include "AppUserDefaults.h"
#include "DrivingEventStyle.h"
#include "FrameSnapshot.h"
#include "IncidentSaver.h"
#include "MediaTrackReader.h"
#include "MyCache.h"
#include "MyCustomSlider.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "PlatformEngine.h"
#include "PlatformVideoSurface.h"
#include "PopoverWindow.h"
#include "RadioPair.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SpeedPlayerViewController.h"
#include "SpeedUnits.h"
#include "TimeFormatUtils.h"
#include "VlcEngine.h"
#include "VlcVideoSurface.h"
#include "VoiceViewController.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedLayout>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtDebug>

#include <cmath>
#include <utility>

namespace {

constexpr int kSliderSteps = 10000;
constexpr QSize kButtonIcon(24, 24);

QString timeText(double seconds) {
    return TimeFormatUtils::stringFromSeconds(static_cast<std::int32_t>(seconds));
}

// The maker's pages, from the compiled-in links resource.
QUrl makerLink(const char* name) {
    QFile file(":/links/links.json");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QUrl(QJsonDocument::fromJson(file.readAll()).object().value(name).toString());
}

} // namespace

VideoViewController::VideoViewController(QWidget* parent)
    : QWidget(parent) {
    setObjectName("videoVC");
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Video"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(22, 29, 37));
    setPalette(palette);

    m_platform = new PlatformEngine(this);
    m_vlc = new VlcEngine(this);
    connectEngine(m_platform);
    connectEngine(m_vlc);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    m_containerView = new QWidget(this);
    auto* stack = new QStackedLayout(m_containerView);
    stack->setStackingMode(QStackedLayout::StackAll);
    m_noticeLabel = new QLabel(this);
    m_noticeLabel->setObjectName("videoNotice");
    m_noticeLabel->setWordWrap(true);
    m_noticeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse); // a path to copy
    m_noticeLabel->setStyleSheet("QLabel#videoNotice { background: rgba(0, 0, 0, 190); color: white; "
                                 "border-radius: 6px; padding: 6px 10px; }");
    m_noticeLabel->hide();
    m_noticeTimer = new QTimer(this);
    m_noticeTimer->setSingleShot(true);
    m_noticeTimer->setInterval(kNoticeMs);
    connect(m_noticeTimer, &QTimer::timeout, m_noticeLabel, &QWidget::hide);
    m_logoImage = new QLabel(m_containerView);
    m_logoImage->setAlignment(Qt::AlignCenter);
    m_logoImage->setPixmap(AppResources::picture("kestrun-player", QSize(96, 96), devicePixelRatioF()));
    stack->addWidget(m_logoImage);
    stack->addWidget(m_platform->videoSurface());
    stack->addWidget(m_vlc->videoSurface());
    m_platform->videoSurface()->hide();
    m_vlc->videoSurface()->hide();
    root->addWidget(m_containerView, 1);
    buildTransportBar();
    root->addWidget(m_controlView);
    buildPanels();

    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(NotificationNames::kImageChange, this,
                       [this](const QVariant& size) { imageWillChangSize(size.toSize()); });
    center.addObserver(NotificationNames::kWindowFullChange, this,
                       [](const QVariant&) { qCInfo(lcKestrun) << "windowFullScreenChange"; });
    center.addObserver(NotificationNames::kWindowDidExitFullScreen, this, [](const QVariant&) {});
    for (const char* name : {NotificationNames::kEventThresholds, NotificationNames::kSelectSpeed})
        center.addObserver(name, this, [this](const QVariant&) { showEventMarks(); });

    m_currentRate = 1.0;
    AppLinks::shared().registerVideoVC(this);
}

VideoViewController::~VideoViewController() {
    if (m_mouseMonitor)
        qApp->removeEventFilter(this);
}

QToolButton* VideoViewController::transportButton(const QString& picture, const char* tooltipKey) {
    auto* button = new QToolButton(m_controlView);
    button->setAutoRaise(true);
    button->setIconSize(kButtonIcon);
    button->setIcon(QIcon(AppResources::picture(picture, kButtonIcon, devicePixelRatioF())));
    button->setToolTip(AppResources::localized(tooltipKey));
    button->setAccessibleName(AppResources::localized(tooltipKey));
    button->setFocusPolicy(Qt::NoFocus); // keys stay with the video view
    return button;
}

void VideoViewController::buildTransportBar() {
    m_controlView = new QWidget(this);
    m_controlView->setAutoFillBackground(true);
    QPalette palette = m_controlView->palette();
    palette.setColor(QPalette::Window, Qt::black);
    m_controlView->setPalette(palette);
    auto* bar = new QVBoxLayout(m_controlView);
    bar->setContentsMargins(10, 4, 10, 6);
    bar->setSpacing(2);

    auto* timeRow = new QHBoxLayout;
    m_currentTimeField = new QLabel(timeText(0), m_controlView);
    m_totalTimeField = new QLabel(timeText(0), m_controlView);
    m_timeSlider = new MyCustomSlider(Qt::Horizontal, m_controlView);
    m_timeSlider->setRange(0, kSliderSteps);
    m_timeSlider->setSingleStep(kSliderSteps / 100); // a wheel notch moves the knob by 3 %
    m_timeSlider->setPageStep(kSliderSteps / 10);
    m_timeSlider->setValue(0);
    m_timeSlider->setFocusPolicy(Qt::NoFocus);
    m_timeSlider->setAccessibleName(tr("Position"));
    m_timeSlider->setStyleSheet(
        QString("QSlider::groove:horizontal { height: 2px; background: transparent; }"
                "QSlider::sub-page:horizontal { background: %1; height: 2px; border-radius: 1px; }"
                "QSlider::handle:horizontal { background: white; width: 12px; margin: -5px 0; border-radius: "
                "6px; }")
            .arg(AppResources::color("红色").name()));
    connect(m_timeSlider, &QSlider::sliderPressed, this, &VideoViewController::sliderPressed);
    m_dragSeek.setSingleShot(true);
    m_dragSeek.setInterval(kDragSeekMs);
    // The platform engine follows the knob while it is dragged. The VLC engine seeks once, where the knob is
    // let go: its exact seeks take up to the decoding of a group of pictures each, so seeks made while
    // dragging pile up and the picture and the knob trail behind the mouse.
    connect(&m_dragSeek, &QTimer::timeout, this, [this] {
        if (m_timeSlider->isSliderDown() && !m_isTSvideo)
            VidePlaySlider();
    });
    connect(m_timeSlider, &QSlider::valueChanged, this, &VideoViewController::sliderValueChanged);
    connect(m_timeSlider, &QSlider::sliderReleased, this, &VideoViewController::sliderReleased);
    timeRow->addWidget(m_currentTimeField);
    timeRow->addWidget(m_timeSlider, 1);
    timeRow->addWidget(m_totalTimeField);
    bar->addLayout(timeRow);

    m_neStackView = new QHBoxLayout;
    m_lasetButton = transportButton("player_previous", "上一段");
    m_playButton = transportButton("player_play", "播放/暂停");
    m_nextButton = transportButton("player_next", "下一段");
    m_voiceBtn = transportButton("player_volume", "音量");
    showVolume(SettingsStore::shared().floatValue(SettingsKeys::kVolume));
    m_playSpeedButton = transportButton("1.00", "播放速度");
    m_playSpeedButton->setIconSize(QSize(40, 24));
    m_playSpeedButton->setIcon(QIcon(AppResources::picture("1.00", QSize(40, 24), devicePixelRatioF())));
    m_loopButton = transportButton("player_loop", "循环播放");
    m_loopButton->setCheckable(true);
    // Pressed-looking while repeat is on: the same file plays again at its end. Off (the start): the next.
    m_loopButton->setChecked(false);
    m_fullButton = transportButton("player_fullscreen", "全屏/退出全屏");
    m_fullButton->setCheckable(true);
    m_helpButton = new QToolButton(m_controlView);
    m_helpButton->setText("?");
    m_helpButton->setAccessibleName(tr("Help"));
    m_settingsButton = new QToolButton(m_controlView);
    m_settingsButton->setText(AppResources::localized("设置"));
    m_settingsButton->setAccessibleName(AppResources::localized("设置"));
    m_currentTimeField->setAccessibleName(tr("Elapsed time"));
    m_totalTimeField->setAccessibleName(tr("Total time"));
    m_playButton->setEnabled(false);

    m_neStackView->addStretch(1);
    for (QToolButton* button : {m_lasetButton, m_playButton, m_nextButton, m_voiceBtn, m_playSpeedButton,
                                m_loopButton, m_fullButton, m_helpButton, m_settingsButton})
        m_neStackView->addWidget(button);
    m_neStackView->addStretch(1);
    setButtonSpacing(m_spacingNum);
    bar->addLayout(m_neStackView);

    connect(m_playButton, &QToolButton::clicked, this, &VideoViewController::playOrPause);
    connect(m_lasetButton, &QToolButton::clicked, this, &VideoViewController::lastFile);
    connect(m_nextButton, &QToolButton::clicked, this, &VideoViewController::nextFile);
    connect(m_voiceBtn, &QToolButton::clicked, this, &VideoViewController::clickVoiceBtn);
    connect(m_playSpeedButton, &QToolButton::clicked, this, &VideoViewController::playSpeedChange);
    connect(m_loopButton, &QToolButton::clicked, this, &VideoViewController::filesListSortPlay);
    connect(m_fullButton, &QToolButton::clicked, this, &VideoViewController::FullScreen);
    connect(m_helpButton, &QToolButton::clicked, this, &VideoViewController::helps);
    connect(m_settingsButton, &QToolButton::clicked, this, &VideoViewController::settings);
}

void VideoViewController::buildPanels() {
    const QString buttonStyle = "QPushButton { color: white; font-size: 14px; }";
    m_helpDialog = new QFrame(this);
    m_helpDialog->setAutoFillBackground(true);
    auto* help = new QVBoxLayout(m_helpDialog);
    const auto helpButton = [&](const QString& title, auto action) {
        auto* button = new QPushButton(title, m_helpDialog);
        button->setStyleSheet(buttonStyle);
        connect(button, &QPushButton::clicked, this, action);
        help->addWidget(button);
        return button;
    };
    helpButton(AppResources::localized("打开文件"), [this] {
        m_helpDialog->hide();
        if (AppController* app = AppLinks::shared().appController())
            app->openFile();
    });
    helpButton(AppResources::localized("官网"), [this] {
        m_helpDialog->hide();
        QDesktopServices::openUrl(makerLink("website"));
    });
    helpButton(tr("Shop"), [this] {
        m_helpDialog->hide();
        QDesktopServices::openUrl(makerLink("shop"));
    });
    helpButton(AppResources::localized("app名称"), [] {}); // the about button has no action here
    m_helpDialog->hide();

    m_settingsDialog = new QFrame(this);
    m_settingsDialog->setAutoFillBackground(true);
    auto* settings = new QVBoxLayout(m_settingsDialog);
    const auto radioRow = [&](const QString& caption, const QString& left, const QString& right) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(caption, m_settingsDialog));
        settings->addLayout(row);
        return addRadioPair(m_settingsDialog, row, left, right);
    };
    QButtonGroup* radioSpeed =
        radioRow(AppResources::localized("速度单位"), AppResources::localized("km_speedUnit"),
                 AppResources::localized("mph_speedUnit"));
    QButtonGroup* radioLanguage =
        radioRow(tr("Language"), AppResources::localized("简中"), AppResources::localized("英语"));
    QButtonGroup* radioMap = radioRow(AppResources::localized("地图"), AppResources::localized("Google Map"),
                                      AppResources::localized("百度地图"));
    radioSpeed->button(AppUserDefaults::isKMPH() ? 0 : 1)->setChecked(true);
    connect(radioSpeed, &QButtonGroup::idClicked, this,
            [](int column) { AppUserDefaults::chooseSpeedUnit(column); });
    connect(radioLanguage, &QButtonGroup::idClicked, this, [](int) {});
    connect(radioMap, &QButtonGroup::idClicked, this,
            [](int column) { qCInfo(lcKestrun) << "mapRadio" << (column == 0 ? "Google" : "Baidu"); });
    m_settingsDialog->hide();
    m_helpButton->hide();
    m_settingsButton->hide();
}

bool VideoViewController::implementsOperation(Operation) const {
    return false; // it drives the others; nobody calls it through the interface
}

void VideoViewController::connectEngine(PlaybackEngine* engine) {
    connect(engine, &PlaybackEngine::started, this, [this, engine](double d) {
        if (engine == this->engine() && m_isAddVideoFile)
            engineStarted(d);
    });
    connect(engine, &PlaybackEngine::durationChanged, this, [this, engine](double d) {
        if (engine == this->engine() && m_isAddVideoFile)
            engineDurationChanged(d);
    });
    connect(engine, &PlaybackEngine::failed, this, [this, engine](int kind) {
        if (engine != this->engine() || !m_isAddVideoFile)
            return;
        m_isAddVideoFile = false;
        // The alert and whatever the user does next happen after the engine's signal has returned.
        laterForThisFile([this, kind] { engineFailed(kind); });
    });
    connect(engine, &PlaybackEngine::itemFailed, this, [this, engine] {
        if (engine == this->engine())
            m_playButton->setEnabled(false);
    });
    connect(engine, &PlaybackEngine::timeReport, this, [this, engine](double t) {
        if (engine == this->engine() && m_isAddVideoFile)
            enginePosition(t);
    });
    connect(engine, &PlaybackEngine::endReached, this, [this, engine] {
        if (engine == this->engine() && m_isAddVideoFile)
            sendVideoEnd();
    });
    connect(engine, &PlaybackEngine::playingChanged, this, [this, engine](bool playing) {
        if (engine == this->engine())
            setPlayPicture(playing);
    });
}

void VideoViewController::laterForThisFile(std::function<void()> action) {
    const quint64 serial = m_fileSerial;
    QMetaObject::invokeMethod(
        this,
        [this, serial, action = std::move(action)] {
            if (serial == m_fileSerial)
                action();
        },
        Qt::QueuedConnection);
}

PlaybackEngine* VideoViewController::engine() const {
    return m_isTSvideo ? static_cast<PlaybackEngine*>(m_vlc) : static_cast<PlaybackEngine*>(m_platform);
}

void VideoViewController::initAssetData(const QUrl& url) {
    if (url.isEmpty())
        return;
    m_url = url;
    const QString key = MyCache::fileKey(url);
    clearDelegate.playNext(true);
    m_logoImage->hide();
    gpsDelegate.dataLogicProcessOfViodePath(key);
    gpsInfoDelegate.dataLogicProcessOfViodePath(key);
    speedDelegate.dataLogicProcessOfViodePath(key);

    ++m_fileSerial;
    m_pendingSeek.reset();
    m_startSeek.reset();
    m_timeSlider->setMarks({});
    m_inPoint.reset();
    m_outPoint.reset();
    m_timeSlider->setInOut(std::nullopt, std::nullopt);
    m_clock.reset();
    m_reportedDuration = 0;
    m_isAddVideoFile = true;
    m_endSent = false;
    const std::vector<MediaTrack> tracks = MediaTrackReader::tracks(MediaTrackReader::localPath(url));
    m_isTSvideo = MediaTrackReader::playsInVlcEngine(url, tracks);
    const bool readable = !tracks.empty();
    const bool hasVideo = std::any_of(tracks.begin(), tracks.end(),
                                      [](const MediaTrack& t) { return t.type == MediaTrack::Type::Video; });
    if (!m_isTSvideo && readable && !hasVideo) {
        // A readable file without a video track: logged, no picture and no alert.
        qCInfo(lcKestrun) << "NO Video===============";
        emit noVideoTrack();
        return;
    }
    const float volume = SettingsStore::shared().floatValue(SettingsKeys::kVolume);
    QSize picture;
    for (const MediaTrack& track : tracks) {
        if (track.type == MediaTrack::Type::Video && picture.isEmpty())
            picture = track.size;
    }
    if (m_isTSvideo) {
        m_platform->close();
        m_platform->videoSurface()->hide();
        m_vlc->surface()->setPictureSize(picture);
        m_vlc->videoSurface()->show();
    } else {
        m_vlc->close();
        m_vlc->videoSurface()->hide();
        m_platform->surface()->setPictureSize(picture);
        m_platform->videoSurface()->show();
    }
    engine()->open(url, static_cast<float>(m_currentRate), volume);
}

void VideoViewController::engineStarted(double seconds) {
    m_playButton->setEnabled(true);
    m_reportedDuration = seconds;
    m_totalTimeField->setText(timeText(seconds));
    reportDuration(seconds);
    if (const std::optional<double> target = std::exchange(m_pendingSeek, std::nullopt)) {
        setCurrentTime(*target);
        m_startSeek = StartSeek{*target, 0};
    }
}

void VideoViewController::engineDurationChanged(double seconds) {
    const double shown = m_isTSvideo ? std::round(seconds) : seconds;
    if (shown == m_reportedDuration)
        return;
    m_reportedDuration = shown;
    m_totalTimeField->setText(timeText(shown));
    reportDuration(shown);
}

int VideoViewController::alertKindFor(int engineKind) const {
    if (!m_url || !m_url->isLocalFile())
        return engineKind;
    const QByteArray path = MediaTrackReader::localPath(*m_url);
    if (!MediaTrackReader::exists(path))
        return PlaybackEngine::MissingFile;
    // A file whose container cannot be read is damaged; one that reads but does not play is in a format
    // the engine does not support.
    return MediaTrackReader::tracks(path).empty() ? PlaybackEngine::DamagedFile
                                                  : PlaybackEngine::UnsupportedFormat;
}

void VideoViewController::engineFailed(int kind) {
    playFaire(alertKindFor(kind));
}

void VideoViewController::enginePosition(double seconds) {
    // A seek asked for as the file starts can be lost while the engine starts to play (the platform
    // engine with an audio track does): it is asked again until the engine reports that place, a few
    // times at most. The clock already stands there, so positions from before it are not passed on.
    if (m_startSeek) {
        if (std::abs(seconds - m_startSeek->target) <= kStartSeekTolerance) {
            m_startSeek.reset();
        } else if (m_startSeek->attempts < kStartSeekAttempts) {
            ++m_startSeek->attempts;
            engine()->setCurrentTime(m_startSeek->target);
            return;
        } else {
            m_startSeek.reset();
        }
    }
    for (const double t : m_clock.advance(seconds))
        engineTimeReport(t);
}

void VideoViewController::engineTimeReport(double t) {
    reportTime(t);
    showTime(t);
    const double total = duration();
    const bool atEnd = total > 0 && (m_isTSvideo ? t == std::round(total) : t == total);
    if (atEnd)
        sendVideoEnd();
    else if (t < total - 1)
        m_endSent = false; // played again from an earlier place
}

// The seek bar and the elapsed time at `t` (the knob stays where the user holds it).
void VideoViewController::showTime(double t) {
    const double total = duration();
    const double fraction = total > 0 ? std::clamp(t / total, 0.0, 1.0) : 0;
    if (!m_timeSlider->isSliderDown()) {
        const QSignalBlocker block(m_timeSlider);
        m_timeSlider->setValue(
            qRound((m_isTSvideo ? static_cast<float>(fraction) : fraction) * kSliderSteps));
    }
    m_currentTimeField->setText(timeText(t));
}

// The play list hears of the end on a later turn: it closes this file and opens the next, which must not
// happen inside the ending engine's own signal.
void VideoViewController::sendVideoEnd() {
    if (m_endSent)
        return;
    m_endSent = true;
    laterForThisFile([this] { reportEnd(); });
}

void VideoViewController::showEventMarks() {
    QList<MyCustomSlider::Mark> marks;
    const double length = m_reportedDuration;
    const auto events = m_url && length > 0 ? MyCache::drivingEvents(MyCache::fileKey(*m_url)) : nullptr;
    for (const DrivingEvent& event : events ? *events : std::vector<DrivingEvent>{})
        marks << MyCustomSlider::Mark{std::min(1.0, double(event.second) / length),
                                      DrivingEventStyle::colour(event.kind),
                                      DrivingEventStyle::tooltip(event)};
    m_timeSlider->setMarks(marks);
}

void VideoViewController::jumpToEvent(bool next) {
    if (!m_url || !m_isAddVideoFile)
        return;
    const QString key = MyCache::fileKey(*m_url);
    const double now = currentTime();
    // In this clip: the next one a little ahead (not the one just jumped to), or the previous one at least
    // a second and a half back, so that a second press goes on.
    if (const auto events = MyCache::drivingEvents(key)) {
        if (next) {
            for (const DrivingEvent& event : *events) {
                if (double(event.second) > now + 0.5) {
                    setCurrentTime(double(event.second));
                    return;
                }
            }
        } else {
            for (auto it = events->rbegin(); it != events->rend(); ++it) {
                if (double(it->second) < now - 1.5) {
                    setCurrentTime(double(it->second));
                    return;
                }
            }
        }
    }
    // Else in the clips after (before) it in the list: its first (last) event.
    const auto list = MyCache::playList();
    if (!list)
        return;
    const auto count = static_cast<qint64>(list->size());
    qint64 row = -1;
    for (qint64 i = 0; i < count; ++i) {
        if (list->at(static_cast<std::size_t>(i)).path() == key)
            row = i;
    }
    if (row < 0)
        return;
    for (qint64 i = next ? row + 1 : row - 1; i >= 0 && i < count; i += next ? 1 : -1) {
        const QString other = list->at(static_cast<std::size_t>(i)).path().value_or(QString());
        const auto events = MyCache::drivingEvents(other);
        if (!events || events->empty())
            continue;
        playFileAt(other, double(next ? events->front().second : events->back().second));
        return;
    }
}

void VideoViewController::playFileAt(const QString& key, double second) {
    if (m_url && m_isAddVideoFile && MyCache::fileKey(*m_url) == key) {
        setCurrentTime(second);
        return;
    }
    close();
    initAssetData(QUrl(key));
    m_pendingSeek = second; // applied once the engine has started the file
    if (PlayListControl* playlist = AppLinks::shared().playlistVC())
        playlist->followPlayingFile(key);
    if (AppController* app = AppLinks::shared().appController())
        app->activeCurrentPlayFile(key);
}

void VideoViewController::setInPoint() {
    if (!m_url || !m_isAddVideoFile)
        return;
    m_inPoint = currentTime();
    if (m_outPoint && *m_outPoint <= *m_inPoint)
        m_outPoint.reset();
    showInOut();
    showNotice(tr("In point at %1").arg(timeText(*m_inPoint)));
}

void VideoViewController::setOutPoint() {
    if (!m_url || !m_isAddVideoFile)
        return;
    m_outPoint = currentTime();
    if (m_inPoint && *m_inPoint >= *m_outPoint)
        m_inPoint.reset();
    showInOut();
    showNotice(tr("Out point at %1").arg(timeText(*m_outPoint)));
}

void VideoViewController::showInOut() {
    const double length = m_reportedDuration;
    const auto fraction = [length](std::optional<double> at) -> std::optional<double> {
        if (!at || !(length > 0))
            return std::nullopt;
        return std::min(1.0, *at / length);
    };
    m_timeSlider->setInOut(fraction(m_inPoint), fraction(m_outPoint));
}

void VideoViewController::saveClip() {
    if (!m_url || !m_isAddVideoFile || m_saveThread.joinable())
        return;
    // Between the in and out points, else 20 s before the position to 10 s after.
    const double length = std::max(0.0, duration());
    auto [from, to] = IncidentSaver::defaultRange(currentTime(), length);
    if (m_inPoint && m_outPoint) {
        from = *m_inPoint;
        to = *m_outPoint;
    } else if (m_inPoint) {
        from = *m_inPoint;
        to = std::min(length, from + IncidentSaver::kSecondsBefore + IncidentSaver::kSecondsAfter);
    } else if (m_outPoint) {
        to = *m_outPoint;
        from = std::max(0.0, to - IncidentSaver::kSecondsBefore - IncidentSaver::kSecondsAfter);
    }
    const QString source = QString::fromLocal8Bit(MediaTrackReader::localPath(*m_url));
    const QString suffix =
        m_isTSvideo && QFileInfo(m_url->fileName()).suffix().compare("mp4", Qt::CaseInsensitive) != 0
            ? QFileInfo(m_url->fileName()).suffix()
            : QString("mp4");
    QString folder = m_clipFolder;
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        if (folder.isEmpty() || !QDir().mkpath(folder))
            folder = QDir::homePath();
    }
    const QString name = QFileInfo(m_url->fileName()).completeBaseName() + " " +
                         timeText(from).replace(':', '-') + " to " + timeText(to).replace(':', '-') + "." +
                         suffix;
    const bool transportStream = m_isTSvideo && suffix.compare("ts", Qt::CaseInsensitive) == 0;
    auto* dialog = new QFileDialog(window(), transportStream ? tr("Save Clip (a transport stream is saved as "
                                                                  "one, without its GPS track)")
                                                             : tr("Save Clip"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDirectory(folder);
    dialog->selectFile(name);
    dialog->setDefaultSuffix(suffix);
    dialog->setNameFilters({suffix.toUpper() + " (*." + suffix + ")"});
    dialog->setOption(QFileDialog::DontUseNativeDialog, QGuiApplication::platformName() == "offscreen");
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, source, from, to](const QString& target) { startSave(source, target, from, to); });
    dialog->open();
    emit saveDialogShown(dialog);
}

void VideoViewController::startSave(const QString& source, const QString& target, double from, double to) {
    if (m_saveThread.joinable())
        return;
    auto* progress = new QProgressDialog(tr("Saving %1…").arg(QFileInfo(target).fileName()), tr("Cancel"), 0,
                                         100, window());
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(300); // a quick save shows nothing
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    m_saveProgress = progress;
    IncidentRequest request;
    request.source = QFile::encodeName(source).toStdString();
    request.target = QFile::encodeName(target).toStdString();
    request.fromSeconds = from;
    request.toSeconds = to;
    QPointer<VideoViewController> self(this);
    m_saveThread = std::jthread([self, request, target](std::stop_token stop) {
        const IncidentResult result = IncidentSaver::save(
            request,
            [self](double done) {
                QMetaObject::invokeMethod(qApp, [self, done] {
                    if (self && self->m_saveProgress)
                        self->m_saveProgress->setValue(static_cast<int>(done * 100));
                });
            },
            stop);
        QMetaObject::invokeMethod(qApp, [self, result, target] {
            if (!self)
                return;
            if (self->m_saveThread.joinable())
                self->m_saveThread.join();
            if (self->m_saveProgress)
                self->m_saveProgress->deleteLater();
            const QString problem = QString::fromStdString(result.error);
            if (result.ok) {
                qCInfo(lcKestrun).noquote() << "Clip saved to" << target;
                self->showNotice(
                    result.telemetryKept
                        ? tr("Clip saved to %1").arg(QDir::toNativeSeparators(target))
                        : tr("Clip saved to %1, without a GPS track").arg(QDir::toNativeSeparators(target)));
            } else {
                qWarning().noquote() << "Clip could not be saved to" << target << ":" << problem;
                QMessageBox::warning(self->window(), AppResources::displayName(),
                                     tr("The clip could not be saved to %1: %2.")
                                         .arg(QDir::toNativeSeparators(target), problem));
            }
            emit self->clipSaved(target, result.ok, problem);
        });
    });
    connect(progress, &QProgressDialog::canceled, this, [this] { m_saveThread.request_stop(); });
}

void VideoViewController::reportDuration(double seconds) {
    showEventMarks();
    showInOut();
    speedDelegate.videoAllTime(seconds);
    gpsDelegate.videoAllTime(seconds);
    gpsInfoDelegate.videoAllTime(seconds);
}

void VideoViewController::reportTime(double seconds) {
    gpsDelegate.updateDataByCurrentTime(seconds);
    gpsInfoDelegate.updateDataByCurrentTime(seconds);
    speedDelegate.updateDataByCurrentTime(seconds);
}

void VideoViewController::reportEnd() {
    videoEndDelegate.videoEnd();
}

double VideoViewController::duration() const {
    return engine()->duration();
}

double VideoViewController::currentTime() const {
    return engine()->currentTime();
}

void VideoViewController::setCurrentTime(double seconds) {
    if (!m_isAddVideoFile || !engine()->hasFile())
        return;
    m_startSeek.reset(); // a later seek replaces the one the file started with
    // Every module hears of the new place at once, playing or paused.
    const double landed = m_clock.restart(engine()->setCurrentTime(seconds));
    reportTime(landed);
    showTime(landed);
    m_currentTimeField->setText(timeText(seconds));
    if (landed < duration() - 1)
        m_endSent = false;
}

void VideoViewController::execPlayOrPause() {
    PlaybackEngine* e = engine();
    if (!e->hasFile())
        return;
    if (e->isPlaying())
        e->pause();
    else
        e->play();
}

void VideoViewController::openFilePause() {
    engine()->pause();
}

void VideoViewController::close() {
    ++m_fileSerial;
    m_clock.reset();
    // Both engines, whatever state the last file left them in (an engine that failed is still reset).
    m_platform->close();
    m_vlc->close();
    if (m_isAddVideoFile) {
        m_currentTimeField->setText(timeText(0));
        m_totalTimeField->setText(timeText(0));
        const QSignalBlocker block(m_timeSlider);
        m_timeSlider->setValue(0);
    }
    m_isAddVideoFile = false;
    m_url.reset();
    m_logoImage->show();
    // The engines' players are let go before they could say they stopped: the button says it for them.
    setPlayPicture(false);
    m_playButton->setEnabled(false);
}

void VideoViewController::StopVideo() {
    close();
    // Nothing of the file stays on the bar: its events' marks and its in and out points.
    m_timeSlider->setMarks({});
    m_inPoint.reset();
    m_outPoint.reset();
    m_timeSlider->setInOut(std::nullopt, std::nullopt);
    gpsDelegate.dataLogicProcessOfViodePath(std::nullopt);
    speedDelegate.dataLogicProcessOfViodePath(std::nullopt);
}

void VideoViewController::playFaire(int kind) {
    static const char* const kKeys[] = {"不支持的格式视频", "文件已损坏", "文件不存在"};
    m_logoImage->show();
    auto* alert = new QMessageBox(QMessageBox::Warning, AppResources::displayName(),
                                  AppResources::localized(kKeys[std::clamp(kind, 1, 3) - 1]),
                                  QMessageBox::NoButton, window());
    if (m_url)
        alert->setInformativeText(m_url->isLocalFile() ? QDir::toNativeSeparators(m_url->toLocalFile())
                                                       : m_url->toDisplayString());
    alert->addButton(AppResources::localized("Alert_Sure"), QMessageBox::AcceptRole);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal); // a sheet on the window; the application keeps running
    alert->open();
    emit alertShown(kind);
}

void VideoViewController::setPlayPicture(bool playing) {
    m_playButton->setIcon(QIcon(
        AppResources::picture(playing ? "player_pause" : "player_play", kButtonIcon, devicePixelRatioF())));
    m_playButton->setAccessibleName(playing ? tr("Pause") : tr("Play")); // what a press does
}

// Transport actions.

void VideoViewController::playOrPause() {
    resetShowTimerTime();
    qCInfo(lcKestrun) << "playButton" << (engine()->isPlaying() ? "pause" : "play");
    execPlayOrPause();
}

void VideoViewController::lastFile() {
    resetShowTimerTime();
    videoEndDelegate.playNext(false);
}

void VideoViewController::nextFile() {
    resetShowTimerTime();
    videoEndDelegate.playNext(true);
}

// The knob moved by the user: pressed on the bar, dragged, or turned with the wheel. The file seeks to the
// knob; a held knob keeps the platform engine paused so the picture follows it, and after the seek the file
// goes on as it was before (a paused file stays paused).
void VideoViewController::VidePlaySlider() {
    resetShowTimerTime();
    if (!m_isAddVideoFile || !engine()->hasFile())
        return;
    const bool held = m_timeSlider->isSliderDown();
    const bool wasPlaying = held ? m_playingBeforeDrag : engine()->isPlaying();
    if (!m_isTSvideo && held)
        m_platform->pause();
    const float fraction = static_cast<float>(m_timeSlider->value()) / kSliderSteps;
    if (m_isTSvideo && !held && !wasPlaying)
        m_vlc->keepPausedOnNextSeek(); // the VLC engine plays on after a jump otherwise
    setCurrentTime(duration() * fraction);
    if (!held && !wasPlaying)
        engine()->pause();
}

void VideoViewController::sliderPressed() {
    resetShowTimerTime();
    m_playingBeforeDrag = m_isAddVideoFile && engine()->isPlaying();
    if (m_isAddVideoFile && !m_isTSvideo)
        m_platform->pause();
}

void VideoViewController::sliderValueChanged() {
    // Only the user moves the knob with its signals on: the clock sets it with them blocked. While the knob
    // is held the engine seeks at most every kDragSeekMs, so the knob keeps up with the mouse.
    if (m_timeSlider->isSliderDown()) {
        m_currentTimeField->setText(timeText(duration() * m_timeSlider->value() / kSliderSteps));
        if (!m_dragSeek.isActive())
            m_dragSeek.start();
        return;
    }
    VidePlaySlider();
}

void VideoViewController::sliderReleased() {
    resetShowTimerTime();
    m_dragSeek.stop();
    if (!m_isAddVideoFile || !engine()->hasFile())
        return;
    VidePlaySlider(); // where the knob was let go
    if (m_playingBeforeDrag)
        engine()->play();
    else
        engine()->pause();
    m_playingBeforeDrag = false;
}

void VideoViewController::clickVoiceBtn() {
    resetShowTimerTime();
    auto* voice = new VoiceViewController;
    connect(voice, &VoiceViewController::userChangeVolume, this, &VideoViewController::userChangeVolume);
    auto* popover = new PopoverWindow(voice, true, this);
    m_popover = popover;
    popover->showNextTo(m_voiceBtn);
}

void VideoViewController::showVolume(double volume) {
    const bool muted = !(volume > 0);
    if (m_voiceBtn->property("muted") == QVariant(muted))
        return;
    m_voiceBtn->setProperty("muted", muted);
    m_voiceBtn->setIcon(QIcon(AppResources::picture(muted ? "player_volume_muted" : "player_volume",
                                                    kButtonIcon, devicePixelRatioF())));
}

void VideoViewController::userChangeVolume(double volume) {
    showVolume(volume);
    engine()->userChangeVolume(volume);
}

void VideoViewController::playSpeedChange() {
    resetShowTimerTime();
    auto* speed = new SpeedPlayerViewController;
    connect(speed, &SpeedPlayerViewController::currentSelectPlaySpeed, this,
            &VideoViewController::currentSelectPlaySpeed);
    auto* popover = new PopoverWindow(speed, true, this);
    m_popover = popover;
    popover->showNextTo(m_playSpeedButton);
}

void VideoViewController::currentSelectPlaySpeed(double rate, const QString&) {
    const QString name = SpeedPlayerViewController::pictureName(rate);
    m_playSpeedButton->setIcon(QIcon(AppResources::picture(name, QSize(40, 24), devicePixelRatioF())));
    engine()->setRate(static_cast<float>(rate));
    m_currentRate = rate;
}

void VideoViewController::filesListSortPlay() {
    resetShowTimerTime();
    AppManager::sharedManager().setPlayType(m_loopButton->isChecked() ? 1 : 0);
}

void VideoViewController::helps() {
    if (m_helpDialog->isHidden()) {
        m_settingsDialog->hide();
        m_helpDialog->setStyleSheet("background: gray;");
        m_helpDialog->adjustSize();
        m_helpDialog->move((width() - m_helpDialog->width()) / 2, (height() - m_helpDialog->height()) / 2);
        m_helpDialog->raise();
        m_helpDialog->show();
    } else {
        m_helpDialog->hide();
    }
}

void VideoViewController::settings() {
    if (m_settingsDialog->isHidden()) {
        m_helpDialog->hide();
        m_settingsDialog->setStyleSheet("background: gray;");
        m_settingsDialog->adjustSize();
        m_settingsDialog->move((width() - m_settingsDialog->width()) / 2,
                               (height() - m_settingsDialog->height()) / 2);
        m_settingsDialog->raise();
        m_settingsDialog->show();
    } else {
        m_settingsDialog->hide();
    }
}

// The view's own full screen and the auto-hiding bar.

void VideoViewController::resetShowTimerTime() {
    if (m_timer)
        m_timer->start(kAutoHideMs); // whatever it had left, 4 seconds from now
}

void VideoViewController::starTimerShowControlView() {
    if (m_timer) {
        resetShowTimerTime();
        return;
    }
    m_controlView->show();
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &VideoViewController::videoTimeChangedTimer);
    m_timer->start(kAutoHideMs);
}

void VideoViewController::videoTimeChangedTimer() {
    m_controlView->setVisible(!m_isOtherOne);
    m_timer->deleteLater();
    m_timer = nullptr;
}

void VideoViewController::FullScreen() {
    resetShowTimerTime();
    if (!m_isOtherOne)
        enterFullScreen();
    else
        leaveFullScreen();
}

void VideoViewController::enterFullScreen() {
    m_isOtherOne = true;
    m_fullButton->setChecked(true);
    m_homeContainer = parentWidget();
    layout()->removeWidget(m_controlView);
    setParent(nullptr, Qt::Window);
    showFullScreen();
    placeBarOverPicture();
    starTimerShowControlView();
    if (!m_mouseMonitor) {
        qApp->installEventFilter(this);
        m_mouseMonitor = true;
    }
    setMouseTracking(true);
    m_containerView->setMouseTracking(true);
    const QScreen* screen = QGuiApplication::primaryScreen();
    setButtonSpacing((screen ? screen->geometry().width() : width()) * kSpacingFactor);
    setFocus();
}

void VideoViewController::leaveFullScreen() {
    m_isOtherOne = false;
    m_fullButton->setChecked(false);
    setButtonSpacing(m_spacingNum);
    static_cast<QBoxLayout*>(layout())->addWidget(m_controlView);
    if (m_homeContainer) {
        setParent(m_homeContainer, Qt::Widget);
        if (QLayout* layout = m_homeContainer->layout())
            layout->addWidget(this);
        show();
    } else {
        showNormal();
    }
    if (m_timer) {
        m_timer->stop();
        m_timer->deleteLater();
        m_timer = nullptr;
    }
    if (m_mouseMonitor) {
        qApp->removeEventFilter(this);
        m_mouseMonitor = false;
    }
    m_controlView->show();
}

bool VideoViewController::eventFilter(QObject* watched, QEvent* event) {
    if (m_isOtherOne && event->type() == QEvent::MouseMove)
        starTimerShowControlView(); // and the event goes on
    return QWidget::eventFilter(watched, event);
}

void VideoViewController::setButtonSpacing(double spacing) {
    m_neStackView->setSpacing(static_cast<int>(spacing));
}

int VideoViewController::buttonSpacing() const {
    return m_neStackView->spacing();
}

void VideoViewController::imageWillChangSize(const QSize& size) {
    m_spacingNum = size.width() * kSpacingFactor;
    if (!m_isOtherOne)
        setButtonSpacing(m_spacingNum);
}

void VideoViewController::keyDown(QKeyEvent* event) {
    if (event->text() == " ")
        execPlayOrPause();
    if (event->key() == Qt::Key_Escape) {
        setButtonSpacing(m_spacingNum);
        if (m_isOtherOne)
            leaveFullScreen();
    }
}

void VideoViewController::keyPressEvent(QKeyEvent* event) {
    keyDown(event);
    event->accept(); // keys end here
}

void VideoViewController::seekRelative(double seconds) {
    if (!m_isAddVideoFile)
        return;
    const double target = std::clamp(currentTime() + seconds, 0.0, std::max(0.0, duration()));
    setCurrentTime(target);
}

void VideoViewController::playAdjacentFile(bool next) {
    videoEndDelegate.playNext(next);
}

void VideoViewController::toggleVideoFullScreen() {
    FullScreen();
}

void VideoViewController::togglePlayPause() {
    playOrPause();
}

void VideoViewController::addPlaybackActions(const QList<QAction*>& actions) {
    addActions(actions);
}

QStringList VideoViewController::snapshotCaption(double seconds) const {
    QStringList lines;
    if (!m_url)
        return lines;
    const QString key = MyCache::fileKey(*m_url);
    const auto second = static_cast<std::int64_t>(std::max(0.0, seconds));
    if (const std::optional<QString> recorded = MyCache::recordTime(key)) {
        const QString time = TimeFormatUtils::localRecordTime(*recorded, second);
        if (!time.isEmpty())
            lines << time;
    }
    const auto samples = MyCache::findGpsDatas(key);
    if (samples && second < static_cast<std::int64_t>(samples->size())) {
        const TrackSample& sample = samples->at(static_cast<std::size_t>(second));
        const int speedType = AppManager::sharedManager().speedType();
        const long shown = std::lround(static_cast<float>(sample.spd * SpeedUnits::factor(speedType)));
        lines << QString::number(shown) + " " +
                     AppResources::localized(speedType == AppManager::kSpeedKmh ? "km_speedUnit"
                                                                                : "mph_speedUnit");
        if (PlayListEntryBody::hasPosition(sample))
            lines << QString::fromStdString(sample.gpsLat) + ", " + QString::fromStdString(sample.gpsLgt);
    }
    return lines;
}

void VideoViewController::saveSnapshot() {
    if (!m_url || !engine()->hasFile())
        return;
    const QImage frame =
        m_isTSvideo ? m_vlc->surface()->currentFrame() : m_platform->surface()->currentImage();
    if (frame.isNull()) {
        showNotice(tr("There is no picture to save yet."));
        return;
    }
    const double seconds = currentTime();
    const QVariant caption = SettingsStore::shared().value(SettingsKeys::kSnapshotCaption);
    const bool withCaption = !caption.isValid() || caption.toBool();
    const QImage image =
        FrameSnapshot::captioned(frame, withCaption ? snapshotCaption(seconds) : QStringList());
    const QString folder = m_snapshotFolder.isEmpty() ? FrameSnapshot::defaultFolder() : m_snapshotFolder;
    const QString path = FrameSnapshot::freePath(folder, m_url->fileName(), seconds);
    QString problem;
    if (FrameSnapshot::save(image, path, &problem)) {
        qCInfo(lcKestrun).noquote() << "Snapshot saved to" << path;
        showNotice(tr("Snapshot saved to %1").arg(QDir::toNativeSeparators(path)));
    } else {
        qWarning().noquote() << "Snapshot could not be saved to" << path << ":" << problem;
        showNotice(
            tr("The snapshot could not be saved to %1 (%2).").arg(QDir::toNativeSeparators(path), problem));
    }
}

void VideoViewController::showNotice(const QString& text) {
    m_noticeLabel->setText(text);
    m_noticeLabel->adjustSize();
    placeNotice();
    m_noticeLabel->show();
    m_noticeLabel->raise();
    m_noticeTimer->start();
}

void VideoViewController::placeNotice() {
    // One line when it fits (padding included), wrapped to the view's width when not.
    const int natural = m_noticeLabel->fontMetrics().horizontalAdvance(m_noticeLabel->text()) + 24;
    const int width = std::min(natural, this->width() - 24);
    m_noticeLabel->setGeometry(12, 12, std::max(0, width), m_noticeLabel->heightForWidth(std::max(1, width)));
}

// In full screen the bar lies over the bottom of the picture, which keeps its size while the bar comes
// and goes.
void VideoViewController::placeBarOverPicture() {
    const int height = m_controlView->sizeHint().height();
    m_controlView->setGeometry(0, this->height() - height, width(), height);
    m_controlView->raise();
}

void VideoViewController::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_noticeLabel && m_noticeLabel->isVisible())
        placeNotice();
    if (m_isOtherOne)
        placeBarOverPicture();
}
