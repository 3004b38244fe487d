#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>

// Name-based broadcasts within the application, delivered on the main thread. An observer is a QObject
// that owns its handlers: they are dropped when it is destroyed. post() delivers at once (from another
// thread it is queued to the main thread); postAsync() always delivers on a later turn of the main event
// loop, after the caller has returned.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QVariant& object)>;

    // The application's centre, living in the main thread.
    static NotificationCenter& defaultCenter();

    void addObserver(const QString& name, QObject* observer, Handler handler);
    // Removes the observer's handlers for `name`, or for every name when it is empty.
    void removeObserver(QObject* observer, const QString& name = {});

    void post(const QString& name, const QVariant& object = {});
    void postAsync(const QString& name, const QVariant& object = {});

private:
    explicit NotificationCenter(QObject* parent = nullptr);
    void deliver(const QString& name, const QVariant& object);

    struct Observation {
        QPointer<QObject> observer;
        Handler handler;
        quint64 id = 0;
    };
    QHash<QString, QList<Observation>> m_observations;
    quint64 m_nextId = 1;
};
