// kestrun-gps against ExifTool and against the floor program (extraction-floor), in one run on the same
// clips: 20 three-minute clips of 180 records, every record in its own 32 KiB block of "mdat" as cameras
// write them. Every command runs as a process of its own with its output sent to /dev/null; the figures are
// medians of several rounds (page cache warm). Also the per-clip cost of the extraction inside a process, as
// the player's batch runs it.
//
//   bench_extraction_compare [--rounds N] [--no-exiftool] [--keep-clips DIR]
#include "ClipWriter.h"
#include "ExtractionFloor.h"
#include "SyntheticDrive.h"
#include "VideoGpsTool.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kClips = 20;
constexpr int kRecordsPerClip = 180;
constexpr std::size_t kBlock = 32 * 1024;

using Clock = std::chrono::steady_clock;
using Bytes = ClipWriter::Bytes;

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

void appendBigEndian32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::byte((value >> shift) & 0xff));
}

// ftyp, "mdat" with one record at the start of each 32 KiB block, then "moov" with "mvhd" and the index. As
// cameras write them, each index entry gives the whole block's size and each block starts with a
// "freeGPS " header, so that ExifTool reads and decodes every block as it does for a camera's file.
Bytes cameraClip(const std::vector<HDGPSMessage>& messages) {
    Bytes clip = ClipWriter::box("ftyp", Bytes(16));
    const std::size_t mdatPayload = clip.size() + 8;
    Bytes blocks(messages.size() * kBlock);
    Bytes index;
    appendBigEndian32(index, 0);
    appendBigEndian32(index, std::uint32_t(messages.size()));
    for (std::size_t i = 0; i < messages.size(); ++i) {
        Bytes record;
        appendBigEndian32(record, std::uint32_t(kBlock));
        for (const char c : std::string_view("freeGPS "))
            record.push_back(std::byte(c));
        record.resize(ClipWriter::kRecordHeaderSize);
        append(record, Bytes(messages[i].toBytes().begin(), messages[i].toBytes().end()));
        std::copy(record.begin(), record.end(), blocks.begin() + std::ptrdiff_t(i * kBlock));
        appendBigEndian32(index, std::uint32_t(mdatPayload + i * kBlock));
        appendBigEndian32(index, std::uint32_t(kBlock));
    }
    append(clip, ClipWriter::box("mdat", blocks));
    Bytes moov = ClipWriter::box("mvhd", Bytes(100));
    append(moov, ClipWriter::box("gps ", index));
    append(clip, ClipWriter::box("moov", moov));
    return clip;
}

// Wall time of one run of `argv` in milliseconds, its standard output and error to /dev/null; negative when
// it could not run or failed.
double runMs(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        if (::access((dirs.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

struct Command {
    std::string name;
    std::vector<std::string> argv;
    int rounds = 0;
    std::vector<double> times;
};

// The extraction of every clip inside this process, as the player's batch runs it (or only the floor's
// reads); milliseconds per clip.
double inProcessMsPerClip(const std::vector<std::string>& clips, bool withLogLines, bool floorOnly = false) {
    std::vector<double> rounds;
    std::size_t sink = 0;
    for (int round = 0; round < 20; ++round) {
        const auto start = Clock::now();
        for (const std::string& path : clips) {
            if (floorOnly) {
                sink += ExtractionFloor::readFile(path.c_str()) + 1;
                continue;
            }
            VideoGpsTool tool;
            if (withLogLines)
                tool.setLogSink([&](LogChannel, std::string_view text) { sink += text.size(); });
            else
                tool.setLogSink({});
            tool.setResultsBlock(
                [&](const TrackInfo& info) { sink += info.videoDatas ? info.videoDatas->size() : 0; });
            tool.createVideoForGPSUrl(path);
        }
        rounds.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    if (sink == 0)
        std::puts("(no samples?)");
    return median(rounds) / double(clips.size());
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 15;
    bool exiftool = true;
    std::string keep; // a folder to write the clips to and leave them in
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--no-exiftool")
            exiftool = false;
        else if (arg == "--keep-clips" && i + 1 < argc)
            keep = argv[++i];
    }
    exiftool = exiftool && onPath("exiftool");

    const auto dir = keep.empty() ? std::filesystem::temp_directory_path() /
                                        ("kestrun-compare-" + std::to_string(::getpid()))
                                  : std::filesystem::path(keep);
    std::filesystem::create_directories(dir);
    std::vector<std::string> clips;
    for (int i = 0; i < kClips; ++i) {
        SyntheticDrive drive = i % 2 ? SyntheticDrive::world() : SyntheticDrive::china();
        drive.seconds = kRecordsPerClip;
        drive.minute = std::uint32_t(i * 3 % 60);
        const std::string path = (dir / ("clip" + std::to_string(i) + ".mp4")).string();
        ClipWriter::writeFile(path, cameraClip(drive.messages()));
        clips.push_back(path);
    }
    const auto withClips = [&](std::vector<std::string> argv, std::size_t count) {
        argv.insert(argv.end(), clips.begin(), clips.begin() + std::ptrdiff_t(count));
        return argv;
    };

    std::vector<Command> commands{
        {"floor, 20 clips", withClips({KESTRUN_FLOOR}, kClips), rounds, {}},
        {"kestrun-gps --format json, 20 clips",
         withClips({KESTRUN_GPS, "--format", "json"}, kClips),
         rounds,
         {}},
        {"floor, 1 clip", withClips({KESTRUN_FLOOR}, 1), rounds, {}},
        {"kestrun-gps --format json, 1 clip", withClips({KESTRUN_GPS, "--format", "json"}, 1), rounds, {}},
    };
    if (exiftool)
        commands.push_back({"exiftool -ee, 20 clips", withClips({"exiftool", "-ee"}, kClips), 3, {}});

    for (Command& c : commands) {
        if (runMs(c.argv) < 0) // warm-up, and a check that it runs at all
            std::printf("warning: %s failed\n", c.name.c_str());
    }
    for (int round = 0; round < rounds; ++round) {
        for (Command& c : commands) {
            if (round < c.rounds)
                c.times.push_back(runMs(c.argv));
        }
    }
    const double batchMs = inProcessMsPerClip(clips, false);
    const double batchLogMs = inProcessMsPerClip(clips, true);
    const double floorInProcessMs = inProcessMsPerClip(clips, false, true);
    if (keep.empty())
        std::filesystem::remove_all(dir);

    std::printf("%d clips of %d records, each record in its own %zu KiB block of 'mdat' (%.1f MB a clip)\n",
                kClips, kRecordsPerClip, kBlock / 1024, double(kRecordsPerClip * kBlock) / 1e6);
    for (const Command& c : commands) {
        std::printf("  %-40s median %8.2f ms  best %8.2f ms  (%zu runs)\n", c.name.c_str(), median(c.times),
                    *std::min_element(c.times.begin(), c.times.end()), c.times.size());
    }
    const double floor20 = median(commands[0].times);
    const double gps20 = median(commands[1].times);
    const double floor1 = median(commands[2].times);
    const double gps1 = median(commands[3].times);
    const double floorPerClip = (floor20 - floor1) / (kClips - 1);
    const double gpsPerClip = (gps20 - gps1) / (kClips - 1);
    // On a busy machine the medians carry the others' load; the best runs come closest to each command's own
    // cost. Both are printed.
    const auto best = [&](std::size_t i) {
        return *std::min_element(commands[i].times.begin(), commands[i].times.end());
    };
    std::printf("kestrun-gps / floor: %.2f x on medians, %.2f x on best runs (goal: at most 2 x)\n",
                gps20 / floor20, best(1) / best(0));
    if (exiftool) {
        const double exif = median(commands[4].times);
        std::printf("exiftool / kestrun-gps: %.0f x on medians, %.0f x on best runs (goal: at least 100 x); "
                    "exiftool / floor: %.0f x on medians\n",
                    exif / gps20, best(4) / best(1), exif / floor20);
    }
    std::printf("per clip: kestrun-gps %.3f ms, floor %.3f ms; fixed: kestrun-gps %.2f ms, floor %.2f ms\n",
                gpsPerClip, floorPerClip, gps1 - gpsPerClip, floor1 - floorPerClip);
    std::printf(
        "per clip inside a process (the player's batch): %.3f ms, %.3f ms with a log line per sample; "
        "floor %.3f ms (%.2f x)\n",
        batchMs, batchLogMs, floorInProcessMs, batchMs / floorInProcessMs);
    return 0;
}
