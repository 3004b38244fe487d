#include "PlayListStore.h"
#include "KestrunLog.h"

#include "PlayListDatabase.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "StoreLock.h"
#include "StoreNotices.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtDebug>

#include <chrono>
#include <fcntl.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr const char* kFileName = "KestrunPlayer.db";
constexpr auto kRetryInterval = std::chrono::seconds(2);
constexpr int kCloseTimeoutMs = 1000;
constexpr const char* kNoticeUnreadable = "playlist-unreadable";
constexpr const char* kNoticeWrite = "playlist-write";
constexpr const char* kNoticeImport = "playlist-import";
constexpr const char* kUnsavedSource = "playlist";

std::unique_ptr<PlayListStore>& sharedSlot() {
    static std::unique_ptr<PlayListStore> store;
    return store;
}

std::mutex& sharedMutex() {
    static std::mutex mutex;
    return mutex;
}

QString stamp() {
    return QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
}

} // namespace

// The connection that reads tracks, shared by the rows that read through it (they may outlive the store).
class TrackReader {
public:
    explicit TrackReader(std::unique_ptr<PlayListDatabase> db)
        : m_db(std::move(db)) {}
    std::shared_ptr<const TrackSamples> read(qint64 id) {
        std::lock_guard lock(m_mutex);
        return m_db->isOpen() ? m_db->readTrack(id) : nullptr;
    }
    bool readRows(std::vector<PlayListDatabase::Row>& rows, bool& present, QString& problem) {
        std::lock_guard lock(m_mutex);
        return m_db->readRows(rows, present, problem);
    }

private:
    std::mutex m_mutex;
    std::unique_ptr<PlayListDatabase> m_db;
};

QString PlayListStore::defaultPath() {
    return QFileInfo(SettingsStore::defaultFilePath()).absolutePath() + "/" + kFileName;
}

PlayListStore& PlayListStore::shared() {
    std::lock_guard lock(sharedMutex());
    auto& slot = sharedSlot();
    if (!slot)
        slot = std::make_unique<PlayListStore>(defaultPath());
    return *slot;
}

void PlayListStore::resetShared() {
    std::lock_guard lock(sharedMutex());
    sharedSlot().reset();
}

PlayListStore::PlayListStore(QString path)
    : m_path(std::move(path)) {
    StoreLock::shared(); // made first, so it outlives the shared store, whose last write asks it
    openDatabase();
    if (!m_readOnly) {
        finishImport();
        importSettingsList();
    }
    m_writer = std::thread([this] { writerLoop(); });
}

PlayListStore::~PlayListStore() {
    if (!flush(kCloseTimeoutMs) && unsavedChanges() > 0)
        qWarning().noquote() << unsavedChanges() << "changes of the play list could not be written to"
                             << m_path;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_writer.join();
    // The writer's connection closes last: the last connection folds the WAL into the database and
    // removes it, which a read-only one cannot do.
    m_reader.reset();
    m_writerDb.reset();
}

void PlayListStore::setAside(const QString& reason) {
    const QString aside = m_path + ".unreadable-" + stamp();
    bool moved = QFile::rename(m_path, aside);
    if (moved) {
        for (const char* suffix : {"-wal", "-shm"}) {
            if (QFileInfo::exists(m_path + suffix))
                QFile::rename(m_path + suffix, aside + suffix);
        }
        m_setAsidePath = aside;
    }
    qWarning().noquote() << "Play-list database" << m_path
                         << "is not readable as a database (" + reason + ");"
                         << (moved ? "moved to " + aside : QString("it could not be moved"));
    if (moved) {
        StoreNotices::shared().report(
            kNoticeUnreadable,
            QCoreApplication::translate(
                "PlayListStore",
                "The play-list database could not be read (%1). It is kept as %2 and the play list starts "
                "empty.")
                .arg(reason, aside),
            false);
    } else {
        m_readOnly = true;
        StoreNotices::shared().report(
            kNoticeUnreadable,
            QCoreApplication::translate("PlayListStore", "The play-list database %1 could not be read (%2) "
                                                         "nor set aside. It is left as it is; changes "
                                                         "to the play list are not saved.")
                .arg(m_path, reason),
            true);
    }
}

void PlayListStore::openDatabase() {
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    const bool existed = QFileInfo::exists(m_path);
    if (!existed) {
        // The clips' paths and tracks are the user's own: readable by the user alone, like the settings.
        const int fd =
            ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
    }
    auto writer = std::make_unique<PlayListDatabase>(m_path);
    QString problem;
    PlayListDatabase::Status status = writer->open(true, problem);
    if (status == PlayListDatabase::Status::NotADatabase) {
        setAside(problem);
        if (m_readOnly)
            return;
        status = writer->open(true, problem);
    }
    if (status == PlayListDatabase::Status::Ok) {
        m_writerDb = std::move(writer);
    } else if (!existed) {
        // Nothing to read yet; the writer keeps trying to create it (a folder that cannot be written).
        qWarning().noquote() << "Play-list database" << m_path << "cannot be created:" << problem;
    }

    auto reader = std::make_unique<PlayListDatabase>(m_path);
    if (!existed && !m_writerDb) {
        m_list = nullptr;
        m_reader = std::make_shared<TrackReader>(std::move(reader));
        return;
    }
    QString readProblem;
    PlayListDatabase::Status read = reader->open(false, readProblem);
    if (read != PlayListDatabase::Status::Ok && QFileInfo::exists(m_path))
        read = reader->open(false, readProblem, true); // a folder that cannot be written
    m_reader = std::make_shared<TrackReader>(std::move(reader));
    if (read != PlayListDatabase::Status::Ok) {
        unreadable(readProblem);
        return;
    }
    loadRows();
}

void PlayListStore::unreadable(const QString& problem) {
    // Never write over what could not be read: it may hold every clip the user has.
    m_readOnly = true;
    m_writerDb.reset();
    qWarning().noquote() << "Play-list database" << m_path << "cannot be read:" << problem
                         << "- it is left as it is and nothing is saved to it";
    StoreNotices::shared().report(
        kNoticeUnreadable,
        QCoreApplication::translate("PlayListStore",
                                    "The play-list database %1 cannot be read (%2). It is left as it is; "
                                    "changes to the play list are not saved.")
            .arg(m_path, problem),
        true);
}

PlayListEntry PlayListStore::rowFromDatabase(qint64 id, std::shared_ptr<PlayListEntryBody> body,
                                             std::optional<bool> active) const {
    if (body->storedSampleCount) {
        std::weak_ptr<TrackReader> reader = m_reader;
        body->sampleReader = [reader, id]() -> std::shared_ptr<const TrackSamples> {
            const auto r = reader.lock();
            return r ? r->read(id) : nullptr;
        };
    }
    return PlayListEntry(std::move(body), active);
}

void PlayListStore::loadRows() {
    std::vector<PlayListDatabase::Row> rows;
    bool present = false;
    QString problem;
    if (!m_reader->readRows(rows, present, problem)) {
        unreadable(problem);
        return;
    }
    auto list = std::make_shared<PlayList>();
    list->reserve(rows.size());
    std::vector<qint64> ids;
    ids.reserve(rows.size());
    for (PlayListDatabase::Row& row : rows) {
        ids.push_back(row.id);
        m_nextId = std::max(m_nextId, row.id + 1);
        list->push_back(rowFromDatabase(row.id, std::move(row.body), row.activeYn));
    }
    std::lock_guard lock(m_mutex);
    m_ids = std::move(ids);
    m_list = present ? std::shared_ptr<const PlayList>(std::move(list)) : nullptr;
}

void PlayListStore::finishImport() {
    // A list imported by an earlier run that ended before the settings file lost it.
    if (!m_writerDb || !m_writerDb->meta(PlayListDatabase::kImportedMeta))
        return;
    SettingsStore& settings = SettingsStore::shared();
    if (!settings.isReadOnly() && settings.contains(SettingsKeys::kPlayList))
        completeImport(-1);
}

void PlayListStore::completeImport(int rows) {
    // The settings file as it was is kept; only then does the list leave it.
    SettingsStore& settings = SettingsStore::shared();
    const QString source = settings.filePath();
    QString backup = source + ".before-database";
    if (QFileInfo::exists(backup))
        backup += "-" + stamp();
    QFile in(source);
    QSaveFile out(backup);
    const bool copied = in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly) &&
                        out.write(in.readAll()) >= 0 && out.commit();
    if (copied)
        QFile::setPermissions(backup, QFile::ReadOwner | QFile::WriteOwner);
    if (!copied) {
        qWarning().noquote() << "The settings file" << source << "could not be copied to" << backup
                             << "- the play list stays in it as well";
        return;
    }
    settings.removePlayList();
    settings.flush(kCloseTimeoutMs);
    qCInfo(lcKestrun).noquote() << "Play list moved from" << source << "into" << m_path
                                << "- the file as it was is kept as" << backup;
    const QString text =
        rows >= 0
            ? QCoreApplication::translate(
                  "PlayListStore",
                  "The play list (%n clip(s)) now lives in the database %1. The settings file as it "
                  "was is kept as %2.",
                  nullptr, rows)
                  .arg(m_path, backup)
            : QCoreApplication::translate(
                  "PlayListStore",
                  "The play list now lives in the database %1. The settings file as it was is kept as %2.")
                  .arg(m_path, backup);
    StoreNotices::shared().report(kNoticeImport, text, false);
}

void PlayListStore::importSettingsList() {
    SettingsStore& settings = SettingsStore::shared();
    if (settings.isReadOnly() || !settings.contains(SettingsKeys::kPlayList))
        return;
    const std::shared_ptr<const PlayList> stored = settings.playList(); // null: a value of another shape
    std::unique_lock lock(m_mutex);
    auto list = std::make_shared<PlayList>(m_list ? *m_list : PlayList{});
    std::vector<qint64> ids = m_ids;
    std::vector<std::pair<qint64, PlayListEntry>> inserts;
    for (const PlayListEntry& entry : stored ? *stored : PlayList{}) {
        const qint64 id = m_nextId++;
        list->push_back(entry);
        ids.push_back(id);
        inserts.emplace_back(id, entry);
    }
    const bool present = stored || m_list;
    const QString source = settings.filePath();
    const int count = static_cast<int>(inserts.size());
    Change change;
    change.apply = [inserts, present, source](PlayListDatabase& db, QString& problem) {
        for (const auto& [id, entry] : inserts) {
            if (!db.insertRow(id, entry.body(), entry.activeYn(), problem))
                return false;
        }
        return (!present || db.setMeta(PlayListDatabase::kListMeta, "present", problem)) &&
               db.setMeta(PlayListDatabase::kImportedMeta, source, problem);
    };
    QString problem;
    if (m_writerDb && m_writerDb->begin(problem) && change.apply(*m_writerDb, problem) &&
        m_writerDb->commit(problem)) {
        lock.unlock();
        loadRows(); // the imported rows as the database holds them: tracks stay on disk
        completeImport(count);
        return;
    }
    if (m_writerDb)
        m_writerDb->rollback();
    // Tried again by the writer; until then the list in force is the settings file's.
    qWarning().noquote() << "The play list cannot be moved into" << m_path << "yet:" << problem;
    change.afterCommit = [this, count] {
        completeImport(count);
    };
    publish(std::move(list), std::move(ids), std::move(change));
}

std::shared_ptr<const PlayList> PlayListStore::list() const {
    std::lock_guard lock(m_mutex);
    return m_list;
}

bool PlayListStore::contains(const QString& key) const {
    std::lock_guard lock(m_mutex);
    if (!m_list)
        return false;
    for (const PlayListEntry& entry : *m_list) {
        if (entry.path() == key)
            return true;
    }
    return false;
}

quint64 PlayListStore::publish(std::shared_ptr<const PlayList> list, std::vector<qint64> ids, Change change) {
    m_list = std::move(list);
    m_ids = std::move(ids);
    change.ticket = ++m_lastTicket;
    if (m_readOnly) {
        m_tried = change.ticket;
        StoreNotices::shared().setUnsaved(
            kUnsavedSource, ++m_readOnlyChanges,
            QCoreApplication::translate("PlayListStore", "the play-list database could not be read"));
        return change.ticket;
    }
    m_queue.push_back(std::move(change));
    m_wake.notify_one();
    return m_lastTicket;
}

quint64 PlayListStore::append(PlayListEntry entry) {
    std::lock_guard lock(m_mutex);
    auto list = std::make_shared<PlayList>(m_list ? *m_list : PlayList{});
    std::vector<qint64> ids = m_ids;
    const qint64 id = m_nextId++;
    list->push_back(entry);
    ids.push_back(id);
    Change change;
    change.apply = [id, entry](PlayListDatabase& db, QString& problem) {
        return db.insertRow(id, entry.body(), entry.activeYn(), problem) &&
               db.setMeta(PlayListDatabase::kListMeta, "present", problem);
    };
    return publish(std::move(list), std::move(ids), std::move(change));
}

quint64 PlayListStore::replace(PlayList replacement) {
    std::lock_guard lock(m_mutex);
    const PlayList old = m_list ? *m_list : PlayList{};
    std::unordered_map<const PlayListEntryBody*, std::deque<std::size_t>> places;
    for (std::size_t i = 0; i < old.size(); ++i)
        places[&old[i].body()].push_back(i);
    auto list = std::make_shared<PlayList>();
    std::vector<qint64> ids;
    std::vector<std::pair<qint64, PlayListEntry>> inserts;
    std::vector<std::pair<qint64, std::optional<bool>>> marks;
    std::unordered_set<qint64> kept;
    qint64 last = 0;
    for (const PlayListEntry& entry : replacement) {
        std::optional<std::size_t> place;
        auto found = places.find(&entry.body());
        if (found != places.end() && !found->second.empty()) {
            place = found->second.front();
            found->second.pop_front();
        }
        if (place && m_ids[*place] > last) {
            const qint64 id = m_ids[*place];
            kept.insert(id);
            if (old[*place].activeYn() != entry.activeYn())
                marks.emplace_back(id, entry.activeYn());
            list->push_back(entry);
            ids.push_back(id);
            last = id;
            continue;
        }
        // A new row, or one given another place: written again, with its samples held until then.
        PlayListEntry row = entry;
        if (!entry.body().gpsData && entry.body().storedSampleCount) {
            auto body = std::make_shared<PlayListEntryBody>();
            const PlayListEntryBody& b = entry.body();
            body->path = b.path;
            body->gpsData = b.samples();
            body->maxSpeed = b.maxSpeed;
            body->isInChina = b.isInChina;
            body->aevSpeed = b.aevSpeed;
            body->totailDistance = b.totailDistance;
            body->fileTime = b.fileTime;
            body->fileSize = b.fileSize;
            body->extra = b.extra;
            body->recordTime = b.recordTime;
            row = PlayListEntry(std::move(body), entry.activeYn());
        }
        const qint64 id = m_nextId++;
        list->push_back(row);
        ids.push_back(id);
        inserts.emplace_back(id, row);
        last = id;
    }
    std::vector<qint64> removed;
    for (const qint64 id : m_ids) {
        if (!kept.count(id))
            removed.push_back(id);
    }
    Change change;
    change.apply = [inserts, marks, removed](PlayListDatabase& db, QString& problem) {
        if (!db.deleteRows(removed, problem))
            return false;
        for (const auto& [id, entry] : inserts) {
            if (!db.insertRow(id, entry.body(), entry.activeYn(), problem))
                return false;
        }
        for (const auto& [id, mark] : marks) {
            if (!db.setActive(id, mark, problem))
                return false;
        }
        return db.setMeta(PlayListDatabase::kListMeta, "present", problem);
    };
    return publish(std::move(list), std::move(ids), std::move(change));
}

quint64 PlayListStore::removePath(const QString& key) {
    std::lock_guard lock(m_mutex);
    auto list = std::make_shared<PlayList>();
    std::vector<qint64> ids;
    std::vector<qint64> removed;
    const PlayList old = m_list ? *m_list : PlayList{};
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (old[i].path() == key) {
            removed.push_back(m_ids[i]);
        } else {
            list->push_back(old[i]);
            ids.push_back(m_ids[i]);
        }
    }
    Change change;
    change.apply = [removed](PlayListDatabase& db, QString& problem) {
        return db.deleteRows(removed, problem) && db.setMeta(PlayListDatabase::kListMeta, "present", problem);
    };
    return publish(std::move(list), std::move(ids), std::move(change));
}

quint64 PlayListStore::clear() {
    std::lock_guard lock(m_mutex);
    Change change;
    change.apply = [](PlayListDatabase& db, QString& problem) {
        return db.deleteAll(problem) && db.setMeta(PlayListDatabase::kListMeta, "absent", problem);
    };
    return publish(nullptr, {}, std::move(change));
}

quint64 PlayListStore::activatePath(const QString& key) {
    std::lock_guard lock(m_mutex);
    qint64 index = -1;
    if (m_list) {
        for (qint64 i = static_cast<qint64>(m_list->size()) - 1; i >= 0; --i) {
            if ((*m_list)[static_cast<std::size_t>(i)].path() == key) {
                index = i;
                break;
            }
        }
    }
    return activate(index);
}

quint64 PlayListStore::activateIndex(qint64 index) {
    std::lock_guard lock(m_mutex);
    return activate(index);
}

quint64 PlayListStore::activate(qint64 index) {
    auto list = std::make_shared<PlayList>();
    const PlayList old = m_list ? *m_list : PlayList{};
    list->reserve(old.size());
    for (const PlayListEntry& entry : old)
        list->push_back(entry.activeYn() == false ? entry : entry.withActive(false));
    qint64 activeId = -1;
    if (index >= 0 && index < static_cast<qint64>(list->size())) {
        auto& row = (*list)[static_cast<std::size_t>(index)];
        row = row.withActive(true);
        activeId = m_ids[static_cast<std::size_t>(index)];
    }
    Change change;
    change.apply = [activeId](PlayListDatabase& db, QString& problem) {
        return db.markActive(activeId, problem) &&
               db.setMeta(PlayListDatabase::kListMeta, "present", problem);
    };
    std::vector<qint64> ids = m_ids;
    return publish(std::move(list), std::move(ids), std::move(change));
}

bool PlayListStore::waitTried(quint64 ticket) {
    std::unique_lock lock(m_mutex);
    m_progress.wait(lock, [&] { return m_tried >= ticket || m_stopping; });
    return m_written >= ticket;
}

bool PlayListStore::flush(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    const auto done = [this] {
        return m_written >= m_lastTicket || m_readOnly || m_writerStopped;
    };
    if (timeoutMs < 0)
        m_progress.wait(lock, done);
    else
        m_progress.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
    return m_queue.empty() && m_readOnlyChanges == 0;
}

int PlayListStore::unsavedChanges() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_queue.size()) + m_readOnlyChanges;
}

void PlayListStore::writerLoop() {
    std::unique_lock lock(m_mutex);
    bool failing = false;
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            break;
        const Change change = m_queue.front();
        lock.unlock();
        QString problem;
        bool written = false;
        const bool mayWrite = StoreLock::shared().mayWrite(&problem); // else another player may write
        if (mayWrite && (!m_writerDb || !m_writerDb->isOpen())) {
            auto db = std::make_unique<PlayListDatabase>(m_path);
            if (db->open(true, problem) == PlayListDatabase::Status::Ok)
                m_writerDb = std::move(db);
        }
        if (mayWrite && m_writerDb && m_writerDb->isOpen()) {
            written = m_writerDb->begin(problem) && change.apply(*m_writerDb, problem) &&
                      m_writerDb->commit(problem);
            if (!written)
                m_writerDb->rollback();
        }
        if (written && change.afterCommit)
            change.afterCommit();
        lock.lock();
        if (written) {
            m_queue.pop_front();
            m_written = change.ticket;
            m_tried = std::max(m_tried, change.ticket);
        } else {
            m_tried = m_lastTicket; // the later changes wait behind this one: their writers need not
        }
        const int unsaved = static_cast<int>(m_queue.size()) + m_readOnlyChanges;
        m_progress.notify_all();
        if (written) {
            if (failing && m_queue.empty()) {
                failing = false;
                StoreNotices::shared().clear(kNoticeWrite);
            }
            StoreNotices::shared().setUnsaved(kUnsavedSource, unsaved);
            continue;
        }
        failing = true;
        qWarning().noquote() << "Play list cannot be written to" << m_path << ":" << problem;
        StoreNotices::shared().report(
            kNoticeWrite,
            QCoreApplication::translate("PlayListStore",
                                        "Changes to the play list cannot be saved to %1 (%2); %n change(s) "
                                        "not saved yet. Trying again every few seconds.",
                                        nullptr, unsaved)
                .arg(m_path, problem),
            true);
        StoreNotices::shared().setUnsaved(kUnsavedSource, unsaved, problem);
        if (m_stopping)
            break;
        m_wake.wait_for(lock, kRetryInterval, [this] { return m_stopping; });
    }
    m_writerStopped = true;
    m_progress.notify_all();
}
