#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Numbers to text and back with a point as the decimal separator, whatever LC_NUMERIC says. The printf-style
// names say which format each one reproduces exactly (rounding to nearest, ties to even, on the exact binary
// value).
namespace NumberText {

// "%0.Nf": fixed notation with `precision` decimals ("%f" is precision 6, "%0.f" precision 0).
std::string formatFixed(double value, int precision);

// "%.17g": enough digits that the double reads back exactly.
std::string formatG17(double value);

// The shortest text that reads back as the same float (or double).
std::string formatShortest(float value);
std::string formatShortest(double value);

// "%u" and "%d".
std::string formatUnsigned(std::uint64_t value);
std::string formatInteger(std::int64_t value);

// Reading a text as a number: skip leading white space, take the longest leading decimal number (sign,
// digits, point, digits, exponent) and give 0 when the text does not begin with one. A number too large for
// the type gives an infinity of its sign, one too small gives zero.
float parseLeadingFloat(std::string_view text);
double parseLeadingDouble(std::string_view text);

// True when the text begins (after white space) with a decimal number in the sense above.
bool beginsWithNumber(std::string_view text);

} // namespace NumberText
