#include "PlayListDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <sqlite3.h>

namespace {

constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 5000;

// Added after the first schema: when the clip's records say it was recorded, and its samples with a position.
constexpr const char* kClipFactsColumns =
    "ALTER TABLE clips ADD COLUMN record_time TEXT; ALTER TABLE clips ADD COLUMN fix_seconds INTEGER;";

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS clips (
    id INTEGER PRIMARY KEY,
    key_path TEXT,
    key_max_speed REAL,
    key_is_in_china INTEGER,
    aevSpeed REAL,
    totailDistance REAL,
    file_time TEXT,
    file_size REAL,
    key_active_yn INTEGER,
    gps_seconds INTEGER,
    extra TEXT
);
CREATE TABLE IF NOT EXISTS tracks (
    clip_id INTEGER PRIMARY KEY,
    key_gps_data TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS meta (
    key TEXT PRIMARY KEY,
    value TEXT
);
)sql";

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
    explicit operator bool() const { return stmt != nullptr; }
};

void bindText(sqlite3_stmt* stmt, int index, const std::optional<QString>& text) {
    if (!text) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    const QByteArray utf8 = text->toUtf8();
    sqlite3_bind_text(stmt, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void bindFloat(sqlite3_stmt* stmt, int index, const std::optional<float>& value) {
    if (value)
        sqlite3_bind_double(stmt, index, static_cast<double>(*value));
    else
        sqlite3_bind_null(stmt, index);
}

void bindBool(sqlite3_stmt* stmt, int index, const std::optional<bool>& value) {
    if (value)
        sqlite3_bind_int(stmt, index, *value ? 1 : 0);
    else
        sqlite3_bind_null(stmt, index);
}

QString columnText(sqlite3_stmt* stmt, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt, column));
}

// Values of another type (a row edited by hand) are read the way the settings file's are.
std::optional<float> columnFloat(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return static_cast<float>(sqlite3_column_double(stmt, column));
    default:
        return PlayListEntry::fromDictionary({{PlayListKeys::kFileSize, columnText(stmt, column)}})
            .body()
            .fileSize;
    }
}

std::optional<bool> columnBool(sqlite3_stmt* stmt, int column) {
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_double(stmt, column) != 0;
}

std::optional<QString> columnString(sqlite3_stmt* stmt, int column) {
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL)
        return std::nullopt;
    return columnText(stmt, column);
}

} // namespace

PlayListDatabase::PlayListDatabase(QString path)
    : m_path(std::move(path)) {}

PlayListDatabase::~PlayListDatabase() {
    close();
}

void PlayListDatabase::close() {
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

QString PlayListDatabase::error() const {
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString("no database");
}

bool PlayListDatabase::exec(const char* sql, QString& problem) {
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    problem = message ? QString::fromUtf8(message) : error();
    sqlite3_free(message);
    return false;
}

sqlite3_stmt* PlayListDatabase::prepare(const char* sql, QString& problem) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        problem = error();
        sqlite3_finalize(stmt);
        return nullptr;
    }
    return stmt;
}

PlayListDatabase::Status PlayListDatabase::open(bool writable, QString& problem, bool immutable) {
    close();
    const QByteArray file = QFile::encodeName(m_path);
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    flags |= writable ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
    QByteArray name = file;
    if (immutable)
        name = "file:" + QUrl::toPercentEncoding(QString::fromLocal8Bit(file), "/") + "?immutable=1";
    const int rc = sqlite3_open_v2(name.constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        problem = error();
        close();
        return Status::Unreadable;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 1);
    // The file is read here, so a file that is not a database (or is damaged at its start) shows now.
    Statement version;
    version.stmt = prepare("PRAGMA user_version", problem);
    const int step = version ? sqlite3_step(version.stmt) : sqlite3_errcode(m_db);
    if (step != SQLITE_ROW) {
        const int code = sqlite3_errcode(m_db) & 0xff;
        if (problem.isEmpty())
            problem = error();
        close();
        return code == SQLITE_NOTADB || code == SQLITE_CORRUPT ? Status::NotADatabase : Status::Unreadable;
    }
    const int schema = sqlite3_column_int(version.stmt, 0);
    sqlite3_finalize(version.stmt);
    version.stmt = nullptr;
    if (schema > kSchemaVersion) {
        problem = QString("the database was made by a newer player (schema %1)").arg(schema);
        close();
        return Status::Unreadable;
    }
    if (!writable) {
        m_hasClipFacts = hasClipFacts();
        return Status::Ok;
    }
    // WAL: readers never wait for the writer; FULL: a committed change is on disk when commit returns.
    if (!exec("PRAGMA journal_mode=WAL", problem) || !exec("PRAGMA synchronous=FULL", problem)) {
        const int code = sqlite3_errcode(m_db) & 0xff;
        close();
        return code == SQLITE_NOTADB || code == SQLITE_CORRUPT ? Status::NotADatabase : Status::Unreadable;
    }
    if (schema < kSchemaVersion) {
        QString sql =
            QString("BEGIN IMMEDIATE;%1PRAGMA user_version=%2;COMMIT;").arg(kSchema).arg(kSchemaVersion);
        if (!exec(sql.toUtf8().constData(), problem)) {
            exec("ROLLBACK", problem);
            close();
            return Status::Unreadable;
        }
    }
    // The clip facts that came later are columns of their own, added in place: a database of an earlier
    // player stays readable by it (it names the columns it reads), and its rows read as "not known".
    if (!hasClipFacts()) {
        // Checked again inside the transaction: another process may have added them meanwhile.
        const bool added = exec("BEGIN IMMEDIATE", problem) &&
                           (hasClipFacts() || exec(kClipFactsColumns, problem)) && exec("COMMIT", problem);
        if (!added) {
            QString ignored;
            exec("ROLLBACK", ignored);
            close();
            return Status::Unreadable;
        }
    }
    m_hasClipFacts = true;
    return Status::Ok;
}

bool PlayListDatabase::hasClipFacts() {
    QString problem;
    Statement columns;
    columns.stmt =
        prepare("SELECT COUNT(*) FROM pragma_table_info('clips') WHERE name = 'fix_seconds'", problem);
    return columns && sqlite3_step(columns.stmt) == SQLITE_ROW && sqlite3_column_int(columns.stmt, 0) > 0;
}

bool PlayListDatabase::readRows(std::vector<Row>& rows, bool& listPresent, QString& problem) {
    Statement select;
    select.stmt =
        prepare(m_hasClipFacts ? "SELECT id, key_path, key_max_speed, key_is_in_china, aevSpeed, "
                                 "totailDistance, file_time, file_size, key_active_yn, gps_seconds, "
                                 "extra, record_time, fix_seconds FROM clips ORDER BY id"
                               : "SELECT id, key_path, key_max_speed, key_is_in_china, aevSpeed, "
                                 "totailDistance, file_time, file_size, key_active_yn, gps_seconds, "
                                 "extra, NULL, NULL FROM clips ORDER BY id",
                problem);
    if (!select)
        return false;
    int rc;
    while ((rc = sqlite3_step(select.stmt)) == SQLITE_ROW) {
        Row row;
        row.id = sqlite3_column_int64(select.stmt, 0);
        row.body = std::make_shared<PlayListEntryBody>();
        PlayListEntryBody& b = *row.body;
        b.path = columnString(select.stmt, 1);
        b.maxSpeed = columnFloat(select.stmt, 2);
        b.isInChina = columnBool(select.stmt, 3);
        b.aevSpeed = columnFloat(select.stmt, 4);
        b.totailDistance = columnFloat(select.stmt, 5);
        b.fileTime = columnString(select.stmt, 6);
        b.fileSize = columnFloat(select.stmt, 7);
        row.activeYn = columnBool(select.stmt, 8);
        if (sqlite3_column_type(select.stmt, 9) != SQLITE_NULL)
            b.storedSampleCount =
                static_cast<std::size_t>(std::max<sqlite3_int64>(0, sqlite3_column_int64(select.stmt, 9)));
        if (const auto extra = columnString(select.stmt, 10)) {
            const QJsonObject object = QJsonDocument::fromJson(extra->toUtf8()).object();
            for (auto it = object.begin(); it != object.end(); ++it)
                b.extra.insert(it.key(), PlayListJson::toVariant(it.value()));
        }
        b.recordTime = columnString(select.stmt, 11);
        if (sqlite3_column_type(select.stmt, 12) == SQLITE_INTEGER)
            b.storedFixCount =
                static_cast<std::size_t>(std::max<sqlite3_int64>(0, sqlite3_column_int64(select.stmt, 12)));
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        problem = error();
        return false;
    }
    listPresent = !rows.empty() || meta(kListMeta) == QString("present");
    return true;
}

std::shared_ptr<const TrackSamples> PlayListDatabase::readTrack(qint64 id) {
    QString problem;
    Statement select;
    select.stmt = prepare("SELECT key_gps_data FROM tracks WHERE clip_id = ?", problem);
    if (!select)
        return nullptr;
    sqlite3_bind_int64(select.stmt, 1, id);
    if (sqlite3_step(select.stmt) != SQLITE_ROW)
        return nullptr;
    const QByteArray text(reinterpret_cast<const char*>(sqlite3_column_text(select.stmt, 0)),
                          sqlite3_column_bytes(select.stmt, 0));
    const QJsonDocument document = QJsonDocument::fromJson(text);
    return std::make_shared<const TrackSamples>(PlayListJson::samplesFromJson(document.array()));
}

std::optional<QString> PlayListDatabase::meta(const char* key) {
    QString problem;
    Statement select;
    select.stmt = prepare("SELECT value FROM meta WHERE key = ?", problem);
    if (!select)
        return std::nullopt;
    sqlite3_bind_text(select.stmt, 1, key, -1, SQLITE_STATIC);
    if (sqlite3_step(select.stmt) != SQLITE_ROW)
        return std::nullopt;
    return columnString(select.stmt, 0);
}

bool PlayListDatabase::quickCheck(QString& problem) {
    Statement check;
    check.stmt = prepare("PRAGMA quick_check", problem);
    if (!check || sqlite3_step(check.stmt) != SQLITE_ROW)
        return false;
    const QString result = columnText(check.stmt, 0);
    if (result == "ok")
        return true;
    problem = result;
    return false;
}

bool PlayListDatabase::begin(QString& problem) {
    return exec("BEGIN IMMEDIATE", problem);
}

bool PlayListDatabase::commit(QString& problem) {
    return exec("COMMIT", problem);
}

void PlayListDatabase::rollback() {
    if (m_db && !sqlite3_get_autocommit(m_db)) {
        QString ignored;
        exec("ROLLBACK", ignored);
    }
}

bool PlayListDatabase::insertRow(qint64 id, const PlayListEntryBody& body, std::optional<bool> activeYn,
                                 QString& problem) {
    Statement insert;
    insert.stmt = prepare("INSERT INTO clips (id, key_path, key_max_speed, key_is_in_china, aevSpeed, "
                          "totailDistance, file_time, file_size, key_active_yn, gps_seconds, extra, "
                          "record_time, fix_seconds) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                          problem);
    if (!insert)
        return false;
    sqlite3_stmt* s = insert.stmt;
    sqlite3_bind_int64(s, 1, id);
    bindText(s, 2, body.path);
    bindFloat(s, 3, body.maxSpeed);
    bindBool(s, 4, body.isInChina);
    bindFloat(s, 5, body.aevSpeed);
    bindFloat(s, 6, body.totailDistance);
    bindText(s, 7, body.fileTime);
    bindFloat(s, 8, body.fileSize);
    bindBool(s, 9, activeYn);
    const std::shared_ptr<const TrackSamples> samples = body.gpsData;
    if (samples || body.storedSampleCount)
        sqlite3_bind_int64(s, 10, static_cast<sqlite3_int64>(body.sampleCount()));
    else
        sqlite3_bind_null(s, 10);
    if (!body.extra.isEmpty()) {
        std::string extra;
        PlayListJson::appendVariant(extra, body.extra);
        sqlite3_bind_text(s, 11, extra.data(), static_cast<int>(extra.size()), SQLITE_TRANSIENT);
    } else {
        sqlite3_bind_null(s, 11);
    }
    bindText(s, 12, body.recordTime);
    if (const std::optional<std::size_t> fixes = body.fixCount();
        fixes && (samples || body.storedSampleCount))
        sqlite3_bind_int64(s, 13, static_cast<sqlite3_int64>(*fixes));
    else
        sqlite3_bind_null(s, 13);
    if (sqlite3_step(s) != SQLITE_DONE) {
        problem = error();
        return false;
    }
    if (!samples)
        return true;
    Statement track;
    track.stmt = prepare("INSERT OR REPLACE INTO tracks (clip_id, key_gps_data) VALUES (?, ?)", problem);
    if (!track)
        return false;
    std::string text;
    PlayListJson::appendSamples(text, *samples);
    sqlite3_bind_int64(track.stmt, 1, id);
    sqlite3_bind_text(track.stmt, 2, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    if (sqlite3_step(track.stmt) != SQLITE_DONE) {
        problem = error();
        return false;
    }
    return true;
}

bool PlayListDatabase::copyTrack(qint64 from, qint64 to, QString& problem) {
    Statement copy;
    copy.stmt = prepare("INSERT OR REPLACE INTO tracks (clip_id, key_gps_data) SELECT ?, key_gps_data FROM "
                        "tracks WHERE clip_id = ?",
                        problem);
    if (!copy)
        return false;
    sqlite3_bind_int64(copy.stmt, 1, to);
    sqlite3_bind_int64(copy.stmt, 2, from);
    if (sqlite3_step(copy.stmt) != SQLITE_DONE) {
        problem = error();
        return false;
    }
    return true;
}

bool PlayListDatabase::deleteRows(const std::vector<qint64>& ids, QString& problem) {
    Statement clip;
    Statement track;
    clip.stmt = prepare("DELETE FROM clips WHERE id = ?", problem);
    track.stmt = clip ? prepare("DELETE FROM tracks WHERE clip_id = ?", problem) : nullptr;
    if (!track)
        return false;
    for (const qint64 id : ids) {
        for (sqlite3_stmt* s : {clip.stmt, track.stmt}) {
            sqlite3_reset(s);
            sqlite3_bind_int64(s, 1, id);
            if (sqlite3_step(s) != SQLITE_DONE) {
                problem = error();
                return false;
            }
        }
    }
    return true;
}

bool PlayListDatabase::deleteAll(QString& problem) {
    return exec("DELETE FROM clips; DELETE FROM tracks;", problem);
}

bool PlayListDatabase::markActive(qint64 active, QString& problem) {
    // Only the rows whose mark changes are written: one or two rows after the first activation.
    Statement clear;
    clear.stmt =
        prepare("UPDATE clips SET key_active_yn = 0 WHERE key_active_yn IS NOT 0 AND id <> ?", problem);
    if (!clear)
        return false;
    sqlite3_bind_int64(clear.stmt, 1, active);
    if (sqlite3_step(clear.stmt) != SQLITE_DONE) {
        problem = error();
        return false;
    }
    return setActive(active, true, problem);
}

bool PlayListDatabase::setActive(qint64 id, std::optional<bool> activeYn, QString& problem) {
    Statement update;
    update.stmt = prepare("UPDATE clips SET key_active_yn = ? WHERE id = ?", problem);
    if (!update)
        return false;
    bindBool(update.stmt, 1, activeYn);
    sqlite3_bind_int64(update.stmt, 2, id);
    if (sqlite3_step(update.stmt) != SQLITE_DONE) {
        problem = error();
        return false;
    }
    return true;
}

bool PlayListDatabase::setMeta(const char* key, const QString& value, QString& problem) {
    Statement upsert;
    upsert.stmt = prepare("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)", problem);
    if (!upsert)
        return false;
    sqlite3_bind_text(upsert.stmt, 1, key, -1, SQLITE_STATIC);
    bindText(upsert.stmt, 2, value);
    if (sqlite3_step(upsert.stmt) != SQLITE_DONE) {
        problem = error();
        return false;
    }
    return true;
}
