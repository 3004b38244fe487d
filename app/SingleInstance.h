#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

class QLocalServer;

// One player per user and settings store. The first player holds a lock file beside the store
// (KestrunPlayer.lock) and listens on a local socket; a player started after it (a clip opened from the
// file manager while the player runs) hands its files over to the first one and ends, so that two players
// never write the same store and the clip opens in the window already there. The lock, not the socket,
// decides: a player that finds the store locked and cannot reach its owner does not start.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // name: the socket's name; defaultName() for the player.
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Hands the files (absolute paths; none only brings the running player forward) to a running player.
    // True when one took them: this process should end.
    bool handOver(const QStringList& files, int timeoutMs = 3000);
    // The same with file URLs (names that are not UTF-8 travel percent-escaped).
    bool handOverUrls(const QList<QUrl>& urls, int timeoutMs = 3000);

    // Takes the store's lock (`lockPath`, defaultLockPath() for the player; see StoreLock). False when
    // another live process holds it (its id in `owner`); true also when the folder cannot hold a lock yet
    // (the stores then write nothing until it can).
    bool lockStore(const QString& lockPath, qint64* owner = nullptr);

    // Starts listening for later players; a socket left behind by a player that crashed is replaced.
    bool listen();

    // Per user and per settings store: a socket beside the store (whatever TMPDIR says), or a name with the
    // store's path in it where that path would be too long for a socket.
    static QString defaultName();
    static QString defaultLockPath();

signals:
    // Files handed over by a later player, possibly none.
    void filesReceived(const QStringList& files);
    void urlsReceived(const QList<QUrl>& urls);

private:
    const QString m_name;
    QLocalServer* m_server = nullptr;
};
