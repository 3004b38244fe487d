#pragma once

#include <cstdint>
#include <optional>
#include <string>

// One decoded GPS record as the camera wrote it. A new model has every text absent, every number 0 and status
// false. Held by std::shared_ptr where it is shared (the track builder changes a stored valid fix later).
struct FileGPSModel {
    std::optional<std::string> hour;
    std::optional<std::string> minute;
    std::optional<std::string> second;
    std::optional<std::string> year;
    std::optional<std::string> month;
    std::optional<std::string> day;     // never filled
    bool status = false;                // usable fix
    std::optional<std::string> nsind;   // latitude hemisphere letter as recorded
    std::optional<std::string> ewind;   // longitude hemisphere letter as recorded
    std::optional<std::string> reservd; // never filled
    std::optional<std::string> speed;   // knots as text, "45.67" when decoded, "46" when substituted
    double angle = 0;                   // degrees clockwise from north
    double latitude = 0;                // signed decimal degrees, south negative
    double longitude = 0;               // signed decimal degrees, west negative
    std::int32_t x = 0;                 // G-sensor, raw units
    std::int32_t y = 0;
    std::int32_t z = 0;
};
