#include "TolerantCollections.h"

namespace Tolerant {

QVariantMap dictionaryWithObjects(const QList<QVariant>& values, const QList<QString>& keys, quint64 count) {
    QVariantMap map;
    for (quint64 i = 0; i < count; ++i) {
        const auto value = objectAtIndex(values, i);
        const auto key = objectAtIndex(keys, i);
        if (!isPresent(value) || !isPresent(key))
            break;
        map.insert(*key, *value);
    }
    return map;
}

std::optional<QString> substringFromIndex(const QString& text, quint64 index) {
    if (index > static_cast<quint64>(text.size()))
        return std::nullopt;
    return text.mid(static_cast<qsizetype>(index));
}

std::optional<QString> substringToIndex(const QString& text, quint64 index) {
    if (index > static_cast<quint64>(text.size()))
        return std::nullopt;
    return text.left(static_cast<qsizetype>(index));
}

std::optional<QString> substringWithRange(const QString& text, quint64 location, quint64 length) {
    const auto size = static_cast<quint64>(text.size());
    if (location > size || length > size || location + length > size)
        return std::nullopt;
    return text.mid(static_cast<qsizetype>(location), static_cast<qsizetype>(length));
}

Range rangeOfString(const QString& text, const std::optional<QString>& search, int options, Range range) {
    const QString needle = isPresent(search) ? *search : text;
    const auto size = static_cast<quint64>(text.size());
    if (!rangeFits(range.location, range.length, size))
        range = {0, size};
    const Range notFound{kNotFound, 0};
    if (needle.isEmpty())
        return notFound;
    const QStringView window =
        QStringView(text).mid(static_cast<qsizetype>(range.location), static_cast<qsizetype>(range.length));
    const Qt::CaseSensitivity cs = (options & CaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    qsizetype found = -1;
    if (options & Anchored) {
        const bool hit = (options & Backwards) ? window.endsWith(needle, cs) : window.startsWith(needle, cs);
        if (hit)
            found = (options & Backwards) ? window.size() - needle.size() : 0;
    } else {
        found = (options & Backwards) ? window.lastIndexOf(needle, -1, cs) : window.indexOf(needle, 0, cs);
    }
    if (found < 0)
        return notFound;
    return {range.location + static_cast<quint64>(found), static_cast<quint64>(needle.size())};
}

bool appendString(QString& text, const std::optional<QString>& tail) {
    if (!isPresent(tail))
        return false;
    text.append(*tail);
    return true;
}

} // namespace Tolerant
