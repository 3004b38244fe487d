// The player at scale, as figures (no thresholds), each beside the empty store's measured in the same run:
//   - start to a usable window (from the process's start: the store read, the window built and shown with
//     the list in its table) and resident memory then, with 0, 1,000 and 10,000 clips × 180 samples;
//   - a row switch (activation stored, the track read, the map's route and its script text, the dashboard,
//     the play list's graph);
//   - adding one clip until its row is on disk;
//   - a batch of 200 clips: total time and the longest stall of the main event loop while it runs.
// The clips form trips of sixty (as a camera splits drives), so a row switch also reads its trip's tracks.
// Each measurement runs in a process of its own (bench_scale --measure), on a store made by another
// (bench_scale --prepare), so that one's memory does not show in the next.
#include "AppDelegate.h"
#include "CVDisplayViewController.h"
#include "CVLayoutViewController.h"
#include "CVWebViewController.h"
#include "CVWindowController.h"
#include "ClipWriter.h"
#include "MyCache.h"
#include "MyCacheEvents.h"
#include "PlayListStore.h"
#include "PlayListViewController.h"
#include "SettingsStore.h"
#include "SyntheticDrive.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kSamples = 180;
constexpr int kBatch = 200;
constexpr int kSwitches = 20;
constexpr int kSingleAdds = 5;

QString clipKey(int c) {
    return QString("file:///media/clip%1.MP4").arg(c);
}

PlayList bigList(int clips) {
    PlayList list;
    for (int c = 0; c < clips; ++c) {
        TrackInfo info;
        info.fileSize = 180.5f;
        info.fileTime = "2026-12-10 03:14:54";
        info.isInChina = c % 2 == 0;
        std::vector<TrackSample> samples;
        for (int s = 0; s < kSamples; ++s)
            samples.push_back({"22.5" + std::to_string(10000 + s), "113.9" + std::to_string(10000 + s), 12,
                               -30, 1024, float(s % 360), float(30 + s % 40)});
        info.videoDatas = std::move(samples);
        info.maxSpeed = 69;
        info.aevSpeed = 50;
        info.totailDistance = 9000;
        // As a camera records: drives of sixty three-minute clips that follow one another (trips), a day
        // apart, so that a row switch also draws the trip around the clip.
        const qint64 start = 1717230600 + qint64(c / 60) * 86400 + qint64(c % 60) * kSamples;
        const QString recordTime =
            QDateTime::fromSecsSinceEpoch(start, QTimeZone::utc()).toString(Qt::ISODate);
        list.push_back(PlayListEntry::fromTrackInfo(clipKey(c), info, recordTime));
    }
    return list;
}

// Milliseconds since this process started (the kernel's start time, in clock ticks since boot).
double processAgeMs() {
    QFile stat("/proc/self/stat");
    QFile uptime("/proc/uptime");
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray fields = stat.readAll();
    const QList<QByteArray> rest = fields.mid(fields.lastIndexOf(')') + 2).split(' ');
    const double started = rest.value(19).toDouble() / double(::sysconf(_SC_CLK_TCK));
    const double now = uptime.readAll().split(' ').value(0).toDouble();
    return (now - started) * 1000.0;
}

double residentMegabytes() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.simplified().split(' ').value(1).toDouble() / 1024.0;
    }
    return -1;
}

void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

int prepare(int clips) {
    PlayListStore store(PlayListStore::defaultPath());
    if (clips > 0)
        store.replace(bigList(clips)); // one transaction
    return store.flush(-1) ? 0 : 1;
}

int measure(int clips, const QString& media, bool startOnly) {
    // Start: the store read, the window built and shown with the list in its table.
    QElapsedTimer storeTimer;
    storeTimer.start();
    PlayListStore::shared();
    std::printf("store %.1f\n", double(storeTimer.nsecsElapsed()) / 1e6);
    AppDelegate delegate;
    CVWindowController window;
    delegate.buildMenus(window.menuBar());
    window.show();
    delegate.applicationDidFinishLaunching();
    QCoreApplication::processEvents();
    const double startMs = processAgeMs();
    settle(1000);
    std::printf("start %.0f\nresident %.0f\n", startMs, residentMegabytes());
    std::fflush(stdout);
    if (startOnly)
        return 0;

    // Row switches: activation plus each module's load of the file's telemetry.
    CVLayoutViewController* content = window.content();
    double worst = 0;
    double total = 0;
    for (int i = 0; clips > 0 && i < kSwitches; ++i) {
        const int row = (i * 7919) % clips;
        const QString key = clipKey(row);
        QElapsedTimer one;
        one.start();
        MyCache::activateIndex(row);
        content->webVC()->dataLogicProcessOfViodePath(key);
        content->playlistVC()->dataLogicProcessOfViodePath(key);
        content->displayVC()->playNext(true);
        content->displayVC()->dataLogicProcessOfViodePath(key);
        content->playlistVC()->reloadPlayListData();
        const double ms = double(one.nsecsElapsed()) / 1e6;
        worst = std::max(worst, ms);
        total += ms;
    }
    if (clips > 0)
        std::printf("switch %.1f %.1f\n", total / kSwitches, worst);

    // One clip added at a time, until its row is on disk.
    const auto bytes = ClipWriter::bareClip([] {
        SyntheticDrive drive = SyntheticDrive::china();
        drive.seconds = kSamples;
        return drive.messages();
    }());
    QString storedKey;
    QObject::connect(&MyCache::events(), &MyCacheEvents::rowStored,
                     [&](const QString& key) { storedKey = key; });
    double addTotal = 0;
    double addWorst = 0;
    for (int i = 0; i < kSingleAdds; ++i) {
        const QString path = media + QString("/single%1.mp4").arg(i);
        ClipWriter::writeFile(path.toStdString(), bytes);
        const QUrl url = QUrl::fromLocalFile(path);
        storedKey.clear();
        QElapsedTimer one;
        one.start();
        bool finished = false;
        MyCache::playPathArrCache({url}, [&finished] { finished = true; });
        // Until the row is on disk (a clip listed already would never be: then the batch's end stops it).
        while (storedKey != MyCache::fileKey(url) && !finished)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double ms = double(one.nsecsElapsed()) / 1e6;
        addTotal += ms;
        addWorst = std::max(addWorst, ms);
        settle(50);
    }
    std::printf("add %.1f %.1f\n", addTotal / kSingleAdds, addWorst);

    // A batch of 200 new clips while the event loop is watched for stalls.
    QList<QUrl> urls;
    for (int i = 0; i < kBatch; ++i) {
        const QString path = media + QString("/batch%1.mp4").arg(i);
        ClipWriter::writeFile(path.toStdString(), bytes);
        urls << QUrl::fromLocalFile(path);
    }
    QElapsedTimer batch;
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout,
                     [&] { longestStall = std::max(longestStall, sinceTick.restart()); });
    bool done = false;
    batch.start();
    sinceTick.start();
    watch.start();
    MyCache::playPathArrCache(urls, [&] { done = true; });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const qint64 batchMs = batch.elapsed();
    settle(100); // the completion's reload of the list: the next tick measures that stall
    watch.stop();
    std::printf("batch %lld %lld\n", batchMs, longestStall);
    MyCache::shutdown(5000);
    return 0;
}

// Runs this program again with `arguments` under the store `config`; its output lines as key -> values.
QMap<QString, QStringList> child(const QStringList& arguments, const QString& config) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QCoreApplication::applicationFilePath(), arguments);
    process.waitForFinished(-1);
    QMap<QString, QStringList> values;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QStringList parts = QString::fromUtf8(line).split(' ', Qt::SkipEmptyParts);
        if (parts.size() >= 2)
            values.insert(parts.first(), parts.mid(1));
    }
    return values;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("KESTRUN_REACHABILITY", "offline");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == "--prepare")
        return prepare(args.at(2).toInt());
    if (args.size() >= 4 && args.at(1) == "--measure")
        return measure(args.at(2).toInt(), args.at(3), args.size() == 5 && args.at(4) == "--start-only");

    // Start and memory are measured kRounds times, the sizes taken in turn so that the machine's load falls
    // on all alike, and the best round of each is reported. The last round also measures the rest (its adds
    // change the store, so it comes last).
    constexpr int kRounds = 3;
    const QList<int> sizes{0, 1000, 10000};
    QMap<int, std::shared_ptr<QTemporaryDir>> configs;
    for (const int clips : sizes) {
        configs.insert(clips, std::make_shared<QTemporaryDir>());
        child({"--prepare", QString::number(clips)}, configs[clips]->path());
    }
    QMap<int, QMap<QString, QStringList>> results;
    QMap<int, QList<double>> starts;
    QMap<int, QList<double>> residents;
    for (int round = 0; round < kRounds; ++round) {
        const bool last = round == kRounds - 1;
        for (const int clips : sizes) {
            QTemporaryDir media;
            QStringList arguments{"--measure", QString::number(clips), media.path()};
            if (!last)
                arguments << "--start-only";
            const auto r = child(arguments, configs[clips]->path());
            if (last)
                results.insert(clips, r);
            starts[clips] << r.value("start").value(0).toDouble();
            residents[clips] << r.value("resident").value(0).toDouble();
        }
    }
    const auto best = [](const QList<double>& values) {
        return *std::min_element(values.begin(), values.end());
    };
    const auto joined = [](const QList<double>& values) {
        QStringList texts;
        for (const double v : values)
            texts << QString::number(v, 'f', 0);
        return texts.join(" ");
    };
    std::printf(
        "clips x 180 samples | start to usable window: best (each round), rows read | resident: least | "
        "row switch mean/worst | one clip added, on disk, mean/worst | 200 clips: total, longest "
        "main-loop stall\n");
    for (const int clips : sizes) {
        const auto& r = results[clips];
        const auto v = [&r](const QString& key, int i) {
            return r.value(key).value(i, "-");
        };
        std::printf("%6d | %5.0f ms (%s), %s ms | %4.0f MB | %s / %s ms | %s / %s ms | %s ms, %s ms\n", clips,
                    best(starts[clips]), qPrintable(joined(starts[clips])), qPrintable(v("store", 0)),
                    best(residents[clips]), qPrintable(v("switch", 0)), qPrintable(v("switch", 1)),
                    qPrintable(v("add", 0)), qPrintable(v("add", 1)), qPrintable(v("batch", 0)),
                    qPrintable(v("batch", 1)));
    }
    std::printf("10000 clips against the empty store: start %+.0f ms, resident %+.0f MB\n",
                best(starts[10000]) - best(starts[0]), best(residents[10000]) - best(residents[0]));
    return 0;
}
