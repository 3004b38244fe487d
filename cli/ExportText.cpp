#include "ExportText.h"

#include "NumberText.h"

#include <algorithm>
#include <cmath>

namespace ExportText {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// The length of the well-formed UTF-8 sequence at the front of `text`, or 0 when it does not start with one
// (overlong forms, surrogates and code points above U+10FFFF are not well formed).
std::size_t sequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) {
        return static_cast<unsigned char>(text[i]);
    };
    const auto continuation = [&](std::size_t i) {
        return i < text.size() && (byte(i) & 0xC0) == 0x80;
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!continuation(1) || !continuation(2))
            return 0;
        if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) > 0x9F))
            return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!continuation(1) || !continuation(2) || !continuation(3))
            return 0;
        if ((lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) > 0x8F))
            return 0;
        return 4;
    }
    return 0;
}

// Calls `ascii(c)` for every ASCII character and `sequence(bytes)` for every other well-formed sequence,
// with U+FFFD in place of each byte that does not start one.
template <typename Ascii, typename Sequence>
void forEachCharacter(std::string_view text, Ascii ascii, Sequence sequence) {
    while (!text.empty()) {
        const std::size_t length = sequenceLength(text);
        if (length == 1)
            ascii(text.front());
        else
            sequence(length == 0 ? kReplacement : text.substr(0, length));
        text.remove_prefix(length == 0 ? 1 : length);
    }
}

void appendHex4(std::string& out, unsigned value) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHex[(value >> shift) & 0xF];
}

} // namespace

std::string validUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    forEachCharacter(
        text, [&](char c) { out += c; }, [&](std::string_view s) { out += s; });
    return out;
}

namespace {

// True when every byte of `text` stands for itself in a JSON string: printable ASCII but '"' and '\\'.
bool plainJson(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u < 0x80 && c != '"' && c != '\\';
    });
}

} // namespace

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    if (plainJson(text)) { // numbers and times: the usual case
        out += text;
        out += '"';
        return;
    }
    forEachCharacter(
        text,
        [&](char c) {
            switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20)
                    appendHex4(out, static_cast<unsigned char>(c));
                else
                    out += c;
            }
        },
        [&](std::string_view s) {
            if (s == "\xE2\x80\xA8")
                appendHex4(out, 0x2028);
            else if (s == "\xE2\x80\xA9")
                appendHex4(out, 0x2029);
            else
                out += s;
        });
    out += '"';
}

void appendNumber(std::string& out, float value) {
    if (!std::isfinite(value))
        out += kNotFinite;
    else
        out += NumberText::formatShortest(value);
}

void appendNumber(std::string& out, double value) {
    if (!std::isfinite(value))
        out += kNotFinite;
    else
        out += NumberText::formatShortest(value);
}

std::string xmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    forEachCharacter(
        text,
        [&](char c) {
            switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                    out += '?';
                else
                    out += c;
            }
        },
        [&](std::string_view s) {
            if (s == "\xEF\xBF\xBE" || s == "\xEF\xBF\xBF")
                out += '?';
            else
                out += s;
        });
    return out;
}

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

} // namespace ExportText
