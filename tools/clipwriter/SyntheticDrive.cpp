#include "SyntheticDrive.h"

#include "NmeaCoordinate.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kMetresPerKnotSecond = 1852.0 / 3600.0;
constexpr double kMetresPerDegree = 111320.0;
constexpr double kGravityUnits = 1024.0; // raw G-sensor units per g
constexpr int kRampSeconds = 10;
constexpr double kHardStopKnotsPerSecond = 18;
constexpr double kBumpG = 2.5;

// Days since 1970-01-01 of a civil date, and back (Howard Hinnant's algorithms).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::uint32_t& year, std::uint32_t& month, std::uint32_t& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<std::uint32_t>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

} // namespace

SyntheticDrive SyntheticDrive::china() {
    return SyntheticDrive{};
}

SyntheticDrive SyntheticDrive::world() {
    SyntheticDrive drive;
    drive.startLatitude = 34.0522;
    drive.startLongitude = -118.2437;
    drive.startHeading = 270;
    return drive;
}

std::vector<HDGPSMessage> SyntheticDrive::messages() const {
    std::vector<HDGPSMessage> out;
    out.reserve(static_cast<std::size_t>(std::max(seconds, 0)));
    const std::int64_t startSeconds =
        daysFromCivil(year, month, day) * 86400 + std::int64_t(hour) * 3600 + minute * 60 + second;
    double latitude = startLatitude;
    double longitude = startLongitude;
    double heading = startHeading;
    double previousKnots = 0;
    for (int t = 0; t < seconds; ++t) {
        const int rampDown = seconds - 1 - t;
        double knots = cruiseKnots + 4 * std::sin(t / 7.0);
        if (t < kRampSeconds)
            knots *= t / double(kRampSeconds);
        if (rampDown < kRampSeconds)
            knots *= rampDown / double(kRampSeconds);
        if (hardStopSecond >= 0 && t >= hardStopSecond)
            knots = std::max(0.0, std::min(knots, previousKnots - kHardStopKnotsPerSecond));
        const double turn = 3 * std::sin(t / 11.0); // degrees per second
        heading = std::fmod(heading + turn + 360.0, 360.0);

        const double metres = knots * kMetresPerKnotSecond;
        latitude += metres * std::cos(heading * kPi / 180) / kMetresPerDegree;
        longitude +=
            metres * std::sin(heading * kPi / 180) / (kMetresPerDegree * std::cos(latitude * kPi / 180));

        HDGPSMessage m;
        const std::int64_t now = startSeconds + t;
        civilFromDays(now / 86400, m.year, m.month, m.day);
        const auto secondOfDay = static_cast<std::uint32_t>(now % 86400);
        m.hour = secondOfDay / 3600;
        m.minute = secondOfDay / 60 % 60;
        m.second = secondOfDay % 60;
        const double accelerationG = (knots - previousKnots) * kMetresPerKnotSecond / 9.81;
        const double lateralG = metres * (turn * kPi / 180) / 9.81;
        m.x = static_cast<std::int32_t>(std::lround(lateralG * kGravityUnits));
        m.y = static_cast<std::int32_t>(std::lround(accelerationG * kGravityUnits));
        m.z = static_cast<std::int32_t>(std::lround(kGravityUnits + 20 * std::sin(t * 1.3)));
        if (t == bumpSecond)
            m.z += static_cast<std::int32_t>(kBumpG * kGravityUnits);
        previousKnots = knots;
        if (t < noFixSeconds) {
            m.status = 'V';
            out.push_back(m);
            continue;
        }
        const NmeaCoordinate lat = NmeaCoordinate::latitude(latitude);
        const NmeaCoordinate lon = NmeaCoordinate::longitude(longitude);
        m.status = 'A';
        m.latitude = lat.value;
        m.nsind = lat.letter;
        m.longitude = lon.value;
        m.ewind = lon.letter;
        m.speed = knots;
        m.angle = heading;
        out.push_back(m);
    }
    return out;
}

SyntheticDrive SyntheticDrive::next() const {
    SyntheticDrive following = *this;
    following.noFixSeconds = 0;
    following.hardStopSecond = -1;
    following.bumpSecond = -1;
    const std::vector<HDGPSMessage> all = messages();
    if (all.empty())
        return following;
    const HDGPSMessage& last = all.back();
    if (last.status == 'A') {
        following.startLatitude = NmeaCoordinate::toDegrees(last.latitude, last.nsind);
        following.startLongitude = NmeaCoordinate::toDegrees(last.longitude, last.ewind);
        following.startHeading = last.angle;
    }
    const std::int64_t after = (daysFromCivil(last.year, last.month, last.day) * 86400 + last.hour * 3600 +
                                last.minute * 60 + last.second) +
                               1;
    civilFromDays(after / 86400, following.year, following.month, following.day);
    following.hour = static_cast<std::uint32_t>(after % 86400 / 3600);
    following.minute = static_cast<std::uint32_t>(after % 3600 / 60);
    following.second = static_cast<std::uint32_t>(after % 60);
    return following;
}
