#pragma once

#include "TrackExportWriter.h"

// A header row, then one row per sample with a position: the file, the sample's second, its UTC time where
// known, position, speed in knots, heading and the raw G-sensor values.
class CsvTrackWriter final : public TrackExportWriter {
public:
    std::string begin() override;
    std::string track(const ExportTrack& track) override;
};
