// The stored play list at scale: 1000 clips of 180 samples (about 17 MB of JSON). Cold load of the store,
// one activation plus the three lookups a row switch makes, the first activation after a cold load (when
// every row's JSON text is still to be made), and the memory the loaded list takes.
#include "MyCache.h"
#include "PlayListStore.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

constexpr int kClips = 1000;
constexpr int kSamples = 180;

// Bytes allocated on the heap now.
double allocatedMegabytes() {
    return double(mallinfo2().uordblks) / 1e6;
}

PlayList bigList() {
    PlayList list;
    for (int c = 0; c < kClips; ++c) {
        TrackInfo info;
        info.fileSize = 180.5f + c;
        info.fileTime = "2026-12-10 03:14:54";
        info.isInChina = c % 2 == 0;
        std::vector<TrackSample> samples;
        samples.reserve(kSamples);
        for (int s = 0; s < kSamples; ++s) {
            samples.push_back({"22.5" + std::to_string(100000 + s * 7 + c),
                               "113.9" + std::to_string(100000 + s * 5), float(s % 40 - 20), float(c % 30),
                               float(1024 + s % 9), float(s % 360), float(30 + s % 50)});
        }
        info.videoDatas = std::move(samples);
        info.maxSpeed = 79;
        info.aevSpeed = 54.5f;
        info.totailDistance = 9810;
        list.push_back(
            PlayListEntry::fromTrackInfo(QString("file:///media/dashcam/clip%1.MP4").arg(c), info));
    }
    return list;
}

struct Fixture {
    QTemporaryDir dir;
    QString path;
    Fixture() {
        path = dir.filePath("Kestrun/KestrunPlayer.json");
        SettingsStore store(path);
        store.setValue("userSpeed", "2");
        store.setPlayList(bigList());
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void coldLoad(benchmark::State& state) {
    const QString path = fixture().path;
    state.counters["file MB"] = double(QFile(path).size()) / 1e6;
    for (auto _ : state) {
        SettingsStore store(path);
        benchmark::DoNotOptimize(store.playList()->size());
    }
}

void loadedListMemory(benchmark::State& state) {
    const QString path = fixture().path;
    double delta = 0;
    for (auto _ : state) {
        const double before = allocatedMegabytes();
        auto store = std::make_unique<SettingsStore>(path);
        store->setValue("userMap", "0"); // a write: every row's JSON text is made
        delta = allocatedMegabytes() - before;
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    state.counters["heap MB"] = delta;
}

// What a row switch costs on the main thread: the activation rewrite and the three lookups.
void rowSwitch(benchmark::State& state) {
    qputenv("XDG_CONFIG_HOME", QFileInfo(fixture().path).absolutePath().section('/', 0, -2).toUtf8());
    SettingsStore::resetShared();
    PlayListStore::resetShared();
    MyCache::activateIndex(0); // the first start imports the settings file's list into the database
    int row = 0;
    for (auto _ : state) {
        row = (row + 7) % kClips;
        MyCache::activateIndex(row);
        const QString key = QString("file:///media/dashcam/clip%1.MP4").arg(row);
        benchmark::DoNotOptimize(MyCache::findGpsDatas(key));
        benchmark::DoNotOptimize(MyCache::locationIsINChina(key));
        benchmark::DoNotOptimize(MyCache::findFileMessage(key));
    }
    PlayListStore::shared().flush(-1);
}

// How long until the database on disk holds a row switch (one transaction, committed to disk).
void rowSwitchOnDisk(benchmark::State& state) {
    PlayListStore::shared().flush(-1);
    int row = 0;
    for (auto _ : state) {
        row = (row + 7) % kClips;
        MyCache::activateIndex(row);
        PlayListStore::shared().flush(-1);
    }
}

void firstActivationAfterColdLoad(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        PlayListStore::resetShared();
        MyCache::playList();
        QThread::msleep(300); // start-up work: the window, the engines
        state.ResumeTiming();
        MyCache::activateIndex(3);
    }
    PlayListStore::shared().flush(-1);
}

} // namespace

BENCHMARK(coldLoad)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(loadedListMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(rowSwitch)->Unit(benchmark::kMillisecond);
BENCHMARK(rowSwitchOnDisk)->Unit(benchmark::kMillisecond);
BENCHMARK(firstActivationAfterColdLoad)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SettingsStore::resetShared();
    return 0;
}
