// Datum shifts, compared bit for bit with an independent evaluation of the same formulas.
#include "BDTransUtil.h"
#include "TestFiles.h"

#include <QTest>

#include <bit>
#include <cmath>

class TestBDTransUtil : public QObject {
    Q_OBJECT
private slots:
    void locale() { QVERIFY(TestFiles::localeAsExpected()); }

    void shifts_data() {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lgt");
        QTest::addColumn<double>("gcjLat");
        QTest::addColumn<double>("gcjLgt");
        QTest::addColumn<double>("bdLgt");
        QTest::addColumn<double>("bdLat");
        QTest::newRow("22.543209, 113.94")
            << 22.543209 << 113.94 << 0x1.68a49be9d444dp+4 << 0x1.c7c78cb86e0edp+6 << 0x1.c7ce416151453p+6
            << 0x1.68bbd1075228cp+4;
        QTest::newRow("39.908692, 116.397477")
            << 39.908692 << 116.397477 << 0x1.3f47e0171a020p+5 << 0x1.d19d68e7f8813p+6 << 0x1.d1a3ef8c45538p+6
            << 0x1.3f54dbba2d89bp+5;
        QTest::newRow("31.2304, 121.4737")
            << 31.2304 << 121.4737 << 0x1.f3a7c33080457p+4 << 0x1.e5e9b34a1b3b0p+6 << 0x1.e5f06a897ae9ep+6
            << 0x1.f3bfbc5ae31e0p+4;
        QTest::newRow("34.0522, -118.2437")
            << 34.0522 << -118.2437 << 0x1.105fe26e9a87fp+5 << -0x1.d8c03f5f93b41p+6 << -0x1.d8b9a7ea81d51p+6
            << 0x1.106b9465dff7dp+5;
        QTest::newRow("-33.8688, 151.2093")
            << -33.8688 << 151.2093 << -0x1.0eed69e672513p+5 << 0x1.2e6a5073fc824p+7 << 0x1.2e6dae2f51d3dp+7
            << -0x1.0ee042e793b83p+5;
        QTest::newRow("35.0, 105.5") << 35.0 << 105.5 << 0x1.17fe2c2643093p+5 << 0x1.a603ef16f0bfbp+6
                                     << 0x1.a60a8a1d66debp+6 << 0x1.180aa7af06d0bp+5;
    }
    void shifts() {
        QFETCH(double, lat);
        QFETCH(double, lgt);
        QFETCH(double, gcjLat);
        QFETCH(double, gcjLgt);
        QFETCH(double, bdLgt);
        QFETCH(double, bdLat);
        const auto gcj = BDTransUtil::wgs2gcjLat(lat, lgt);
        QCOMPARE(gcj[0], gcjLat); // QCOMPARE on doubles is fuzzy; the bit patterns below are not
        QCOMPARE(std::bit_cast<quint64>(gcj[0]), std::bit_cast<quint64>(gcjLat));
        QCOMPARE(std::bit_cast<quint64>(gcj[1]), std::bit_cast<quint64>(gcjLgt));
        const auto gcjFirstLongitude = BDTransUtil::wgs2gcjLat1(lat, lgt);
        QCOMPARE(std::bit_cast<quint64>(gcjFirstLongitude[0]), std::bit_cast<quint64>(gcjLgt));
        QCOMPARE(std::bit_cast<quint64>(gcjFirstLongitude[1]), std::bit_cast<quint64>(gcjLat));
        const auto bd = BDTransUtil::wgs2bdLat(lat, lgt);
        QCOMPARE(std::bit_cast<quint64>(bd[0]), std::bit_cast<quint64>(bdLgt));
        QCOMPARE(std::bit_cast<quint64>(bd[1]), std::bit_cast<quint64>(bdLat));
        const auto viaGcj = BDTransUtil::gcj2bdLat(gcj[0], gcj[1]);
        QCOMPARE(std::bit_cast<quint64>(viaGcj[0]), std::bit_cast<quint64>(bd[0]));
        QCOMPARE(std::bit_cast<quint64>(viaGcj[1]), std::bit_cast<quint64>(bd[1]));
    }

    void offsetTerms_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("latTerm");
        QTest::addColumn<double>("lonTerm");
        QTest::newRow("x 10.9, y 3.0") << 10.9 << 3.0 << 0x1.caa9cedb17250p+5 << 0x1.f5db6b712b5d2p+8;
        QTest::newRow("x 0.5, y -12.25") << 0.5 << -12.25 << -0x1.4040767c2fd32p+8 << 0x1.45995690cf960p+8;
        QTest::newRow("x -0.75, y 2.0") << -0.75 << 2.0 << 0x1.9ee8cf1c93a88p+4 << 0x1.df579e02e2e8cp+7;
        QTest::newRow("x 8.94, y -12.456791")
            << 8.94 << -12.456791 << -0x1.4e925fc2543a6p+8 << 0x1.f53d56696f52ap+8;
    }
    void offsetTerms() {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, latTerm);
        QFETCH(double, lonTerm);
        QCOMPARE(std::bit_cast<quint64>(BDTransUtil::transformLat(x, y)), std::bit_cast<quint64>(latTerm));
        QCOMPARE(std::bit_cast<quint64>(BDTransUtil::transformLon(x, y)), std::bit_cast<quint64>(lonTerm));
    }

    void squareRootOfTheTruncatedValue() {
        // Between -1 and 1 the square-root terms vanish: moving x inside (-1, 1) changes only the other
        // terms, and at 10.9 the term is 0.2·√10, not 0.2·√10.9 (about 0.0278 apart).
        const double withSqrt10 = BDTransUtil::transformLat(10.9, 3.0);
        QVERIFY(std::fabs(withSqrt10 - 0x1.caa9cedb17250p+5) == 0);
        QVERIFY(std::fabs((withSqrt10 - 0.2 * std::sqrt(10.0) + 0.2 * std::sqrt(10.9)) - withSqrt10) > 0.027);
    }
};

QTEST_GUILESS_MAIN(TestBDTransUtil)
#include "tst_bdtransutil.moc"
