#pragma once

#include "ExportTrack.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Extracts the tracks of several files on a few threads and hands them over in the order of the files,
// each as soon as it and every file before it are done. No more than kAhead files are extracted ahead of
// the one handed over last, so a consumer that waits (on a full pipe) does not make every track pile up in
// memory.
class OrderedExtraction {
public:
    static constexpr std::size_t kAhead = 16;
    static constexpr unsigned kMaxThreads = 4;

    struct Result {
        ExportTrack track;
        std::string openError;   // why the file could not be read; empty when it could
        std::string diagnostics; // the extraction's diagnostics, when asked for
    };

    // Calls `consume` once per file, in order, on the calling thread; when it returns false no further file
    // is started and run() returns once those under way are done. `threads` of 0 or 1 reads the files one
    // after the other on the calling thread.
    static void run(const std::vector<std::string>& files, bool diagnostics, unsigned threads,
                    const std::function<bool(std::size_t, Result&)>& consume);

    // As many threads as the machine has cores, up to kMaxThreads, and no more than there are files.
    static unsigned threadsFor(std::size_t files);
};
