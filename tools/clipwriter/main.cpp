// kestrun-clip: writes a dash-cam style MP4 with a GPS track, for tests and demonstrations.
#include "ClipWriter.h"
#include "SyntheticDrive.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage =
    "usage: kestrun-clip [--from INPUT.mp4] [--drive china|world] [--seconds N] [--no-fix N] [--hard-stop N]"
    " [--bump N] [--part N] [--moov-first] OUTPUT.mp4\n"
    "  --from        add the track to a real MP4 (for example one made by ffmpeg) instead of a bare clip\n"
    "  --drive       where the synthetic drive starts: china (Shenzhen, default) or world (Los Angeles)\n"
    "  --seconds     length of the drive, one GPS record per second (default 60)\n"
    "  --no-fix      leading records without a position fix (default 0)\n"
    "  --hard-stop   the second at which the car brakes hard to a standstill (default none)\n"
    "  --bump        the second of a jolt on the G-sensor (default none)\n"
    "  --part        the clip's place in a drive split into clips of --seconds each: 0 (default) is the\n"
    "                first; clip N starts where and one second after clip N-1 ends\n"
    "  --moov-first  bare clip with moov before mdat\n";

bool parseCount(std::string_view text, int& out) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), out);
    return result.ec == std::errc{} && result.ptr == text.data() + text.size() && out >= 0;
}

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string from;
    std::string output;
    SyntheticDrive drive = SyntheticDrive::china();
    int seconds = drive.seconds;
    int noFix = 0;
    int hardStop = -1;
    int bump = -1;
    int part = 0;
    ClipWriter::Layout layout;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--from" && hasValue) {
            from = argv[++i];
        } else if (arg == "--drive" && hasValue) {
            const std::string_view where = argv[++i];
            if (where == "china")
                drive = SyntheticDrive::china();
            else if (where == "world")
                drive = SyntheticDrive::world();
            else
                return usage();
        } else if (arg == "--seconds" && hasValue) {
            if (!parseCount(argv[++i], seconds))
                return usage();
        } else if (arg == "--no-fix" && hasValue) {
            if (!parseCount(argv[++i], noFix))
                return usage();
        } else if (arg == "--hard-stop" && hasValue) {
            if (!parseCount(argv[++i], hardStop))
                return usage();
        } else if (arg == "--bump" && hasValue) {
            if (!parseCount(argv[++i], bump))
                return usage();
        } else if (arg == "--part" && hasValue) {
            if (!parseCount(argv[++i], part))
                return usage();
        } else if (arg == "--moov-first") {
            layout.placement = ClipWriter::MoovPlacement::BeforeMdat;
        } else if (!arg.starts_with("--") && output.empty()) {
            output = arg;
        } else {
            return usage();
        }
    }
    if (output.empty())
        return usage();

    drive.seconds = seconds;
    for (int earlier = 0; earlier < part; ++earlier)
        drive = drive.next();
    drive.noFixSeconds = noFix;
    drive.hardStopSecond = hardStop;
    drive.bumpSecond = bump;
    const auto messages = drive.messages();
    std::string error;
    ClipWriter::Bytes bytes;
    if (from.empty()) {
        bytes = ClipWriter::bareClip(messages, layout);
    } else {
        const auto input = ClipWriter::readFile(from, &error);
        const auto withTrack = input ? ClipWriter::addTrack(*input, messages, &error) : std::nullopt;
        if (!withTrack) {
            std::fprintf(stderr, "kestrun-clip: %s: %s\n", from.c_str(), error.c_str());
            return 1;
        }
        bytes = *withTrack;
    }
    if (!ClipWriter::writeFile(output, bytes, &error)) {
        std::fprintf(stderr, "kestrun-clip: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
