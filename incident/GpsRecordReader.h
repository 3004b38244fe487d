#pragma once

#include "ClipWriter.h"

#include <cstddef>
#include <string>
#include <vector>

// Reads the GPS records a clip's "gps " index points at, as raw bytes (record header and message), in the
// order the track is built from them: record i here is sample i of the clip's track. Entries are taken as the
// extraction takes them (every "gps " box of "moov" in turn, entries inside their box only, an entry whose
// record lies wholly past the end of the file skipped, no more records than the file can hold); a record cut
// short by the end of the file is kept as far as it goes, the rest zero. The file is only read.
class GpsRecordReader {
public:
    // Records first, first + 1, ... (at most `count` of them) of the clip at `path`; fewer when the track is
    // shorter, none when the file has no index or cannot be read.
    static std::vector<ClipWriter::RecordBytes> read(const std::string& path, std::size_t first,
                                                     std::size_t count);
};
