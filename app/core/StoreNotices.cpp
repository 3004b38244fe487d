#include "StoreNotices.h"

#include <QCoreApplication>
#include <QThread>

StoreNotices& StoreNotices::shared() {
    static StoreNotices* notices = [] {
        auto* n = new StoreNotices; // lives until the process ends, in the main thread
        if (QCoreApplication::instance())
            n->moveToThread(QCoreApplication::instance()->thread());
        return n;
    }();
    return *notices;
}

void StoreNotices::announce() {
    QMetaObject::invokeMethod(this, &StoreNotices::changed, Qt::QueuedConnection);
}

void StoreNotices::report(const QString& id, const QString& text, bool problem) {
    {
        QMutexLocker lock(&m_mutex);
        for (Notice& notice : m_notices) {
            if (notice.id == id) {
                if (notice.text == text && notice.problem == problem)
                    return;
                notice.text = text;
                notice.problem = problem;
                lock.unlock();
                announce();
                return;
            }
        }
        m_notices.append({id, text, problem});
    }
    announce();
}

void StoreNotices::clear(const QString& id) {
    {
        QMutexLocker lock(&m_mutex);
        if (m_notices.removeIf([&id](const Notice& n) { return n.id == id; }) == 0)
            return;
    }
    announce();
}

QList<StoreNotices::Notice> StoreNotices::notices() const {
    QMutexLocker lock(&m_mutex);
    return m_notices;
}

void StoreNotices::setUnsaved(const QString& source, int changes, const QString& reason) {
    QMutexLocker lock(&m_mutex);
    m_unsaved.removeIf([&source](const Unsaved& u) { return u.source == source; });
    if (changes > 0)
        m_unsaved.append({source, changes, reason});
}

int StoreNotices::unsavedChanges() const {
    QMutexLocker lock(&m_mutex);
    int total = 0;
    for (const Unsaved& u : m_unsaved)
        total += u.changes;
    return total;
}

QString StoreNotices::unsavedReason() const {
    QMutexLocker lock(&m_mutex);
    QStringList reasons;
    for (const Unsaved& u : m_unsaved) {
        if (!u.reason.isEmpty())
            reasons << u.reason;
    }
    return reasons.join("; ");
}
