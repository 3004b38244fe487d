#pragma once

#include "HDGPSMessage.h"

#include <cstdint>
#include <vector>

// A made-up drive, one GPS message per second: speeds up, cruises with some variation, turns a little and
// slows down at the end. The same options always give the same messages.
struct SyntheticDrive {
    double startLatitude = 22.5431; // Shenzhen, inside the China box
    double startLongitude = 113.9400;
    double startHeading = 45; // degrees clockwise from north
    double cruiseKnots = 38;
    int seconds = 60;
    int noFixSeconds = 0; // leading messages with status 'V' and no position (cold start)
    // From this second on (when not negative) the car brakes hard, 18 knots (about 0.94 g) each second,
    // until it stands; it stays at rest to the end.
    int hardStopSecond = -1;
    // At this second (when not negative) a jolt: the G-sensor's z axis reads 2.5 g more for that one second.
    int bumpSecond = -1;
    // UTC start of the drive.
    std::uint32_t year = 2024, month = 6, day = 1, hour = 8, minute = 30, second = 0;

    static SyntheticDrive china();
    static SyntheticDrive world(); // Los Angeles: northern and western hemispheres

    std::vector<HDGPSMessage> messages() const;
    // The drive's next clip, as a camera splits one drive: it starts where and one second after this one
    // ends, heading the same way, with no hard stop or jolt of its own.
    SyntheticDrive next() const;
};
