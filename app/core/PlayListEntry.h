#pragma once

#include "TrackInfo.h"
#include "TrackSample.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The literal keys of a stored play-list row.
namespace PlayListKeys {
inline constexpr const char* kPath = "key_path";
inline constexpr const char* kGpsData = "key_gps_data";
inline constexpr const char* kMaxSpeed = "key_max_speed";
inline constexpr const char* kIsInChina = "key_is_in_china";
inline constexpr const char* kAevSpeed = "aevSpeed";
inline constexpr const char* kTotailDistance = "totailDistance";
inline constexpr const char* kFileTime = "file_time";
inline constexpr const char* kFileSize = "file_size";
inline constexpr const char* kActiveYn = "key_active_yn";
} // namespace PlayListKeys

using TrackSamples = std::vector<TrackSample>;

// Everything of a play-list row but its active mark. Immutable once built and shared between the copies of a
// row (activation only changes the mark), so a play list of a thousand tracks is copied cheaply. Its JSON
// text is made once, on first use, from any thread.
class PlayListEntryBody {
public:
    std::optional<QString> path;                 // the file key, "file:///..." percent-escaped
    std::shared_ptr<const TrackSamples> gpsData; // the samples when held in memory; see samples()
    // Rows read back from the play-list database leave their track on disk: the number of its samples and
    // a reader that fetches them (any thread). Unset for rows whose samples are held, or that have none.
    std::optional<std::size_t> storedSampleCount;
    std::function<std::shared_ptr<const TrackSamples>()> sampleReader;
    std::optional<float> maxSpeed;
    std::optional<bool> isInChina;
    std::optional<float> aevSpeed;
    std::optional<float> totailDistance;
    std::optional<QString> fileTime;
    std::optional<float> fileSize;
    QVariantMap extra; // keys this version does not know, kept as they were stored

    // Facts about the clip that are not row keys (a row's dictionary never shows them): when its records
    // say it was recorded (UTC, "yyyy-MM-ddTHH:mm:ssZ"), and how many of its samples have a position, as
    // the play-list database keeps them for rows whose samples stay on disk.
    std::optional<QString> recordTime;
    std::optional<std::size_t> storedFixCount;

    // The samples ("key_gps_data"): held ones, or read from the store; null when the row has none.
    std::shared_ptr<const TrackSamples> samples() const;
    // Whether the row has "key_gps_data", and how many samples it holds, without reading them.
    bool hasSamples() const { return gpsData || storedSampleCount; }
    std::size_t sampleCount() const;
    // Samples with a position (see hasPosition): counted from held samples, else as stored; unknown for a
    // row read from an older store.
    std::optional<std::size_t> fixCount() const;
    // A sample has a position when neither coordinate reads as 0 (a second without a fix has "0.000000").
    static bool hasPosition(const TrackSample& sample);

    // The row's members as JSON text without braces, e.g. "key_path":"file:///a.mp4","file_size":0.5
    const std::string& jsonMembers() const;

private:
    mutable std::once_flag m_jsonOnce;
    mutable std::string m_json;
};

// One play-list row: a dictionary with the literal keys above, held as typed data.
class PlayListEntry {
public:
    PlayListEntry();
    explicit PlayListEntry(std::shared_ptr<const PlayListEntryBody> body, std::optional<bool> activeYn = {});

    // The row the batch add makes for a file: every value the TrackInfo has, under the row's keys.
    // `recordTime`: when the clip's records say it was recorded, when they do.
    static PlayListEntry fromTrackInfo(const QString& fileKey, const TrackInfo& info,
                                       std::optional<QString> recordTime = std::nullopt);
    static PlayListEntry fromDictionary(const QVariantMap& dictionary);
    static PlayListEntry fromJson(const QJsonObject& object);

    QVariantMap toDictionary() const;
    // Appends the row as a compact JSON object.
    void appendJson(std::string& out) const;

    const PlayListEntryBody& body() const { return *m_body; }
    std::optional<QString> path() const { return m_body->path; }
    std::optional<bool> activeYn() const { return m_activeYn; }
    // The same row with the active mark set.
    PlayListEntry withActive(bool active) const;

    friend bool operator==(const PlayListEntry& a, const PlayListEntry& b);

private:
    std::shared_ptr<const PlayListEntryBody> m_body;
    std::optional<bool> m_activeYn;
};

using PlayList = std::vector<PlayListEntry>;

namespace PlayListJson {
// JSON string literal of UTF-8 text, quotes included, appended to `out`.
void appendQuoted(std::string& out, std::string_view utf8);
// Shortest round-trip text of a single-precision number; null when it is not finite.
void appendNumber(std::string& out, float value);
// A generic value (as read from or written to the store) in the same style.
void appendVariant(std::string& out, const QVariant& value);
// A track as a JSON array of samples, and back (entries that are not objects read as empty samples).
void appendSamples(std::string& out, const TrackSamples& samples);
TrackSamples samplesFromJson(const QJsonArray& array);
// A JSON value as the store's QVariant: numbers become double, arrays lists, objects maps, null invalid.
QVariant toVariant(const QJsonValue& value);
} // namespace PlayListJson
