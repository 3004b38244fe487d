// The application clock: quarter-second reports of media time that never skip a whole second, and seeks
// that are reported at once and are not undone by the engine's stale positions.
#include "MediaClock.h"

#include <QTest>

class TestMediaClock : public QObject {
    Q_OBJECT
private slots:
    void advance_data() {
        QTest::addColumn<QList<double>>("positions");
        QTest::addColumn<QList<double>>("reports");
        QTest::newRow("quarter seconds at 1x")
            << QList<double>{0.0, 0.1, 0.26, 0.3, 0.5, 0.74, 0.75} << QList<double>{0.0, 0.26, 0.5, 0.75};
        QTest::newRow("4x with seldom positions: no whole second left out")
            << QList<double>{0.0, 1.3, 2.6, 3.9, 5.2, 8.1}
            << QList<double>{0.0, 1.3, 2.6, 3.9, 4.0, 5.2, 6.0, 7.0, 8.1};
        QTest::newRow("whole-second engine at 4x") << QList<double>{0.0, 1.0, 1.0, 3.0, 4.0, 6.0}
                                                   << QList<double>{0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0};
        QTest::newRow("a replay from the start")
            << QList<double>{5.0, 5.5, 0.1, 0.3} << QList<double>{5.0, 5.5, 0.1, 0.3};
        QTest::newRow("nonsense positions are ignored")
            << QList<double>{-1.0, qQNaN(), 2.0, qInf()} << QList<double>{2.0};
    }
    void advance() {
        QFETCH(QList<double>, positions);
        QFETCH(QList<double>, reports);
        MediaClock clock;
        QList<double> got;
        for (double p : positions)
            for (double t : clock.advance(p))
                got << t;
        QCOMPARE(got, reports);
    }

    void seekIsReportedAtOnceAndStalePositionsAreIgnored() {
        MediaClock clock;
        clock.advance(3.0);
        QCOMPARE(clock.restart(40.0), 40.0);
        QVERIFY(clock.advance(3.25).empty()); // the engine has not moved yet
        QVERIFY(clock.advance(3.5).empty());
        QCOMPARE(clock.advance(40.3), std::vector<double>{40.3});
        QCOMPARE(clock.advance(42.6), (std::vector<double>{41.0, 42.6}));

        // A seek backwards: the old, later positions do not count either.
        clock.restart(2.0);
        QVERIFY(clock.advance(41.5).empty());
        QCOMPARE(clock.advance(2.25), std::vector<double>{2.25});
    }

    void aSeekTheEngineDidNotMakeDoesNotFreezeTheClock() {
        MediaClock clock;
        clock.restart(50.0);
        std::vector<double> got;
        for (int i = 0; i <= MediaClock::kMaxStaleAfterSeek + 1 && got.empty(); ++i)
            got = clock.advance(10.0 + 0.25 * i);
        QVERIFY(!got.empty());
    }
};

QTEST_APPLESS_MAIN(TestMediaClock)
#include "tst_mediaclock.moc"
