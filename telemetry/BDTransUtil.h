#pragma once

#include <array>

// Shifts WGS-84 positions into the datums of maps of mainland China: GCJ-02 and Baidu's BD-09. Stateless.
// Every formula is evaluated in exactly the order written in the .cpp; results are compared bit for bit.
// The order of the two values in a result differs by operation, as each comment says.
class BDTransUtil {
public:
    BDTransUtil() = delete;

    // (GCJ-02 latitude, GCJ-02 longitude)
    static std::array<double, 2> wgs2gcjLat(double lat, double lgt);
    // (GCJ-02 longitude, GCJ-02 latitude): the same computation, longitude first
    static std::array<double, 2> wgs2gcjLat1(double lat, double lgt);
    // GCJ-02 in, (BD-09 longitude, BD-09 latitude) out
    static std::array<double, 2> gcj2bdLat(double lat, double lgt);
    // WGS-84 in, (BD-09 longitude, BD-09 latitude) out
    static std::array<double, 2> wgs2bdLat(double lat, double lgt);

    // The offset polynomials, x and y relative to 105° E, 35° N.
    static double transformLat(double x, double y);
    static double transformLon(double x, double y);
};
