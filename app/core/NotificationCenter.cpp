#include "NotificationCenter.h"

#include <QCoreApplication>
#include <QThread>

NotificationCenter::NotificationCenter(QObject* parent)
    : QObject(parent) {}

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter* center = [] {
        auto* c = new NotificationCenter; // lives until the process ends
        if (QCoreApplication::instance() && c->thread() != QCoreApplication::instance()->thread())
            c->moveToThread(QCoreApplication::instance()->thread());
        return c;
    }();
    return *center;
}

void NotificationCenter::addObserver(const QString& name, QObject* observer, Handler handler) {
    if (!observer || !handler || name.isEmpty())
        return;
    const bool known =
        std::any_of(m_observations.cbegin(), m_observations.cend(), [observer](const auto& list) {
            return std::any_of(list.cbegin(), list.cend(),
                               [observer](const Observation& o) { return o.observer == observer; });
        });
    m_observations[name].append({observer, std::move(handler), m_nextId++});
    if (!known)
        connect(observer, &QObject::destroyed, this, [this, observer] { removeObserver(observer); });
}

void NotificationCenter::removeObserver(QObject* observer, const QString& name) {
    for (auto it = m_observations.begin(); it != m_observations.end(); ++it) {
        if (!name.isEmpty() && it.key() != name)
            continue;
        it->removeIf(
            [observer](const Observation& o) { return o.observer.isNull() || o.observer == observer; });
    }
}

void NotificationCenter::post(const QString& name, const QVariant& object) {
    if (QThread::currentThread() != thread()) {
        postAsync(name, object);
        return;
    }
    deliver(name, object);
}

void NotificationCenter::postAsync(const QString& name, const QVariant& object) {
    QMetaObject::invokeMethod(
        this, [this, name, object] { deliver(name, object); }, Qt::QueuedConnection);
}

void NotificationCenter::deliver(const QString& name, const QVariant& object) {
    // A handler may add or remove observers: deliver to the ones registered now, if they are still there.
    const QList<Observation> observations = m_observations.value(name);
    for (const Observation& o : observations) {
        if (o.observer.isNull())
            continue;
        const auto& current = m_observations.value(name);
        const bool stillThere = std::any_of(current.cbegin(), current.cend(),
                                            [&o](const Observation& c) { return c.id == o.id; });
        if (stillThere)
            o.handler(object);
    }
}
