#pragma once

#include "TrackExportWriter.h"

// KML 2.2, one Placemark with a LineString per file, with the time span of its records where known.
class KmlTrackWriter final : public TrackExportWriter {
public:
    QByteArray begin() override;
    QByteArray track(const ExportTrack& track) override;
    QByteArray end() override;
};
