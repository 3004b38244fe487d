#include "CoordinatePattern.h"

#include <algorithm>
#include <optional>

namespace CoordinatePattern {

namespace {

constexpr std::size_t kMaxFractionDigits = 15;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool allDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), isDigit);
}

// [sign] whole [. fraction], digits only on both sides of the point and at least one before it.
struct Number {
    std::string_view whole;
    std::optional<std::string_view> fraction;
};

std::optional<Number> split(std::string_view text) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    Number number;
    const std::size_t point = text.find('.');
    number.whole = text.substr(0, point);
    if (point != std::string_view::npos)
        number.fraction = text.substr(point + 1);
    if (number.whole.empty() || !allDigits(number.whole))
        return std::nullopt;
    if (number.fraction && !allDigits(*number.fraction))
        return std::nullopt;
    return number;
}

// No fraction, or 1 to 15 digits of it (only zeros when `zerosOnly`).
bool fractionFits(const std::optional<std::string_view>& fraction, bool zerosOnly) {
    if (!fraction)
        return true;
    if (fraction->empty() || fraction->size() > kMaxFractionDigits)
        return false;
    return !zerosOnly || fraction->find_first_not_of('0') == std::string_view::npos;
}

} // namespace

bool matchesLatitude(std::string_view text) {
    const auto number = split(text);
    if (!number)
        return false;
    const std::string_view w = number->whole;
    // [0-8]?\d
    if (w.size() == 1 || (w.size() == 2 && w[0] <= '8'))
        return fractionFits(number->fraction, false);
    if (w == "90")
        return fractionFits(number->fraction, true);
    return false;
}

bool matchesLongitude(std::string_view text) {
    const auto number = split(text);
    if (!number)
        return false;
    const std::string_view w = number->whole;
    // 0?\d{1,2} or 1[0-7]?\d
    if (w.size() <= 2 || (w.size() == 3 && (w[0] == '0' || (w[0] == '1' && w[1] <= '7'))))
        return fractionFits(number->fraction, false);
    if (w == "180")
        return fractionFits(number->fraction, true);
    return false;
}

} // namespace CoordinatePattern
