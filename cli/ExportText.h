#pragma once

#include <string>
#include <string_view>

// Text pieces of the export formats, without Qt and without the current locale. File names come as the
// file system's bytes, which need not be UTF-8; every function here keeps its output valid for its format.
namespace ExportText {

// `text` with every byte that does not belong to a well-formed UTF-8 sequence replaced by U+FFFD.
std::string validUtf8(std::string_view text);

// A JSON string literal, quotes included: valid UTF-8 (see validUtf8), control characters and the two line
// separators that end a line in a script escaped.
void appendJsonString(std::string& out, std::string_view text);

// The shortest text that reads back as the same single- or double-precision value; "null" for a number that
// is not finite (the one spelling of such a number in every format).
void appendNumber(std::string& out, float value);
void appendNumber(std::string& out, double value);
inline constexpr std::string_view kNotFinite = "null";

// Text for XML 1.0 character data and attribute values: valid UTF-8, markup characters escaped, characters
// XML cannot hold (control characters but tab, line feed and carriage return; U+FFFE, U+FFFF) as '?'.
std::string xmlEscaped(std::string_view text);

// A CSV field (RFC 4180 quoting where needed). The bytes are kept as they are, file names included.
std::string csvField(std::string_view text);

} // namespace ExportText
