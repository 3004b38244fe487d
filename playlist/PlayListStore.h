#pragma once

#include "PlayListEntry.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class PlayListDatabase;
class TrackReader;

// The play list as the player holds it: the rows in memory (without their tracks, which are read from the
// database when asked for), and the database on disk ($XDG_CONFIG_HOME/Kestrun/KestrunPlayer.db).
//
// Every change is made in memory at once and written by a writer thread as one transaction, in the order
// the changes were made. A write that fails (read-only folder, full disk) stays queued and is tried again
// every few seconds; the user is told through StoreNotices until it succeeds. A database that cannot be
// read is never written: the player works on an empty list in memory and says so. A file that is not a
// database is set aside as "<name>.unreadable-<time>".
//
// At the first start with a play list still in the settings file, the list is imported in one
// transaction; only once that is committed is the list removed from the settings file (a copy of the file
// as it was is kept beside it). A kill before the commit leaves the settings file in force.
//
// Thread-safe: changes and reads from any thread (the batch worker appends, the main thread does the rest).
class PlayListStore {
public:
    // Opens (or creates) the database at `path`, imports the settings file's list when there is one.
    explicit PlayListStore(QString path);
    ~PlayListStore();
    PlayListStore(const PlayListStore&) = delete;
    PlayListStore& operator=(const PlayListStore&) = delete;

    // The application's store beside the settings file, opened on first use.
    static PlayListStore& shared();
    // Closes the shared store (its changes written first, for a bounded time); the next shared() opens it.
    static void resetShared();
    static QString defaultPath();

    QString path() const { return m_path; }
    // The database could not be read: it is left as it is and nothing is written to it in this run.
    bool isReadOnly() const { return m_readOnly; }
    // Where an unreadable database was moved at start, or an empty text.
    QString setAsidePath() const { return m_setAsidePath; }

    // The list, or null when there is none (never stored, or cleared).
    std::shared_ptr<const PlayList> list() const;
    bool contains(const QString& key) const;

    // Changes. Each returns a ticket for waitWritten().
    quint64 append(PlayListEntry entry);
    quint64 replace(PlayList list);
    quint64 removePath(const QString& key);
    quint64 clear();
    quint64 activatePath(const QString& key);
    quint64 activateIndex(qint64 index);

    // Waits until the change of `ticket` has been tried at least once; true when it is on disk.
    bool waitTried(quint64 ticket);
    // Waits at most timeoutMs (< 0: no limit) until every change so far is on disk; false when some are not.
    bool flush(int timeoutMs);
    // Changes made in this run that are not on disk.
    int unsavedChanges() const;

private:
    struct Change {
        quint64 ticket = 0;
        std::function<bool(PlayListDatabase&, QString&)> apply;
        std::function<void()> afterCommit; // on the writer thread, once written
    };

    void openDatabase();
    void loadRows();
    void unreadable(const QString& problem);
    void importSettingsList();
    void finishImport();
    void completeImport(int rows);
    quint64 activate(qint64 index); // with m_mutex held
    void setAside(const QString& reason);
    // With m_mutex held: publishes the new list and queues its write.
    quint64 publish(std::shared_ptr<const PlayList> list, std::vector<qint64> ids, Change change);
    void writerLoop();
    PlayListEntry rowFromDatabase(qint64 id, std::shared_ptr<PlayListEntryBody> body,
                                  std::optional<bool> active) const;

    const QString m_path;
    QString m_setAsidePath;
    bool m_readOnly = false;
    std::shared_ptr<TrackReader> m_reader;
    std::unique_ptr<PlayListDatabase> m_writerDb; // used by the writer thread only, once it runs

    mutable std::mutex m_mutex;
    std::shared_ptr<const PlayList> m_list;
    std::vector<qint64> m_ids; // the database id of each row of m_list
    qint64 m_nextId = 1;

    std::condition_variable m_wake;
    std::condition_variable m_progress;
    std::deque<Change> m_queue;
    quint64 m_lastTicket = 0;
    quint64 m_tried = 0;
    quint64 m_written = 0;
    int m_readOnlyChanges = 0;
    bool m_stopping = false;
    bool m_writerStopped = false;
    std::thread m_writer;
};
