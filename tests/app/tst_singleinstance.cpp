// The hand-over between a running player and one started later, over a real local socket.
#include "SingleInstance.h"

#include <QFile>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTest>

#include <future>

namespace {

// A later player runs in its own process; here its hand-over runs on another thread, so that the listening
// side's event loop can answer.
std::future<bool> handOverLater(const QString& name, const QStringList& files) {
    return std::async(std::launch::async, [name, files] {
        SingleInstance later(name);
        return later.handOver(files);
    });
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private:
    static QString uniqueName() {
        return QString("kestrun-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++s_count);
    }
    static inline int s_count = 0;

private slots:
    void nobodyListening() {
        SingleInstance alone(uniqueName());
        QVERIFY(!alone.handOver({"/tmp/a.mp4"}, 500));
    }

    void filesReachTheRunningPlayer_data() {
        QTest::addColumn<QStringList>("files");
        QTest::newRow("none: only come forward") << QStringList{};
        QTest::newRow("names with spaces, Chinese, a newline")
            << QStringList{"/media/card/clip 1.MP4", "/媒体/行车记录.mp4", "/tmp/odd\nname.mp4"};
    }
    void filesReachTheRunningPlayer() {
        QFETCH(QStringList, files);
        const QString name = uniqueName();
        SingleInstance running(name);
        QVERIFY(running.listen());
        QSignalSpy received(&running, &SingleInstance::filesReceived);
        std::future<bool> later = handOverLater(name, files);
        QVERIFY(received.wait(5000));
        QCOMPARE(received.first().first().toStringList(), files);
        QTRY_VERIFY(later.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QVERIFY(later.get());
    }

    void socketLeftBehindIsReplaced() {
        // A player that crashed leaves its socket file; the next one listens all the same.
        const QString name = uniqueName();
        QLocalServer crashed;
        QVERIFY(crashed.listen(name));
        const QString path = crashed.fullServerName();
        crashed.close(); // removes the socket file: put a stale one back in its place
        QFile stale(path);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        SingleInstance next(name);
        QVERIFY(next.listen());
        QSignalSpy received(&next, &SingleInstance::filesReceived);
        std::future<bool> later = handOverLater(name, {"/tmp/x.mp4"});
        QVERIFY(received.wait(5000));
        QVERIFY(later.get());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
