#include "PlayListEntry.h"

#include "JsonTextWriter.h"
#include "NumberText.h"
#include "TolerantCollections.h"
#include "TrackDictionary.h"
#include "TrackKeys.h"

#include <QJsonArray>
#include <QVariantList>

#include <cmath>

namespace PlayListJson {

void appendQuoted(std::string& out, std::string_view utf8) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 0xf];
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendNumber(std::string& out, float value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    out += NumberText::formatShortest(value);
}

void appendVariant(std::string& out, const QVariant& value) {
    out += JsonTextWriter::write(value, JsonTextWriter::NumberStyle::Shortest).toStdString();
}

QVariant toVariant(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double:
        return value.toDouble(); // never an integer: 2.0 stays a real number
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Array: {
        QVariantList list;
        const QJsonArray array = value.toArray();
        list.reserve(array.size());
        for (const QJsonValue& item : array)
            list.append(toVariant(item));
        return list;
    }
    case QJsonValue::Object: {
        QVariantMap map;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            map.insert(it.key(), toVariant(it.value()));
        return map;
    }
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return {};
}

} // namespace PlayListJson

namespace {

using namespace PlayListKeys;

void appendKey(std::string& out, const char* key) {
    if (!out.empty())
        out += ',';
    out += '"';
    out += key;
    out += "\":";
}

void appendSample(std::string& out, const TrackSample& s) {
    using namespace TrackKeys;
    const auto key = [&out](const char* name, bool first = false) {
        out += first ? "{\"" : ",\"";
        out += name;
        out += "\":";
    };
    key(kGpsLat, true);
    PlayListJson::appendQuoted(out, s.gpsLat);
    key(kGpsLgt);
    PlayListJson::appendQuoted(out, s.gpsLgt);
    for (const auto& [name, value] :
         {std::pair{kGsensorX, s.gsensorX}, std::pair{kGsensorY, s.gsensorY},
          std::pair{kGsensorZ, s.gsensorZ}, std::pair{kNorthAngle, s.northAngle}, std::pair{kSpd, s.spd}}) {
        key(name);
        PlayListJson::appendNumber(out, value);
    }
    out += '}';
}

// Numbers stored by an older or hand-edited file may come as text; read them the way settings are read.
std::optional<float> floatOf(const QVariant& value) {
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() == QMetaType::QString)
        return NumberText::parseLeadingFloat(value.toString().toStdString());
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1.0f : 0.0f;
    bool ok = false;
    const float f = value.toFloat(&ok);
    return ok ? std::optional<float>(f) : std::nullopt;
}

std::optional<bool> boolOf(const QVariant& value) {
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() == QMetaType::QString)
        return NumberText::parseLeadingDouble(value.toString().toStdString()) != 0 ||
               value.toString().trimmed().startsWith('Y', Qt::CaseInsensitive) ||
               value.toString().trimmed().startsWith('T', Qt::CaseInsensitive);
    return value.toBool();
}

std::optional<QString> stringOf(const QVariant& value) {
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

std::string textOf(const QVariant& value) {
    if (value.typeId() == QMetaType::QString)
        return value.toString().toStdString();
    if (!value.isValid())
        return "0.000000";
    return NumberText::formatFixed(value.toDouble(), 6);
}

TrackSample sampleFrom(const QVariantMap& map) {
    using namespace TrackKeys;
    TrackSample s;
    s.gpsLat = textOf(map.value(kGpsLat));
    s.gpsLgt = textOf(map.value(kGpsLgt));
    s.gsensorX = floatOf(map.value(kGsensorX)).value_or(0);
    s.gsensorY = floatOf(map.value(kGsensorY)).value_or(0);
    s.gsensorZ = floatOf(map.value(kGsensorZ)).value_or(0);
    s.northAngle = floatOf(map.value(kNorthAngle)).value_or(0);
    s.spd = floatOf(map.value(kSpd)).value_or(0);
    return s;
}

// A sample straight from JSON, without going through QVariant (the cold load reads 180 000 of them).
TrackSample sampleFrom(const QJsonObject& object) {
    using namespace TrackKeys;
    TrackSample s;
    const auto text = [&](const char* key) {
        const QJsonValue v = object.value(QLatin1StringView(key));
        if (v.isString())
            return v.toString().toStdString();
        return v.isDouble() ? NumberText::formatFixed(v.toDouble(), 6) : std::string("0.000000");
    };
    const auto number = [&](const char* key) {
        const QJsonValue v = object.value(QLatin1StringView(key));
        if (v.isDouble())
            return static_cast<float>(v.toDouble());
        return floatOf(PlayListJson::toVariant(v)).value_or(0);
    };
    s.gpsLat = text(kGpsLat);
    s.gpsLgt = text(kGpsLgt);
    s.gsensorX = number(kGsensorX);
    s.gsensorY = number(kGsensorY);
    s.gsensorZ = number(kGsensorZ);
    s.northAngle = number(kNorthAngle);
    s.spd = number(kSpd);
    return s;
}

// Fills a row's body from its members (samples given as a list included) and returns its active mark.
// Keys this version does not know are kept as they are.
std::optional<bool> readFields(const QVariantMap& dictionary, PlayListEntryBody& body) {
    std::optional<bool> active;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        const QString& key = it.key();
        const QVariant& value = it.value();
        if (key == QLatin1StringView(kPath)) {
            body.path = stringOf(value);
        } else if (key == QLatin1StringView(kGpsData) && value.canConvert<QVariantList>() &&
                   value.typeId() != QMetaType::QString) {
            auto samples = std::make_shared<TrackSamples>();
            for (const QVariant& item : value.toList())
                samples->push_back(sampleFrom(item.toMap()));
            body.gpsData = std::move(samples);
        } else if (key == QLatin1StringView(kMaxSpeed)) {
            body.maxSpeed = floatOf(value);
        } else if (key == QLatin1StringView(kIsInChina)) {
            body.isInChina = boolOf(value);
        } else if (key == QLatin1StringView(kAevSpeed)) {
            body.aevSpeed = floatOf(value);
        } else if (key == QLatin1StringView(kTotailDistance)) {
            body.totailDistance = floatOf(value);
        } else if (key == QLatin1StringView(kFileTime)) {
            body.fileTime = stringOf(value);
        } else if (key == QLatin1StringView(kFileSize)) {
            body.fileSize = floatOf(value);
        } else if (key == QLatin1StringView(kActiveYn)) {
            active = boolOf(value);
        } else if (value.isValid()) {
            body.extra.insert(key, value);
        }
    }
    return active;
}

} // namespace

std::shared_ptr<const TrackSamples> PlayListEntryBody::samples() const {
    if (gpsData)
        return gpsData;
    if (storedSampleCount && sampleReader)
        return sampleReader();
    return nullptr;
}

std::size_t PlayListEntryBody::sampleCount() const {
    if (gpsData)
        return gpsData->size();
    return storedSampleCount.value_or(0);
}

bool PlayListEntryBody::hasPosition(const TrackSample& sample) {
    return NumberText::parseLeadingFloat(sample.gpsLat) != 0 &&
           NumberText::parseLeadingFloat(sample.gpsLgt) != 0;
}

std::optional<std::size_t> PlayListEntryBody::fixCount() const {
    if (gpsData) {
        return static_cast<std::size_t>(std::count_if(gpsData->begin(), gpsData->end(), hasPosition));
    }
    if (!storedSampleCount)
        return 0;
    return storedFixCount;
}

void PlayListJson::appendSamples(std::string& out, const TrackSamples& samples) {
    out.reserve(out.size() + samples.size() * 120 + 2);
    out += '[';
    bool first = true;
    for (const TrackSample& s : samples) {
        if (!first)
            out += ',';
        first = false;
        appendSample(out, s);
    }
    out += ']';
}

TrackSamples PlayListJson::samplesFromJson(const QJsonArray& array) {
    TrackSamples list;
    list.reserve(static_cast<std::size_t>(array.size()));
    for (const QJsonValue& item : array)
        list.push_back(sampleFrom(item.toObject()));
    return list;
}

const std::string& PlayListEntryBody::jsonMembers() const {
    std::call_once(m_jsonOnce, [this] {
        std::string& out = m_json;
        if (path) {
            appendKey(out, kPath);
            PlayListJson::appendQuoted(out, path->toStdString());
        }
        if (const auto track = samples()) {
            appendKey(out, kGpsData);
            PlayListJson::appendSamples(out, *track);
        }
        const auto number = [&](const char* key, const std::optional<float>& value) {
            if (value) {
                appendKey(out, key);
                PlayListJson::appendNumber(out, *value);
            }
        };
        number(kMaxSpeed, maxSpeed);
        if (isInChina) {
            appendKey(out, kIsInChina);
            out += *isInChina ? "true" : "false";
        }
        number(kAevSpeed, aevSpeed);
        number(kTotailDistance, totailDistance);
        if (fileTime) {
            appendKey(out, kFileTime);
            PlayListJson::appendQuoted(out, fileTime->toStdString());
        }
        number(kFileSize, fileSize);
        for (auto it = extra.cbegin(); it != extra.cend(); ++it) {
            if (!out.empty())
                out += ',';
            PlayListJson::appendQuoted(out, it.key().toStdString());
            out += ':';
            PlayListJson::appendVariant(out, it.value());
        }
    });
    return m_json;
}

PlayListEntry::PlayListEntry()
    : m_body(std::make_shared<PlayListEntryBody>()) {}

PlayListEntry::PlayListEntry(std::shared_ptr<const PlayListEntryBody> body, std::optional<bool> activeYn)
    : m_body(body ? std::move(body) : std::make_shared<PlayListEntryBody>())
    , m_activeYn(activeYn) {}

PlayListEntry PlayListEntry::fromTrackInfo(const QString& fileKey, const TrackInfo& info,
                                           std::optional<QString> recordTime) {
    auto body = std::make_shared<PlayListEntryBody>();
    body->path = fileKey;
    body->recordTime = std::move(recordTime);
    if (info.videoDatas)
        body->gpsData = std::make_shared<const TrackSamples>(*info.videoDatas);
    body->maxSpeed = info.maxSpeed;
    body->isInChina = info.isInChina;
    body->aevSpeed = info.aevSpeed;
    body->totailDistance = info.totailDistance;
    body->fileTime = QString::fromStdString(info.fileTime);
    body->fileSize = info.fileSize;
    return PlayListEntry(std::move(body));
}

PlayListEntry PlayListEntry::fromDictionary(const QVariantMap& dictionary) {
    auto body = std::make_shared<PlayListEntryBody>();
    const std::optional<bool> active = readFields(dictionary, *body);
    return PlayListEntry(std::move(body), active);
}

PlayListEntry PlayListEntry::fromJson(const QJsonObject& object) {
    QVariantMap fields;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() != QLatin1StringView(kGpsData) || !it.value().isArray())
            fields.insert(it.key(), PlayListJson::toVariant(it.value()));
    }
    auto body = std::make_shared<PlayListEntryBody>();
    const std::optional<bool> active = readFields(fields, *body);
    // The samples are the bulk of a stored list: read them without the QVariant detour.
    const QJsonValue samples = object.value(QLatin1StringView(kGpsData));
    if (samples.isArray())
        body->gpsData =
            std::make_shared<const TrackSamples>(PlayListJson::samplesFromJson(samples.toArray()));
    return PlayListEntry(std::move(body), active);
}

QVariantMap PlayListEntry::toDictionary() const {
    QVariantMap map = m_body->extra;
    const PlayListEntryBody& b = *m_body;
    // A value that was missing when the row was built is simply not there.
    const auto set = [&map](const char* key, const auto& value) {
        Tolerant::setObjectForKey(map,
                                  value ? std::optional<QVariant>(QVariant::fromValue(*value)) : std::nullopt,
                                  QString::fromLatin1(key));
    };
    set(kPath, b.path);
    if (const auto track = b.samples()) {
        QVariantList samples;
        samples.reserve(static_cast<qsizetype>(track->size()));
        for (const TrackSample& s : *track)
            samples.append(TrackDictionary::fromSample(s));
        map.insert(kGpsData, samples);
    }
    set(kMaxSpeed, b.maxSpeed);
    set(kIsInChina, b.isInChina);
    set(kAevSpeed, b.aevSpeed);
    set(kTotailDistance, b.totailDistance);
    set(kFileTime, b.fileTime);
    set(kFileSize, b.fileSize);
    set(kActiveYn, m_activeYn);
    return map;
}

void PlayListEntry::appendJson(std::string& out) const {
    const std::string& members = m_body->jsonMembers();
    out += '{';
    out += members;
    if (m_activeYn) {
        if (!members.empty())
            out += ',';
        out += "\"key_active_yn\":";
        out += *m_activeYn ? "true" : "false";
    }
    out += '}';
}

PlayListEntry PlayListEntry::withActive(bool active) const {
    return PlayListEntry(m_body, active);
}

bool operator==(const PlayListEntry& a, const PlayListEntry& b) {
    if (a.m_activeYn != b.m_activeYn)
        return false;
    if (a.m_body == b.m_body)
        return true;
    return a.toDictionary() == b.toDictionary();
}
