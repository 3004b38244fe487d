#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

// One player per user and settings store. The first player listens on a local socket; a player started
// after it (a clip opened from the file manager while the player runs) hands its files over to the first one
// and ends, so that two players never write the same store and the clip opens in the window already there.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // name: the socket's name; defaultName() for the player.
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Hands the files (absolute paths; none only brings the running player forward) to a running player.
    // True when one took them: this process should end.
    bool handOver(const QStringList& files, int timeoutMs = 3000);

    // Starts listening for later players; a socket left behind by a player that crashed is replaced.
    bool listen();

    // Per user and per settings store (the store's path is part of the name).
    static QString defaultName();

signals:
    // Files handed over by a later player, possibly none.
    void filesReceived(const QStringList& files);

private:
    const QString m_name;
    QLocalServer* m_server = nullptr;
};
