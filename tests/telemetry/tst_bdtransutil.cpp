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

    void squareRootOfTheTruncatedValue_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::newRow("10.9") << 10.9 << 3.0;
        QTest::newRow("-10.9") << -10.9 << 1.0;
        QTest::newRow("0.5: no root term") << 0.5 << -12.25;
        QTest::newRow("-0.75: no root term") << -0.75 << 2.0;
    }
    void squareRootOfTheTruncatedValue() {
        // The terms take the square root of |trunc(x)|, not of |x|: between -1 and 1 that part vanishes, and
        // at 10.9 it is 0.2·√10, not 0.2·√10.9.
        QFETCH(double, x);
        QFETCH(double, y);
        const double truncatedRoot = std::sqrt(std::fabs(std::trunc(x)));
        const double plainRoot = std::sqrt(std::fabs(x));
        const double lat = BDTransUtil::transformLat(x, y);
        const double lon = BDTransUtil::transformLon(x, y);
        QCOMPARE(std::bit_cast<quint64>(lat), std::bit_cast<quint64>(latTermWithRoot(x, y, truncatedRoot)));
        QCOMPARE(std::bit_cast<quint64>(lon), std::bit_cast<quint64>(lonTermWithRoot(x, y, truncatedRoot)));
        QVERIFY(std::fabs(lat - latTermWithRoot(x, y, plainRoot)) > 0.005);
        QVERIFY(std::fabs(lon - lonTermWithRoot(x, y, plainRoot)) > 0.0025);
    }

private:
    // The offset terms written out once more, with the square root given, in the same order of evaluation.
    static double twoThirds(double bracket) { return (bracket + bracket) / 3.0; }
    static double latTermWithRoot(double x, double y, double root) {
        const double pi = 3.141592653589793;
        double t = (((-100.0 + 2.0 * x) + 3.0 * y) + y * (0.2 * y)) + y * (0.1 * x);
        t = t + 0.2 * root;
        t = t + twoThirds(20.0 * std::sin(6.0 * x * pi) + 20.0 * std::sin(2.0 * x * pi));
        t = t + twoThirds(20.0 * std::sin(y * pi) + 40.0 * std::sin((y / 3.0) * pi));
        return t + twoThirds(160.0 * std::sin(pi * (y / 12.0)) + 320.0 * std::sin((y * pi) / 30.0));
    }
    static double lonTermWithRoot(double x, double y, double root) {
        const double pi = 3.141592653589793;
        double t = 0.1 * root + ((0.1 * x) * y + ((0.1 * x) * x + (2.0 * y + (300.0 + x))));
        t = t + twoThirds(20.0 * std::sin((6.0 * x) * pi) + 20.0 * std::sin((x + x) * pi));
        t = t + twoThirds(40.0 * std::sin((x / 3.0) * pi) + 20.0 * std::sin(x * pi));
        return t + twoThirds(300.0 * std::sin((x / 30.0) * pi) + 150.0 * std::sin((x / 12.0) * pi));
    }
};

QTEST_GUILESS_MAIN(TestBDTransUtil)
#include "tst_bdtransutil.moc"
