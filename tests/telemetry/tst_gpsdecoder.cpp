// Decoding and validating single GPS messages.
#include "TestFiles.h"
#include "VideoGpsTool.h"

#include <QTest>

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
        QCOMPARE(tool.gpsDic().size(), std::size_t(1));
        QCOMPARE(tool.destroyGpsDic().size(), std::size_t(2));
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
};

QTEST_GUILESS_MAIN(TestGpsDecoder)
#include "tst_gpsdecoder.moc"
