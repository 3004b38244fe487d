#include "NumberText.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace NumberText {

namespace {

// Large enough for "%f" of the largest double (309 integer digits) plus sign, point and decimals.
constexpr std::size_t kBufferSize = 400;

template <typename... Args> std::string toChars(Args... args) {
    std::array<char, kBufferSize>
        buffer; // not cleared: to_chars writes what it returns, and this runs per field
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), args...);
    if (result.ec != std::errc{})
        return {};
    return std::string(buffer.data(), result.ptr);
}

// 128-bit integers for the exact fixed-notation path (a GCC and Clang extension).
__extension__ using Unsigned128 = unsigned __int128;

constexpr std::uint64_t kPowersOfTen[] = {1,      10,      100,      1000,      10000,
                                          100000, 1000000, 10000000, 100000000, 1000000000};
constexpr int kMaxFastPrecision = 9;

// "%.<precision>f" of a finite `value` computed exactly on its binary value (round to nearest, ties to even),
// as to_chars would, for the common case: precision up to 9 and a magnitude below 2^63 / 10^precision. Writes
// the text so that it ends at `end` and returns where it starts; nullptr when the value lies outside that
// case.
char* fastFixed(double value, int precision, char* end) {
    if (precision < 0 || precision > kMaxFastPrecision || !std::isfinite(value))
        return nullptr;
    const std::uint64_t scale = kPowersOfTen[precision];
    if (!(std::fabs(value) < 9.2e18 / double(scale)))
        return nullptr;
    // |value| = mantissa · 2^shift, read from the bits (subnormals have no hidden bit).
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto biased = int((bits >> 52) & 0x7ff);
    std::uint64_t mantissa = bits & ((std::uint64_t(1) << 52) - 1);
    int shift = -1074;
    if (biased != 0) {
        mantissa |= std::uint64_t(1) << 52;
        shift = biased - 1075;
    }
    const Unsigned128 scaled = Unsigned128(mantissa) * scale;
    Unsigned128 rounded = 0;
    if (shift >= 0) {
        rounded = scaled << shift; // below 2^63 by the magnitude check
    } else if (shift > -128) {
        const int down = -shift;
        rounded = scaled >> down;
        const Unsigned128 remainder = scaled - (rounded << down);
        const Unsigned128 half = Unsigned128(1) << (down - 1);
        if (remainder > half || (remainder == half && (rounded & 1)))
            ++rounded;
    } // else: far below half a unit of the last decimal; rounds to zero
    // Digits from the right: the decimals (zero-padded to the precision), the point, the whole part, the
    // sign.
    auto units = static_cast<std::uint64_t>(rounded);
    char* p = end;
    for (int i = 0; i < precision; ++i, units /= 10)
        *--p = char('0' + units % 10);
    if (precision > 0)
        *--p = '.';
    do {
        *--p = char('0' + units % 10);
        units /= 10;
    } while (units != 0);
    if (bits >> 63)
        *--p = '-';
    return p;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The longest leading decimal number of `text` (after white space), or an empty view.
std::string_view leadingNumber(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && isSpace(text[start]))
        ++start;
    std::size_t i = start;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        std::size_t j = i + 1;
        std::size_t fraction = 0;
        while (j < text.size() && isDigit(text[j])) {
            ++j;
            ++fraction;
        }
        if (digits + fraction > 0) {
            i = j;
            digits += fraction;
        }
    }
    if (digits == 0)
        return {};
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        const std::size_t exponentStart = j;
        while (j < text.size() && isDigit(text[j]))
            ++j;
        if (j > exponentStart)
            i = j;
    }
    return text.substr(start, i - start);
}

// The power of ten of the first significant digit of an unsigned decimal number text (digits, point, digits,
// exponent); only its sign matters to the caller.
long long decimalMagnitude(std::string_view number) {
    long long magnitude = 0;
    bool seenSignificant = false;
    bool afterPoint = false;
    long long integerDigits = 0;
    long long leadingFractionZeros = 0;
    std::size_t i = 0;
    for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
        const char c = number[i];
        if (c == '.') {
            afterPoint = true;
        } else if (!afterPoint) {
            if (seenSignificant || c != '0') {
                seenSignificant = true;
                ++integerDigits;
            }
        } else if (!seenSignificant) {
            if (c == '0') {
                ++leadingFractionZeros;
            } else {
                seenSignificant = true;
            }
        }
    }
    magnitude = integerDigits > 0 ? integerDigits - 1 : -(leadingFractionZeros + 1);
    if (i < number.size()) {
        std::string_view exponent = number.substr(i + 1);
        bool negative = false;
        if (!exponent.empty() && (exponent.front() == '+' || exponent.front() == '-')) {
            negative = exponent.front() == '-';
            exponent.remove_prefix(1);
        }
        long long value = 0;
        const auto result = std::from_chars(exponent.data(), exponent.data() + exponent.size(), value);
        if (result.ec == std::errc::result_out_of_range)
            value = std::numeric_limits<int>::max();
        magnitude += negative ? -value : value;
    }
    return magnitude;
}

template <typename T> T parseLeading(std::string_view text) {
    std::string_view number = leadingNumber(text);
    if (number.empty())
        return 0;
    bool negative = false;
    if (number.front() == '+' || number.front() == '-') {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    T value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone on overflow and underflow; tell them apart by the decimal
        // exponent.
        value = decimalMagnitude(number) >= 0 ? std::numeric_limits<T>::infinity() : T(0);
    } else if (result.ec != std::errc{}) {
        return 0;
    }
    return negative ? -value : value;
}

} // namespace

std::string formatFixed(double value, int precision) {
    std::array<char, 32> buffer; // sign, 19 digits, point, 9 decimals
    char* const end = buffer.data() + buffer.size();
    if (char* const start = fastFixed(value, precision, end))
        return std::string(start, end);
    return toChars(value, std::chars_format::fixed, precision);
}

std::string formatG17(double value) {
    return toChars(value, std::chars_format::general, 17);
}

std::string formatShortest(float value) {
    // Whole numbers below 100000 are their digits (the shortest form never turns scientific below that); the
    // track's numbers are all whole.
    if (value == std::trunc(value) && std::fabs(value) < 100000.0f && !(value == 0 && std::signbit(value)))
        return std::to_string(static_cast<int>(value));
    return toChars(value);
}

std::string formatShortest(double value) {
    return toChars(value);
}

std::string formatUnsigned(std::uint64_t value) {
    return toChars(value);
}

std::string formatInteger(std::int64_t value) {
    return toChars(value);
}

float parseLeadingFloat(std::string_view text) {
    return parseLeading<float>(text);
}

double parseLeadingDouble(std::string_view text) {
    return parseLeading<double>(text);
}

bool beginsWithNumber(std::string_view text) {
    return !leadingNumber(text).empty();
}

} // namespace NumberText
