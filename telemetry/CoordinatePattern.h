#pragma once

#include <string_view>

// Whole-text checks of coordinate texts, equivalent to matching the entire text against
//   latitude:  [\-+]?([0-8]?\d|[0-8]?\d\.\d{1,15}|90|90\.0{1,15})
//   longitude: [\-+]?(0?\d{1,2}|0?\d{1,2}\.\d{1,15}|1[0-7]?\d|1[0-7]?\d\.\d{1,15}|180|180\.0{1,15})
// without a regular-expression engine (the validation runs once per GPS record).
namespace CoordinatePattern {

bool matchesLatitude(std::string_view text);
bool matchesLongitude(std::string_view text);

} // namespace CoordinatePattern
