// The exporters' text pieces: names that are not UTF-8, markup, numbers that are not finite; the driving
// events in CSV and as GPX waypoints.
#include "EventsCsvWriter.h"
#include "ExportText.h"
#include "GpxTrackWriter.h"

#include <QTest>

#include <algorithm>
#include <limits>

class TestExportText : public QObject {
    Q_OBJECT
private slots:
    void validUtf8_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray r = "\xef\xbf\xbd"; // U+FFFD
        QTest::newRow("ascii") << QByteArray("clip 01.mp4") << QByteArray("clip 01.mp4");
        QTest::newRow("two, three and four bytes") << QByteArray("\xc3\xa4\xe8\xa1\x8c\xf0\x9f\x9a\x97")
                                                   << QByteArray("\xc3\xa4\xe8\xa1\x8c\xf0\x9f\x9a\x97");
        QTest::newRow("latin-1") << QByteArray("f\xe4hrt") << "f" + r + "hrt";
        QTest::newRow("lone continuation") << QByteArray("a\x80z") << "a" + r + "z";
        QTest::newRow("cut-off sequence") << QByteArray("a\xe8\xa1") << "a" + r + r;
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << r + r;
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << r + r + r;
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << r + r + r + r;
        QTest::newRow("0xff") << QByteArray("\xff") << r;
    }
    void validUtf8() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QCOMPARE(QByteArray::fromStdString(ExportText::validUtf8(input.toStdString())), expected);
    }

    void jsonString_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("plain") << QByteArray("22.543209") << QByteArray("\"22.543209\"");
        QTest::newRow("quote and backslash") << QByteArray("a\"b\\c") << QByteArray("\"a\\\"b\\\\c\"");
        QTest::newRow("controls") << QByteArray("\t\n\x01") << QByteArray("\"\\t\\n\\u0001\"");
        QTest::newRow("line separator") << QByteArray("\xe2\x80\xa8") << QByteArray("\"\\u2028\"");
        QTest::newRow("not utf-8") << QByteArray("\xff.mp4") << QByteArray("\"\xef\xbf\xbd.mp4\"");
    }
    void jsonString() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        std::string out;
        ExportText::appendJsonString(out, input.toStdString());
        QCOMPARE(QByteArray::fromStdString(out), expected);
    }

    void xmlText_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("markup") << QByteArray("<a & 'b'>\"")
                                << QByteArray("&lt;a &amp; &apos;b&apos;&gt;&quot;");
        QTest::newRow("control") << QByteArray("a\x01\tb") << QByteArray("a?\tb");
        QTest::newRow("non-characters") << QByteArray("\xef\xbf\xbe\xef\xbf\xbf") << QByteArray("??");
        QTest::newRow("not utf-8") << QByteArray("\xe4") << QByteArray("\xef\xbf\xbd");
    }
    void xmlText() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QCOMPARE(QByteArray::fromStdString(ExportText::xmlEscaped(input.toStdString())), expected);
    }

    void csvKeepsBytes() {
        QCOMPARE(ExportText::csvField("f\xe4hrt.mp4"), std::string("f\xe4hrt.mp4"));
        QCOMPARE(ExportText::csvField("a,\"b\""), std::string("\"a,\"\"b\"\"\""));
    }

    void notFiniteIsNull() {
        std::string out;
        ExportText::appendNumber(out, std::numeric_limits<float>::infinity());
        out += ',';
        ExportText::appendNumber(out, -std::numeric_limits<double>::infinity());
        out += ',';
        ExportText::appendNumber(out, std::numeric_limits<float>::quiet_NaN());
        out += ',';
        ExportText::appendNumber(out, 113.94f);
        QCOMPARE(out, std::string("null,null,null,113.94"));
    }

    void eventsCsvRows() {
        // A bump at a second whose position is off the globe and whose speed is not finite; a hard braking
        // before it at a proper position, with a time.
        ExportTrack track;
        track.path = "a,b.mp4";
        track.info.videoDatas = std::vector<TrackSample>{sample("22.500000", "114.000000", 40, 1024),
                                                         sample("22.500100", "114.000100", 30, 1024),
                                                         sample("95.000000", "114.000200", kInf, 3584)};
        track.times = {std::nullopt, RecordClock{2024, 6, 1, 8, 30, 1}};
        EventsCsvWriter writer;
        QCOMPARE(writer.begin(),
                 std::string("file,kind,second,utc_time,latitude,longitude,speed_kmh,value\n"));
        QCOMPARE(writer.track(track), std::string("\"a,b.mp4\",hard_braking,1,2024-06-01T08:30:01Z,22.500100,"
                                                  "114.000100,55.56,-18.520\n"
                                                  "\"a,b.mp4\",impact,2,,,,null,2.500\n"));
        QCOMPARE(writer.end(), std::string());
        QCOMPARE(writer.track(ExportTrack{"none.mp4", {}, {}}), std::string());
    }

    void gpxWaypointsComeBeforeEveryTrack() {
        ExportTrack calm;
        calm.path = "calm.mp4";
        calm.info.videoDatas = std::vector<TrackSample>{sample("22.500000", "114.000000", 30, 1024)};
        ExportTrack bumpy;
        bumpy.path = "bumpy.mp4";
        bumpy.info.videoDatas = std::vector<TrackSample>{
            sample("22.500000", "114.000000", 30, 1024), sample("22.500100", "114.000100", 30, 3584),
            sample("22.500200", "114.000200", 30, 1024), sample("0.000000", "0.000000", 30, 3584)};
        bumpy.times = {std::nullopt, RecordClock{2024, 6, 1, 8, 30, 1}};
        GpxTrackWriter writer;
        for (int run = 0; run < 2; ++run) { // a writer used again starts a new document
            const std::string head = writer.begin();
            QCOMPARE(writer.track(calm), std::string());
            // The bump and its way back are one event; the one without a position is no waypoint.
            QCOMPARE(writer.track(bumpy), std::string("  <wpt lat=\"22.500100\" lon=\"114.000100\"><time>"
                                                      "2024-06-01T08:30:01Z</time><name>Impact</name><type>"
                                                      "impact</type></wpt>\n"));
            const std::string tail = writer.end();
            QVERIFY(tail.find("<name>calm.mp4</name>") < tail.find("<name>bumpy.mp4</name>"));
            QCOMPARE(std::count(tail.begin(), tail.end(), '\n'), std::ptrdiff_t(2 * 5 + 1 + 3 + 1));
            QVERIFY(tail.ends_with("</trk>\n</gpx>\n"));
        }
    }

private:
    static constexpr float kInf = std::numeric_limits<float>::infinity();

    static TrackSample sample(const char* lat, const char* lon, float knots, float z) {
        TrackSample s;
        s.gpsLat = lat;
        s.gpsLgt = lon;
        s.spd = knots;
        s.northAngle = 90;
        s.gsensorZ = z;
        return s;
    }
};

QTEST_GUILESS_MAIN(TestExportText)
#include "tst_exporttext.moc"
