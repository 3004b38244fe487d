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

double NmeaCoordinate::toDegrees(double value, char letter) {
    const double whole = std::floor(value / 100);
    const double degrees = whole + (value - whole * 100) / 60;
    return letter == 'S' || letter == 'W' ? -degrees : degrees;
}
