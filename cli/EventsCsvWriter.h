#pragma once

#include "DrivingEvents.h"
#include "TrackExportWriter.h"

// The driving events of each track as CSV: a header row, then one row per event with the file, the event's
// kind key, its second, the UTC time of that second's record where known, the position where the sample has
// one on the globe (empty otherwise), the speed in km/h and the measured figure (km/h per second for
// braking and acceleration, g for turns and impacts).
class EventsCsvWriter final : public TrackExportWriter {
public:
    explicit EventsCsvWriter(const DrivingEventThresholds& thresholds = {});

    std::string begin() override;
    std::string track(const ExportTrack& track) override;

private:
    DrivingEventThresholds m_thresholds;
};
