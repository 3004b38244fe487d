// kestrun-gps run as a user would: the real executable on clips made by the clip writer.
#include "ClipWriter.h"
#include "SyntheticDrive.h"
#include "TestFiles.h"
#include "VideoGpsTool.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QXmlStreamReader>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run extractor(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(KESTRUN_BIN_DIR "/kestrun-gps"), arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

TrackInfo extractInProcess(const QString& path) {
    VideoGpsTool tool;
    tool.setLogSink({});
    TrackInfo result;
    tool.setResultsBlock([&](const TrackInfo& info) { result = info; });
    tool.createVideoForGPSUrl(path.toStdString());
    return result;
}

int countElements(const QByteArray& xml, const QString& name) {
    QXmlStreamReader reader(xml);
    int count = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == name)
            ++count;
    }
    return reader.hasError() ? -1 : count;
}

} // namespace

class TestExtractor : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_china; // 12 records, the first 2 without a fix
    QString m_world; // 5 records
    QString m_noGps; // an MP4 box skeleton without an index

private slots:
    void initTestCase() {
        QVERIFY(TestFiles::localeAsExpected());
        SyntheticDrive china = SyntheticDrive::china();
        china.seconds = 12;
        china.noFixSeconds = 2;
        m_china = TestFiles::write(m_dir, "china drive.mp4", ClipWriter::bareClip(china.messages()));
        SyntheticDrive world = SyntheticDrive::world();
        world.seconds = 5;
        m_world = TestFiles::write(m_dir, "world.mp4", ClipWriter::bareClip(world.messages()));
        m_noGps = TestFiles::write(m_dir, "plain.mp4", ClipWriter::box("moov", ClipWriter::box("mvhd", {})));
    }

    void jsonLines() {
        const Run run = extractor({m_china, m_noGps, m_world});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.isEmpty());
        const QList<QByteArray> lines = run.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 3);

        const QJsonObject china = QJsonDocument::fromJson(lines[0]).object();
        QCOMPARE(china.keys(), (QStringList{"file_size", "file_time", "key_aev_speed", "key_is_in_china",
                                            "key_max_speed", "key_totail_distance", "key_video_datas"}));
        QVERIFY(china["key_is_in_china"].isBool() && china["key_is_in_china"].toBool());
        QVERIFY(china["file_time"].isString());
        const QJsonArray samples = china["key_video_datas"].toArray();
        QCOMPARE(samples.size(), 12);
        QCOMPARE(samples[0].toObject()["gps_lat"].toString(), QString("0.000000")); // before the first fix
        QVERIFY(samples[5].toObject()["gps_lat"].toString().startsWith("22.54"));
        QVERIFY(samples[5].toObject()["spd"].isDouble());
        // Numbers read back as a 32-bit float give the extraction's values exactly.
        const TrackInfo info = extractInProcess(m_china);
        QCOMPARE(float(china["file_size"].toDouble()), info.fileSize);
        QCOMPARE(float(china["key_aev_speed"].toDouble()), *info.aevSpeed);
        QCOMPARE(float(china["key_max_speed"].toDouble()), *info.maxSpeed);
        QCOMPARE(float(china["key_totail_distance"].toDouble()), *info.totailDistance);
        for (int i = 0; i < samples.size(); ++i) {
            const QJsonObject s = samples[i].toObject();
            const TrackSample& expected = info.videoDatas->at(std::size_t(i));
            QCOMPARE(s["gps_lgt"].toString().toStdString(), expected.gpsLgt);
            QCOMPARE(float(s["spd"].toDouble()), expected.spd);
            QCOMPARE(float(s["north_angle"].toDouble()), expected.northAngle);
            QCOMPARE(float(s["gsensor_y"].toDouble()), expected.gsensorY);
        }

        const QJsonObject plain = QJsonDocument::fromJson(lines[1]).object();
        QCOMPARE(plain.keys(), (QStringList{"file_size", "file_time", "key_is_in_china"}));
        QCOMPARE(plain["key_is_in_china"].toBool(), false);

        const QJsonObject world = QJsonDocument::fromJson(lines[2]).object();
        QCOMPARE(world["key_is_in_china"].toBool(), false);
        QVERIFY(world["key_video_datas"].toArray()[1].toObject()["gps_lgt"].toString().startsWith("-118.2"));
    }

    void documentFormats() {
        Run run = extractor({"--format", "gpx", m_china, m_world});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(countElements(run.out, "trk"), 2);
        QCOMPARE(countElements(run.out, "trkpt"), 10 + 5); // only samples with a position
        QCOMPARE(countElements(run.out, "time"), 15);
        QVERIFY(run.out.contains("<time>2024-06-01T08:30:02Z</time>"));
        QVERIFY(run.out.contains("<name>china drive.mp4</name>"));

        run = extractor({"--format=kml", m_china});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(countElements(run.out, "Placemark"), 1);
        QVERIFY(run.out.contains("<begin>2024-06-01T08:30:02Z</begin><end>2024-06-01T08:30:11Z</end>"));

        run = extractor({"--format", "csv", m_world});
        QCOMPARE(run.exitCode, 0);
        const QList<QByteArray> rows = run.out.trimmed().split('\n');
        QCOMPARE(rows.size(), 1 + 5);
        QCOMPARE(rows[0],
                 QByteArray("file,second,utc_time,latitude,longitude,speed_knots,north_angle,gsensor_x,"
                            "gsensor_y,gsensor_z"));
        QVERIFY(rows[1].contains(",0,2024-06-01T08:30:00Z,34.05"));

        run = extractor({"--format", "geojson", m_china, m_noGps});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject collection = QJsonDocument::fromJson(run.out).object();
        const QJsonArray features = collection["features"].toArray();
        QCOMPARE(features.size(), 2);
        const QJsonObject line = features[0].toObject()["geometry"].toObject();
        QCOMPARE(line["type"].toString(), QString("LineString"));
        QCOMPARE(line["coordinates"].toArray().size(), 10);
        QVERIFY(line["coordinates"].toArray()[0].toArray()[0].toDouble() > 113); // longitude first
        QVERIFY(features[1].toObject()["geometry"].isNull());
        QCOMPARE(features[0].toObject()["properties"].toObject()["key_is_in_china"].toBool(), true);
    }

    void unreadableFile() {
        const Run run = extractor({m_world, "/nonexistent/clip.mp4"});
        QCOMPARE(run.exitCode, 1);
        const QList<QByteArray> lines = run.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        const QJsonObject missing = QJsonDocument::fromJson(lines[1]).object();
        QCOMPARE(missing.keys(), (QStringList{"file_size", "file_time", "key_is_in_china"}));
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(run.err.contains("/nonexistent/clip.mp4"));
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no files") << QStringList{};
        QTest::newRow("unknown format") << QStringList{"--format", "xml", "a.mp4"};
        QTest::newRow("format without value") << QStringList{"--format"};
        QTest::newRow("unknown option") << QStringList{"--fast", "a.mp4"};
    }
    void badArguments() {
        QFETCH(QStringList, arguments);
        const Run run = extractor(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.contains("usage: kestrun-gps"));
    }

    void verboseKeepsStandardOutputClean() {
        // A bad top-level box makes the walk's diagnostic; it must stay off standard output.
        ClipWriter::Bytes bad = ClipWriter::box("moov", {});
        bad.insert(bad.end(), {std::byte(0), std::byte(0), std::byte(0), std::byte(3), std::byte('f'),
                               std::byte('r'), std::byte('e'), std::byte('e')});
        const QString badPath = TestFiles::write(m_dir, "bad.mp4", bad);
        Run run = extractor({"--verbose", m_world, badPath});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.contains("TS经度"));
        QVERIFY(run.err.contains("boxData 初始化失败"));
        QVERIFY(!run.out.contains("boxData"));
        for (const QByteArray& line : run.out.trimmed().split('\n'))
            QVERIFY(QJsonDocument::fromJson(line).isObject());

        run = extractor({m_world, badPath});
        QVERIFY(run.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestExtractor)
#include "tst_extractor.moc"
