#pragma once

#include "ExportTrack.h"

#include <cstdio>
#include <string>
#include <vector>

// kestrun-gps: extracts the GPS track of each file named on the command line and writes it to standard
// output as JSON Lines, GPX, KML, CSV or GeoJSON, or with --events a CSV of the driving events in them.
class ExtractorCommand {
public:
    static constexpr int kExitOk = 0;
    static constexpr int kExitUnreadableFile = 1;
    static constexpr int kExitUsage = 2;
    static constexpr int kExitWriteError = 3;

    // Runs the command; diagnostics (only with --verbose, in English) and errors go to `err`, never to `out`.
    // Files are read a few at a time on their own threads; each file's output (and its diagnostics) is
    // written in the order of the command line and flushed as soon as it and every file before it are done
    // (GPX holds its tracks until the end: they follow every file's waypoints). A failed write ends the run
    // with kExitWriteError.
    static int run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

    // The track of one file, with its record times. `diagnostics`, when given, receives the extraction's
    // diagnostics in English, a line each; `openError` why the file could not be read (empty when it could).
    static ExportTrack extract(const std::string& path, std::string* diagnostics = nullptr,
                               std::string* openError = nullptr);
};
