#pragma once

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

// What the stores (the settings file, the play-list database) have to tell the user: a store that cannot
// be read and is left alone, a file set aside, changes that could not be written yet. Each notice has a
// source id and stays until its source clears it or, for information, until the user closes it. The main
// window shows them; quitting asks first while changes are unsaved.
//
// Thread-safe: the stores report from their writer threads; changed() is delivered on the main thread.
class StoreNotices : public QObject {
    Q_OBJECT
public:
    struct Notice {
        QString id;
        QString text;
        bool problem = false; // true: something is or may be lost; false: information
    };

    static StoreNotices& shared();

    void report(const QString& id, const QString& text, bool problem);
    void clear(const QString& id);
    QList<Notice> notices() const;

    // Changes of one source that are not on disk yet (0: all saved), and why.
    void setUnsaved(const QString& source, int changes, const QString& reason = {});
    int unsavedChanges() const;
    QString unsavedReason() const;

signals:
    void changed();

private:
    using QObject::QObject;
    void announce();

    struct Unsaved {
        QString source;
        int changes = 0;
        QString reason;
    };
    mutable QMutex m_mutex;
    QList<Notice> m_notices;
    QList<Unsaved> m_unsaved;
};
