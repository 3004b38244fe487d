// Extraction throughput: whole files through VideoGpsTool, as the play list's batch runs them. Clips are
// bare dash-cam clips from the clip writer with one record per second (a 3-minute clip has 180).
#include "ClipWriter.h"
#include "SyntheticDrive.h"
#include "VideoGpsTool.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRecordsPerClip = 180;

class ClipFolder {
public:
    explicit ClipFolder(int clips) {
        m_dir = std::filesystem::temp_directory_path() /
                ("kestrun-bench-" + std::to_string(::getpid()) + "-" + std::to_string(clips));
        std::filesystem::create_directories(m_dir);
        SyntheticDrive drive = SyntheticDrive::china();
        drive.seconds = kRecordsPerClip;
        const auto bytes = ClipWriter::bareClip(drive.messages());
        for (int i = 0; i < clips; ++i) {
            const auto path = (m_dir / ("clip" + std::to_string(i) + ".mp4")).string();
            ClipWriter::writeFile(path, bytes);
            m_paths.push_back(path);
        }
    }
    ~ClipFolder() { std::filesystem::remove_all(m_dir); }
    const std::vector<std::string>& paths() const { return m_paths; }

private:
    std::filesystem::path m_dir;
    std::vector<std::string> m_paths;
};

void extractClips(benchmark::State& state) {
    const int clips = static_cast<int>(state.range(0));
    const ClipFolder folder(clips);
    std::size_t samples = 0;
    for (auto _ : state) {
        for (const std::string& path : folder.paths()) {
            VideoGpsTool tool;
            tool.setLogSink({});
            tool.setResultsBlock(
                [&](const TrackInfo& info) { samples += info.videoDatas ? info.videoDatas->size() : 0; });
            tool.createVideoForGPSUrl(path);
        }
    }
    benchmark::DoNotOptimize(samples);
    state.counters["records/s"] =
        benchmark::Counter(double(state.iterations()) * clips * kRecordsPerClip, benchmark::Counter::kIsRate);
    state.counters["clips/s"] =
        benchmark::Counter(double(state.iterations()) * clips, benchmark::Counter::kIsRate);
}

// The same with the player's logging on (every sample writes a log line into a sink).
void extractClipWithLog(benchmark::State& state) {
    const ClipFolder folder(1);
    std::size_t bytes = 0;
    for (auto _ : state) {
        VideoGpsTool tool;
        tool.setLogSink([&](LogChannel, std::string_view text) { bytes += text.size(); });
        tool.createVideoForGPSUrl(folder.paths().front());
    }
    benchmark::DoNotOptimize(bytes);
    state.counters["records/s"] =
        benchmark::Counter(double(state.iterations()) * kRecordsPerClip, benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(extractClips)->Arg(1)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(extractClipWithLog)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
