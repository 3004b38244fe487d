#include "JsonTextWriter.h"

#include "NumberText.h"

#include <QStringList>
#include <QVariantHash>
#include <QVariantList>
#include <QVariantMap>

#include <cmath>

namespace JsonTextWriter {

namespace {

void appendNumber(QByteArray& out, double value, bool singlePrecision, NumberStyle style) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    std::string text;
    if (style == NumberStyle::Double17g)
        text = NumberText::formatG17(value);
    else if (singlePrecision)
        text = NumberText::formatShortest(static_cast<float>(value));
    else
        text = NumberText::formatShortest(value);
    out += QByteArray::fromStdString(text);
}

void appendValue(QByteArray& out, const QVariant& value, NumberStyle style) {
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        out += "null";
        return;
    case QMetaType::Bool:
        out += value.toBool() ? "true" : "false";
        return;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
        out += QByteArray::fromStdString(NumberText::formatInteger(value.toLongLong()));
        return;
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        out += QByteArray::fromStdString(NumberText::formatUnsigned(value.toULongLong()));
        return;
    case QMetaType::Float:
        appendNumber(out, value.toFloat(), true, style);
        return;
    case QMetaType::Double:
        appendNumber(out, value.toDouble(), false, style);
        return;
    case QMetaType::QString:
        out += quoted(value.toString());
        return;
    case QMetaType::QByteArray:
        out += quoted(QString::fromUtf8(value.toByteArray()));
        return;
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        out += '[';
        bool first = true;
        for (const QVariant& item : value.toList()) {
            if (!first)
                out += ',';
            first = false;
            appendValue(out, item, style);
        }
        out += ']';
        return;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        const QVariantMap map = value.toMap(); // ordered by key, so the text is stable
        out += '{';
        bool first = true;
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (!first)
                out += ',';
            first = false;
            out += quoted(it.key());
            out += ':';
            appendValue(out, it.value(), style);
        }
        out += '}';
        return;
    }
    default:
        if (value.canConvert<QString>())
            out += quoted(value.toString());
        else
            out += "null";
        return;
    }
}

} // namespace

QByteArray quoted(const QString& text) {
    static const char kHex[] = "0123456789abcdef";
    QByteArray out;
    out.reserve(text.size() + 2);
    out += '"';
    qsizetype runStart =
        0; // characters since the last escape go out as one UTF-8 run (keeps surrogate pairs)
    const auto flush = [&](qsizetype end) {
        out += QStringView(text).mid(runStart, end - runStart).toUtf8();
        runStart = end + 1;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        const char* escape = nullptr;
        switch (u) {
        case '"':
            escape = "\\\"";
            break;
        case '\\':
            escape = "\\\\";
            break;
        case '\n':
            escape = "\\n";
            break;
        case '\r':
            escape = "\\r";
            break;
        case '\t':
            escape = "\\t";
            break;
        case '\b':
            escape = "\\b";
            break;
        case '\f':
            escape = "\\f";
            break;
        default:
            break;
        }
        // Control characters, and the separators that end a line in a script, as \u escapes.
        const bool unicodeEscape = !escape && (u < 0x20 || u == 0x2028 || u == 0x2029);
        if (!escape && !unicodeEscape)
            continue;
        flush(i);
        if (escape) {
            out += escape;
        } else {
            out += "\\u";
            out += kHex[(u >> 12) & 0xf];
            out += kHex[(u >> 8) & 0xf];
            out += kHex[(u >> 4) & 0xf];
            out += kHex[u & 0xf];
        }
    }
    flush(text.size());
    out += '"';
    return out;
}

QByteArray write(const QVariant& value, NumberStyle style) {
    QByteArray out;
    appendValue(out, value, style);
    return out;
}

} // namespace JsonTextWriter
