#pragma once

#include "TrackExportWriter.h"

// KML 2.2, one Placemark with a LineString per file, with the time span of its records where known.
class KmlTrackWriter final : public TrackExportWriter {
public:
    std::string begin() override;
    std::string track(const ExportTrack& track) override;
    std::string end() override;
};
