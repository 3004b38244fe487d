#pragma once

#include "TrackExportWriter.h"

// One line per file: the file's track record with the literal keys of the stored play list, numbers written
// so that they read back as the same single-precision values.
class JsonLinesTrackWriter final : public TrackExportWriter {
public:
    std::string track(const ExportTrack& track) override;
};
