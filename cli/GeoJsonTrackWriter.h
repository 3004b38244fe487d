#pragma once

#include "TrackExportWriter.h"

// A FeatureCollection with one Feature per file: a LineString of its positions (a Point for a single one,
// no geometry without any) and the file's summary figures and record times as properties.
class GeoJsonTrackWriter final : public TrackExportWriter {
public:
    QByteArray begin() override;
    QByteArray track(const ExportTrack& track) override;
    QByteArray end() override;

private:
    bool m_first = true;
};
