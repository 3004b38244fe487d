#include "EventMarkLayout.h"

#include <QTest>

#include <cmath>

class TestEventMarkLayout : public QObject {
    Q_OBJECT
private slots:
    void spread_data() {
        QTest::addColumn<QList<double>>("xs");
        QTest::addColumn<QList<double>>("drawn");
        QTest::newRow("apart stay put") << QList<double>{10, 20, 40} << QList<double>{10, 20, 40};
        QTest::newRow("one moment side by side") << QList<double>{10, 10, 10} << QList<double>{10, 13, 16};
        QTest::newRow("pushed along a run") << QList<double>{10, 11, 14, 30} << QList<double>{10, 13, 16, 30};
        QTest::newRow("out of order keeps each mark's own slot")
            << QList<double>{20, 10, 10} << QList<double>{20, 10, 13};
        QTest::newRow("a mark that is not drawn takes no room")
            << QList<double>{10, std::nan(""), 10} << QList<double>{10, std::nan(""), 13};
        QTest::newRow("none") << QList<double>{} << QList<double>{};
    }
    void spread() {
        QFETCH(QList<double>, xs);
        QFETCH(QList<double>, drawn);
        const QList<double> got = EventMarkLayout::spread(xs, 3);
        QCOMPARE(got.size(), drawn.size());
        for (int i = 0; i < got.size(); ++i) {
            if (std::isnan(drawn[i]))
                QVERIFY(std::isnan(got[i]));
            else
                QCOMPARE(got[i], drawn[i]);
        }
    }

    void underTheMouse() {
        const QList<double> drawn = EventMarkLayout::spread({50, 50, 90}, 3);
        QCOMPARE(EventMarkLayout::under(drawn, 50, 6), (QList<int>{0, 1})); // both marks of the moment
        QCOMPARE(EventMarkLayout::under(drawn, 94, 6), (QList<int>{2}));
        QCOMPARE(EventMarkLayout::under(drawn, 70, 6), (QList<int>{}));
        QCOMPARE(EventMarkLayout::under({std::nan("")}, 0, 6), (QList<int>{}));
        const QStringList tips{"Hard braking · 00:08", "Impact · 00:08", "Impact · 00:14"};
        QCOMPARE(EventMarkLayout::tooltipAt(drawn, tips, 51, 6),
                 QString("Hard braking · 00:08\nImpact · 00:08"));
        QCOMPARE(EventMarkLayout::tooltipAt(drawn, tips, 70, 6), QString());
    }
};

QTEST_GUILESS_MAIN(TestEventMarkLayout)
#include "tst_eventmarklayout.moc"
