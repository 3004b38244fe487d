#pragma once

#include <string>

// One second of a file's track. Numbers are whole values held as single-precision reals; speed is in knots.
struct TrackSample {
    std::string gpsLat; // "%f" latitude, "0.000000" without a position
    std::string gpsLgt; // "%f" longitude
    float gsensorX = 0; // raw G-sensor units, 1024 per g
    float gsensorY = 0;
    float gsensorZ = 0;
    float northAngle = 0; // whole degrees, rounded down
    float spd = 0;        // whole knots, rounded down

    friend bool operator==(const TrackSample&, const TrackSample&) = default;
};
