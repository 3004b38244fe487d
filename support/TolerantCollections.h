#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

#include <optional>

// Tolerant access to lists, string-keyed maps and strings: a read outside a list yields nothing, an insertion
// of nothing or at a bad place is ignored, a bad range leaves the collection as it was. Indexes and lengths
// are unsigned; string positions count UTF-16 code units. Use these wherever a list is read by an index that
// may lie past its end (a second past the end of a track) or a dictionary is built from values that may be
// missing.
namespace Tolerant {

// A value counts as missing when it is an empty optional, an invalid QVariant or a null QString.
template <typename T> bool isPresent(const T&) {
    return true;
}
inline bool isPresent(const QVariant& value) {
    return value.isValid();
}
inline bool isPresent(const QString& value) {
    return !value.isNull();
}
template <typename T> bool isPresent(const std::optional<T>& value) {
    return value.has_value() && isPresent(*value);
}

template <typename T> std::optional<T> objectAtIndex(const QList<T>& list, quint64 index) {
    if (index >= static_cast<quint64>(list.size()))
        return std::nullopt;
    return list.at(static_cast<qsizetype>(index));
}

// Inserting at the count appends. Returns whether the list changed.
template <typename T> bool insertObject(QList<T>& list, const std::optional<T>& object, quint64 index) {
    if (!isPresent(object) || index > static_cast<quint64>(list.size()))
        return false;
    list.insert(static_cast<qsizetype>(index), *object);
    return true;
}

inline bool rangeFits(quint64 location, quint64 length, quint64 count) {
    return location <= count && length <= count && location + length <= count;
}

template <typename T> bool removeObjectsInRange(QList<T>& list, quint64 location, quint64 length) {
    if (!rangeFits(location, length, static_cast<quint64>(list.size())))
        return false;
    list.remove(static_cast<qsizetype>(location), static_cast<qsizetype>(length));
    return true;
}

// Removes every element equal to `object` inside the range.
template <typename T>
bool removeObjectInRange(QList<T>& list, const std::optional<T>& object, quint64 location, quint64 length) {
    if (!isPresent(object) || !rangeFits(location, length, static_cast<quint64>(list.size())))
        return false;
    for (qsizetype i = static_cast<qsizetype>(location + length); i-- > static_cast<qsizetype>(location);) {
        if (list.at(i) == *object)
            list.removeAt(i);
    }
    return true;
}

// Sets the entry only when both value and key are present; otherwise an existing entry stays as it was.
template <typename V>
bool setObjectForKey(QMap<QString, V>& map, const std::optional<V>& value, const QString& key) {
    if (!isPresent(value) || !isPresent(key))
        return false;
    map.insert(key, *value);
    return true;
}

template <typename V> bool removeObjectForKey(QMap<QString, V>& map, const QString& key) {
    if (!isPresent(key))
        return false;
    map.remove(key);
    return true;
}

// A dictionary from parallel lists of values and keys: the pairs in order up to, not including, the first
// whose key or value is missing (or the first `count` pairs when all are present).
QVariantMap dictionaryWithObjects(const QList<QVariant>& values, const QList<QString>& keys, quint64 count);

std::optional<QString> substringFromIndex(const QString& text, quint64 index);
std::optional<QString> substringToIndex(const QString& text, quint64 index);
std::optional<QString> substringWithRange(const QString& text, quint64 location, quint64 length);

// A found range, or location kNotFound with length 0.
struct Range {
    quint64 location = 0;
    quint64 length = 0;
    friend bool operator==(const Range&, const Range&) = default;
};
inline constexpr quint64 kNotFound = ~quint64(0);

enum SearchOption { CaseInsensitive = 1, Backwards = 2, Anchored = 8 };

// Searches `text` for `search` inside `range`. A missing search string is replaced by the receiver itself; a
// range that does not fit the text is replaced by the whole text.
Range rangeOfString(const QString& text, const std::optional<QString>& search, int options, Range range);

// Appends only when the string is present.
bool appendString(QString& text, const std::optional<QString>& tail);

} // namespace Tolerant
