#include "NumberText.h"
#include "TestFiles.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestNumberText : public QObject {
    Q_OBJECT
private slots:
    void locale() {
        QVERIFY2(TestFiles::localeAsExpected(), "the locale in force is not the one this run is for");
    }

    void formatFixed_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("precision");
        QTest::addColumn<QString>("expected");
        QTest::newRow("%f") << 22.543209 << 6 << "22.543209";
        QTest::newRow("%f zero") << 0.0 << 6 << "0.000000";
        QTest::newRow("%f negative") << -118.25 << 6 << "-118.250000";
        QTest::newRow("%0.f tie to even up") << 1.5 << 0 << "2";
        QTest::newRow("%0.f tie to even down") << 2.5 << 0 << "2";
        QTest::newRow("%0.f 90.5") << 90.5 << 0 << "90";
        QTest::newRow("%0.f small") << 0.008333 << 0 << "0";
        QTest::newRow("%0.f negative small") << -0.4 << 0 << "-0";
        QTest::newRow("%0.2f") << 45.675 << 2 << "45.67"; // 45.675 is stored just below the tie
        QTest::newRow("%0.4f") << 359.70001 << 4 << "359.7000";
        QTest::newRow("%0.6f") << 0.0083333333 << 6 << "0.008333";
        QTest::newRow("nan") << std::nan("") << 2 << "nan";
    }
    void formatFixed() {
        QFETCH(double, value);
        QFETCH(int, precision);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(NumberText::formatFixed(value, precision)), expected);
    }

    void formatOthers() {
        QCOMPARE(NumberText::formatG17(double(113.94f)), std::string("113.94000244140625"));
        QCOMPARE(NumberText::formatG17(15.0), std::string("15"));
        QCOMPARE(NumberText::formatShortest(113.94f), std::string("113.94"));
        QCOMPARE(NumberText::formatUnsigned(4294967295u), std::string("4294967295"));
        QCOMPARE(NumberText::formatInteger(-12), std::string("-12"));
    }

    void parseLeading_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("plain") << "45.67" << double(45.67f);
        QTest::newRow("white space and tail") << " \t12.5km" << 12.5;
        QTest::newRow("sign") << "-3.5" << -3.5;
        QTest::newRow("plus") << "+2" << 2.0;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("trailing point") << "7." << 7.0;
        QTest::newRow("exponent") << "1e3x" << 1000.0;
        QTest::newRow("bare exponent letter") << "1e" << 1.0;
        QTest::newRow("comma is not a point") << "1,5" << 1.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("sign only") << "-" << 0.0;
        QTest::newRow("nan text") << "nan" << 0.0;
        QTest::newRow("inf text") << "inf" << 0.0;
        QTest::newRow("underflow") << "1e-60" << 0.0;
        QTest::newRow("overflow") << "1e60" << double(std::numeric_limits<float>::infinity());
        QTest::newRow("negative overflow") << "-4e39" << double(-std::numeric_limits<float>::infinity());
        QTest::newRow("long overflow") << "100000000000000000000000000000000000000000.00" << double(INFINITY);
    }
    void parseLeading() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(double(NumberText::parseLeadingFloat(text.toStdString())), expected);
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
