#include "NotificationCenter.h"
#include "Reachability.h"

#include <QSemaphore>
#include <QTest>

#include <atomic>

namespace {

struct FakeNetwork {
    std::atomic<Reachability::Flags> flags{0};
    std::atomic<int> probes{0};
    Reachability::Probe probe() {
        return [this](const QString&) {
            ++probes;
            return flags.load();
        };
    }
};

} // namespace

class TestReachability : public QObject {
    Q_OBJECT
private:
    FakeNetwork m_network;

private slots:
    void initTestCase() { Reachability::setDefaultProbe(m_network.probe()); }

    void flagTest_data() {
        QTest::addColumn<uint>("flags");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("reachable only") << 2u << true;
        QTest::newRow("transient, reachable, connection required") << 7u << false;
        QTest::newRow("reachable, connection required") << 6u << true;
        QTest::newRow("transient and reachable") << 3u << true;
        QTest::newRow("nothing") << 0u << false;
        QTest::newRow("transient and required without reachable") << 5u << false;
    }
    void flagTest() {
        QFETCH(uint, flags);
        QFETCH(bool, reachable);
        QCOMPARE(Reachability::isReachable(flags), reachable);
    }

    void emptyHostGivesNothing() { QVERIFY(!Reachability::reachabilityWithHostname(" ")); }

    void firstReportAndChanges() {
        m_network.flags = Reachability::kReachable;
        auto monitor = Reachability::reachabilityWithHostname("maps.test");
        std::atomic<int> reachable{0};
        std::atomic<int> unreachable{0};
        monitor->setReachableBlock([&](Reachability&) { ++reachable; });
        monitor->setUnreachableBlock([&](Reachability&) { ++unreachable; });
        QVERIFY(monitor->startNotifier());
        QVERIFY(monitor->startNotifier()); // already running
        QTRY_COMPARE(reachable.load(), 1);
        monitor->recheck(); // same flags: no report
        QTest::qWait(100);
        QCOMPARE(reachable.load(), 1);
        m_network.flags =
            Reachability::kTransientConnection | Reachability::kReachable | Reachability::kConnectionRequired;
        monitor->recheck();
        QTRY_COMPARE(unreachable.load(), 1);
        monitor->stopNotifier();
        QVERIFY(!monitor->isRunning());
        m_network.flags = Reachability::kReachable;
        monitor->recheck(); // stopped: nothing more
        QTest::qWait(100);
        QCOMPARE(reachable.load(), 1);
    }

    void startedMonitorOutlivesItsOwner() {
        m_network.flags = 0;
        std::atomic<int> reports{0};
        {
            auto monitor = Reachability::reachabilityWithHostname("maps.test");
            monitor->setRecheckInterval(50);
            monitor->setReachableBlock([&](Reachability&) { ++reports; });
            monitor->setUnreachableBlock([&](Reachability&) { ++reports; });
            QVERIFY(monitor->startNotifier());
        } // the only owner lets go
        QTRY_COMPARE(reports.load(), 1);
        m_network.flags = Reachability::kReachable;
        QTRY_COMPARE(reports.load(), 2); // found by the slow re-check, still reporting
    }

    void changeWithoutHandlerStillPosts() {
        QObject observer;
        QStringList hosts;
        NotificationCenter::defaultCenter().addObserver(
            Reachability::kChangedNotification, &observer,
            [&](const QVariant& host) { hosts << host.toString(); });
        auto monitor = Reachability::reachabilityWithHostname("quiet.test");
        QVERIFY(monitor->startNotifier());
        QTRY_VERIFY(hosts.contains("quiet.test"));
        monitor->stopNotifier();
    }

    void stoppingNeverWaitsForABlockedProbe() {
        // A probe stuck in a name look-up: stopping returns while it is still stuck, and once it ends it
        // reports nothing.
        QSemaphore entered;
        QSemaphore release;
        std::atomic<bool> finished{false};
        Reachability::setDefaultProbe([&](const QString&) {
            entered.release();
            release.acquire();
            finished = true;
            return Reachability::kReachable;
        });
        auto monitor = Reachability::reachabilityWithHostname("slow.test");
        Reachability::setDefaultProbe(m_network.probe());
        std::atomic<int> reports{0};
        monitor->setReachableBlock([&](Reachability&) { ++reports; });
        monitor->setUnreachableBlock([&](Reachability&) { ++reports; });
        QVERIFY(monitor->startNotifier());
        QVERIFY(entered.tryAcquire(1, 5000));
        monitor->stopNotifier(); // would wait here for the look-up if it waited at all
        QVERIFY(!finished);
        QVERIFY(!monitor->isRunning());
        monitor.reset(); // the owner lets go while the probe is still stuck
        release.release();
        QTRY_VERIFY(finished.load());
        QTest::qWait(100);
        QCOMPARE(reports.load(), 0);
    }

    void offlineSystemProbeTouchesNothing() {
        qputenv("KESTRUN_REACHABILITY", "offline");
        QCOMPARE(Reachability::systemProbe()("maps.invalid"), Reachability::Flags(0));
        QCOMPARE(Reachability::systemProbe()("127.0.0.1"), Reachability::Flags(0));
        qunsetenv("KESTRUN_REACHABILITY");
        QVERIFY(Reachability::isReachable(Reachability::systemProbe()("127.0.0.1"))); // loopback has a route
    }
};

QTEST_GUILESS_MAIN(TestReachability)
#include "tst_reachability.moc"
