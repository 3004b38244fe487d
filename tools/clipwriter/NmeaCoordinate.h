#pragma once

// A position in decimal degrees as a camera records it: ddmm.mmmm (dddmm.mmmm) with a hemisphere letter.
struct NmeaCoordinate {
    double value = 0; // always positive
    char letter = 0;  // 'N', 'S', 'E' or 'W'

    static NmeaCoordinate latitude(double degrees);
    static NmeaCoordinate longitude(double degrees);
    // Back to signed decimal degrees.
    static double toDegrees(double value, char letter);
};
