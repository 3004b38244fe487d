// The play-list view, the wait indicator, the settings panel and the preferences window, under the offscreen
// platform with a seeded store, real small clips and stand-ins for the playback module and the controller.
#include "AppLinks.h"
#include "AppManager.h"
#include "AppResources.h"
#include "BatchWorker.h"
#include "ClipWriter.h"
#include "DrivingEventSettings.h"
#include "FileCell.h"
#include "GifView.h"
#include "InterfaceLanguage.h"
#include "MyCache.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "PlayListModel.h"
#include "PlayListViewController.h"
#include "PlayerSetingViewController.h"
#include "PreferenceController.h"
#include "SettingsStore.h"
#include "SyntheticDrive.h"
#include "TestFiles.h"
#include "WaitViewController.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <ctime>

namespace {

class FakePlayback : public QObject, public PlaybackControl {
public:
    void close() override { log << "close"; }
    void StopVideo() override { log << "stop"; }
    void initAssetData(const QUrl& url) override { log << "play " + url.toString().section('/', -1); }
    void openFilePause() override { log << "pause"; }
    void keyDown(QKeyEvent* event) override { log << "key " + QString::number(event->key()); }
    void seekRelative(double seconds) override { log << "seek " + QString::number(seconds); }
    void playAdjacentFile(bool next) override { log << (next ? "next" : "previous"); }
    void toggleVideoFullScreen() override { log << "full screen"; }
    void togglePlayPause() override { log << "play/pause"; }
    void addPlaybackActions(const QList<QAction*>&) override {}
    void saveSnapshot() override {}
    void jumpToEvent(bool) override {}
    void playFileAt(const QString&, double) override {}
    void setInPoint() override {}
    void setOutPoint() override {}
    void saveClip() override {}
    QStringList log;
};

class FakeController : public QObject, public AppController {
public:
    void activeCurrentPlayFile(const QString& key) override { MyCache::activatePath(key); }
    void activeCurrentPlayIndex(int index) override { MyCache::activateIndex(index); }
    void openFile() override {}
};

} // namespace

class TestPlayListView : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_config;
    QTemporaryDir m_media;
    FakePlayback m_video;
    FakeController m_app;
    QList<QUrl> m_clips;

    QString key(int i) const { return MyCache::fileKey(m_clips.at(i)); }
    void seed(int files) {
        PlayList list;
        for (int i = 0; i < files; ++i) {
            TrackInfo info;
            info.fileTime = "2026-12-10 03:14:5" + std::to_string(i);
            info.fileSize = 1.25f * float(i + 1);
            if (i != 1) {
                info.videoDatas =
                    std::vector<TrackSample>(5, TrackSample{"22.5", "114.0", 0, 0, 1024, 0, 30});
                info.maxSpeed = 30;
                info.aevSpeed = 30;
                info.totailDistance = 150;
            }
            list.push_back(PlayListEntry::fromTrackInfo(key(i), info));
        }
        MyCache::syncPlayList(std::move(list));
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        SettingsStore::resetShared();
        SettingsStore::shared().setValue("AppleLanguages", QStringList{"en-GB"});
        AppLinks::shared().registerVideoVC(&m_video);
        AppLinks::shared().registerAppController(&m_app);
        SyntheticDrive drive = SyntheticDrive::china();
        drive.seconds = 6;
        for (const char* name : {"first clip.mp4", "second.mp4", "third.mp4", "fourth.mp4"}) {
            TestFiles::write(m_media, name, ClipWriter::bareClip(drive.messages()));
            m_clips << QUrl::fromLocalFile(m_media.filePath(name));
        }
    }

    void init() {
        m_video.log.clear();
        seed(3);
        AppManager::sharedManager().setPlayType(0);
    }

    void startUpShowsTheStoredList() {
        PlayListViewController view;
        QCOMPARE(view.model()->rowCount(), 3);
        QCOMPARE(view.selectIndex(), -1);
        QVERIFY(m_video.log.isEmpty()); // nothing plays
        for (int row = 0; row < 3; ++row)
            QVERIFY(!view.model()->index(row).data(PlayListModel::MarkedRole).toBool());
        const QModelIndex first = view.model()->index(0);
        QCOMPARE(first.data().toString(), QString("first clip.mp4"));
        QCOMPARE(first.data(PlayListModel::SizeRole).toString(), QString("1.2M")); // "%.1f" of 1.25
        QCOMPARE(first.data(PlayListModel::GpsRole).toString(), QString("5 s GPS"));
        QCOMPARE(view.model()->index(1).data(PlayListModel::GpsRole).toString(), QString("no GPS"));
        QCOMPARE(view.filesButton()->toolTip(), QString("打开文件"));
        QCOMPARE(view.deleteButton()->toolTip(), QString("清空列表"));
        QCOMPARE(view.setbutton()->toolTip(), QString("设置"));
    }

    void navigation() {
        PlayListViewController view;
        QVERIFY(view.proposeSelection({2})); // a click on row 2
        QCOMPARE(m_video.log, (QStringList{"close", "play third.mp4"}));
        QCOMPARE(view.selectIndex(), 2);
        QVERIFY(view.model()->index(2).data(PlayListModel::MarkedRole).toBool());
        QCOMPARE(MyCache::playList()->at(2).activeYn(), std::optional<bool>(true));

        m_video.log.clear();
        view.playNext(true); // next on the last row: nothing
        QVERIFY(m_video.log.isEmpty());
        view.videoEnd(); // the end of the last file, repeat off: nothing more, the index stays
        QCOMPARE(view.selectIndex(), 2);
        QVERIFY(m_video.log.isEmpty());
        AppManager::sharedManager().setPlayType(1);
        view.videoEnd(); // repeat on: the same file again
        QCOMPARE(m_video.log, (QStringList{"close", "play third.mp4"}));

        view.proposeSelection({0});
        m_video.log.clear();
        view.playNext(false); // previous on row 0: nothing
        QVERIFY(m_video.log.isEmpty());
        view.playNext(true);
        QCOMPARE(m_video.log, (QStringList{"close", "play second.mp4"}));
    }

    void nextWithNothingChosenPlaysTheFirstRow() {
        PlayListViewController view;
        view.playNext(true);
        QCOMPARE(m_video.log, (QStringList{"close", "play first clip.mp4"}));
    }

    void deletingRows() {
        PlayListViewController view;
        view.resize(360, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QWidget* rows = view.tableView()->viewport();
        const auto rect = [&](int row) {
            return view.tableView()->visualRect(view.model()->index(row));
        };
        QTest::mouseClick(rows, Qt::LeftButton, {}, rect(2).center() - QPoint(60, 0)); // row 2 plays
        view.dataLogicProcessOfViodePath(key(2)); // what the video module tells the list when it opens
        QVERIFY(!view.gsensorView()->gsensorArray()->isEmpty());
        m_video.log.clear();
        QTest::mouseClick(
            rows, Qt::LeftButton, {},
            FileCell::deleteButtonRect(FileCell::clipRect(rect(0), view.model()->index(0))).center());
        QCOMPARE(view.model()->rowCount(), 2);
        QCOMPARE(view.selectIndex(), 1); // the same file, one row up
        QVERIFY(view.model()->index(1).data(PlayListModel::MarkedRole).toBool());
        QVERIFY(m_video.log.isEmpty()); // playback goes on
        // The playing row: playback stops and nothing of the file stays on screen.
        QTest::mouseClick(
            rows, Qt::LeftButton, {},
            FileCell::deleteButtonRect(FileCell::clipRect(rect(1), view.model()->index(1))).center());
        QCOMPARE(m_video.log, QStringList{"stop"});
        QCOMPARE(view.selectIndex(), -1);
        QVERIFY(view.gsensorView()->gsensorArray()->isEmpty());
        QCOMPARE(MyCache::playList()->size(), std::size_t(1));
    }

    void tripsFoldUnderTheirHeading() {
        // Rows 0 to 2 continue one another (a drive the camera split); row 3 was recorded an hour later.
        PlayList list;
        const char* starts[] = {"2024-06-01T08:30:00Z", "2024-06-01T08:30:05Z", "2024-06-01T08:30:11Z",
                                "2024-06-01T09:30:00Z"};
        for (int i = 0; i < 4; ++i) {
            TrackInfo info;
            info.fileTime = "2026-12-10 03:14:50";
            info.videoDatas = std::vector<TrackSample>(5, TrackSample{"22.5", "114.0", 0, 0, 1024, 0, 30});
            info.totailDistance = 3600; // 1.852 km
            list.push_back(PlayListEntry::fromTrackInfo(key(i), info, QString(starts[i])));
        }
        MyCache::syncPlayList(std::move(list));
        AppManager::sharedManager().setSpeedType(AppManager::kSpeedKmh);
        PlayListViewController view;
        view.resize(360, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QListView* rows = view.tableView();
        const QModelIndex first = view.model()->index(0);
        QCOMPARE(first.data(PlayListModel::TripHeaderRole).toString(),
                 QString("Trip · 3 clips · 00:16 · 5.6 km"));
        QVERIFY(!view.model()->index(1).data(PlayListModel::TripHeaderRole).isValid());
        QVERIFY(!view.model()->index(3).data(PlayListModel::TripHeaderRole).isValid());

        // A click on the heading folds the trip's other clips away, and plays nothing.
        const QPoint heading = FileCell::tripHeaderRect(rows->visualRect(first)).center();
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, heading);
        QVERIFY(rows->isRowHidden(1) && rows->isRowHidden(2) && !rows->isRowHidden(3));
        QVERIFY(first.data(PlayListModel::TripCollapsedRole).toBool());
        QVERIFY(m_video.log.isEmpty());
        QCOMPARE(view.selectIndex(), -1);
        // The row after the trip moves up under the heading's clip, and a click on it plays it.
        QCOMPARE(rows->visualRect(view.model()->index(3)).top(), rows->visualRect(first).bottom() + 1);
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {},
                          rows->visualRect(view.model()->index(3)).center() - QPoint(60, 0));
        QCOMPARE(m_video.log, (QStringList{"close", "play fourth.mp4"}));
        // Playing a folded clip (Previous from row 3) opens its trip, so that its row shows.
        m_video.log.clear();
        view.playNext(false);
        QCOMPARE(m_video.log, (QStringList{"close", "play third.mp4"}));
        view.followPlayingFile(key(2));
        QVERIFY(!rows->isRowHidden(1) && !rows->isRowHidden(2));
        QVERIFY(!first.data(PlayListModel::TripCollapsedRole).toBool());
        // The distance follows the speed unit.
        AppManager::sharedManager().setSpeedType(AppManager::kSpeedMph);
        QCOMPARE(first.data(PlayListModel::TripHeaderRole).toString(),
                 QString("Trip · 3 clips · 00:16 · 3.4 mi"));
        AppManager::sharedManager().setSpeedType(AppManager::kSpeedKmh);
    }

    void deleteButtonInTheRow() {
        PlayListViewController view;
        view.resize(360, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QRect row = view.tableView()->visualRect(view.model()->index(1));
        QTest::mouseClick(
            view.tableView()->viewport(), Qt::LeftButton, {},
            FileCell::deleteButtonRect(FileCell::clipRect(row, view.model()->index(1))).center());
        QCOMPARE(view.model()->rowCount(), 2);
        QCOMPARE(view.model()->index(1).data().toString(), QString("third.mp4"));
        QVERIFY(m_video.log.isEmpty()); // the button is not a row click
        QTest::mouseClick(view.tableView()->viewport(), Qt::LeftButton, {}, row.center() - QPoint(60, 0));
        QCOMPARE(m_video.log, (QStringList{"close", "play third.mp4"}));
    }

    void clearing() {
        PlayListViewController view;
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.proposeSelection({1});
        m_video.log.clear();
        QTest::mouseClick(view.deleteButton(), Qt::LeftButton); // Clear List
        QCOMPARE(m_video.log, QStringList{"stop"});
        QCOMPARE(view.model()->rowCount(), 0);
        QVERIFY(!MyCache::playList());
    }

    void controlASelectsEveryRowAndPlaybackStays() {
        PlayListViewController view;
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        m_video.log.clear();
        QTest::keyClick(view.tableView(), Qt::Key_A, Qt::ControlModifier);
        // The keys are passed on to the video view; nothing is closed or played.
        QCOMPARE(m_video.log.last(), QString("key 65"));
        QCOMPARE(m_video.log.filter("key").size(), m_video.log.size());
        QStringList all;
        for (int row = 0; row < view.model()->rowCount(); ++row) {
            QVERIFY(view.model()->index(row).data(PlayListModel::SelectedRole).toBool());
            all << key(row);
        }
        QCOMPARE(view.selectedKeys(), all);
    }

    void keyboardMovesThroughTheRows() {
        PlayListViewController view;
        view.show();
        QApplication::setActiveWindow(&view);
        QVERIFY(QTest::qWaitForWindowActive(&view));
        view.tableView()->setFocus();
        QVERIFY(view.tableView()->hasFocus());
        view.tableView()->setCurrentIndex(view.model()->index(0, 0));
        QTest::keyClick(view.tableView(), Qt::Key_Down);
        QCOMPARE(view.tableView()->currentIndex().row(), 1);
        m_video.log.clear();
        QTest::keyClick(view.tableView(), Qt::Key_Return); // plays the keyboard's row
        QCOMPARE(m_video.log, (QStringList{"key 16777220", "close", "play second.mp4"}));
        QCOMPARE(view.selectIndex(), 1);
        QTest::keyClick(view.tableView(), Qt::Key_Tab); // not kept by the list: on to the bar's first button
        QVERIFY(view.filesButton()->hasFocus());
    }

    void quickAddNeverShowsTheIndicator() {
        PlayListViewController view;
        view.show();
        QSignalSpy finished(&view, &PlayListViewController::addFinished);
        view.addVideoPlay();
        QCOMPARE(m_video.log, QStringList{"pause"});
        QVERIFY(view.fileOpen());
        view.filesChosen({m_clips.at(3), m_clips.at(0)});
        QVERIFY(finished.wait(20000));
        QVERIFY(!view.isWaitIndicatorShown());
        QTest::qWait(1700); // past the delay: the cancelled action never shows it
        QVERIFY(!view.isWaitIndicatorShown());
        QVERIFY(!view.fileOpen());
        QCOMPARE(view.model()->rowCount(), 4);
        QCOMPARE(view.selectIndex(), 3); // the first chosen file plays
        QCOMPARE(m_video.log.last(), QString("play fourth.mp4"));
    }

    void slowAddShowsTheIndicatorAndRefusesClicks() {
        PlayListViewController view;
        view.resize(400, 400);
        view.show();
        QSemaphore hold;
        BatchWorker::shared().enqueue([&hold] { hold.acquire(); }); // the batch waits behind this
        QSignalSpy finished(&view, &PlayListViewController::addFinished);
        view.addVideoPlay();
        view.filesChosen({m_clips.at(3)});
        QVERIFY(!view.proposeSelection({1})); // clicks are refused while adding
        m_video.log.clear();
        view.addVideoPlay(); // a second add is ignored
        QVERIFY(m_video.log.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(view.isWaitIndicatorShown(), 3000);
        QVERIFY(view.waitC()->gifView()->frameCount() == 12);
        hold.release();
        QVERIFY(finished.wait(20000));
        QVERIFY(!view.isWaitIndicatorShown());
        QCOMPARE(m_video.log.last(), QString("play fourth.mp4"));
    }

    void cancelledDialogLeavesPlaybackPaused() {
        PlayListViewController view;
        QFileDialog* dialog = nullptr;
        connect(&view, &PlayListViewController::openDialogShown, this,
                [&](QWidget* d) { dialog = qobject_cast<QFileDialog*>(d); });
        view.show();
        QTest::mouseClick(view.filesButton(), Qt::LeftButton);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                          Qt::LeftButton);
        QTRY_VERIFY(!view.fileOpen());
        QCOMPARE(m_video.log, QStringList{"pause"});
    }

    void dropAddsThroughTheBatch() {
        PlayListViewController view;
        view.resize(360, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy finished(&view, &PlayListViewController::addFinished);
        QMimeData data;
        data.setUrls({m_clips.at(3)});
        const QPoint at = view.tableView()->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.tableView()->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.tableView()->viewport(), &drop);
        QVERIFY(view.fileOpen());
        QVERIFY(!view.addDroppedFiles({m_clips.at(0)})); // a second add while one runs is refused
        QVERIFY(finished.wait(20000));
        QCOMPARE(view.model()->rowCount(), 4);
        QCOMPARE(m_video.log.first(), QString("pause"));
        QCOMPARE(m_video.log.last(), QString("play fourth.mp4"));
        QVERIFY(!view.addDroppedFiles({QUrl("http://127.0.0.1/clip.mp4")})); // only local files
    }

    void gpsLengthText_data() {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("fixes"); // the seconds with a position, at the end (a cold start first)
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("green");
        QTest::newRow("none") << 0 << 0 << "no GPS" << false;
        QTest::newRow("under a minute") << 45 << 45 << "45 s GPS" << true;
        QTest::newRow("one fix is enough") << 20 << 1 << "20 s GPS" << true;
        QTest::newRow("no fix at all") << 20 << 0 << "no fix" << false;
        QTest::newRow("three minutes") << 180 << 180 << "3:00 GPS" << true;
        QTest::newRow("over an hour") << 3720 << 3720 << "1:02:00 GPS" << true;
    }
    void gpsLengthText() {
        QFETCH(int, seconds);
        QFETCH(int, fixes);
        QFETCH(QString, text);
        QFETCH(bool, green);
        TrackInfo info;
        if (seconds > 0) {
            info.videoDatas = std::vector<TrackSample>(static_cast<std::size_t>(seconds),
                                                       TrackSample{"0.000000", "0.000000", 0, 0, 1024, 0, 0});
            for (int i = seconds - fixes; i < seconds; ++i)
                info.videoDatas->at(static_cast<std::size_t>(i)) = {"22.543100", "113.940000", 0, 0, 1024, 0,
                                                                    30};
        }
        PlayListModel model;
        model.setPlayList({PlayListEntry::fromTrackInfo("file:///clip.mp4", info)}, -1);
        QCOMPARE(model.index(0).data(PlayListModel::GpsRole).toString(), text);
        QCOMPARE(model.index(0).data(PlayListModel::HasGpsRole).toBool(), green);
    }

    void recordingTimeText_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown"); // with TZ=Europe/Berlin
        QTest::newRow("summer") << "2025-06-01T08:15:02Z"
                                << "2025-06-01 10:15:02";
        QTest::newRow("across midnight") << "2024-12-31T23:30:00Z"
                                         << "2025-01-01 00:30:00";
        QTest::newRow("not a time") << "2025-13-01T08:15:02Z"
                                    << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void recordingTimeText() {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        ::tzset();
        QCOMPARE(PlayListModel::recordTimeText(stored), shown);
        qputenv("TZ", zone);
        ::tzset();
    }

    void ctrlClickSelectsWithoutChangingWhatPlays() {
        PlayListViewController view;
        view.resize(360, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QWidget* rows = view.tableView()->viewport();
        const auto at = [&](int row) {
            return view.tableView()->visualRect(view.model()->index(row)).center() - QPoint(40, 0);
        };
        QVERIFY(view.selectedKeys().isEmpty());
        QTest::mouseClick(rows, Qt::LeftButton, {}, at(1)); // a click plays the row
        QCOMPARE(m_video.log, (QStringList{"close", "play " + key(1).section('/', -1)}));
        QCOMPARE(view.selectIndex(), 1);
        m_video.log.clear();

        QTest::mouseClick(rows, Qt::LeftButton, Qt::ControlModifier, at(2));
        QTest::mouseClick(rows, Qt::LeftButton, Qt::ControlModifier, at(0));
        QCOMPARE(view.selectedKeys(), (QStringList{key(0), key(1), key(2)}));
        QVERIFY(view.model()->index(2).data(PlayListModel::SelectedRole).toBool());
        // Ctrl+click on a selected row takes it out, down to none: what plays never changes.
        for (const int row : {1, 0, 2})
            QTest::mouseClick(rows, Qt::LeftButton, Qt::ControlModifier, at(row));
        QVERIFY(!view.model()->index(2).data(PlayListModel::SelectedRole).toBool());
        QCOMPARE(view.selectIndex(), 1);
        QVERIFY(m_video.log.isEmpty());
        QCOMPARE(view.selectedKeys(), QStringList{key(1)}); // export falls back on the playing row
    }

    void speedGraphAndTime() {
        PlayListViewController view;
        AppManager::sharedManager().setSpeedType(AppManager::kSpeedKmh);
        view.dataLogicProcessOfViodePath(key(0));
        QCOMPARE(view.gsensorView()->gsensorArray()->size(), 5);
        // Speeds in the unit in force on a speed scale from 0, captioned with the unit.
        QCOMPARE(view.gsensorView()->gsensorArray()->at(0), QList<double>{30 * 1.852});
        QCOMPARE(view.gsensorView()->scaleLabels().first(), QString("0"));
        QVERIFY(view.gsensorView()->scaleLabels().last().toDouble() >= 30 * 1.852);
        QCOMPARE(view.speedCaption(), QString("km_speedUnit"));
        AppManager::sharedManager().setSpeedType(AppManager::kSpeedMph);
        NotificationCenter::defaultCenter().post(NotificationNames::kSelectSpeed, "1");
        QCOMPARE(view.gsensorView()->gsensorArray()->at(0), QList<double>{30 * 1.15});
        QCOMPARE(view.speedCaption(), QString("mph_speedUnit"));
        AppManager::sharedManager().setSpeedType(AppManager::kSpeedKmh);
        NotificationCenter::defaultCenter().post(NotificationNames::kSelectSpeed, "2");
        view.videoAllTime(5.5);
        QCOMPARE(view.gsensorView()->totleSecond(), 5); // the file's own length, before any tick
        view.updateDataByCurrentTime(3.7);
        QCOMPARE(view.gsensorView()->index(), 3);
        QCOMPARE(view.gsensorView()->totleSecond(), 5);
        view.updateDataByCurrentTime(9); // past the end: unchanged
        QCOMPARE(view.gsensorView()->index(), 3);
    }

    void waitFrames() {
        GifView all;
        all.createdImageAnimationView();
        QCOMPARE(all.frameCount(), 12);
        QCOMPARE(all.frameInterval(), 100);
        const int start = all.currentFrame();
        QTest::qWait(350);
        QVERIFY(all.currentFrame() != start);

        GifView some;
        some.setFrameNames({"动画-1", "missing-a", "动画-2", "missing-b", "动画-3"});
        some.createdImageAnimationView();
        QCOMPARE(some.frameCount(), 3);
        QCOMPARE(some.frameInterval(), 400); // the three share 1.2 s

        GifView none;
        none.setFrameNames({"missing"});
        none.createdImageAnimationView();
        QCOMPARE(none.frameCount(), 0);

        WaitViewController wait;
        wait.setProgress(2, 5);
        QCOMPARE(wait.progressText(), QString("2 of 5 files"));
    }

    void settingsPanel() {
        AppManager::sharedManager().setSpeedType(2);
        AppManager::sharedManager().setMapType(0);
        SettingsStore::shared().setValue("AppleLanguages", QStringList{"en-GB"});
        SettingsStore::shared().remove("userLanguage");
        QObject observer;
        QStringList seen;
        NotificationCenter& center = NotificationCenter::defaultCenter();
        for (const char* name : {NotificationNames::kSelectSpeed, NotificationNames::kSelectMapType,
                                 NotificationNames::kSelectLatitudeFormat}) {
            center.addObserver(name, &observer, [&seen, name](const QVariant& object) {
                seen << QString(name) + " " + object.toString();
            });
        }
        {
            PlayerSetingViewController panel;
            QVERIFY(panel.button(1)->isChecked() && !panel.button(2)->isChecked());
            QVERIFY(panel.button(5)->isEnabled());
            // Version and licences; the project has no web site or support address to show.
            QCOMPARE(panel.connectLabel()->text().count('\n'), 1);
            QVERIFY(panel.connectLabel()->text().contains(AppResources::shortVersion()));
            panel.button(1)->click(); // km/h, then OK: announced twice
            QVERIFY(seen.isEmpty());  // after the action has returned
            panel.closePageButtonAction(PlayerSetingViewController::Sure);
            QTRY_COMPARE(seen, (QStringList{"selestSpeedNSNotification 2", "selestSpeedNSNotification 2"}));
            QVERIFY(!SettingsStore::shared().contains("userLanguage")); // OK without a language
        }
        seen.clear();
        {
            PlayerSetingViewController panel;
            panel.button(2)->click(); // mph, then cancel: mph stays
            panel.closePageButtonAction(PlayerSetingViewController::Cancel);
            QTRY_COMPARE(seen, QStringList{"selestSpeedNSNotification 1"});
            QCOMPARE(AppManager::sharedManager().speedType(), 1);
            QCOMPARE(SettingsStore::shared().value("userSpeed"), QVariant("1"));
        }
        seen.clear();
        {
            PlayerSetingViewController panel;
            panel.userSelectLanguage(0); // English chosen, then Google: the Google map
            panel.button(6)->click();
            panel.button(5)->click();
            QTRY_COMPARE(seen,
                         (QStringList{"selestMapTypeNSNotification 1", "selestMapTypeNSNotification 0"}));
            QCOMPARE(AppManager::sharedManager().mapType(), 0);
            QCOMPARE(SettingsStore::shared().value("userMap"), QVariant("0"));
            QVERIFY(panel.button(5)->isChecked() && !panel.button(6)->isChecked());
            panel.button(3)->click();
            QTRY_VERIFY(seen.contains("selestlatNSNotification 2"));
            QCOMPARE(AppManager::sharedManager().languageShowType(), 2);
            panel.closePageButtonAction(PlayerSetingViewController::Sure);
            QCOMPARE(SettingsStore::shared().value("userLanguage"), QVariant("英语"));
        }
        {
            // A language chosen and confirmed before is the panel's language: OK keeps it.
            PlayerSetingViewController panel;
            QCOMPARE(panel.listView()->currentIndex(), 0);
            QCOMPARE(panel.languageStr(), std::optional<QString>("英语"));
            panel.closePageButtonAction(PlayerSetingViewController::Sure);
            QCOMPARE(SettingsStore::shared().value("userLanguage"), QVariant("英语"));
        }
        SettingsStore::shared().remove("userLanguage");
        SettingsStore::shared().setValue("AppleLanguages", QStringList{"zh-Hant-TW"});
        {
            PlayerSetingViewController panel;
            QVERIFY(!panel.button(5)->isEnabled()); // zh-Han: Google disabled
            QCOMPARE(panel.listView()->currentText(), QString("简中"));
            QCOMPARE(panel.languageStr(), std::optional<QString>("简中"));
        }
        SettingsStore::shared().setValue("AppleLanguages", QStringList{"en-GB"});
        AppManager::sharedManager().setSpeedType(2);
    }

    void preferences() {
        SettingsStore::shared().setValue("AppleLanguages", QStringList{"zh-Hant"});
        SettingsStore::shared().remove("speed_unit");
        QObject observer;
        int posts = 0;
        NotificationCenter::defaultCenter().addObserver(NotificationNames::kSpeedUnit, &observer,
                                                        [&](const QVariant&) { ++posts; });
        SettingsStore::shared().remove("userLanguage");
        AppManager::sharedManager().setSpeedType(AppManager::kSpeedKmh);
        PreferenceController window;
        QCOMPARE(window.windowTitle(), QString("setting"));
        // Traditional Chinese: the interface speaks Simplified Chinese, its one Chinese translation.
        QCOMPARE(window.languageList()->currentIndex(), InterfaceLanguage::kSimplifiedChinese);
        QCOMPARE(window.languageList()->count(), 9);
        QVERIFY(window.speedUnitRadio()->button(0)->isChecked()); // the unit in force, not "speed_unit"
        window.speedUnitRadio()->button(0)->click();
        window.speedUnitRadio()->button(0)->click();
        QCOMPARE(SettingsStore::shared().value("speed_unit"), QVariant("kmph"));
        QCOMPARE(posts, 2);
        window.speedUnitRadio()->button(1)->click();
        QCOMPARE(SettingsStore::shared().value("speed_unit"), QVariant("mileph"));
        QCOMPARE(SettingsStore::shared().value("userSpeed"), QVariant("1"));
        QCOMPARE(AppManager::sharedManager().speedType(), AppManager::kSpeedMph);
        SettingsStore::shared().setValue("AppleLanguages", QStringList{"fr-FR"});
        PreferenceController french;
        QCOMPARE(french.languageList()->currentIndex(), 1);
        QVERIFY(french.speedUnitRadio()->button(1)->isChecked());
        SettingsStore::shared().setValue("AppleLanguages", QStringList{"en-GB"});
        AppManager::sharedManager().setSpeedType(AppManager::kSpeedKmh);
    }

    void eventThresholdsAreTypedInPreferences() {
        for (const char* key : {"eventSpeedChangeKmh", "eventLateralG", "eventImpactG", "eventAxisJumpG"})
            SettingsStore::shared().remove(key);
        PreferenceController window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.thresholdBox(0)->value(), 12.0); // the defaults
        QCOMPARE(window.thresholdBox(1)->value(), 0.4);
        QCOMPARE(window.thresholdBox(3)->text(), QString("1.00")); // a point, whatever the locale
        QObject observer;
        int posts = 0;
        NotificationCenter::defaultCenter().addObserver(NotificationNames::kEventThresholds, &observer,
                                                        [&](const QVariant&) { ++posts; });
        // Typed: the text selected, the new figure, Return.
        QDoubleSpinBox* speed = window.thresholdBox(0);
        speed->setFocus();
        QTest::keyClick(speed, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(speed, "20");
        QTest::keyClick(speed, Qt::Key_Return);
        QCOMPARE(SettingsStore::shared().floatValue("eventSpeedChangeKmh"), 20.0f);
        QCOMPARE(DrivingEventSettings::thresholds().speedChangeKmhPerSecond, 20.0);
        // Stepped with the arrow key.
        QDoubleSpinBox* turn = window.thresholdBox(1);
        turn->setFocus();
        QTest::keyClick(turn, Qt::Key_Up);
        QCOMPARE(float(DrivingEventSettings::thresholds().lateralG), 0.45f); // stored single precision
        QTRY_COMPARE(posts, 2);
        PreferenceController again; // as stored
        QCOMPARE(again.thresholdBox(0)->value(), 20.0);
        for (const char* key : {"eventSpeedChangeKmh", "eventLateralG"})
            SettingsStore::shared().remove(key);
    }

    void routeColoursAreSwitchedInPreferences() {
        SettingsStore::shared().remove("routeSpeedColours");
        PreferenceController window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCheckBox* box = window.routeColoursBox();
        QVERIFY(!box->isChecked()); // plain routes until asked
        QObject observer;
        int posts = 0;
        NotificationCenter::defaultCenter().addObserver(NotificationNames::kRouteColours, &observer,
                                                        [&](const QVariant&) { ++posts; });
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        QVERIFY(SettingsStore::shared().value("routeSpeedColours").toBool());
        QTRY_COMPARE(posts, 1);
        PreferenceController again; // as stored
        QVERIFY(again.routeColoursBox()->isChecked());
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
        QVERIFY(!SettingsStore::shared().value("routeSpeedColours").toBool());
        QTRY_COMPARE(posts, 2);
        // Close closes the window; the choice stays.
        QAbstractButton* close = window.closeButtons()->button(QDialogButtonBox::Close);
        QTest::mouseClick(close, Qt::LeftButton);
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(!SettingsStore::shared().value("routeSpeedColours").toBool());
    }
};

QTEST_MAIN(TestPlayListView)
#include "tst_playlistview.moc"
