#pragma once

#include "PlayListEntry.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The play list on disk: an SQLite database in WAL mode beside the settings file. One row per play-list
// row in "clips" (listed in the order of their ids), its track in "tracks" as the JSON array the row's
// "key_gps_data" holds, and a few facts in "meta". Columns carry the rows' literal keys, and two facts that
// are not row keys: when the clip was recorded and how many of its samples have a position.
//
// One connection; not thread-safe: each user (the writer thread, the track reader) opens its own.
// Every write method runs inside the caller's transaction (begin/commit) and returns false with `problem`
// on failure.
class PlayListDatabase {
public:
    // A row as read at start: everything but the samples, which stay on disk.
    struct Row {
        qint64 id = 0;
        std::shared_ptr<PlayListEntryBody> body;
        std::optional<bool> activeYn;
    };
    enum class Status { Ok, Unreadable, NotADatabase };

    explicit PlayListDatabase(QString path);
    ~PlayListDatabase();
    PlayListDatabase(const PlayListDatabase&) = delete;
    PlayListDatabase& operator=(const PlayListDatabase&) = delete;

    QString path() const { return m_path; }

    // Opens the file (created when it is absent and `writable`), checks that it is this player's database
    // and, when writable, makes the schema. Read-only with `immutable` reads a file whose folder cannot be
    // written (no WAL index can be made there).
    Status open(bool writable, QString& problem, bool immutable = false);
    bool isOpen() const { return m_db != nullptr; }
    void close();

    bool readRows(std::vector<Row>& rows, bool& listPresent, QString& problem);
    // The track of a row, or null when the row has none (or the read fails).
    std::shared_ptr<const TrackSamples> readTrack(qint64 id);
    std::optional<QString> meta(const char* key);
    bool quickCheck(QString& problem);

    bool begin(QString& problem);
    bool commit(QString& problem);
    void rollback();

    bool insertRow(qint64 id, const PlayListEntryBody& body, std::optional<bool> activeYn, QString& problem);
    // The track of row `from` becomes row `to`'s as well (a row given a new place).
    bool copyTrack(qint64 from, qint64 to, QString& problem);
    bool deleteRows(const std::vector<qint64>& ids, QString& problem);
    bool deleteAll(QString& problem);
    // "key_active_yn" false on every row, true on `active` (none when it is not a row's id).
    bool markActive(qint64 active, QString& problem);
    bool setActive(qint64 id, std::optional<bool> activeYn, QString& problem);
    bool setMeta(const char* key, const QString& value, QString& problem);

    static constexpr const char* kListMeta = "list";              // "present" or "absent"
    static constexpr const char* kImportedMeta = "imported_from"; // the settings file the list came from

private:
    bool exec(const char* sql, QString& problem);
    sqlite3_stmt* prepare(const char* sql, QString& problem);
    QString error() const;
    bool hasClipFacts(); // the columns record_time and fix_seconds exist

    const QString m_path;
    sqlite3* m_db = nullptr;
    bool m_hasClipFacts = false;
};
