// A mixed list played through in the real window under Xvfb, with the real engines: every end is reached by
// playing. H.264 MP4 with GPS, HEVC transport stream, HEVC 'hvc1' MP4 with GPS, an MP4 whose records have no
// fix, an MP4 without a 'gps ' index, H.264 MP4 with GPS; with repeat off (the last row ends and stays) and
// on. While a clip plays, the panels paint only what changed; while it is paused, nothing paints.
#include "AppDelegate.h"
#include "AppManager.h"
#include "CVDisplayViewController.h"
#include "CVWindowController.h"
#include "CustomGsensorView.h"
#include "PlatformEngine.h"
#include "PlatformVideoSurface.h"
#include "PlayListModel.h"
#include "PlayListViewController.h"
#include "PlayerHarness.h"
#include "SpeedView.h"
#include "VideoViewController.h"
#include "VlcEngine.h"
#include "VlcVideoSurface.h"

#include <QLabel>
#include <QListView>
#include <QMap>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// What the user sees over time, sampled every few milliseconds: the file that plays, in order, whether a
// picture of each reached the screen, and how often the same file started again.
class Watcher : public QObject {
public:
    explicit Watcher(const PlayerHarness& player)
        : m_player(player) {
        connect(&m_timer, &QTimer::timeout, this, &Watcher::sample);
        m_timer.start(20);
    }

    QStringList played;
    QSet<QString> pictured;
    QMap<QString, QSet<QString>> panelTimes; // the play-list panel's "elapsed / length" seen per file
    int restarts = 0;

private:
    void sample() {
        VideoViewController* video = m_player.video();
        const auto url = video->activeUrl();
        const QString name = url ? url->fileName() : QString();
        if (!name.isEmpty() && (played.isEmpty() || played.last() != name)) {
            played << name;
            m_framesAtStart = video->platformEngine()->surface()->framesShown();
            m_latest = 0;
        }
        if (name.isEmpty())
            return;
        const bool picture = video->isTSvideo()
                                 ? !video->vlcEngine()->surface()->currentFrame().isNull()
                                 : video->platformEngine()->surface()->framesShown() > m_framesAtStart;
        if (picture)
            pictured << name;
        panelTimes[name] << m_player.playlist()->timeText()->text();
        const double now = video->currentTime();
        if (m_latest > 2 && now < 1)
            ++restarts;
        m_latest = now;
    }

    const PlayerHarness& m_player;
    QTimer m_timer;
    quint64 m_framesAtStart = 0;
    double m_latest = 0;
};

// The paint events of every widget of the window, with the part each one painted.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* window)
        : m_window(window) {
        qApp->installEventFilter(this);
    }
    ~PaintRecorder() override { qApp->removeEventFilter(this); }

    QList<QPair<QWidget*, QRegion>> paints;
    void clear() { paints.clear(); }
    QList<QRegion> of(QWidget* widget) const {
        QList<QRegion> regions;
        for (const auto& [painted, region] : paints)
            if (painted == widget)
                regions << region;
        return regions;
    }
    QStringList names() const {
        QStringList names;
        for (const auto& [painted, region] : paints) {
            const QRect r = region.boundingRect();
            names << QString("%1 %2,%3 %4x%5")
                         .arg(painted->metaObject()->className())
                         .arg(r.x())
                         .arg(r.y())
                         .arg(r.width())
                         .arg(r.height());
        }
        return names;
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint && object->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(object);
            if (widget->window() == m_window)
                paints.append({widget, static_cast<QPaintEvent*>(event)->region()});
        }
        return false;
    }

private:
    QWidget* m_window;
};

} // namespace

class TestPlaythrough : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<PlayerHarness> m_player;
    QList<QUrl> m_clips;

    QStringList names(int from, int to) const {
        QStringList out;
        for (int i = from; i <= to; ++i)
            out << m_clips[i].fileName();
        return out;
    }

    void clickRow(int row) {
        QListView* view = m_player->playlist()->tableView();
        const QRect rect = view->visualRect(view->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(rect.left() + 40, rect.center().y()));
    }

    bool lastRowHasEnded() const {
        VideoViewController* video = m_player->video();
        return video->activeUrl() == std::optional<QUrl>(m_clips.last()) &&
               !video->platformEngine()->isPlaying() && video->currentTime() >= 2.5;
    }

private slots:
    void initTestCase() {
        m_player = std::make_unique<PlayerHarness>();
        SyntheticDrive world = SyntheticDrive::world();
        world.seconds = 3;
        m_clips = m_player->mixedClips(3) << m_player->clip("gps-world.mp4", PlayerHarness::h264(3), world);
        m_player->start();
    }

    void playsThroughWithRepeatOff() {
        QCOMPARE(AppManager::sharedManager().playType(), 0); // the loop toggle starts on: advance
        Watcher watcher(*m_player);
        QSignalSpy opened(m_player->delegate(), &AppDelegate::openFinished);
        m_player->delegate()->openUrls(m_clips); // as given on the command line: the first plays
        QVERIFY(opened.wait(30000));
        QCOMPARE(m_player->playlist()->model()->rowCount(), 6);
        // The rows say when each clip was recorded, and which one never had a position.
        const QAbstractItemModel* rows = m_player->playlist()->model();
        QCOMPARE(rows->index(3, 0).data(PlayListModel::GpsRole).toString(), QString("no fix"));
        QVERIFY(rows->index(0, 0).data(PlayListModel::RecordTimeRole).toString().startsWith("2024-06-0"));
        QVERIFY(!rows->index(1, 0).data(PlayListModel::RecordTimeRole).isValid()); // no records
        // The row's tooltip tells its two dates apart.
        const QStringList tip = rows->index(0, 0).data(Qt::ToolTipRole).toString().split('\n');
        QCOMPARE(tip.size(), 3);
        QVERIFY(tip[1].startsWith("Recorded 2024-06-0") && tip[2].startsWith("Added 20"));
        QVERIFY(!rows->index(1, 0).data(Qt::ToolTipRole).toString().contains("Recorded"));
        m_player->screenshot("playthrough", "rows");
        QTRY_VERIFY2_WITH_TIMEOUT(lastRowHasEnded(), qPrintable(watcher.played.join(", ")), 120000);
        QCOMPARE(watcher.played, names(0, 5));
        // Every file with a picture showed it.
        for (const QString& name : names(0, 5))
            QVERIFY2(watcher.pictured.contains(name), qPrintable(name + " showed no picture"));
        // The panel's time follows the video also where the file has no GPS track.
        for (const QString& name : names(0, 5)) {
            QVERIFY2(
                watcher.panelTimes.value(name).contains("00:02 / 00:03"),
                qPrintable(name + ": " + QStringList(watcher.panelTimes.value(name).values()).join(", ")));
        }
        // Stays on the last row, the player up.
        QTest::qWait(1500);
        QVERIFY(lastRowHasEnded());
        QCOMPARE(m_player->playlist()->selectIndex(), 5);
        QVERIFY(m_player->window()->isVisible());
        m_player->screenshot("playthrough", "last-row-ended");
    }

    void repeatOnPlaysTheSameRowAgainThenOffGoesOn() {
        Watcher watcher(*m_player);
        QTest::mouseClick(m_player->video()->loopButton(), Qt::LeftButton);
        QCOMPARE(AppManager::sharedManager().playType(), 1);
        clickRow(3); // the clip without a fix, after the last GPS clip
        QTRY_COMPARE_WITH_TIMEOUT(watcher.played, names(3, 3), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(watcher.restarts >= 1, 30000);
        QCOMPARE(watcher.played, names(3, 3));
        m_player->screenshot("playthrough", "repeat");

        QTest::mouseClick(m_player->video()->loopButton(), Qt::LeftButton);
        QCOMPARE(AppManager::sharedManager().playType(), 0);
        QTRY_VERIFY2_WITH_TIMEOUT(lastRowHasEnded(), qPrintable(watcher.played.join(", ")), 60000);
        QCOMPARE(watcher.played, names(3, 5));
    }

    // The graph's cursor moves once a second and only its strip is painted; the gauge paints when the
    // speed changes; while paused nothing in the window paints.
    void panelsPaintOnlyWhatChangesAndNothingWhilePaused() {
        SyntheticDrive drive = SyntheticDrive::china();
        drive.seconds = 10;
        const QUrl clip = m_player->clip("panels.mp4", PlayerHarness::h264(10), drive);
        QSignalSpy opened(m_player->delegate(), &AppDelegate::openFinished);
        m_player->delegate()->openUrls({clip});
        QVERIFY(opened.wait(30000));
        clickRow(m_player->playlist()->model()->rowCount() - 1);
        VideoViewController* video = m_player->video();
        QTRY_VERIFY_WITH_TIMEOUT(video->activeUrl() == std::optional<QUrl>(clip) && video->currentTime() >= 2,
                                 20000);
        CVDisplayViewController* display = m_player->display();
        CustomGsensorView* graph = display->gsensorView();
        PaintRecorder recorder(m_player->window());
        QTest::qWait(3000);
        const int seconds = 4; // three seconds of playing touch at most four
        const QList<QRegion> cursor = recorder.of(graph);
        QVERIFY2(!cursor.isEmpty() && cursor.size() <= seconds, qPrintable(recorder.names().join("; ")));
        for (const QRegion& region : cursor) {
            for (const QRect& rect : region) // the strips the cursor left and entered
                QVERIFY2(rect.width() <= 5, qPrintable(recorder.names().join("; ")));
        }
        QVERIFY(recorder.of(display->speedView()).size() <= seconds);
        QVERIFY(recorder.of(m_player->playlist()->gsensorView()).size() <= seconds);

        QTest::keyClick(m_player->window(), Qt::Key_Space);
        QTRY_VERIFY(!video->platformEngine()->isPlaying());
        QTest::qWait(500);
        recorder.clear();
        QTest::qWait(2000);
        QVERIFY2(recorder.paints.isEmpty(), qPrintable(recorder.names().join("; ")));
        QTest::keyClick(m_player->window(), Qt::Key_Space);
        QTRY_VERIFY(video->platformEngine()->isPlaying());
    }
};

// Qt WebEngine wants shared OpenGL contexts set before the application object exists.
static const bool kShareContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

QTEST_MAIN(TestPlaythrough)
#include "tst_playthrough.moc"
