#include "ExtractorCommand.h"

#include "EventsCsvWriter.h"
#include "OrderedExtraction.h"
#include "TrackExportWriter.h"
#include "VideoGpsTool.h"

#include <cerrno>
#include <cstring>
#include <string_view>

namespace {

constexpr const char* kUsage =
    "usage: kestrun-gps [--format json|gpx|kml|csv|geojson | --events] [--verbose] FILE...\n"
    "Writes the GPS track that a dash-cam stored in each MP4 file to standard output.\n"
    "  --format   json (default: one JSON record per file and line), gpx, kml, csv or geojson\n"
    "  --events   instead of the tracks, a CSV of the driving events found in them (hard braking and\n"
    "             acceleration, sharp turns, impacts)\n"
    "  --verbose  the extraction's diagnostics on standard error\n";

// Writes all of `text`; false (errno set) when the stream refuses it.
bool writeText(std::FILE* out, const std::string& text) {
    return text.empty() || std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

} // namespace

ExportTrack ExtractorCommand::extract(const std::string& path, std::string* diagnostics,
                                      std::string* openError) {
    ExportTrack track;
    track.path = path;
    VideoGpsTool tool;
    if (diagnostics) {
        tool.setLogLanguage(LogLanguage::English);
        tool.setLogSink([diagnostics](LogChannel, std::string_view text) {
            diagnostics->append(text);
            diagnostics->push_back('\n');
        });
    } else {
        tool.setLogSink({});
    }
    tool.setResultsBlock([&track](TrackInfo info) { track.info = std::move(info); });
    tool.createVideoForGPSUrl(path);
    track.times.reserve(tool.sampleClocks().size());
    for (const RecordClock& clock : tool.sampleClocks())
        track.times.push_back(clock.plausible());
    if (openError)
        *openError = tool.fileErrorText();
    return track;
}

int ExtractorCommand::run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    ExportFormat format = ExportFormat::Json;
    bool formatGiven = false;
    bool events = false;
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
        } else if (arg == "--events") {
            events = true;
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
            formatGiven = true;
        } else {
            std::fprintf(err, "kestrun-gps: unknown option '%.*s'\n", int(arg.size()), arg.data());
            std::fputs(kUsage, err);
            return kExitUsage;
        }
    }
    if (events && formatGiven) {
        std::fputs("kestrun-gps: --events writes its own CSV and takes no --format\n", err);
        std::fputs(kUsage, err);
        return kExitUsage;
    }
    if (files.empty()) {
        std::fputs(kUsage, err);
        return kExitUsage;
    }

    int status = kExitOk;
    const auto writeFailed = [err](int error) {
        std::fprintf(err, "kestrun-gps: cannot write the output: %s\n", std::strerror(error));
        return kExitWriteError;
    };
    const std::unique_ptr<TrackExportWriter> writer =
        events ? std::make_unique<EventsCsvWriter>() : TrackExportWriter::create(format);
    if (!writeText(out, writer->begin()))
        return writeFailed(errno);
    // Files are read a few at a time; each one's output is written and flushed as soon as it and those
    // before it are done, so what is written stays written if a later file ends the run.
    int writeError = 0;
    OrderedExtraction::run(files, verbose, OrderedExtraction::threadsFor(files.size()),
                           [&](std::size_t index, OrderedExtraction::Result& result) {
                               writeText(err, result.diagnostics);
                               if (!result.openError.empty()) {
                                   std::fprintf(err, "kestrun-gps: cannot open %s: %s\n",
                                                files[index].c_str(), result.openError.c_str());
                                   status = kExitUnreadableFile;
                               }
                               if (!writeText(out, writer->track(result.track)) || std::fflush(out) != 0) {
                                   writeError = errno;
                                   return false;
                               }
                               return true;
                           });
    if (writeError != 0)
        return writeFailed(writeError);
    if (!writeText(out, writer->end()) || std::fflush(out) != 0 || std::ferror(out))
        return writeFailed(errno);
    return status;
}
