#pragma once

#include "TrackExportWriter.h"

// A FeatureCollection with one Feature per file: a LineString of its positions (a Point for a single one,
// no geometry without any) and the file's summary figures and record times as properties.
class GeoJsonTrackWriter final : public TrackExportWriter {
public:
    std::string begin() override;
    std::string track(const ExportTrack& track) override;
    std::string end() override;

private:
    bool m_first = true;
};
