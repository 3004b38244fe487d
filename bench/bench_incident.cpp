// Saving an incident: a 30 s part of a three-minute 1080p H.264 clip (with AAC audio and a GPS track of 180
// records) by stream copy, as File > Save Clip does. The clip is made once by ffmpeg (ultrafast preset) in a
// temporary folder; each round saves in a process of its own, so that its peak memory is its own. Figures:
// median and fastest wall time, peak resident memory, the saved file's size.
//
//   bench_incident [--rounds N] [--keep-clip DIR]
#include "ClipWriter.h"
#include "IncidentSaver.h"
#include "SyntheticDrive.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kClipSeconds = 180;
constexpr double kFrom = 75;
constexpr double kTo = 105;

struct Round {
    double seconds = 0;
    long peakKiB = 0;
    bool ok = false;
};

bool makeClip(const std::string& folder, const std::string& clip) {
    const std::string raw = folder + "/raw.mp4";
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
        "testsrc2=size=1920x1080:rate=30:duration=" +
        std::to_string(kClipSeconds) +
        " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=" + std::to_string(kClipSeconds) +
        " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 30 -c:a aac -shortest -threads 2 '" + raw + "'";
    if (std::system(command.c_str()) != 0)
        return false;
    SyntheticDrive drive = SyntheticDrive::china();
    drive.seconds = kClipSeconds;
    const auto bytes = ClipWriter::readFile(raw);
    if (!bytes)
        return false;
    const auto withTrack = ClipWriter::addTrack(*bytes, drive.messages());
    std::filesystem::remove(raw);
    return withTrack && ClipWriter::writeFile(clip, *withTrack);
}

// One save in a child process: its wall time and its own peak memory.
Round saveOnce(const std::string& clip, const std::string& target) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const auto start = std::chrono::steady_clock::now();
        const IncidentResult result = IncidentSaver::save({clip, target, kFrom, kTo});
        Round round;
        round.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        round.ok = result.ok;
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        round.peakKiB = usage.ru_maxrss;
        if (!result.ok)
            std::fprintf(stderr, "save failed: %s\n", result.error.c_str());
        [[maybe_unused]] const auto written = ::write(fds[1], &round, sizeof round);
        ::_exit(0);
    }
    ::close(fds[1]);
    Round round;
    if (::read(fds[0], &round, sizeof round) != sizeof round)
        round = {};
    ::close(fds[0]);
    ::waitpid(pid, nullptr, 0);
    return round;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--keep-clip" && i + 1 < argc)
            keep = argv[++i];
    }
    char pattern[] = "/tmp/kestrun-bench-incident-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (!made) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = keep.empty() ? std::string(made) : keep;
    std::filesystem::create_directories(folder);
    const std::string clip = folder + "/drive-1080p.mp4";
    if (!std::filesystem::exists(clip)) {
        std::printf("making a %d s 1080p H.264 clip with a GPS track...\n", kClipSeconds);
        if (!makeClip(folder, clip)) {
            std::fprintf(stderr, "cannot make the clip (is ffmpeg with libx264 installed?)\n");
            return 1;
        }
    }
    const std::string target = std::string(made) + "/incident.mp4";
    std::vector<Round> results;
    for (int r = 0; r < rounds; ++r) {
        const Round round = saveOnce(clip, target);
        if (!round.ok)
            return 1;
        results.push_back(round);
    }
    const auto size = std::filesystem::file_size(target);
    std::sort(results.begin(), results.end(),
              [](const Round& a, const Round& b) { return a.seconds < b.seconds; });
    long peak = 0;
    for (const Round& round : results)
        peak = std::max(peak, round.peakKiB);
    std::printf(
        "incident save, %g s of a %d s 1080p clip (%.1f MB), %d rounds: median %.1f ms, fastest %.1f ms, "
        "peak memory %.1f MB, saved file %.1f MB\n",
        kTo - kFrom, kClipSeconds, double(std::filesystem::file_size(clip)) / 1e6, rounds,
        results[results.size() / 2].seconds * 1000, results.front().seconds * 1000, double(peak) / 1024,
        double(size) / 1e6);
    std::filesystem::remove(target);
    if (keep.empty())
        std::filesystem::remove(clip);
    std::filesystem::remove(made);
    return 0;
}
