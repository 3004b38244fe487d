// Playback costs. Two parts:
//   bench_playback                          the main-thread cost of one time report through all modules (the
//                                           layout's real modules), with Google Benchmark;
//   bench_playback --play FILE FPS SECONDS  the whole player as main() makes it (store, menus, map pages,
//                                           panels), driven by real mouse clicks:
//     - from a click on FILE's row, while a copy of it plays, to the first frame of FILE painted;
//     - SECONDS of playback: CPU of the player and its helper processes (the map's renderer) together,
//       and the frames painted against the frames the file holds over that stretch (FPS frames a second);
//     - clicks on the seek bar: from each click to the first frame painted near its target.
// bench/playback_cpu.sh runs the second part beside the bare engines on generated clips under Xvfb.
#include "AppDelegate.h"
#include "CVLayoutViewController.h"
#include "CVWindowController.h"
#include "MyCustomSlider.h"
#include "PlatformEngine.h"
#include "PlatformVideoSurface.h"
#include "PlayListViewController.h"
#include "PlayerEnvironment.h"
#include "SettingsStore.h"
#include "VideoViewController.h"
#include "VlcEngine.h"
#include "VlcVideoSurface.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListView>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <unistd.h>

namespace {

void timeReportThroughModules(benchmark::State& state) {
    CVLayoutViewController layout;
    layout.resize(1008, 630);
    VideoViewController* video = layout.videoVC();
    double t = 0;
    for (auto _ : state) {
        video->reportTime(t);
        t += 0.25;
    }
}

// CPU seconds of this process and every process below it (Qt WebEngine's renderer and GPU processes).
double treeCpuSeconds() {
    std::map<int, int> parent;
    std::map<int, long long> ticks;
    const QStringList entries = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isPid = false;
        const int pid = entry.toInt(&isPid);
        if (!isPid)
            continue;
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13)
            continue;
        parent[pid] = fields[1].toInt();
        ticks[pid] = fields[11].toLongLong() + fields[12].toLongLong();
    }
    const int self = static_cast<int>(::getpid());
    long long total = 0;
    for (const auto& [pid, used] : ticks) {
        for (int p = pid; p > 1; p = parent.count(p) ? parent[p] : 0) {
            if (p == self) {
                total += used;
                break;
            }
        }
    }
    return static_cast<double>(total) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Waits, turning the event loop, until `done` holds or `timeoutMs` passes; the milliseconds it took, or -1.
double msUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QTest::qSleep(1);
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

class PlayerUnderTest {
public:
    explicit PlayerUnderTest(CVWindowController* window)
        : m_video(window->content()->videoVC()) {}

    bool vlc() const { return m_video->isTSvideo(); }
    quint64 frames() const {
        return vlc() ? m_video->vlcEngine()->surface()->framesShown()
                     : static_cast<PlatformVideoSurface*>(m_video->platformEngine()->videoSurface())
                           ->framesShown();
    }
    // The media time of the picture on screen, seconds: the frame's own time where the engine gives it.
    double pictureTime() const {
        if (vlc())
            return m_video->vlcEngine()->currentTime();
        const qint64 us =
            static_cast<PlatformVideoSurface*>(m_video->platformEngine()->videoSurface())->frameTime();
        return us >= 0 ? static_cast<double>(us) / 1e6 : m_video->currentTime();
    }
    bool plays(const QUrl& url) const { return m_video->activeUrl() == url; }
    // The second written into the picture on screen (see playback_cpu.sh: a grey square at the top left,
    // luma 16 + 7 × the second), -1 without a picture.
    int shownSecond() const {
        const QImage picture =
            vlc() ? m_video->vlcEngine()->surface()->currentFrame()
                  : static_cast<PlatformVideoSurface*>(m_video->platformEngine()->videoSurface())
                        ->currentImage();
        if (picture.width() < 64 || picture.height() < 64)
            return -1;
        int sum = 0;
        for (int y = 16; y < 48; y += 4)
            for (int x = 16; x < 48; x += 4)
                sum += qGray(picture.pixel(x, y));
        const double grey = sum / 64.0;
        return qRound(grey * 219.0 / 255.0 / 7.0);
    }

private:
    VideoViewController* m_video;
};

int play(const QString& file, double fps, int seconds) {
    QTemporaryDir media;
    const QFileInfo info(file);
    const QString leadIn = media.filePath("lead-in." + info.suffix());
    if (!QFile::link(info.absoluteFilePath(), leadIn)) {
        std::fprintf(stderr, "cannot link %s\n", qPrintable(leadIn));
        return 1;
    }
    const QUrl target = QUrl::fromLocalFile(info.absoluteFilePath());

    PlayerEnvironment::setUpApplication(*qApp);
    AppDelegate delegate;
    CVWindowController window;
    delegate.buildMenus(window.menuBar());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    delegate.applicationDidFinishLaunching(QList<QUrl>{QUrl::fromLocalFile(leadIn), target});
    PlayerUnderTest player(&window);
    VideoViewController* video = window.content()->videoVC();

    // The copy plays for two seconds, then a click on the file's row.
    if (msUntil([&] { return player.frames() > 0 && video->currentTime() >= 2.0; }, 20000) < 0) {
        std::fprintf(stderr, "the lead-in clip did not play\n");
        return 1;
    }
    QListView* rows = window.content()->playlistVC()->tableView();
    const QModelIndex row = rows->model()->index(1, 0);
    rows->scrollTo(row);
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, rows->visualRect(row).center());
    // A frame of the file's first second on screen (the copy that played was at its third).
    quint64 seen = player.frames();
    const auto newFrameAt = [&](double second) {
        if (player.frames() == seen)
            return false;
        seen = player.frames();
        return std::abs(player.shownSecond() - second) <= 1.0;
    };
    const double firstFrameMs = msUntil([&] { return player.plays(target) && newFrameAt(0); }, 10000);
    std::printf("first_frame_after_click_ms=%.0f engine=%s\n", firstFrameMs,
                player.vlc() ? "vlc" : "platform");

    // The stretch of plain playback.
    QTest::qWait(1500);
    const double cpu0 = treeCpuSeconds();
    const quint64 frames0 = player.frames();
    const double media0 = player.pictureTime();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(seconds * 1000);
    const double cpu = treeCpuSeconds() - cpu0;
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000;
    const auto shown = static_cast<double>(player.frames() - frames0);
    const double inFile = (player.pictureTime() - media0) * fps;
    std::printf("cpu=%.2fs wall=%.2fs share_of_one_core=%.0f%% frames_shown=%.0f frames_in_file=%.0f "
                "shown=%.1f%%\n",
                cpu, elapsed, 100 * cpu / elapsed, shown, inFile, inFile > 0 ? 100 * shown / inFile : 0.0);

    // Seeks by clicks on the seek bar, away from the ends.
    MyCustomSlider* bar = video->timeSlider();
    std::vector<double> seekMs;
    for (const double at : {0.2, 0.7, 0.35, 0.85, 0.5}) {
        const QPoint point(qRound(bar->width() * at), bar->height() / 2);
        seen = player.frames();
        QTest::mouseClick(bar, Qt::LeftButton, {}, point);
        const double wanted = video->duration() * bar->value() / bar->maximum(); // the second asked for
        const double ms = msUntil([&] { return newFrameAt(std::floor(wanted)); }, 5000);
        seekMs.push_back(ms);
        std::printf("seek_to=%.0fs ms=%.0f\n", wanted, ms);
        QTest::qWait(700);
    }
    std::sort(seekMs.begin(), seekMs.end());
    std::printf("seek_median_ms=%.0f seek_worst_ms=%.0f\n", seekMs[seekMs.size() / 2], seekMs.back());
    std::fflush(stdout);
    video->close();
    return 0;
}

} // namespace

BENCHMARK(timeReportThroughModules);

int main(int argc, char** argv) {
    qputenv("KESTRUN_REACHABILITY", "offline"); // no map host is probed
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    if (argc >= 5 && QString(argv[1]) == "--play") {
        PlayerEnvironment::prepare();
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        QApplication app(argc, argv);
        return play(QString::fromLocal8Bit(argv[2]), QString(argv[3]).toDouble(), QString(argv[4]).toInt());
    }
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    SettingsStore::resetShared();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SettingsStore::resetShared();
    return 0;
}
