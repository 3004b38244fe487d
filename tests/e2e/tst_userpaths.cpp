// What a person does with the player, by keyboard and mouse on the real window under Xvfb, with the real
// engines and real clips: open a clip through the dialog by typing its path, Space to pause and resume
// (the screen's frames compared), drag the seek knob, select with Ctrl+click and remove, next clip, and the
// playback keys in the video's full screen. Screenshots of each step go to the test artefacts.
#include "AppDelegate.h"
#include "CVDisplayViewController.h"
#include "CVWebViewController.h"
#include "CVWindowController.h"
#include "CustomGsensorView.h"
#include "FileCell.h"
#include "MyCache.h"
#include "MyCustomSlider.h"
#include "PlatformEngine.h"
#include "PlayListModel.h"
#include "PlayListViewController.h"
#include "PlayerHarness.h"
#include "VideoViewController.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cmath>

class TestUserPaths : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<PlayerHarness> m_player;
    QList<QUrl> m_clips;
    QUrl m_ts;               // played by the VLC engine, not in the list at first
    QUrl m_incident, m_bump; // clips with driving events, added last
    QList<QUrl> m_trip;      // three clips of one drive, added after them

    VideoViewController* video() const { return m_player->video(); }
    PlayListViewController* playlist() const { return m_player->playlist(); }

    // The picture area as the screen shows it.
    QImage videoFrame() const {
        QWidget* v = video();
        const QPoint origin = v->mapToGlobal(QPoint(0, 0));
        return v->screen()
            ->grabWindow(0, origin.x(), origin.y(), v->width(),
                         v->height() - video()->controlView()->height())
            .toImage();
    }

    QPoint rowPoint(int row) const {
        QListView* view = playlist()->tableView();
        const QRect rect = view->visualRect(view->model()->index(row, 0));
        return QPoint(rect.left() + 40, rect.center().y());
    }

    // The play list's row of a file, or -1.
    int rowOf(const QUrl& file) const {
        const QAbstractItemModel* rows = playlist()->model();
        for (int row = 0; row < rows->rowCount(); ++row) {
            if (rows->index(row, 0).data(PlayListModel::KeyRole).toString() == MyCache::fileKey(file))
                return row;
        }
        return -1;
    }

    // Where the keyboard's keys go: the window's focus widget, as the window system delivers them.
    QWidget* keyTarget() const {
        QWidget* focus = QApplication::focusWidget();
        QWidget* active = QApplication::activeWindow();
        return focus ? focus : active ? active : m_player->window();
    }

    // A value the map page computes, as JSON text.
    static QString pageJson(QWebEngineView* web, const QString& expression) {
        QString text;
        bool done = false;
        web->page()->runJavaScript("JSON.stringify(" + expression + ")", [&](const QVariant& result) {
            text = result.toString();
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, 5000))
            qWarning() << "the map page did not answer";
        return text;
    }
    static QString jsonText(const QVariant& value) {
        return QString::fromUtf8(
                   QJsonDocument::fromVariant(QVariantList{value}).toJson(QJsonDocument::Compact))
            .mid(1)
            .chopped(1);
    }

    int elapsedSeconds() const {
        const QStringList parts = video()->currentTimeField()->text().split(':');
        return parts.size() == 2 ? parts[0].toInt() * 60 + parts[1].toInt() : -1;
    }

private slots:
    void initTestCase() {
        m_player = std::make_unique<PlayerHarness>();
        qputenv("KESTRUN_MAP_DIR", KESTRUN_MAP_PAGES);
        SyntheticDrive china = SyntheticDrive::china();
        china.seconds = 20;
        SyntheticDrive world = SyntheticDrive::world();
        world.seconds = 20;
        m_clips = {m_player->clip("first drive.mp4", PlayerHarness::h264(20), china),
                   m_player->clip("second drive.mp4", PlayerHarness::h264(20), world),
                   m_player->clip("third drive.mp4", PlayerHarness::h264(20), china)};
        m_ts =
            m_player->clip("parking.ts", PlayerHarness::hevc(20) + QStringList{"-f", "mpegts"}, std::nullopt);
        SyntheticDrive incident = SyntheticDrive::china();
        incident.seconds = 20;
        incident.hardStopSecond = 6;
        incident.bumpSecond = 14;
        m_incident = m_player->clip("incident.mp4", PlayerHarness::h264(20), incident);
        SyntheticDrive bump = SyntheticDrive::world();
        bump.seconds = 20;
        bump.bumpSecond = 5;
        // With a sound track, as cameras record.
        m_bump = m_player->clip("bump.mp4",
                                {"-f", "lavfi", "-i", "testsrc=size=320x180:rate=10:duration=20", "-f",
                                 "lavfi", "-i", "sine=frequency=300:sample_rate=48000:duration=20", "-c:v",
                                 "libx264", "-pix_fmt", "yuv420p", "-g", "10", "-c:a", "aac", "-shortest"},
                                bump);
        // A slow drive on another day, split into three clips; the last begins without a fix.
        SyntheticDrive trip = SyntheticDrive::world();
        trip.day = 2;
        trip.seconds = 20;
        trip.cruiseKnots = 12;
        SyntheticDrive trip2 = trip.next();
        SyntheticDrive trip3 = trip2.next();
        trip3.noFixSeconds = 4;
        m_trip = {m_player->clip("trip 1.mp4", PlayerHarness::h264(20), trip),
                  m_player->clip("trip 2.mp4", PlayerHarness::h264(20), trip2),
                  m_player->clip("trip 3.mp4", PlayerHarness::h264(20), trip3)};
        m_player->start();
        QVERIFY(QTest::qWaitForWindowActive(m_player->window()));
    }

    void openAClipThroughTheDialog() {
        QPointer<QFileDialog> dialog;
        connect(m_player->delegate(), &AppDelegate::openDialogShown, this,
                [&dialog](QWidget* d) { dialog = qobject_cast<QFileDialog*>(d); });
        QSignalSpy opened(m_player->delegate(), &AppDelegate::openFinished);
        QTest::keyClick(m_player->window(), Qt::Key_O, Qt::ControlModifier);
        QTRY_VERIFY(dialog && dialog->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        // The dialog opens in the clips' folder (where the user last was); the name is typed, then Return.
        dialog->setDirectory(QFileInfo(m_clips[0].toLocalFile()).path());
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        QTest::keyClicks(name, m_clips[0].fileName());
        QTest::keyClick(name, Qt::Key_Return);
        QVERIFY(opened.wait(20000));
        QCOMPARE(playlist()->model()->rowCount(), 1);
        QCOMPARE(video()->activeUrl(), std::optional<QUrl>(m_clips[0])); // the chosen clip plays
        QTRY_VERIFY_WITH_TIMEOUT(video()->platformEngine()->isPlaying(), 20000);
        // The other two, as given on the command line.
        m_player->delegate()->openUrls({m_clips[1], m_clips[2]});
        QTRY_COMPARE_WITH_TIMEOUT(playlist()->model()->rowCount(), 3, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(video()->platformEngine()->isPlaying(), 20000);
        m_player->screenshot("userpaths", "2-playing");
    }

    void theVolumeStartsMutedAndSaysSo() {
        // A first run plays silent: the button shows a muted speaker until the slider is moved.
        QToolButton* button = video()->voiceBtn();
        QCOMPARE(button->property("muted"), QVariant(true));
        QCOMPARE(video()->platformEngine()->volume(), 0.0f);
        QTest::mouseClick(button, Qt::LeftButton);
        QSlider* slider = nullptr;
        QTRY_VERIFY((slider = QApplication::activePopupWidget()
                                  ? QApplication::activePopupWidget()->findChild<QSlider*>()
                                  : nullptr) ||
                    [&] {
                        for (QWidget* w : QApplication::topLevelWidgets()) {
                            if (w->isVisible() && w != m_player->window() &&
                                (slider = w->findChild<QSlider*>()))
                                return true;
                        }
                        return false;
                    }());
        // Up the slider by clicks on its groove, high up.
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, slider->height() / 5));
        QTRY_VERIFY(slider->value() > 0);
        m_player->screenshot("userpaths", "2b-volume");
        QCOMPARE(button->property("muted"), QVariant(false));
        QVERIFY(video()->platformEngine()->volume() > 0);
        QTest::keyClick(slider, Qt::Key_Escape);
        QTRY_VERIFY(!slider->isVisible());
    }

    void spacePausesAndResumesWhateverHasFocus() {
        // Focus on a button of the play list, as after a click on it: Space still plays and pauses.
        playlist()->filesButton()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(keyTarget(), Qt::Key_Space);
        QTRY_VERIFY(!video()->platformEngine()->isPlaying());
        QVERIFY(!playlist()->openPanel() && QApplication::activeModalWidget() == nullptr); // no dialog
        QTest::qWait(500);
        const QImage paused = videoFrame();
        QTest::qWait(1000);
        QCOMPARE(videoFrame(), paused); // the picture stands
        m_player->screenshot("userpaths", "3-paused");
        QTest::keyClick(keyTarget(), Qt::Key_Space);
        QTRY_VERIFY(video()->platformEngine()->isPlaying());
        QTest::qWait(1000);
        QVERIFY(videoFrame() != paused); // and moves again
    }

    void ctrlSSavesThePictureAtTheVideosOwnSize() {
        // The snapshots go to the user's Pictures folder, as the desktop's user-dirs names it.
        QTemporaryDir pictures;
        QFile dirs(qEnvironmentVariable("XDG_CONFIG_HOME") + "/user-dirs.dirs");
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_PICTURES_DIR=\"" + pictures.path().toUtf8() + "\"\n");
        dirs.close();
        const auto snapshots = [&pictures] {
            return QDir(pictures.path()).entryList({"*.png"});
        };
        // The platform engine's picture, and the VLC engine's (a transport stream).
        for (const QUrl& clip : {m_clips[1], m_ts}) {
            if (video()->activeUrl() != std::optional<QUrl>(clip)) {
                m_player->delegate()->openUrls({clip});
                QTRY_COMPARE_WITH_TIMEOUT(video()->activeUrl(), std::optional<QUrl>(clip), 20000);
            }
            QTRY_VERIFY_WITH_TIMEOUT(video()->currentTime() >= 1.0, 20000);
            const int before = static_cast<int>(snapshots().size());
            QTest::keyClick(keyTarget(), Qt::Key_S, Qt::ControlModifier);
            QTRY_COMPARE(snapshots().size(), before + 1);
            const QString path =
                pictures.filePath(snapshots().filter(QFileInfo(clip.fileName()).completeBaseName()).value(0));
            QCOMPARE(QImage(path).size(), QSize(320, 180)); // the video's size, not the widget's
            QVERIFY(video()->noticeLabel()->isVisible());
            QVERIFY2(video()->noticeLabel()->text().contains(path),
                     qPrintable(video()->noticeLabel()->text()));
            m_player->screenshot("userpaths", "3b-snapshot-" + QFileInfo(clip.fileName()).suffix());
        }
        // The transport stream leaves the list by its ×, and the second drive plays again.
        QListView* view = playlist()->tableView();
        QCOMPARE(view->model()->rowCount(), 4);
        view->scrollToBottom();
        QTest::mouseClick(
            view->viewport(), Qt::LeftButton, {},
            FileCell::deleteButtonRect(
                FileCell::clipRect(view->visualRect(view->model()->index(3, 0)), view->model()->index(3, 0)))
                .center());
        QTRY_COMPARE(view->model()->rowCount(), 3);
        m_player->delegate()->openUrls({m_clips[1]});
        QTRY_COMPARE_WITH_TIMEOUT(video()->activeUrl(), std::optional<QUrl>(m_clips[1]), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(video()->platformEngine()->isPlaying(), 20000);
        dirs.remove();
    }

    void dragTheSeekKnob() {
        MyCustomSlider* slider = video()->timeSlider();
        const auto at = [slider](double f) {
            return QPoint(qRound(slider->width() * f), slider->height() / 2);
        };
        QTest::mousePress(slider, Qt::LeftButton, {}, at(0.1));
        for (double f = 0.2; f <= 0.81; f += 0.1) {
            QTest::mouseMove(slider, at(f));
            QTest::qWait(30);
        }
        // The elapsed time follows the knob while it is held.
        QVERIFY2(std::abs(elapsedSeconds() - 16) <= 1, qPrintable(video()->currentTimeField()->text()));
        m_player->screenshot("userpaths", "4-dragging");
        QTest::mouseRelease(slider, Qt::LeftButton, {}, at(0.8));
        QTRY_VERIFY(std::abs(video()->currentTime() - 16) <= 1.5);
        QVERIFY(video()->platformEngine()->isPlaying()); // it played before the drag
    }

    void ctrlClickRemoveAndNext() {
        QWidget* rows = playlist()->tableView()->viewport();
        QTest::mouseClick(rows, Qt::LeftButton, {}, rowPoint(1)); // plays the second clip
        QTRY_COMPARE(video()->activeUrl(), std::optional<QUrl>(m_clips[1]));
        // Ctrl+click on the playing row takes it out of the selection; Remove then removes nothing.
        QTest::mouseClick(rows, Qt::LeftButton, Qt::ControlModifier, rowPoint(1));
        QTest::keyClick(m_player->window(), Qt::Key_Delete);
        QCOMPARE(playlist()->model()->rowCount(), 3);
        QCOMPARE(video()->activeUrl(), std::optional<QUrl>(m_clips[1]));
        // Ctrl+click the first row: highlighted, playback stays; Remove removes just that row.
        QTest::mouseClick(rows, Qt::LeftButton, Qt::ControlModifier, rowPoint(0));
        QVERIFY(playlist()->model()->index(0).data(PlayListModel::SelectedRole).toBool());
        m_player->screenshot("userpaths", "5-selected");
        QCOMPARE(video()->activeUrl(), std::optional<QUrl>(m_clips[1]));
        QTest::keyClick(m_player->window(), Qt::Key_Delete);
        QCOMPARE(playlist()->model()->rowCount(), 2);
        QCOMPARE(video()->activeUrl(), std::optional<QUrl>(m_clips[1])); // still plays, now row 0
        QCOMPARE(MyCache::playList()->size(), std::size_t(2));
        // Next goes on from the row that plays.
        QTest::mouseClick(video()->nextButton(), Qt::LeftButton);
        QTRY_COMPARE(video()->activeUrl(), std::optional<QUrl>(m_clips[2]));
    }

    void playbackKeysInFullScreen() {
        QTest::keyClick(keyTarget(), Qt::Key_F);
        QTRY_VERIFY(video()->isOtherOne() && video()->isFullScreen());
        QVERIFY(QTest::qWaitForWindowActive(video()));
        const int height = video()->height();
        QTRY_VERIFY_WITH_TIMEOUT(video()->platformEngine()->isPlaying(), 20000);
        const double before = video()->currentTime();
        QTest::keyClick(keyTarget(), Qt::Key_Right);
        QTRY_VERIFY(video()->currentTime() >= before + 3);
        m_player->screenshot("userpaths", "6-full-screen");
        QTest::keyClick(keyTarget(), Qt::Key_Space);
        QTRY_VERIFY(!video()->platformEngine()->isPlaying());
        QTest::keyClick(keyTarget(), Qt::Key_Space);
        QTRY_VERIFY(video()->platformEngine()->isPlaying());
        QTest::keyClick(keyTarget(), Qt::Key_PageUp);
        QTRY_COMPARE(video()->activeUrl(), std::optional<QUrl>(m_clips[1]));
        // The bar hides after four seconds; the picture keeps its size.
        QTRY_VERIFY_WITH_TIMEOUT(!video()->controlView()->isVisible(), 8000);
        QCOMPARE(video()->height(), height);
        QTest::keyClick(keyTarget(), Qt::Key_F); // F leaves as it came
        QTRY_VERIFY(!video()->isOtherOne());
        QVERIFY(!video()->isWindow());
        QTest::mouseClick(video()->fullButton(), Qt::LeftButton);
        QTRY_VERIFY(video()->isOtherOne());
        QVERIFY(QTest::qWaitForWindowActive(video()));
        QTest::keyClick(keyTarget(), Qt::Key_Escape); // and Escape
        QTRY_VERIFY(!video()->isOtherOne());
        m_player->screenshot("userpaths", "7-back");
    }

    void eventsAreMarkedAndNReachesThem() {
        m_player->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_player->window()));
        QSignalSpy opened(m_player->delegate(), &AppDelegate::openFinished);
        m_player->delegate()->openUrls({m_incident, m_bump});
        QVERIFY(opened.wait(20000));
        QTRY_COMPARE_WITH_TIMEOUT(video()->activeUrl(), std::optional<QUrl>(m_incident), 20000);
        const auto events = MyCache::drivingEvents(MyCache::fileKey(m_incident));
        QVERIFY(events && events->size() >= 2);
        QCOMPARE(events->front().kind, DrivingEventKind::HardBraking);
        // Marked on the seek bar, one mark per event, each with its tooltip.
        QTRY_COMPARE_WITH_TIMEOUT(video()->timeSlider()->marks().size(), qsizetype(events->size()), 20000);
        QVERIFY(video()->timeSlider()->marks().first().tooltip.startsWith("Hard braking · 00:0"));
        // On the dashboard's G-sensor graph at their seconds, and counted on the clip's row.
        QTRY_COMPARE(m_player->display()->gsensorView()->marks().size(), qsizetype(events->size()));
        QCOMPARE(m_player->display()->gsensorView()->marks().first().second, int(events->front().second));
        // Hovering a mark tells what it is, on the seek bar and on the graph.
        QTest::mouseMove(video()->timeSlider(), QPoint(qRound(video()->timeSlider()->markXs().first()),
                                                       video()->timeSlider()->height() / 2));
        QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible() && QToolTip::text().startsWith("Hard braking"), 5000);
        CustomGsensorView* graph = m_player->display()->gsensorView();
        QTest::mouseMove(graph, QPoint(qRound(graph->markXs().first()), graph->height() / 2));
        QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible() && QToolTip::text().startsWith("Hard braking"), 5000);
        const QAbstractItemModel* rows = playlist()->model();
        for (int row = 0; row < rows->rowCount(); ++row) {
            const QString key = rows->index(row, 0).data(PlayListModel::KeyRole).toString();
            if (key == MyCache::fileKey(m_incident))
                QCOMPARE(rows->index(row, 0).data(PlayListModel::EventCountRole).toInt(),
                         int(events->size()));
            if (key == MyCache::fileKey(m_clips[0]))
                QCOMPARE(rows->index(row, 0).data(PlayListModel::EventCountRole).toInt(), 0);
        }
        QTest::keyClick(keyTarget(), Qt::Key_Space); // paused: the positions below stay put
        QTRY_VERIFY(!video()->platformEngine()->isPlaying());
        while (video()->currentTime() > 0.5) { // back to the start, five seconds a press
            const double before = video()->currentTime();
            QTest::keyClick(keyTarget(), Qt::Key_Left);
            QTRY_VERIFY(video()->currentTime() < before);
        }
        m_player->screenshot("userpaths", "8-event-marks");
        // N goes from event to event, then on to the next clip's first event; Shift+N comes back.
        // Events of one second (a hard stop that also jolts the G-sensor) are one stop.
        QList<std::size_t> seconds;
        for (const DrivingEvent& event : *events) {
            if (seconds.isEmpty() || seconds.last() != event.second)
                seconds << event.second;
        }
        for (const std::size_t second : seconds) {
            QTest::keyClick(keyTarget(), Qt::Key_N);
            QTRY_VERIFY2(
                std::abs(video()->currentTime() - double(second)) < 0.6,
                qPrintable(QString("at %1, the event at %2").arg(video()->currentTime()).arg(second)));
        }
        QTest::keyClick(keyTarget(), Qt::Key_N);
        QTRY_COMPARE_WITH_TIMEOUT(video()->activeUrl(), std::optional<QUrl>(m_bump), 20000);
        const auto bumps = MyCache::drivingEvents(MyCache::fileKey(m_bump));
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(video()->currentTime() - double(bumps->front().second)) < 0.6,
                                 20000);
        // The picture is there too, not only the clock: the engine itself stands at the event.
        QTRY_VERIFY2_WITH_TIMEOUT(
            std::abs(video()->platformEngine()->currentTime() - double(bumps->front().second)) < 1.5,
            qPrintable(QString::number(video()->platformEngine()->currentTime())), 10000);
        QCOMPARE(
            playlist()->model()->index(playlist()->selectIndex(), 0).data(PlayListModel::KeyRole).toString(),
            MyCache::fileKey(m_bump)); // the list follows
        QTest::keyClick(keyTarget(), Qt::Key_N, Qt::ShiftModifier);
        QTRY_COMPARE_WITH_TIMEOUT(video()->activeUrl(), std::optional<QUrl>(m_incident), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(video()->currentTime() - double(events->back().second)) < 0.6,
                                 20000);
    }

    void saveClipKeepsItsTelemetry() {
        // In and out points around the last event, then File → Save Clip… by its key; the name is typed.
        QTRY_COMPARE_WITH_TIMEOUT(video()->activeUrl(), std::optional<QUrl>(m_incident), 20000);
        QTest::keyClick(keyTarget(), Qt::Key_Left);
        QTRY_VERIFY(video()->currentTime() < 12);
        QTest::keyClick(keyTarget(), Qt::Key_I);
        QVERIFY(video()->inPoint());
        const double in = *video()->inPoint();
        QTest::keyClick(keyTarget(), Qt::Key_Right);
        QTRY_VERIFY(video()->currentTime() > in + 3);
        QTest::keyClick(keyTarget(), Qt::Key_O);
        QVERIFY(video()->outPoint());
        m_player->screenshot("userpaths", "9-in-out");
        QPointer<QFileDialog> dialog;
        connect(video(), &VideoViewController::saveDialogShown, this,
                [&dialog](QWidget* d) { dialog = qobject_cast<QFileDialog*>(d); });
        QSignalSpy saved(video(), &VideoViewController::clipSaved);
        QTest::keyClick(keyTarget(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(dialog && dialog->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTemporaryDir folder;
        dialog->setDirectory(folder.path());
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        name->clear();
        QTest::keyClicks(name, "near miss.mp4");
        QTest::keyClick(name, Qt::Key_Return);
        QVERIFY(saved.wait(30000));
        QVERIFY2(saved.first().at(1).toBool(), qPrintable(saved.first().at(2).toString()));
        const QString path = folder.filePath("near miss.mp4");
        QCOMPARE(saved.first().at(0).toString(), path);
        QVERIFY(video()->noticeLabel()->text().contains(path));
        // The saved part plays in the player with its track from its first second.
        m_player->delegate()->openUrls({QUrl::fromLocalFile(path)});
        QTRY_COMPARE_WITH_TIMEOUT(video()->activeUrl(), std::optional<QUrl>(QUrl::fromLocalFile(path)),
                                  20000);
        const auto part = MyCache::findGpsDatas(MyCache::fileKey(QUrl::fromLocalFile(path)));
        const auto source = MyCache::findGpsDatas(MyCache::fileKey(m_incident));
        QVERIFY(part && source);
        QVERIFY2(part->size() >= 4 && part->size() <= 8, qPrintable(QString::number(part->size())));
        const auto first = static_cast<std::size_t>(std::floor(in)); // a key frame every second
        QCOMPARE(part->front(), source->at(first));
        QTRY_VERIFY_WITH_TIMEOUT(video()->duration() > 3, 20000);
        m_player->screenshot("userpaths", "10-saved-clip");
    }

    void aClickOnTheTripsRoutePlaysThatSecond() {
        m_player->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_player->window()));
        QSignalSpy opened(m_player->delegate(), &AppDelegate::openFinished);
        m_player->delegate()->openUrls(m_trip);
        QVERIFY(opened.wait(20000));
        QTRY_COMPARE_WITH_TIMEOUT(video()->activeUrl(), std::optional<QUrl>(m_trip[0]), 20000);
        // The list shows the trip under its heading; the map draws its three clips.
        const QAbstractItemModel* rows = playlist()->model();
        const int first = rowOf(m_trip[0]);
        QVERIFY(rows->index(first, 0)
                    .data(PlayListModel::TripHeaderRole)
                    .toString()
                    .startsWith("Trip · 3 clips"));
        CVWebViewController* map = m_player->map();
        QCOMPARE(map->tripClipCount(), 3);
        QWebEngineView* web = map->webview();
        QTRY_VERIFY_WITH_TIMEOUT(pageJson(web, "kestrunMapState().trip").contains("\"clips\":3"), 20000);
        // A click on the third clip's route, nine points in: its thirteenth second (four without a fix).
        const QVariantList points = map->tripPoints(2);
        QVERIFY(points.size() == 16);
        const QString pixel = pageJson(web, "kestrunMapPixel(" + jsonText(points.at(9)) + ")");
        const QStringList xy = pixel.mid(1, pixel.size() - 2).split(',');
        QVERIFY2(xy.size() == 2, qPrintable(pixel));
        const QPoint at(qRound(xy[0].toDouble()), qRound(xy[1].toDouble()));
        QWidget* surface = web->focusProxy() ? web->focusProxy() : web;
        QVERIFY2(surface->rect().contains(at), qPrintable(pixel));
        m_player->screenshot("userpaths", "11-trip");
        QTest::mouseMove(surface, at);
        QTest::mouseClick(surface, Qt::LeftButton, {}, at);
        QTRY_COMPARE_WITH_TIMEOUT(video()->activeUrl(), std::optional<QUrl>(m_trip[2]), 20000);
        QTRY_VERIFY2_WITH_TIMEOUT(std::abs(video()->currentTime() - 13) < 1.0,
                                  qPrintable(QString::number(video()->currentTime())), 20000);
        QCOMPARE(rows->index(playlist()->selectIndex(), 0).data(PlayListModel::KeyRole).toString(),
                 MyCache::fileKey(m_trip[2])); // the list follows
        QTRY_COMPARE(map->tripCurrent(), 2);

        // The page's zoom buttons take clicks: nothing of the player's lies over them.
        const double zoom = pageJson(web, "kestrunMapState().zoom").toDouble();
        const QStringList plus =
            pageJson(web,
                     "(function () { var r = document.querySelector('.leaflet-control-zoom-in')"
                     ".getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; })()")
                .remove('[')
                .remove(']')
                .split(',');
        QVERIFY(plus.size() == 2);
        const QPoint zoomIn = surface->mapTo(m_player->window(),
                                             QPoint(qRound(plus[0].toDouble()), qRound(plus[1].toDouble())));
        QWidget* under = m_player->window()->childAt(zoomIn);
        QVERIFY2(under == surface, under ? under->metaObject()->className() : "nothing");
        QTest::mouseMove(under, under->mapFrom(m_player->window(), zoomIn));
        QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFrom(m_player->window(), zoomIn));
        QTRY_COMPARE_WITH_TIMEOUT(pageJson(web, "kestrunMapState().zoom").toDouble(), zoom + 1, 5000);
    }

    // Another map chosen from the menu while paused: the new page shows the car where it stood, and the
    // re-centre button is still over the map and takes clicks.
    void anotherMapKeepsTheCarAndTheRecentreButton() {
        m_player->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_player->window()));
        const int row = rowOf(m_clips[1]);
        QVERIFY(row >= 0);
        playlist()->tableView()->scrollTo(playlist()->model()->index(row, 0));
        QTest::mouseClick(playlist()->tableView()->viewport(), Qt::LeftButton, {}, rowPoint(row));
        QTRY_VERIFY_WITH_TIMEOUT(video()->platformEngine()->isPlaying() && video()->currentTime() > 2, 20000);
        QTest::keyClick(keyTarget(), Qt::Key_Space);
        QTRY_VERIFY(!video()->platformEngine()->isPlaying());
        CVWebViewController* map = m_player->map();
        QTRY_VERIFY_WITH_TIMEOUT(pageJson(map->webview(), "kestrunMapState().marker") != "null", 10000);
        auto* recentre = map->findChild<QToolButton*>();
        QVERIFY(recentre && recentre->accessibleName() == "Centre the map on the car");

        for (const QString& choice : {QStringLiteral("Baidu Map"), QStringLiteral("Google Map")}) {
            QWebEngineView* before = map->webview();
            QVERIFY(m_player->chooseFromMenu({"View", "Map", choice}));
            QTRY_VERIFY_WITH_TIMEOUT(map->webview() != before && map->pageLoaded(), 20000);
            QWebEngineView* web = map->webview();
            QTRY_VERIFY2_WITH_TIMEOUT(pageJson(web, "kestrunMapState().marker") != "null",
                                      qPrintable(choice + ": no car"), 10000);
            QVERIFY(!video()->platformEngine()->isPlaying());
            m_player->screenshot("userpaths", "12-" + choice.section(' ', 0, 0).toLower());
            // What lies at the button's place in the window is the button; a click brings the car into view.
            const QPoint centre = recentre->mapTo(m_player->window(), recentre->rect().center());
            QTRY_VERIFY2(m_player->window()->childAt(centre) == recentre, qPrintable(choice));
            QTest::mouseClick(recentre, Qt::LeftButton);
            const auto centredOnCar = [&] {
                const QJsonArray car =
                    QJsonDocument::fromJson(pageJson(web, "kestrunMapState().marker").toUtf8()).array();
                const QJsonArray centre =
                    QJsonDocument::fromJson(pageJson(web, "kestrunMapState().center").toUtf8()).array();
                return car.size() == 2 && centre.size() == 2 &&
                       std::abs(car[0].toDouble() - centre[0].toDouble()) < 1e-3 &&
                       std::abs(car[1].toDouble() - centre[1].toDouble()) < 1e-3;
            };
            QTRY_VERIFY_WITH_TIMEOUT(centredOnCar(), 5000);
        }
    }
};

// Qt WebEngine wants shared OpenGL contexts set before the application object exists.
static const bool kShareContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

QTEST_MAIN(TestUserPaths)
#include "tst_userpaths.moc"
