#pragma once

#include <QByteArray>
#include <QVariant>

// Compact JSON text of lists, string-keyed maps, strings, booleans and numbers, written without the current
// locale. Numbers that are not finite become null; so does an invalid QVariant.
namespace JsonTextWriter {

enum class NumberStyle {
    // "%.17g" of the number's double value: a single-precision 113.94 becomes 113.94000244140625. For script
    // arguments, which are read as doubles.
    Double17g,
    // The shortest text that reads back as the same value in the number's own precision: a single-precision
    // 113.94 stays 113.94. For files that people read.
    Shortest,
};

QByteArray write(const QVariant& value, NumberStyle style = NumberStyle::Double17g);

// A JSON string literal, quotes included.
QByteArray quoted(const QString& text);

} // namespace JsonTextWriter
