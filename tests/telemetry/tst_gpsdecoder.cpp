// Decoding and validating single GPS messages.
#include "CoordinatePattern.h"
#include "TestFiles.h"
#include "VideoGpsTool.h"

#include <QTest>

#include <array>
#include <bit>
#include <cstring>
#include <regex>

namespace {

// The model handed to the track builder for one message (the first valid one is kept in gpsDic).
FileGPSModel decodeOne(const HDGPSMessage& message) {
    VideoGpsTool tool;
    tool.setLogSink({});
    tool.decodecPacket(message);
    if (!tool.gpsDic().empty())
        return *tool.gpsDic().begin()->second;
    return *tool.destroyGpsDic().begin()->second;
}

// The message laid out byte by byte from the field table: offset, width, little-endian; padding left zero.
class HandLaidMessage {
public:
    HandLaidMessage& unsigned32(std::size_t offset, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i)
            m_bytes[offset + i] = std::byte((value >> (8 * i)) & 0xff);
        return *this;
    }
    HandLaidMessage& real(std::size_t offset, double value) {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        for (std::size_t i = 0; i < 8; ++i)
            m_bytes[offset + i] = std::byte((bits >> (8 * i)) & 0xff);
        return *this;
    }
    HandLaidMessage& character(std::size_t offset, char c) {
        m_bytes[offset] = std::byte(static_cast<unsigned char>(c));
        return *this;
    }
    const std::array<std::byte, HDGPSMessage::kSize>& bytes() const { return m_bytes; }

private:
    std::array<std::byte, HDGPSMessage::kSize> m_bytes{};
};

const std::regex& latitudeRegex() {
    static const std::regex pattern(R"([\-+]?([0-8]?\d|[0-8]?\d\.\d{1,15}|90|90\.0{1,15}))");
    return pattern;
}

const std::regex& longitudeRegex() {
    static const std::regex pattern(
        R"([\-+]?(0?\d{1,2}|0?\d{1,2}\.\d{1,15}|1[0-7]?\d|1[0-7]?\d\.\d{1,15}|180|180\.0{1,15}))");
    return pattern;
}

} // namespace

class TestGpsDecoder : public QObject {
    Q_OBJECT
private slots:
    void locale() { QVERIFY(TestFiles::localeAsExpected()); }

    void getLatOrLon_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("north") << "2232.592500"
                               << "N"
                               << "22.543209";
        QTest::newRow("south") << "2232.592500"
                               << "S"
                               << "-22.543209";
        QTest::newRow("east") << "11356.400000"
                              << "E"
                              << "113.940007"; // 11356.4 is 11356.400390625 in single precision
        QTest::newRow("west") << "11814.622000"
                              << "W"
                              << "-118.243701";
        QTest::newRow("zero") << "0.000000"
                              << "N"
                              << "0";
        QTest::newRow("negative") << "-2232.592500"
                                  << "N"
                                  << "0";
        QTest::newRow("no number") << "nan"
                                   << "N"
                                   << "0";
        QTest::newRow("lowercase letter") << "2232.592500"
                                          << "n"
                                          << "0";
        QTest::newRow("other letter") << "2232.592500"
                                      << "X"
                                      << "0";
        QTest::newRow("empty letter") << "2232.592500"
                                      << ""
                                      << "0";
        QTest::newRow("90 degrees 30 minutes") << "9029.999900"
                                               << "N"
                                               << "90.500000";
        QTest::newRow("half a minute") << "0.500000"
                                       << "N"
                                       << "0.008333";
    }
    void getLatOrLon() {
        QFETCH(QString, text);
        QFETCH(QString, letter);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(VideoGpsTool::getLatOrLon(text.toStdString(), letter.toStdString())),
                 expected);
    }

    void validation_data() {
        QTest::addColumn<double>("rawLatitude");
        QTest::addColumn<QChar>("ns");
        QTest::addColumn<double>("rawLongitude");
        QTest::addColumn<QChar>("ew");
        QTest::addColumn<char>("status");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("latitude");
        QTest::newRow("sound fix") << 2232.5925 << QChar('N') << 11356.4 << QChar('E') << 'A' << true
                                   << double(22.543209f);
        QTest::newRow("south west") << 2232.5925 << QChar('S') << 11814.622 << QChar('W') << 'A' << true
                                    << double(-22.543209f);
        QTest::newRow("status V keeps position")
            << 2232.5925 << QChar('N') << 11356.4 << QChar('E') << 'V' << false << double(22.543209f);
        QTest::newRow("zero latitude") << 0.0 << QChar('N') << 11356.4 << QChar('E') << 'A' << false << 0.0;
        QTest::newRow("negative raw latitude")
            << -2232.5925 << QChar('N') << 11356.4 << QChar('E') << 'A' << false << 0.0;
        QTest::newRow("zero longitude")
            << 2232.5925 << QChar('N') << 0.0 << QChar('E') << 'A' << false << double(22.543209f);
        QTest::newRow("lowercase n") << 2232.5925 << QChar('n') << 11356.4 << QChar('E') << 'A' << false
                                     << 0.0;
        QTest::newRow("91 degrees") << 9100.0 << QChar('N') << 11356.4 << QChar('E') << 'A' << false << 91.0;
        QTest::newRow("90.5 rounds to 90")
            << 9029.9999 << QChar('N') << 11356.4 << QChar('E') << 'A' << true << 90.5;
        QTest::newRow("0.008333 is not zero")
            << 0.5 << QChar('N') << 11356.4 << QChar('E') << 'A' << true << double(0.008333f);
        QTest::newRow("longitude 180")
            << 2232.5925 << QChar('N') << 18000.0 << QChar('W') << 'A' << true << double(22.543209f);
        QTest::newRow("longitude 181")
            << 2232.5925 << QChar('N') << 18100.0 << QChar('E') << 'A' << false << double(22.543209f);
    }
    void validation() {
        QFETCH(double, rawLatitude);
        QFETCH(QChar, ns);
        QFETCH(double, rawLongitude);
        QFETCH(QChar, ew);
        QFETCH(char, status);
        QFETCH(bool, valid);
        QFETCH(double, latitude);
        const FileGPSModel model = decodeOne(TestFiles::rawMessage(
            rawLatitude, char(ns.unicode()), rawLongitude, char(ew.unicode()), 30, status));
        QCOMPARE(model.status, valid);
        QCOMPARE(model.latitude, latitude);
    }

    void fieldsAsText() {
        HDGPSMessage m = TestFiles::fix(22.543209, 113.94, 45.678, 359.70004);
        m.hour = 7;
        m.minute = 5;
        m.second = 9;
        m.year = 2024;
        m.month = 3;
        m.day = 17;
        m.x = -5;
        m.y = 7;
        m.z = 1030;
        const FileGPSModel model = decodeOne(m);
        QCOMPARE(*model.hour, std::string("7"));
        QCOMPARE(*model.minute, std::string("5"));
        QCOMPARE(*model.second, std::string("9"));
        QCOMPARE(*model.year, std::string("2024"));
        QCOMPARE(*model.month, std::string("3"));
        QVERIFY(!model.day && !model.reservd);
        QCOMPARE(*model.nsind, std::string("N"));
        QCOMPARE(*model.ewind, std::string("E"));
        QCOMPARE(*model.speed, std::string("45.68"));
        QCOMPARE(model.angle, double(359.7f));
        QCOMPARE(model.x, -5);
        QCOMPARE(model.y, 7);
        QCOMPARE(model.z, 1030);
    }

    void zeroMessage() {
        VideoGpsTool tool;
        tool.setLogSink({});
        tool.decodecPacket(HDGPSMessage{});
        QCOMPARE(tool.secondNum(), 1);
        QVERIFY(tool.gpsDic().empty());
        const FileGPSModel& model = *tool.destroyGpsDic().at(0);
        for (const auto* text : {&model.hour, &model.minute, &model.second, &model.year, &model.month})
            QCOMPARE(text->value(), std::string("0"));
        QCOMPARE(*model.speed, std::string("0.00"));
        QCOMPARE(model.latitude, 0.0);
        QCOMPARE(model.longitude, 0.0);
        QCOMPARE(model.x, 0);
        QVERIFY(!model.status);
    }

    void everyRecordCounts() {
        VideoGpsTool tool;
        tool.setLogSink({});
        tool.decodecPacket(TestFiles::fix(22.5, 114.0, 10));
        tool.decodecPacket(HDGPSMessage{});
        tool.decodecPacket(TestFiles::fix(22.5, 114.0, 500, 0, 'V'));
        QCOMPARE(tool.secondNum(), 3);
        // The most recent valid and invalid fixes, under their record indexes.
        QCOMPARE(tool.gpsDic().size(), std::size_t(1));
        QCOMPARE(tool.gpsDic().begin()->first, 0);
        QCOMPARE(tool.destroyGpsDic().size(), std::size_t(1));
        QCOMPARE(tool.destroyGpsDic().begin()->first, 2);
        QCOMPARE(*tool.destroyGpsDic().begin()->second->speed, std::string("500.00"));
    }

    void messageBytesRoundTrip() {
        HDGPSMessage m = TestFiles::fix(-33.8688, 151.2093, 12.5, 90.25);
        m.day = 31;
        m.x = -1024;
        const auto bytes = m.toBytes();
        QCOMPARE(std::to_integer<int>(bytes[12]), int('A'));
        QCOMPARE(std::to_integer<int>(bytes[24]), int('S'));
        const HDGPSMessage back = HDGPSMessage::fromBytes(bytes);
        QCOMPARE(back.latitude, m.latitude);
        QCOMPARE(back.speed, m.speed);
        QCOMPARE(back.angle, m.angle);
        QCOMPARE(back.day, 31u);
        QCOMPARE(back.x, -1024);
    }

    void decodesTheFieldTable() {
        // Every field a value of its own, so that two swapped fields or a wrong offset cannot pass.
        HandLaidMessage laid;
        laid.unsigned32(0, 13)            // hour
            .unsigned32(4, 47)            // minute
            .unsigned32(8, 59)            // second
            .character(12, 'A')           // status
            .real(16, 2232.5925)          // latitude, ddmm.mmmm
            .character(24, 'S')           // nsind
            .real(32, 11405.1234)         // longitude, dddmm.mmmm
            .character(40, 'W')           // ewind
            .real(48, 45.678)             // speed, knots
            .real(56, 271.25)             // angle
            .unsigned32(64, 2024)         // year
            .unsigned32(68, 6)            // month
            .unsigned32(72, 30)           // day
            .unsigned32(76, 0xfffffc00u)  // x = -1024
            .unsigned32(80, 517)          // y
            .unsigned32(84, 0x80000000u); // z = INT32_MIN
        const HDGPSMessage m = HDGPSMessage::fromBytes(laid.bytes());
        QCOMPARE(m.hour, 13u);
        QCOMPARE(m.minute, 47u);
        QCOMPARE(m.second, 59u);
        QCOMPARE(m.status, 'A');
        QCOMPARE(m.latitude, 2232.5925);
        QCOMPARE(m.nsind, 'S');
        QCOMPARE(m.longitude, 11405.1234);
        QCOMPARE(m.ewind, 'W');
        QCOMPARE(m.speed, 45.678);
        QCOMPARE(m.angle, 271.25);
        QCOMPARE(m.year, 2024u);
        QCOMPARE(m.month, 6u);
        QCOMPARE(m.day, 30u);
        QCOMPARE(m.x, -1024);
        QCOMPARE(m.y, 517);
        QCOMPARE(m.z, std::numeric_limits<std::int32_t>::min());
        // The encoder writes the same bytes, padding zero.
        QVERIFY(m.toBytes() == laid.bytes());

        const FileGPSModel model = decodeOne(m);
        QCOMPARE(*model.hour, std::string("13"));
        QCOMPARE(*model.year, std::string("2024"));
        QCOMPARE(*model.month, std::string("6"));
        QCOMPARE(model.latitude, double(-22.543209f));
        QCOMPARE(model.longitude, double(-114.085381f)); // single-precision steps: 11405.123047 in
        QCOMPARE(*model.speed, std::string("45.68"));
        QCOMPARE(model.angle, double(271.25f));
    }

    void coordinatePatterns_data() {
        QTest::addColumn<QString>("text");
        for (const char* text : {"",
                                 "0",
                                 "-0",
                                 "+0",
                                 "9",
                                 "09",
                                 "89",
                                 "90",
                                 "91",
                                 "99",
                                 "100",
                                 "-90",
                                 "+90",
                                 "90.0",
                                 "90.000",
                                 "90.5",
                                 "90.",
                                 "89.5",
                                 "8.123456789012345",
                                 "8.1234567890123456",
                                 "179",
                                 "180",
                                 "181",
                                 "-180",
                                 "180.00",
                                 "180.01",
                                 "017",
                                 "099",
                                 "0999",
                                 "1799",
                                 "190",
                                 "200",
                                 "07",
                                 "1.",
                                 ".5",
                                 "-",
                                 "+-1",
                                 "1e2",
                                 "nan",
                                 "inf",
                                 "-inf",
                                 " 1",
                                 "1 ",
                                 "12a",
                                 "00",
                                 "000",
                                 "0000",
                                 "1000",
                                 "-00"})
            QTest::newRow(text) << QString(text);
    }
    void coordinatePatterns() {
        // The validation's checks agree with the two regular expressions they stand for.
        QFETCH(QString, text);
        const std::string t = text.toStdString();
        QCOMPARE(CoordinatePattern::matchesLatitude(t), std::regex_match(t, latitudeRegex()));
        QCOMPARE(CoordinatePattern::matchesLongitude(t), std::regex_match(t, longitudeRegex()));
    }

    void coordinatePatternsOnEveryShortText() {
        // Every text of up to four characters from the alphabet the patterns care about.
        const std::string alphabet = "0125789.-+x";
        std::vector<std::string> texts{""};
        for (int length = 1; length <= 4; ++length) {
            std::vector<std::string> longer;
            for (const std::string& t : texts) {
                if (t.size() == std::size_t(length - 1)) {
                    for (const char c : alphabet)
                        longer.push_back(t + c);
                }
            }
            texts.insert(texts.end(), longer.begin(), longer.end());
        }
        for (const std::string& t : texts) {
            QVERIFY2(CoordinatePattern::matchesLatitude(t) == std::regex_match(t, latitudeRegex()),
                     t.c_str());
            QVERIFY2(CoordinatePattern::matchesLongitude(t) == std::regex_match(t, longitudeRegex()),
                     t.c_str());
        }
    }
};

QTEST_GUILESS_MAIN(TestGpsDecoder)
#include "tst_gpsdecoder.moc"
