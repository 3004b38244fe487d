#pragma once

#include "ClipWriter.h"

#include <span>
#include <string>

// Gives an MP4 file on disk a GPS track in place: the records go into a "free" box behind the media and the
// movie box, with a "gps " index appended, becomes the file's last box. Only the movie box and the records
// are held in memory; the media data is neither read nor moved, so no chunk offset changes.
class TrackAppender {
public:
    // Adds `records` (as they are) to the MP4 file at `path` and flushes it to the disk. False with a reason
    // in `error` and `errorNumber` (errno of a failed system call, 0 otherwise); the file may then be
    // damaged.
    static bool append(const std::string& path, std::span<const ClipWriter::RecordBytes> records,
                       std::string* error, int* errorNumber);
};
