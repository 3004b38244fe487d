#include "SingleInstance.h"

#include "SettingsStore.h"
#include "StoreLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>

#include <unistd.h>

namespace {
// A hand-over is a list of paths; anything longer is not from a player.
constexpr qint64 kMaxMessage = 1 << 20;
} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent)
    , m_name(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultLockPath() {
    return QFileInfo(SettingsStore::defaultFilePath()).absolutePath() + "/KestrunPlayer.lock";
}

bool SingleInstance::lockStore(const QString& lockPath, qint64* owner) {
    return StoreLock::shared().take(lockPath, owner);
}

QString SingleInstance::defaultName() {
    // Unix sockets take about 100 bytes of path.
    const QString beside =
        QFileInfo(SettingsStore::defaultFilePath()).absolutePath() + "/KestrunPlayer.socket";
    if (QFile::encodeName(beside).size() < 100)
        return beside;
    const QByteArray store =
        QCryptographicHash::hash(SettingsStore::defaultFilePath().toUtf8(), QCryptographicHash::Sha1).toHex();
    return QString("kestrun-player-%1-%2").arg(::getuid()).arg(QString::fromLatin1(store.left(12)));
}

bool SingleInstance::handOver(const QStringList& files, int timeoutMs) {
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    return handOverUrls(urls, timeoutMs);
}

bool SingleInstance::handOverUrls(const QList<QUrl>& urls, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray message;
    for (const QUrl& url : urls)
        message += url.toEncoded() + '\n'; // a path may hold any byte but '\0'
    message += '\n';                       // the end of the list
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The running player closes the connection once it has the list.
    socket.waitForDisconnected(timeoutMs);
    return true;
}

bool SingleInstance::listen() {
    if (m_server)
        return true;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        QLocalServer::removeServer(m_name); // left behind by a player that did not end in order
        if (!m_server->listen(m_name)) {
            qWarning().noquote() << "Kestrun Player cannot listen for files opened later:"
                                 << m_server->errorString();
            return false;
        }
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                const QByteArray received = socket->peek(kMaxMessage + 1);
                if (received.size() > kMaxMessage) {
                    socket->abort();
                    return;
                }
                if (!received.endsWith("\n\n") && received != "\n")
                    return; // more to come
                socket->readAll();
                QStringList files;
                QList<QUrl> urls;
                for (const QByteArray& line : received.split('\n')) {
                    const QUrl url = QUrl::fromEncoded(line);
                    if (!line.isEmpty() && url.isLocalFile()) {
                        files << url.toLocalFile();
                        urls << url;
                    }
                }
                socket->disconnectFromServer();
                emit filesReceived(files);
                emit urlsReceived(urls);
            });
        }
    });
    return true;
}
