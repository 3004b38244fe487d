// The whole player in one process under Xvfb, as a user drives it: real window, real engines, real clips
// made by ffmpeg and the clip writer. The map pages are stand-ins that record their calls; the map hosts are
// "reachable" through a fake probe, and every non-local request is blocked.
#include "AppDelegate.h"
#include "AppManager.h"
#include "AppResources.h"
#include "CVDisplayViewController.h"
#include "CVLayoutViewController.h"
#include "CVWebViewController.h"
#include "CVWindowController.h"
#include "ClipWriter.h"
#include "MyCache.h"
#include "PlatformEngine.h"
#include "PlayListModel.h"
#include "PlayListStore.h"
#include "PlayListViewController.h"
#include "PlayerHarness.h"
#include "Reachability.h"
#include "SettingsStore.h"
#include "SyntheticDrive.h"
#include "TestFiles.h"
#include "VideoViewController.h"
#include "VlcEngine.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineUrlRequestInterceptor>

class TestEndToEnd : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<PlayerHarness> m_player;
    QUrl m_china, m_world, m_hevc;

    CVLayoutViewController* content() const { return m_player->content(); }
    VideoViewController* video() const { return content()->videoVC(); }
    CVDisplayViewController* display() const { return content()->displayVC(); }
    PlayListViewController* playlist() const { return content()->playlistVC(); }
    AppDelegate* delegate() const { return m_player->delegate(); }
    void start() { m_player->start(); }
    void stop() { m_player->stop(); }
    void screenshot(const QString& name) { m_player->screenshot("e2e", name); }

private slots:
    void initTestCase() {
        m_player = std::make_unique<PlayerHarness>();
        const QStringList h264{"-f",   "lavfi",   "-i",       "testsrc=size=320x180:rate=10:duration=12",
                               "-c:v", "libx264", "-pix_fmt", "yuv420p",
                               "-g",   "10"};
        SyntheticDrive china = SyntheticDrive::china();
        china.seconds = 12;
        SyntheticDrive world = SyntheticDrive::world();
        world.seconds = 12;
        m_china = m_player->clip("china.mp4", h264, china);
        m_world = m_player->clip("world.mp4", h264, world);
        m_hevc = m_player->clip("hevc.ts",
                                {"-f", "lavfi", "-i", "testsrc=size=320x180:rate=10:duration=3", "-c:v",
                                 "libx265", "-x265-params", "log-level=none", "-pix_fmt", "yuv420p", "-g",
                                 "10", "-f", "mpegts"},
                                std::nullopt);
        start();
    }

    void cleanupTestCase() { m_player.reset(); }

    void addThreeClipsAndFollowTheFirst() {
        QCOMPARE(playlist()->model()->rowCount(), 0);
        AppManager::sharedManager().setPlayType(1); // repeat: the first file stays on while it is checked
        QSignalSpy opened(delegate(), &AppDelegate::openFinished);
        delegate()->openUrls({m_china, m_world, m_hevc});
        QVERIFY(opened.wait(30000));
        QCOMPARE(playlist()->model()->rowCount(), 3);
        QCOMPARE(video()->activeUrl(), std::optional<QUrl>(m_china));
        QVERIFY(!video()->isTSvideo());

        // The dashboard and the map follow the video second by second.
        QTRY_VERIFY2_WITH_TIMEOUT(display()->latiLabel()->text().startsWith("22.5"),
                                  qPrintable(display()->latiLabel()->text() + " playing " +
                                             QString::number(video()->platformEngine()->isPlaying()) +
                                             " at " + QString::number(video()->currentTime())),
                                  60000);
        bool number = false;
        display()->speedLabel()->text().toInt(&number);
        QVERIFY(number);
        QVERIFY(display()->zlabel()->text().startsWith("Z="));
        QTRY_VERIFY_WITH_TIMEOUT(content()->webVC()->sentScripts().filter("updateMarkerPosition").size() >= 2,
                                 60000);
        QVERIFY(content()->webVC()->sentScripts().filter("drawPolyLinePath").size() >= 1);
        screenshot("china-playing");
    }

    void nextAndPrevious() {
        video()->playAdjacentFile(true); // the play list's row marker follows the file that plays
        QTRY_COMPARE_WITH_TIMEOUT(video()->activeUrl(), std::optional<QUrl>(m_world), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(display()->longLabel()->text().startsWith("-118.2"), 60000);
        video()->playAdjacentFile(false);
        QTRY_COMPARE(video()->activeUrl(), std::optional<QUrl>(m_china));
    }

    void endOfTheLastFile() {
        AppManager::sharedManager().setPlayType(0);
        video()->close();
        playlist()->proposeSelection({2}); // the HEVC transport stream, in the VLC engine
        QVERIFY(video()->isTSvideo());
        QTRY_VERIFY_WITH_TIMEOUT(video()->vlcEngine()->isPlaying(), 20000);
        screenshot("hevc-playing");
        // Repeat off: at its end nothing more plays and the index stays on the last row.
        QTRY_VERIFY_WITH_TIMEOUT(!video()->vlcEngine()->isPlaying(), 30000);
        QTest::qWait(500);
        QCOMPARE(playlist()->selectIndex(), 2);
        QCOMPARE(video()->activeUrl(), std::optional<QUrl>(m_hevc));
        // Repeat on: the same file again.
        AppManager::sharedManager().setPlayType(1);
        playlist()->videoEnd();
        QTRY_VERIFY_WITH_TIMEOUT(video()->vlcEngine()->isPlaying(), 20000);
        QCOMPARE(playlist()->selectIndex(), 2);
        AppManager::sharedManager().setPlayType(0);
    }

    void deleteAndClear() {
        playlist()->customTableCellView(0, MyCache::fileKey(m_china)); // row 0 while row 2 plays
        QCOMPARE(playlist()->model()->rowCount(), 2);
        QCOMPARE(playlist()->selectIndex(), 1);
        QVERIFY(video()->isAddVideoFile()); // still playing
        playlist()->removeVideoPlay();
        QCOMPARE(playlist()->model()->rowCount(), 0);
        QVERIFY(!video()->isAddVideoFile());
        QVERIFY(!MyCache::playList());
    }

    void settingsAndListSurviveARestart() {
        QSignalSpy opened(delegate(), &AppDelegate::openFinished);
        delegate()->openUrls({m_china, m_world, m_hevc});
        QVERIFY(opened.wait(30000));
        playlist()->proposeSelection({1});
        delegate()->englishSpeed()->trigger(); // mph
        delegate()->baiduMap()->trigger();
        QTRY_COMPARE(display()->speedunit()->text(), AppResources::localized("mph_speedUnit"));
        screenshot("before-restart");
        const PlayList before = *MyCache::playList();

        stop();
        start();
        const auto after = MyCache::playList();
        QVERIFY(after);
        QCOMPARE(after->size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            QCOMPARE(after->at(i).path(), before.at(i).path());
            QCOMPARE(after->at(i).activeYn(), before.at(i).activeYn());
        }
        QCOMPARE(after->at(1).activeYn(), std::optional<bool>(true));
        QCOMPARE(playlist()->model()->rowCount(), 3);
        QCOMPARE(playlist()->selectIndex(), -1); // nothing plays at start-up
        QCOMPARE(SettingsStore::shared().value("userSpeed"), QVariant("1"));
        QCOMPARE(SettingsStore::shared().value("userMap"), QVariant("1"));
        QVERIFY(delegate()->englishSpeed()->isChecked());
        QVERIFY(delegate()->baiduMap()->isChecked());
        screenshot("after-restart");
    }

    void theRealPlayerKeepsTheListAndTakesLaterFiles() {
        // The player program on the same store and display: it starts and shows its window; a clip opened
        // while it runs (a second start with a file) is handed over to it and added; stopped with SIGTERM,
        // it quits in order, and the list, the active row and the settings are in the store.
        stop();
        const QString storePath = QDir(m_player->configPath()).filePath("Kestrun/KestrunPlayer.json");
        const auto stored = [&] {
            QFile file(storePath);
            return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                                  : QJsonObject();
        };
        // The play list as a new reader of its database finds it.
        const auto storedRows = [] {
            PlayListStore::resetShared();
            const auto list = MyCache::playList();
            return list ? *list : PlayList{};
        };
        const PlayList before = storedRows();
        QCOMPARE(before.size(), std::size_t(3));
        const QString program = QString(KESTRUN_BIN_DIR) + "/kestrun-player";
        QProcess player;
        player.setProcessChannelMode(QProcess::MergedChannels);
        player.start(program, {});
        QVERIFY(player.waitForStarted(10000));
        QTest::qWait(4000);
        QCOMPARE(player.state(), QProcess::Running);

        const QString fourth = m_player->mediaPath("fourth clip.mp4");
        QVERIFY(QFile::copy(m_china.toLocalFile(), fourth));
        QProcess later;
        later.setProcessChannelMode(QProcess::MergedChannels);
        later.start(program, {fourth});
        QVERIFY(later.waitForFinished(20000));
        QCOMPARE(later.exitCode(), 0);
        const QString fourthKey = MyCache::fileKey(QUrl::fromLocalFile(fourth));
        QTRY_COMPARE_WITH_TIMEOUT(storedRows().size(), std::size_t(4), 20000);

        player.terminate();
        QVERIFY(player.waitForFinished(10000));
        const QJsonObject after = stored();
        const PlayList rows = storedRows();
        QCOMPARE(rows.size(), std::size_t(4));
        for (std::size_t i = 0; i < 3; ++i)
            QCOMPARE(rows[i].path(), before[i].path());
        QCOMPARE(rows[3].path(), fourthKey);
        QCOMPARE(rows[3].activeYn(), std::optional<bool>(true)); // the handed-over clip plays
        QVERIFY(!after.contains("KEY_PLAY_LIST"));               // the settings file holds the settings only
        QCOMPARE(after["userSpeed"].toString(), QString("1"));
        QCOMPARE(after["userMap"].toString(), QString("1"));
        const QByteArray log = player.readAll();
        QVERIFY2(log.contains("windowWillLoad..."), "the player did not start its window");
        QVERIFY2(log.contains(("filename " + fourth).toUtf8()), log.constData());
        QVERIFY2(log.contains("applicationWillTerminate..."), "SIGTERM did not quit the player in order");
        QCOMPARE(player.exitStatus(), QProcess::NormalExit);
    }
};

// Qt WebEngine wants shared OpenGL contexts set before the application object exists.
static const bool kShareContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
