// Playback costs. Two parts:
//   bench_playback                      the main-thread cost of one time report through all modules (the
//                                       layout's real modules), with Google Benchmark;
//   bench_playback --cpu FILE SECONDS   plays FILE in the video module for SECONDS and prints the process's
//   CPU
//                                       use (all threads, decoders included) as a share of one core.
// bench/playback_cpu.sh runs the second part on generated 1080p clips under Xvfb.
#include "CVLayoutViewController.h"
#include "SettingsStore.h"
#include "VideoViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

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

int playForCpu(const QString& file, int seconds) {
    auto* window = new CVLayoutViewController;
    window->resize(1280, 800);
    window->show();
    VideoViewController* video = window->videoVC();
    video->initAssetData(QUrl::fromLocalFile(file));
    QElapsedTimer wall;
    double cpuStart = 0;
    // Measure from one second in (the engine is up) for `seconds`.
    QTimer::singleShot(1000, [&] {
        wall.start();
        cpuStart = cpuSeconds();
    });
    QTimer::singleShot(1000 + seconds * 1000, [&] {
        const double cpu = cpuSeconds() - cpuStart;
        const double elapsed = double(wall.elapsed()) / 1000;
        std::printf("%s engine=%s cpu=%.2fs wall=%.2fs share_of_one_core=%.0f%%\n", qPrintable(file),
                    video->isTSvideo() ? "vlc" : "platform", cpu, elapsed, 100 * cpu / elapsed);
        video->close();
        QCoreApplication::quit();
    });
    const int status = QCoreApplication::exec();
    delete window;
    return status;
}

} // namespace

BENCHMARK(timeReportThroughModules);

int main(int argc, char** argv) {
    qputenv("KESTRUN_REACHABILITY", "offline"); // no map host is probed
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    SettingsStore::resetShared();
    if (argc >= 4 && QString(argv[1]) == "--cpu")
        return playForCpu(QString::fromLocal8Bit(argv[2]), QString(argv[3]).toInt());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SettingsStore::resetShared();
    return 0;
}
