#pragma once

#include "DrivingEvents.h"

// The thresholds of the driving events as the user set them, each with its default where none is stored.
class DrivingEventSettings {
public:
    DrivingEventSettings() = delete;

    static DrivingEventThresholds thresholds();
};
