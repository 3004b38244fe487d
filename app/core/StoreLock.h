#pragma once

#include <QLockFile>
#include <QMutex>
#include <QString>

#include <memory>

// The lock that makes one player the only writer of the stores in the settings folder (KestrunPlayer.lock
// beside them). The player takes it at start; the stores ask mayWrite() before every write.
//
// A lock that cannot be made at start (a folder that cannot be written) does not stop the player: the
// stores keep their changes in memory and write nothing until the lock can be taken. mayWrite() tries
// again each time; once another player holds the lock, this one never writes in this run, so two players
// never write one store even when both started while the folder was read-only.
//
// A store used without the lock ever being asked for (the command-line tools, the stores' own tests) may
// always write. Thread-safe: the stores ask from their writer threads.
class StoreLock {
public:
    enum class State {
        Unused,      // never asked for
        Held,        // this process holds it
        NotMade,     // it could not be made yet; tried again before each write
        TakenByOther // another live player holds it: nothing is written in this run
    };

    static StoreLock& shared();

    // Takes the lock at `path`. False only when another live process holds it (its id in `owner`); a lock
    // that cannot be made gives true and the state NotMade.
    bool take(const QString& path, qint64* owner = nullptr);
    // Whether the stores may write now; when not, why (for the user).
    bool mayWrite(QString* problem = nullptr);
    State state() const;
    // Lets the lock go (the state returns to Unused).
    void release();

private:
    StoreLock() = default;
    // With m_mutex held: one attempt; false when another live process holds the lock.
    bool tryTake(qint64* owner);
    void announce(); // with m_mutex held: tells the user what the state means

    mutable QMutex m_mutex;
    QString m_path;
    State m_state = State::Unused;
    qint64 m_owner = 0;
    std::unique_ptr<QLockFile> m_lock;
};
