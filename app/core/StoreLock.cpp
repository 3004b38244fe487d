#include "StoreLock.h"

#include "KestrunLog.h"
#include "StoreNotices.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {
const QString kNotice = QStringLiteral("store-lock");
} // namespace

StoreLock& StoreLock::shared() {
    static StoreLock lock;
    return lock;
}

bool StoreLock::take(const QString& path, qint64* owner) {
    QMutexLocker locker(&m_mutex);
    m_path = path;
    m_lock.reset();
    const bool free = tryTake(owner);
    if (m_state == State::NotMade)
        qWarning().noquote() << "Kestrun Player cannot make its lock file" << m_path
                             << "- nothing is saved until the settings folder can be written";
    announce();
    return free;
}

bool StoreLock::tryTake(qint64* owner) {
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    auto lock = std::make_unique<QLockFile>(m_path);
    lock->setStaleLockTime(0); // held for the whole run: only a dead owner makes it stale
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        m_state = State::Held;
        return true;
    }
    if (lock->error() != QLockFile::LockFailedError) {
        m_state = State::NotMade;
        return true;
    }
    qint64 pid = 0;
    QString host;
    QString application;
    lock->getLockInfo(&pid, &host, &application);
    m_owner = pid;
    if (owner)
        *owner = pid;
    m_state = State::TakenByOther;
    return false;
}

bool StoreLock::mayWrite(QString* problem) {
    QMutexLocker locker(&m_mutex);
    if (m_state == State::NotMade) {
        tryTake(nullptr);
        if (m_state != State::NotMade) {
            if (m_state == State::Held)
                qCInfo(lcKestrun).noquote() << "Lock file" << m_path << "made: the stores are saved again";
            else
                qWarning().noquote() << "Another Kestrun Player (process" << m_owner << ") has taken the lock"
                                     << m_path << "- nothing is saved in this one";
            announce();
        }
    }
    switch (m_state) {
    case State::Unused:
    case State::Held:
        return true;
    case State::NotMade:
        if (problem)
            *problem =
                QCoreApplication::translate("StoreLock", "the lock file %1 cannot be made").arg(m_path);
        return false;
    case State::TakenByOther:
        if (problem)
            *problem = QCoreApplication::translate("StoreLock", "another Kestrun Player (process %1) keeps "
                                                                "this play list")
                           .arg(m_owner);
        return false;
    }
    return false;
}

StoreLock::State StoreLock::state() const {
    QMutexLocker locker(&m_mutex);
    return m_state;
}

void StoreLock::release() {
    QMutexLocker locker(&m_mutex);
    m_lock.reset();
    m_state = State::Unused;
    StoreNotices::shared().clear(kNotice);
}

void StoreLock::announce() {
    switch (m_state) {
    case State::Unused:
    case State::Held:
        StoreNotices::shared().clear(kNotice);
        break;
    case State::NotMade:
        StoreNotices::shared().report(
            kNotice,
            QCoreApplication::translate("StoreLock",
                                        "The lock file %1 cannot be made, so the play list and settings "
                                        "are not saved for now. They are saved once the folder can be "
                                        "written.")
                .arg(m_path),
            true);
        break;
    case State::TakenByOther:
        StoreNotices::shared().report(
            kNotice,
            QCoreApplication::translate("StoreLock",
                                        "Another Kestrun Player (process %1) now keeps this play list. "
                                        "Changes made in this window are not saved; quit this player and "
                                        "use the other one.")
                .arg(m_owner),
            true);
        break;
    }
}
