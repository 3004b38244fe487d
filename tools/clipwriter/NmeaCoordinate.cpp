#include "NmeaCoordinate.h"

#include <cmath>

namespace {

double toDegreesMinutes(double degrees) {
    const double magnitude = std::fabs(degrees);
    const double whole = std::floor(magnitude);
    return whole * 100 + (magnitude - whole) * 60;
}

} // namespace

NmeaCoordinate NmeaCoordinate::latitude(double degrees) {
    return {toDegreesMinutes(degrees), degrees < 0 ? 'S' : 'N'};
}

NmeaCoordinate NmeaCoordinate::longitude(double degrees) {
    return {toDegreesMinutes(degrees), degrees < 0 ? 'W' : 'E'};
}
