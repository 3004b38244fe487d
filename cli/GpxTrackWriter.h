#pragma once

#include "DrivingEvents.h"
#include "TrackExportWriter.h"

// GPX 1.1: the driving events of every file as waypoints (those at a second with a position on the globe),
// then one <trk> per file named after it. Waypoints must come before every track, so each file's waypoints
// are returned by track() while its track is held back until end().
class GpxTrackWriter final : public TrackExportWriter {
public:
    explicit GpxTrackWriter(const DrivingEventThresholds& thresholds = {})
        : m_thresholds(thresholds) {}

    std::string begin() override;
    std::string track(const ExportTrack& track) override;
    std::string end() override;

private:
    DrivingEventThresholds m_thresholds;
    std::string m_tracks; // the <trk> elements of the files so far
};
