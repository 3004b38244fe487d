// The playback module with real engines and tiny generated media, under the offscreen platform with no
// audio device.
#include "AppManager.h"
#include "MediaTrackReader.h"
#include "MyCache.h"
#include "MyCustomSlider.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "PlatformEngine.h"
#include "SettingsStore.h"
#include "SpeedPlayerViewController.h"
#include "TestFiles.h"
#include "VideoViewController.h"
#include "VlcEngine.h"
#include "VlcVideoSurface.h"
#include "VoiceViewController.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <QWheelEvent>
#include <filesystem>

namespace {

class RecordingModule : public QObject, public CVModuleProtocol {
public:
    RecordingModule(QString name, QStringList& log)
        : m_name(std::move(name))
        , m_log(log) {}
    bool implementsOperation(Operation) const override { return true; }
    void dataLogicProcessOfViodePath(const std::optional<QString>& path) override {
        m_log << m_name + ":path " + path.value_or("(nothing)").section('/', -1);
    }
    void updateDataByCurrentTime(double seconds) override {
        m_log << m_name + ":tick";
        ticks << seconds;
    }
    void videoAllTime(double seconds) override {
        m_log << m_name + ":duration";
        durations << seconds;
    }
    void videoEnd() override { m_log << m_name + ":end"; }
    void playNext(bool) override { m_log << m_name + ":clear"; }
    QList<double> ticks;
    QList<double> durations;

private:
    QString m_name;
    QStringList& m_log;
};

// The three modules of the main window as recorders, wired to the video view as the layout wires them.
struct Recorders {
    explicit Recorders(VideoViewController& video) {
        video.gpsDelegate.set(&map);
        video.gpsInfoDelegate.set(&list);
        video.speedDelegate.set(&display);
        video.clearDelegate.set(&display);
        video.videoEndDelegate.set(&list);
    }
    QStringList log;
    RecordingModule map{"map", log};
    RecordingModule list{"list", log};
    RecordingModule display{"display", log};
};

// The log with repeated ticks collapsed, so the order can be compared.
QStringList collapsed(const QStringList& log) {
    QStringList out;
    for (const QString& line : log) {
        if (!(line.endsWith(":tick") && out.contains(line)))
            out << line;
    }
    return out;
}

// Dismisses the error alerts of `video` as the user would, with the alert's button.
void closeAlerts(QWidget& video) {
    for (QMessageBox* alert : video.findChildren<QMessageBox*>()) {
        if (alert->isVisible() && !alert->buttons().isEmpty())
            QTest::mouseClick(alert->buttons().first(), Qt::LeftButton);
    }
}

} // namespace

class TestPlayback : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_config;
    QTemporaryDir m_media;

    QString media(const QString& name) const { return m_media.filePath(name); }
    QUrl url(const QString& name) const { return QUrl::fromLocalFile(media(name)); }

    void make(const QString& name, const QStringList& arguments) {
        QString error;
        QVERIFY2(TestFiles::runFfmpeg(arguments + QStringList{media(name)}, &error), qPrintable(error));
    }

    // `video` shown in a window of its own and playing `name` with its picture up.
    bool showPlaying(VideoViewController& video, const QString& name) {
        video.resize(480, 320);
        video.show();
        if (!QTest::qWaitForWindowExposed(&video))
            return false;
        video.initAssetData(url(name));
        return QTest::qWaitFor(
            [&] {
                if (video.isTSvideo())
                    return video.vlcEngine()->isPictureShown() && video.duration() > 0;
                return video.platformEngine()->isPlaying() && video.duration() > 0;
            },
            30000);
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        SettingsStore::resetShared();
        const QStringList video{"-f",       "lavfi",   "-i", "testsrc=size=128x72:rate=10:duration=2",
                                "-pix_fmt", "yuv420p", "-g", "10"};
        make("h264.mp4", video + QStringList{"-c:v", "libx264"});
        make("HEVC.MP4",
             video + QStringList{"-c:v", "libx265", "-tag:v", "hvc1", "-x265-params", "log-level=none"});
        make("hvc1.mov",
             video + QStringList{"-c:v", "libx265", "-tag:v", "hvc1", "-x265-params", "log-level=none"});
        make("hev1.mov",
             video + QStringList{"-c:v", "libx265", "-tag:v", "hev1", "-x265-params", "log-level=none"});
        make("hevc.ts",
             video + QStringList{"-c:v", "libx265", "-x265-params", "log-level=none", "-f", "mpegts"});
        make("h264.ts", video + QStringList{"-c:v", "libx264", "-f", "mpegts"});
        const QStringList sixSeconds{"-f",       "lavfi",   "-i", "testsrc=size=128x72:rate=10:duration=6",
                                     "-pix_fmt", "yuv420p", "-g", "10"};
        make("h264-6s.mp4", sixSeconds + QStringList{"-c:v", "libx264"});
        make("hevc-6s.ts",
             sixSeconds + QStringList{"-c:v", "libx265", "-x265-params", "log-level=none", "-f", "mpegts"});
        // An intact container whose video the platform engine has no decoder for.
        make("utvideo.avi", video + QStringList{"-c:v", "utvideo"});
        make("audio.wav", {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=8000:duration=1"});
        make("audio.mp4",
             {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=8000:duration=1", "-c:a", "aac"});
        QFile corrupt(media("corrupt.mp4"));
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write(QByteArray(4096, '\x5a'));
    }

    void engineChoice_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("vlc");
        QTest::newRow("H.264 MP4") << "h264.mp4" << false;
        QTest::newRow("HEVC hvc1 named .MP4") << "HEVC.MP4" << false;
        QTest::newRow("HEVC hvc1 in .mov") << "hvc1.mov" << true;
        QTest::newRow("HEVC hev1 in .mov") << "hev1.mov" << false;
        QTest::newRow("HEVC transport stream") << "hevc.ts" << true;
        QTest::newRow("H.264 transport stream") << "h264.ts" << false;
        QTest::newRow("lone audio track, not MP4") << "audio.wav" << true;
        QTest::newRow("lone audio track, MP4") << "audio.mp4" << false;
        QTest::newRow("missing") << "missing.ts" << false;
        QTest::newRow("corrupt") << "corrupt.mp4" << false;
    }
    void engineChoice() {
        QFETCH(QString, file);
        QFETCH(bool, vlc);
        QCOMPARE(MediaTrackReader::playsInVlcEngine(url(file), MediaTrackReader::tracks(media(file))), vlc);
    }

    void hevcTest_data() {
        using T = MediaTrack::Type;
        QTest::addColumn<QList<int>>("types");
        QTest::addColumn<QStringList>("codecs");
        QTest::addColumn<bool>("hevc");
        QTest::newRow("no tracks") << QList<int>{} << QStringList{} << false;
        QTest::newRow("audio then hvc1")
            << QList<int>{int(T::Audio), int(T::Video)} << QStringList{"", "hvc1"} << true;
        QTest::newRow("first video decides")
            << QList<int>{int(T::Video), int(T::Video)} << QStringList{"avc1", "hvc1"} << false;
        QTest::newRow("only other tracks") << QList<int>{int(T::Other)} << QStringList{""} << false;
        QTest::newRow("two audio tracks")
            << QList<int>{int(T::Audio), int(T::Audio)} << QStringList{"", ""} << false;
    }
    void hevcTest() {
        QFETCH(QList<int>, types);
        QFETCH(QStringList, codecs);
        QFETCH(bool, hevc);
        std::vector<MediaTrack> tracks;
        for (int i = 0; i < types.size(); ++i)
            tracks.push_back({MediaTrack::Type(types[i]), codecs[i], QSize()});
        QCOMPARE(MediaTrackReader::isVideoHevc(tracks), hevc);
        QVERIFY(MediaTrackReader::isMp4(QUrl("file:///a/b.Mp4")));
        QVERIFY(!MediaTrackReader::isMp4(QUrl("file:///a.mp4/b.ts")));
    }

    void vlcOptions() {
        QCOMPARE(VlcEngine::playerOptions(), (QStringList{"--network-caching=400", "--clock-jitter=400"}));
    }

    void vlcJumpRule_data() {
        QTest::addColumn<double>("target");
        QTest::addColumn<double>("now");
        QTest::addColumn<qint64>("remainingMs");
        QTest::addColumn<double>("duration");
        QTest::addColumn<int>("jump");
        QTest::newRow("forward") << 30.0 << 10.0 << qint64(-50000) << 60.0 << 20;
        QTest::newRow("backward") << 5.5 << 10.0 << qint64(-50000) << 60.0 << -4;
        QTest::newRow("same second") << 10.7 << 10.2 << qint64(-50000) << 60.0 << 0;
        QTest::newRow("to the very end") << 60.0 << 10.0 << qint64(-50000) << 60.0 << 49;
        QTest::newRow("just short of the end") << 58.0 << 10.0 << qint64(-50000) << 60.0 << 48;
        QTest::newRow("positive remaining") << 59.0 << 10.5 << qint64(49500) << 60.0 << 48;
    }
    void vlcJumpRule() {
        QFETCH(double, target);
        QFETCH(double, now);
        QFETCH(qint64, remainingMs);
        QFETCH(double, duration);
        QFETCH(int, jump);
        QCOMPARE(VlcEngine::jumpSeconds(target, now, remainingMs, duration), jump);
    }

    void platformEnginePlaysWithFractionalSeconds() {
        VideoViewController video;
        video.resize(480, 320);
        video.show();
        Recorders recorders(video);
        QStringList& log = recorders.log;
        RecordingModule& map = recorders.map;
        RecordingModule& display = recorders.display;

        video.initAssetData(url("h264.mp4"));
        QVERIFY(!video.isTSvideo());
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("list:end"), 30000);
        QCOMPARE(collapsed(log),
                 (QStringList{"display:clear", "map:path h264.mp4", "list:path h264.mp4",
                              "display:path h264.mp4", "display:duration", "map:duration", "list:duration",
                              "map:tick", "list:tick", "display:tick", "list:end"}));
        QCOMPARE(log.count("list:end"), 1);
        QCOMPARE(display.durations, QList<double>{2.0});
        QVERIFY(std::any_of(map.ticks.begin(), map.ticks.end(), [](double t) { return t != std::floor(t); }));
        QCOMPARE(video.totalTimeField()->text(), QString("00:02"));
        video.close();
        QVERIFY(video.logoImage()->isVisibleTo(&video));
        QCOMPARE(video.totalTimeField()->text(), QString("00:00"));
        QVERIFY(!video.playButton()->isEnabled()); // nothing to play or pause any more
    }

    void vlcEnginePlaysWithWholeSeconds() {
        VideoViewController video;
        video.resize(480, 320);
        video.show();
        QVERIFY(video.vlcEngine()->isAvailable());
        Recorders recorders(video);
        QStringList& log = recorders.log;
        RecordingModule& map = recorders.map;

        video.initAssetData(url("hevc.ts"));
        QVERIFY(video.isTSvideo());
        QVERIFY(!video.vlcEngine()->isPictureShown()); // until half a second after the first report
        QTRY_VERIFY_WITH_TIMEOUT(!map.ticks.isEmpty(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(video.vlcEngine()->isPictureShown(), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("list:end"), 30000);
        QCOMPARE(collapsed(log).mid(0, 4), (QStringList{"display:clear", "map:path hevc.ts",
                                                        "list:path hevc.ts", "display:path hevc.ts"}));
        for (double t : map.ticks)
            QCOMPARE(t, std::round(t));
        QCOMPARE(log.count("list:end"), 1);
        QVERIFY(!video.vlcEngine()->surface()->currentFrame().isNull()); // frames reached the view
        video.close();
    }

    void vlcSeekToTheEndLandsBeforeIt() {
        VideoViewController video;
        video.show();
        Recorders recorders(video);
        video.initAssetData(url("hevc-6s.ts"));
        QTRY_VERIFY_WITH_TIMEOUT(video.vlcEngine()->isPlaying() && video.duration() > 0, 30000);
        video.execPlayOrPause();
        QTRY_VERIFY(!video.vlcEngine()->isPlaying());
        const double from = video.currentTime();
        QVERIFY2(from < 3, qPrintable(QString::number(from)));
        video.setCurrentTime(video.duration());
        QTRY_VERIFY(video.vlcEngine()->isPlaying()); // a VLC seek always plays on
        // It lands about one second before the end, and every module hears of it at once.
        const double landed = recorders.map.ticks.last();
        QVERIFY2(landed >= video.duration() - 2.5 && landed <= video.duration() - 0.5,
                 qPrintable(QString::number(landed)));
        QCOMPARE(recorders.display.ticks.last(), landed);
        QCOMPARE(recorders.list.ticks.last(), landed);
        QTRY_VERIFY(video.currentTime() >= video.duration() - 2.5);
        video.close();
    }

    void namesThatAreNotUtf8Play_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("vlc");
        QTest::newRow("platform engine") << "h264.mp4" << false;
        QTest::newRow("VLC engine") << "hevc.ts" << true;
    }
    void namesThatAreNotUtf8Play() {
        QFETCH(QString, file);
        QFETCH(bool, vlc);
        // "caf\xe9" in Latin-1, as an old camera or card reader may name it.
        const QByteArray name =
            QFile::encodeName(m_media.path()) + "/caf\xe9." + file.section('.', -1).toLatin1();
        std::filesystem::copy_file(QFile::encodeName(media(file)).toStdString(), name.toStdString(),
                                   std::filesystem::copy_options::overwrite_existing);
        const QUrl url = MyCache::urlOfLocalFile(name);
        VideoViewController video;
        video.show();
        Recorders recorders(video);
        QSignalSpy alerts(&video, &VideoViewController::alertShown);
        video.initAssetData(url);
        QCOMPARE(video.isTSvideo(), vlc);
        QTRY_VERIFY_WITH_TIMEOUT(recorders.log.contains("list:end"), 30000);
        QCOMPARE(alerts.size(), 0);
        QVERIFY(!recorders.map.ticks.isEmpty());
        video.close();
        std::filesystem::remove(name.toStdString());
    }

    void vlcLengthReachesTheBarAndTheModules() {
        VideoViewController video;
        video.show();
        Recorders recorders(video);
        video.initAssetData(url("hevc-6s.ts"));
        // libVLC learns the length after the file has started: it is passed on as soon as it is known.
        QTRY_COMPARE_WITH_TIMEOUT(video.totalTimeField()->text(), QString("00:06"), 30000);
        QCOMPARE(recorders.display.durations.last(), 6.0);
        QCOMPARE(recorders.map.durations.last(), 6.0);
        QCOMPARE(recorders.list.durations.last(), 6.0);
        video.close();
    }

    void vlcCloseLeavesNoFrame() {
        VideoViewController video;
        video.show();
        video.initAssetData(url("hevc.ts"));
        QTRY_VERIFY_WITH_TIMEOUT(!video.vlcEngine()->surface()->currentFrame().isNull(), 30000);
        video.close();
        QVERIFY(video.vlcEngine()->surface()->currentFrame().isNull());
        QVERIFY(!video.vlcEngine()->isPictureShown());
        QVERIFY(video.logoImage()->isVisibleTo(&video));
    }

    void pausedSeekWithTheMouseReachesEveryModule() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* video = new VideoViewController;
        layout->addWidget(video);
        window.resize(640, 420);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Recorders recorders(*video);
        video->initAssetData(url("h264-6s.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(video->platformEngine()->isPlaying() && video->duration() > 0, 30000);
        QTest::mouseClick(video->playButton(), Qt::LeftButton);
        QTRY_VERIFY(!video->platformEngine()->isPlaying());

        // Press at 20 %, drag to 80 %, release: the knob and the elapsed time follow the mouse, every module
        // hears of the new place, and the paused file stays paused.
        MyCustomSlider* slider = video->timeSlider();
        const auto at = [slider](double fraction) {
            return QPoint(qRound(slider->width() * fraction), slider->height() / 2);
        };
        QTest::mousePress(slider, Qt::LeftButton, {}, at(0.2));
        QVERIFY(slider->isSliderDown());
        for (double f = 0.3; f <= 0.81; f += 0.1)
            QTest::mouseMove(slider, at(f));
        QVERIFY2(std::abs(slider->value() / double(slider->maximum()) - 0.8) < 0.05,
                 qPrintable(QString::number(slider->value())));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, at(0.8));
        QVERIFY(!slider->isSliderDown());
        for (RecordingModule* module : {&recorders.map, &recorders.list, &recorders.display}) {
            QVERIFY(!module->ticks.isEmpty());
            QCOMPARE(std::floor(module->ticks.last()), 4.0); // 80 % of 6 s, in whole seconds
        }
        QCOMPARE(video->currentTimeField()->text(), QString("00:04"));
        QTest::qWait(600);
        QVERIFY(!video->platformEngine()->isPlaying());
        QTRY_COMPARE_WITH_TIMEOUT(qRound(video->currentTime()), 4, 5000);
        // The wheel seeks too, and the file stays paused.
        const qsizetype ticks = recorders.map.ticks.size();
        QWheelEvent wheel(QPointF(at(0.5)), slider->mapToGlobal(QPointF(at(0.5))), {}, QPoint(0, -8 * 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        for (int i = 0; i < 3; ++i) // a wheel event moves the knob by a page at most
            QApplication::sendEvent(slider, &wheel);
        QVERIFY(recorders.map.ticks.size() > ticks);
        QVERIFY2(recorders.map.ticks.last() < 4, qPrintable(QString::number(recorders.map.ticks.last())));
        QCOMPARE(recorders.display.ticks.last(), recorders.map.ticks.last());
        QVERIFY(!video->platformEngine()->isPlaying());
        video->close();
    }

    // A click on the seek bar of a paused transport stream moves it and leaves it paused, as with the
    // platform engine; the play button keeps offering to play (libVLC reports buffering after the seek).
    void vlcPausedSeekStaysPaused() {
        VideoViewController video;
        QVERIFY(showPlaying(video, "hevc-6s.ts"));
        QTRY_COMPARE(video.playButton()->accessibleName(), QString("Pause"));
        QTest::mouseClick(video.playButton(), Qt::LeftButton);
        QTRY_VERIFY(!video.vlcEngine()->isPlaying());
        QTRY_COMPARE(video.playButton()->accessibleName(), QString("Play"));
        MyCustomSlider* slider = video.timeSlider();
        QTest::mouseClick(slider, Qt::LeftButton, {},
                          QPoint(qRound(slider->width() * 0.8), slider->height() / 2));
        QTRY_VERIFY_WITH_TIMEOUT(video.vlcEngine()->currentTime() >= 4, 5000); // whole-second jumps
        const double landed = video.vlcEngine()->currentTime();
        QTest::qWait(1500);
        QCOMPARE(video.vlcEngine()->currentTime(), landed);
        QVERIFY(!video.vlcEngine()->isPlaying());
        QCOMPARE(video.playButton()->accessibleName(), QString("Play"));
        // Play goes on from there.
        QTest::mouseClick(video.playButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(video.vlcEngine()->currentTime() > landed, 5000);
        QCOMPARE(video.playButton()->accessibleName(), QString("Pause"));
        video.close();
    }

    // Dragging the knob of a playing transport stream: the knob follows the mouse, and once let go the
    // stream plays on from there without the knob falling back.
    void vlcDragPlaysOnFromTheKnob() {
        VideoViewController video;
        QVERIFY(showPlaying(video, "hevc-6s.ts"));
        MyCustomSlider* slider = video.timeSlider();
        const auto at = [slider](double fraction) {
            return QPoint(qRound(slider->width() * fraction), slider->height() / 2);
        };
        QTest::mousePress(slider, Qt::LeftButton, {}, at(0.1));
        for (double f = 0.15; f <= 0.71; f += 0.05) {
            QTest::mouseMove(slider, at(f));
            QTest::qWait(40);
        }
        QTest::mouseRelease(slider, Qt::LeftButton, {}, at(0.7));
        const double target = 0.7 * video.duration();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 1200) {
            QTest::qWait(50);
            const double knob = video.duration() * slider->value() / slider->maximum();
            QVERIFY2(knob > target - 1.5,
                     qPrintable(QString("knob at %1 s, let go at %2 s").arg(knob).arg(target)));
        }
        QTRY_VERIFY(std::abs(video.vlcEngine()->currentTime() - target) < 1.5);
        QVERIFY(video.vlcEngine()->isPlaying());
        video.close();
    }

    void everySecondReachesTheModulesAtFourTimesTheSpeed_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("platform engine") << "h264-6s.mp4";
        QTest::newRow("VLC engine") << "hevc-6s.ts";
    }
    void everySecondReachesTheModulesAtFourTimesTheSpeed() {
        QFETCH(QString, file);
        VideoViewController video;
        video.resize(640, 420);
        video.show();
        QVERIFY(QTest::qWaitForWindowExposed(&video));
        Recorders recorders(video);
        // 4x from the speed popover, as the user chooses it.
        QTest::mouseClick(video.playSpeedButton(), Qt::LeftButton);
        QTRY_VERIFY(video.openPopover() && video.openPopover()->isVisible());
        auto* speed = video.openPopover()->findChild<SpeedPlayerViewController*>();
        QVERIFY(speed);
        QTest::mouseClick(speed->buttons().at(0), Qt::LeftButton); // tag 1: 4x
        QCOMPARE(video.currentRate(), 4.0);
        video.openPopover()->close();

        video.initAssetData(url(file));
        QTRY_VERIFY_WITH_TIMEOUT(recorders.log.contains("list:end"), 30000);
        QSet<int> seconds;
        for (double t : recorders.display.ticks)
            seconds << int(t);
        for (int second = 1; second <= 5; ++second)
            QVERIFY2(seconds.contains(second), qPrintable(QString("second %1 left out").arg(second)));
        video.close();
        video.currentSelectPlaySpeed(1.0, "1x");
        AppManager::sharedManager().setSpeedPlay(0); // as at start-up, for the popover's own test
    }

    void alerts_data() {
        QTest::addColumn<QUrl>("file");
        QTest::addColumn<int>("kind");
        QTest::newRow("missing file") << QUrl::fromLocalFile("/nonexistent/kestrun/clip.mp4") << 3;
        QTest::newRow("damaged file") << QUrl::fromLocalFile("corrupt.mp4") << 2;
        QTest::newRow("intact file, no decoder") << QUrl::fromLocalFile("utvideo.avi") << 1;
        QTest::newRow("other load failure") << QUrl("http://127.0.0.1:9/clip.mp4") << 1;
    }
    void alerts() {
        QFETCH(QUrl, file);
        QFETCH(int, kind);
        if (file.isLocalFile() && QFileInfo(file.toLocalFile()).isRelative())
            file = url(file.toLocalFile());
        VideoViewController video;
        video.show();
        QSignalSpy alerts(&video, &VideoViewController::alertShown);
        video.initAssetData(file);
        QTRY_COMPARE_WITH_TIMEOUT(alerts.size(), 1, 30000);
        QCOMPARE(alerts.first().first().toInt(), kind);
        auto* alert = video.findChild<QMessageBox*>();
        QVERIFY(alert);
        const QString name = file.fileName();
        QVERIFY2(alert->informativeText().contains(name), qPrintable(alert->informativeText()));
        closeAlerts(video);
        QVERIFY(!video.isAddVideoFile());
        QVERIFY(video.logoImage()->isVisibleTo(&video));
        QVERIFY(video.platformEngine()->hasFile()); // the failed file is still in its engine
        video.close();                              // and the next close resets it
        QVERIFY(!video.platformEngine()->hasFile() && !video.vlcEngine()->hasFile());
        // The application keeps working: the next file plays.
        video.close();
        video.initAssetData(url("h264.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(video.platformEngine()->isPlaying(), 30000);
        video.close();
    }

    void vlcErrorStateIsKindThree() {
        // libVLC's error state (here: a file that is gone by the time the engine opens it).
        VlcEngine engine;
        QSignalSpy failed(&engine, &PlaybackEngine::failed);
        engine.open(QUrl::fromLocalFile(media("gone.ts")), 1.0f, 0.0f);
        QVERIFY(failed.wait(30000));
        QCOMPARE(failed.first().first().toInt(), int(PlaybackEngine::MissingFile));
        engine.close();
    }

    void fileWithoutVideoIsOnlyLogged() {
        VideoViewController video;
        QSignalSpy alerts(&video, &VideoViewController::alertShown);
        QSignalSpy noVideo(&video, &VideoViewController::noVideoTrack);
        video.initAssetData(url("audio.mp4"));
        QCOMPARE(noVideo.size(), 1);
        QTest::qWait(200);
        QCOMPARE(alerts.size(), 0);
        video.close();
    }

    void rateCarriesToTheNextFile() {
        VideoViewController video;
        video.show();
        video.initAssetData(url("h264.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(video.platformEngine()->isPlaying(), 30000);
        video.currentSelectPlaySpeed(2.0, "2×");
        QCOMPARE(video.platformEngine()->rate(), 2.0f);
        video.close();
        video.initAssetData(url("hevc.ts"));
        QCOMPARE(video.currentRate(), 2.0);
        QTRY_VERIFY_WITH_TIMEOUT(video.vlcEngine()->isPlaying(), 30000);
        QCOMPARE(video.vlcEngine()->rate(), 2.0f);
        video.close();
        video.currentSelectPlaySpeed(1.0, "1×");
    }

    void speedPopover() {
        QCOMPARE(AppManager::sharedManager().speedPlay(), 0);
        {
            SpeedPlayerViewController speed;
            QCOMPARE(speed.checkedTags(), QList<int>{}); // nothing chosen in this run yet
            QSignalSpy chosen(&speed, &SpeedPlayerViewController::currentSelectPlaySpeed);
            speed.buttons().at(4)->click();
            QCOMPARE(chosen.first().first().toDouble(), 0.25);
            QCOMPARE(speed.checkedTags(), QList<int>{5});
        }
        QCOMPARE(SettingsStore::shared().value("userPlaySpeed").toDouble(), 5.0); // the tag, not the rate
        QCOMPARE(AppManager::sharedManager().speedPlay(), 5);
        SpeedPlayerViewController again;
        QCOMPARE(again.checkedTags(), QList<int>{5});
        QCOMPARE(SpeedPlayerViewController::pictureName(0.25), QString("0.25"));
        QCOMPARE(SpeedPlayerViewController::rateForTag(9), 1.0);
    }

    void volumePopover() {
        SettingsStore::shared().remove("volume");
        VoiceViewController voice;
        QCOMPARE(voice.slider()->value(), 0); // silent until the slider is moved
        QSignalSpy changed(&voice, &VoiceViewController::userChangeVolume);
        voice.slider()->setValue(40);
        QCOMPARE(SettingsStore::shared().floatValue("volume"), 0.4f);
        QCOMPARE(changed.first().first().toDouble(), 0.4);
    }

    void loopToggle() {
        VideoViewController video;
        video.loopButton()->click(); // off: repeat
        QCOMPARE(AppManager::sharedManager().playType(), 1);
        video.loopButton()->click();
        QCOMPARE(AppManager::sharedManager().playType(), 0);
    }

    void keysAndFullScreen() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* video = new VideoViewController;
        layout->addWidget(video);
        window.resize(800, 500);
        window.show();

        NotificationCenter::defaultCenter().post(NotificationNames::kImageChange, QSize(1440, 900));
        QCOMPARE(video->spacingNum(), 1440 * 5.0 / 144);
        QCOMPARE(video->buttonSpacing(), 50);

        // Escape outside full screen only resets the spacing.
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        video->keyDown(&escape);
        QVERIFY(!video->isOtherOne());
        QCOMPARE(video->parentWidget(), &window);

        video->FullScreen();
        QVERIFY(video->isOtherOne());
        QVERIFY(video->isWindow());
        QVERIFY(video->controlView()->isVisibleTo(video));
        video->keyDown(&escape);
        QVERIFY(!video->isOtherOne());
        QCOMPARE(video->parentWidget(), &window);
        QVERIFY(!video->fullButton()->isChecked());
        QCOMPARE(video->buttonSpacing(), 50);
    }

    void autoHideInFullScreen() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* video = new VideoViewController;
        layout->addWidget(video);
        window.show();
        QCOMPARE(video->playButton()->toolTip(), QString("播放/暂停")); // no table loaded: the key shows
        video->FullScreen();
        QVERIFY(video->controlView()->isVisibleTo(video));
        QTest::qWait(2500);
        QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), QPointF(10, 10), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(video, &move); // a movement extends the bar by 4 s
        QTest::qWait(2500);
        QVERIFY(video->controlView()->isVisibleTo(video));
        QTRY_VERIFY_WITH_TIMEOUT(!video->controlView()->isVisibleTo(video), 3000);
        QCoreApplication::sendEvent(video, &move);
        QVERIFY(video->controlView()->isVisibleTo(video));
        video->FullScreen();
        QVERIFY(video->controlView()->isVisibleTo(video));
        QVERIFY(!video->isOtherOne());
    }

    void panels() {
        VideoViewController video;
        video.show();
        QVERIFY(video.helpDialog()->isHidden() && video.settingsDialog()->isHidden());
        video.helps();
        QVERIFY(!video.helpDialog()->isHidden());
        video.settings(); // one panel at a time
        QVERIFY(video.helpDialog()->isHidden());
        QVERIFY(!video.settingsDialog()->isHidden());
        video.settings();
        QVERIFY(video.settingsDialog()->isHidden());
    }

    void sliderTrack() { QCOMPARE(MyCustomSlider::trackRect(QSizeF(200, 20)), QRectF(10, 8.5, 180, 2)); }
};

QTEST_MAIN(TestPlayback)
#include "tst_playback.moc"
