#include "NumberText.h"
#include "TestFiles.h"

#include <QTest>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>

namespace {

// The library's own formatting, the reference for the fast paths.
std::string referenceFixed(double value, int precision) {
    std::array<char, 400> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, precision);
    return std::string(buffer.data(), result.ptr);
}

std::string referenceShortest(float value) {
    std::array<char, 64> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

} // namespace

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

    void fixedAgreesWithTheLibrary_data() {
        QTest::addColumn<double>("value");
        for (const double v : {0.5,
                               1.5,
                               2.5,
                               -0.5,
                               -2.5,
                               0.125,
                               0.375,
                               2.675,
                               1e-7,
                               -1e-7,
                               0.0,
                               -0.0,
                               90.5,
                               4.35,
                               1e15 + 0.5,
                               9.2e9,
                               123456789.1234567,
                               5e-324,
                               0.0000005,
                               0.0000015,
                               0.00000049999999999999999,
                               2232.5925,
                               22.543209,
                               113.94,
                               399.995,
                               1e300})
            QTest::newRow(qPrintable(QString::number(v, 'g', 17))) << v;
    }
    void fixedAgreesWithTheLibrary() {
        QFETCH(double, value);
        for (int precision = 0; precision <= 10; ++precision)
            QCOMPARE(NumberText::formatFixed(value, precision), referenceFixed(value, precision));
    }

    void fixedAgreesOnRandomValues() {
        // Random binary values of every magnitude the records use, and random bit patterns.
        std::mt19937_64 random(20240601);
        std::uniform_real_distribution<double> exponent(-30, 20);
        for (int i = 0; i < 200000; ++i) {
            const double magnitude = std::pow(10.0, exponent(random));
            const double value =
                (random() & 1 ? -1 : 1) * magnitude * (double(random() >> 11) / 9007199254740992.0);
            const int precision = int(random() % 10);
            QCOMPARE(NumberText::formatFixed(value, precision), referenceFixed(value, precision));
            const double bits = std::bit_cast<double>(random());
            if (std::isfinite(bits) && std::fabs(bits) < 1e30)
                QCOMPARE(NumberText::formatFixed(bits, precision), referenceFixed(bits, precision));
        }
    }

    void shortestFloatAgreesWithTheLibrary() {
        for (float v = -130000; v <= 130000; v += 1)
            QCOMPARE(NumberText::formatShortest(v), referenceShortest(v));
        for (const float v : {-0.0f, 0.5f, 1e5f, 1e6f, 16777216.0f, 3e38f, 1e-45f})
            QCOMPARE(NumberText::formatShortest(v), referenceShortest(v));
        std::mt19937 random(7);
        for (int i = 0; i < 100000; ++i) {
            const float v = std::bit_cast<float>(std::uint32_t(random()));
            if (std::isfinite(v))
                QCOMPARE(NumberText::formatShortest(v), referenceShortest(v));
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
