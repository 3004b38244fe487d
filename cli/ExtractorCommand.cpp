#include "ExtractorCommand.h"

#include "FileReader.h"
#include "TrackExportWriter.h"
#include "VideoGpsTool.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "usage: kestrun-gps [--format json|gpx|kml|csv|geojson] [--verbose] FILE...\n"
    "Writes the GPS track that a dash-cam stored in each MP4 file to standard output.\n"
    "  --format   json (default: one JSON record per file and line), gpx, kml, csv or geojson\n"
    "  --verbose  the extraction's diagnostics on standard error\n";

void writeBytes(std::FILE* out, const QByteArray& bytes) {
    if (!bytes.isEmpty())
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out);
}

// Why `path` cannot be read, or an empty text when it can.
std::string unreadableReason(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    ::close(fd);
    if (!FileReader(path).isOpen())
        return "not a regular file";
    return {};
}

} // namespace

ExportTrack ExtractorCommand::extract(const std::string& path, bool verbose, std::FILE* err) {
    ExportTrack track;
    track.path = path;
    VideoGpsTool tool;
    if (verbose) {
        tool.setLogSink([err](LogChannel, std::string_view text) {
            std::fwrite(text.data(), 1, text.size(), err);
            std::fputc('\n', err);
        });
    } else {
        tool.setLogSink({});
    }
    tool.setResultsBlock([&track](const TrackInfo& info) { track.info = info; });
    tool.createVideoForGPSUrl(path);
    for (const RecordClock& clock : tool.sampleClocks())
        track.times.push_back(clock.plausible());
    return track;
}

int ExtractorCommand::run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    ExportFormat format = ExportFormat::Json;
    bool verbose = false;
    bool optionsEnded = false;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || !arg.starts_with("-") || arg == "-") {
            files.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, out);
            return kExitOk;
        } else if (arg == "--verbose" || arg == "-v") {
            verbose = true;
        } else if (arg == "--format" || arg.starts_with("--format=")) {
            std::string_view name;
            if (arg == "--format") {
                if (i + 1 >= args.size()) {
                    std::fputs("kestrun-gps: --format needs a value\n", err);
                    std::fputs(kUsage, err);
                    return kExitUsage;
                }
                name = args[++i];
            } else {
                name = arg.substr(std::string_view("--format=").size());
            }
            const auto chosen = exportFormatFromName(name);
            if (!chosen) {
                std::fprintf(err, "kestrun-gps: unknown format '%.*s'\n", int(name.size()), name.data());
                std::fputs(kUsage, err);
                return kExitUsage;
            }
            format = *chosen;
        } else {
            std::fprintf(err, "kestrun-gps: unknown option '%.*s'\n", int(arg.size()), arg.data());
            std::fputs(kUsage, err);
            return kExitUsage;
        }
    }
    if (files.empty()) {
        std::fputs(kUsage, err);
        return kExitUsage;
    }

    int status = kExitOk;
    const auto writer = TrackExportWriter::create(format);
    writeBytes(out, writer->begin());
    for (const std::string& path : files) {
        const std::string reason = unreadableReason(path);
        if (!reason.empty()) {
            std::fprintf(err, "kestrun-gps: cannot open %s: %s\n", path.c_str(), reason.c_str());
            status = kExitUnreadableFile;
        }
        writeBytes(out, writer->track(extract(path, verbose, err)));
    }
    writeBytes(out, writer->end());
    std::fflush(out);
    return status;
}
