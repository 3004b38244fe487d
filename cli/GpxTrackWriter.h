#pragma once

#include "TrackExportWriter.h"

// GPX 1.1, one <trk> per file named after it.
class GpxTrackWriter final : public TrackExportWriter {
public:
    std::string begin() override;
    std::string track(const ExportTrack& track) override;
    std::string end() override;
};
