#pragma once

#include "TrackExportWriter.h"

// GPX 1.1, one <trk> per file named after it.
class GpxTrackWriter final : public TrackExportWriter {
public:
    QByteArray begin() override;
    QByteArray track(const ExportTrack& track) override;
    QByteArray end() override;
};
