// kestrun-gps run as a user would: the real executable on clips made by the clip writer.
#include "ClipWriter.h"
#include "DrivingEvents.h"
#include "SyntheticDrive.h"
#include "TestFiles.h"
#include "VideoGpsTool.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QXmlStreamReader>

#include <QScopeGuard>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

const QString kExtractor = QStringLiteral(KESTRUN_BIN_DIR "/kestrun-gps");

// The extractor with a time limit: a run that has not ended within it counts as a hang (exit code -1).
Run extractor(const QStringList& arguments, const QString& standardOutputFile = {}) {
    QProcess process;
    if (!standardOutputFile.isEmpty())
        process.setStandardOutputFile(standardOutputFile);
    process.start(kExtractor, arguments);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return {-1, process.readAllStandardOutput(), process.readAllStandardError()};
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return {-2, process.readAllStandardOutput(), process.readAllStandardError()};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

// The extractor on every file of `dir` matching `pattern`, named by the shell's glob: file names reach it as
// the file system's bytes, which QProcess's own arguments could not carry when they are not UTF-8.
Run extractorOnGlob(const QStringList& options, const QString& dir, const QString& pattern) {
    QProcess process;
    process.setWorkingDirectory(dir);
    process.start("/bin/sh", QStringList{"-c", "exec \"$0\" \"$@\" " + pattern, kExtractor} + options);
    process.waitForFinished(20000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

// xmllint's verdict on a document; empty when it is well-formed.
QString xmlProblems(const QByteArray& document) {
    QProcess lint;
    lint.start("xmllint", {"--noout", "-"});
    if (!lint.waitForStarted())
        return "xmllint is missing";
    lint.write(document);
    lint.closeWriteChannel();
    lint.waitForFinished(20000);
    return lint.exitCode() == 0 ? QString() : QString::fromUtf8(lint.readAllStandardError());
}

QString jsonProblems(const QByteArray& document) {
    QJsonParseError error;
    QJsonDocument::fromJson(document, &error);
    return error.error == QJsonParseError::NoError ? QString() : error.errorString();
}

TrackInfo extractInProcess(const QString& path) {
    VideoGpsTool tool;
    tool.setLogSink({});
    TrackInfo result;
    tool.setResultsBlock([&](const TrackInfo& info) { result = info; });
    tool.createVideoForGPSUrl(path.toStdString());
    return result;
}

// The names of the top-level elements of a GPX document that hold data, in document order.
QStringList gpxChildren(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    QStringList names;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() != QStringLiteral("gpx"))
            names << reader.name().toString();
        if (reader.isStartElement() && reader.name() != QStringLiteral("gpx"))
            reader.skipCurrentElement();
    }
    return names;
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
    QString m_china;     // 12 records, the first 2 without a fix
    QString m_world;     // 5 records
    QString m_noGps;     // an MP4 box skeleton without an index
    QString m_events;    // 40 records, the first 3 without a fix; a bump at 12, a hard stop from 25
    QString m_bumpNoFix; // 8 records, the first 3 without a fix; a bump at 1

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
        SyntheticDrive eventful = SyntheticDrive::china();
        eventful.seconds = 40;
        eventful.noFixSeconds = 3;
        eventful.bumpSecond = 12;
        eventful.hardStopSecond = 25;
        m_events =
            TestFiles::write(m_dir, "events, hard stop.mp4", ClipWriter::bareClip(eventful.messages()));
        SyntheticDrive early = SyntheticDrive::world();
        early.seconds = 8;
        early.noFixSeconds = 3;
        early.bumpSecond = 1;
        m_bumpNoFix = TestFiles::write(m_dir, "early bump.mp4", ClipWriter::bareClip(early.messages()));
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

    void drivingEventsAsCsv() {
        const Run run =
            extractor({"--events", m_world, m_events, "/nonexistent/clip.mp4", m_noGps, m_bumpNoFix});
        QCOMPARE(run.exitCode, 1); // the missing file, as for the tracks
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(run.err.contains("cannot open /nonexistent/clip.mp4"));
        const QList<QByteArray> rows = run.out.trimmed().split('\n');
        QCOMPARE(rows[0], QByteArray("file,kind,second,utc_time,latitude,longitude,speed_kmh,value"));
        // The steady drive has none; the cold start's jump from 0 to 11 knots without a fix is none either.
        QCOMPARE(rows.size(), 1 + 2 + 1);
        QVERIFY(rows[1].startsWith("\"" + QFile::encodeName(m_events) +
                                   "\",impact,12,2024-06-01T08:30:12Z,22.54"));
        QVERIFY(rows[2].startsWith("\"" + QFile::encodeName(m_events) +
                                   "\",hard_braking,25,2024-06-01T08:30:25Z,"));
        // A bump before the first fix: an event without a position.
        QVERIFY(rows[3].startsWith(QFile::encodeName(m_bumpNoFix) + ",impact,1,2024-06-01T08:30:01Z,,,"));

        // Every figure is the one the detection finds in the stored track.
        const TrackInfo info = extractInProcess(m_events);
        const std::vector<DrivingEvent> events = detectDrivingEvents(*info.videoDatas);
        QCOMPARE(events.size(), std::size_t(2));
        for (std::size_t i = 0; i < events.size(); ++i) {
            // The file name holds a comma: quoted, so split after it.
            const QList<QByteArray> fields =
                rows[int(i) + 1].mid(rows[int(i) + 1].lastIndexOf('"') + 2).split(',');
            QCOMPARE(fields.size(), 7);
            QCOMPARE(fields[0], QByteArray(drivingEventKindKey(events[i].kind)));
            QCOMPARE(fields[1].toULongLong(), events[i].second);
            const TrackSample& sample = info.videoDatas->at(events[i].second);
            QCOMPARE(fields[3].toStdString(), sample.gpsLat);
            QCOMPARE(fields[4].toStdString(), sample.gpsLgt);
            QCOMPARE(fields[5], QByteArray::number(double(sample.spd) * 1.852, 'f', 2));
            QVERIFY(std::fabs(fields[6].toDouble() - events[i].value) <= 0.0005);
        }
        QCOMPARE(events[1].value, -18 * 1.852); // the synthetic stop: 18 knots a second
    }

    void drivingEventsAsGpxWaypoints() {
        // The clip with events comes second: its waypoints still come before the first file's track.
        const Run run = extractor({"--format", "gpx", m_world, m_events, m_bumpNoFix});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(xmlProblems(run.out), QString());
        QCOMPARE(gpxChildren(run.out), (QStringList{"wpt", "wpt", "trk", "trk", "trk"}));
        QVERIFY(run.out.contains(
            "><time>2024-06-01T08:30:12Z</time><name>Impact</name><type>impact</type></wpt>"));
        QVERIFY(run.out.contains(
            "><time>2024-06-01T08:30:25Z</time><name>Hard braking</name><type>hard_braking</type></wpt>"));
        const TrackInfo info = extractInProcess(m_events);
        const TrackSample& stop = info.videoDatas->at(25);
        QVERIFY(run.out.contains(
            QByteArray::fromStdString("<wpt lat=\"" + stop.gpsLat + "\" lon=\"" + stop.gpsLgt + "\">")));
        // The tracks are as before.
        QCOMPARE(countElements(run.out, "trkpt"), 5 + 37 + 5);
        QVERIFY(run.out.indexOf("<name>world.mp4</name>") <
                run.out.indexOf("<name>events, hard stop.mp4</name>"));

        // One file, no events: the document is the track alone.
        const Run plain = extractor({"--format", "gpx", m_world});
        QCOMPARE(gpxChildren(plain.out), QStringList{"trk"});
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

    // Files are read several at a time; output and diagnostics still come file by file, in the order given.
    void manyFilesKeepTheirOrder() {
        QStringList files;
        for (int i = 0; i < 13; ++i) {
            const QString missing = QStringLiteral("/nonexistent/clip-%1.mp4").arg(i);
            files << (QStringList{m_china, m_world, m_noGps, missing}[i % 4]);
        }
        const Run run = extractor(QStringList{"--verbose"} + files);
        QCOMPARE(run.exitCode, 1);
        const QList<QByteArray> lines = run.out.trimmed().split('\n');
        QCOMPARE(lines.size(), files.size());
        for (int i = 0; i < files.size(); ++i) {
            const QJsonObject record = QJsonDocument::fromJson(lines[i]).object();
            const int samples = record["key_video_datas"].toArray().size();
            switch (i % 4) {
            case 0:
                QVERIFY2(record["key_is_in_china"].toBool() && samples == 12, lines[i].constData());
                break;
            case 1:
                QVERIFY2(!record["key_is_in_china"].toBool() && samples == 5, lines[i].constData());
                break;
            case 2:
                QVERIFY2(samples == 0 && record["file_size"].toDouble() > 0, lines[i].constData());
                break;
            default:
                QVERIFY2(samples == 0 && record["file_size"].toDouble() == 0, lines[i].constData());
            }
        }
        // Each file's diagnostics together, after its "reading" line; its error right after them.
        QStringList read;
        QString current;
        for (const QByteArray& line : run.err.split('\n')) {
            if (line.startsWith("reading ")) {
                current = QString::fromUtf8(line.mid(8));
                read << current;
            } else if (line.startsWith("sample: longitude ") &&
                       !line.startsWith("sample: longitude 0.000000")) {
                const bool west = line.startsWith("sample: longitude -");
                QVERIFY2(west == (current == m_world), line.constData());
            } else if (line.startsWith("kestrun-gps: cannot open ")) {
                QVERIFY2(line.startsWith("kestrun-gps: cannot open " + current.toUtf8() + ":"),
                         line.constData());
            }
        }
        QCOMPARE(read, files);
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no files") << QStringList{};
        QTest::newRow("unknown format") << QStringList{"--format", "xml", "a.mp4"};
        QTest::newRow("format without value") << QStringList{"--format"};
        QTest::newRow("unknown option") << QStringList{"--fast", "a.mp4"};
        QTest::newRow("events with a format") << QStringList{"--events", "--format", "gpx", "a.mp4"};
        QTest::newRow("format with events") << QStringList{"--format=csv", "--events", "a.mp4"};
        QTest::newRow("events without files") << QStringList{"--events"};
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
        // In English: the player's log keeps its own wording, the extractor speaks to its user.
        QVERIFY(run.err.contains("sample: longitude -118.2"));
        QVERIFY(run.err.contains("unreadable top-level box"));
        QVERIFY(!run.err.contains("TS经度"));
        QVERIFY(!run.err.contains("boxData"));
        for (const char c : run.err)
            QVERIFY(static_cast<unsigned char>(c) < 0x80);
        QVERIFY(!run.out.contains("unreadable"));
        for (const QByteArray& line : run.out.trimmed().split('\n'))
            QVERIFY(QJsonDocument::fromJson(line).isObject());

        run = extractor({m_world, badPath});
        QVERIFY(run.err.isEmpty());
    }

    void specialFilesAreRefusedAtOnce_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("endless zeros") << "/dev/zero" << QByteArray("not a regular file");
        QTest::newRow("endless noise") << "/dev/urandom" << QByteArray("not a regular file");
        QTest::newRow("FIFO without a writer") << "fifo" << QByteArray("not a regular file (a FIFO)");
        QTest::newRow("folder") << "folder" << QByteArray("not a regular file (a folder)");
    }
    void specialFilesAreRefusedAtOnce() {
        // Each used to hang the extractor for ever, losing the output of the files before it.
        QFETCH(QString, path);
        QFETCH(QByteArray, reason);
        QTemporaryDir dir;
        if (path == "fifo") {
            path = dir.filePath("fifo");
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (path == "folder") {
            path = dir.path();
        }
        const Run run = extractor({m_world, path, m_world});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("cannot open " + QFile::encodeName(path) + ": " + reason));
        const QList<QByteArray> lines = run.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(QJsonDocument::fromJson(lines[1]).object().keys(),
                 (QStringList{"file_size", "file_time", "key_is_in_china"}));
        QCOMPARE(QJsonDocument::fromJson(lines[2]).object()["key_video_datas"].toArray().size(), 5);
    }

    void writeErrorIsReported_data() {
        QTest::addColumn<QString>("format");
        for (const char* format : {"json", "gpx", "kml", "csv", "geojson", "events"})
            QTest::newRow(format) << QString(format);
    }
    void writeErrorIsReported() {
        QFETCH(QString, format);
        const QStringList options =
            format == "events" ? QStringList{"--events"} : QStringList{"--format", format};
        const Run run = extractor(options + QStringList{m_events}, "/dev/full");
        QCOMPARE(run.exitCode, 3);
        QVERIFY(run.err.contains("kestrun-gps: cannot write the output: "));
    }

    void namesThatAreNotUtf8_data() {
        QTest::addColumn<QString>("format");
        for (const char* format : {"json", "gpx", "kml", "csv", "geojson"})
            QTest::newRow(format) << QString(format);
    }
    void namesThatAreNotUtf8() {
        // Latin-1 bytes, a lone continuation byte and a cut-off sequence, beside a proper name: every format
        // stays valid for its parser. Each byte that is not part of a proper sequence becomes U+FFFD.
        QTemporaryDir dir;
        const QByteArray rawName = "fahrt-\xe4\xf6\x80-\xe5\xb1&<x>.mp4";
        SyntheticDrive drive = SyntheticDrive::china();
        drive.seconds = 3;
        const auto clip = ClipWriter::bareClip(drive.messages());
        const std::string rawPath = (QFile::encodeName(dir.path()) + "/" + rawName).toStdString();
        QVERIFY(ClipWriter::writeFile(rawPath, clip));
        const auto removeRaw =
            qScopeGuard([&] { ::unlink(rawPath.c_str()); }); // beyond QTemporaryDir's reach
        QVERIFY(ClipWriter::writeFile((QFile::encodeName(dir.path()) + "/plain.mp4").toStdString(), clip));

        QFETCH(QString, format);
        const Run run = extractorOnGlob({"--format", format}, dir.path(), "*.mp4");
        QCOMPARE(run.exitCode, 0);
        if (format == "gpx" || format == "kml") {
            QCOMPARE(xmlProblems(run.out), QString());
            QCOMPARE(countElements(run.out, format == "gpx" ? "trk" : "Placemark"), 2);
            QVERIFY(run.out.contains(
                "fahrt-\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd-\xef\xbf\xbd\xef\xbf\xbd&amp;&lt;x&gt;.mp4"));
        } else if (format == "json") {
            const QList<QByteArray> lines = run.out.trimmed().split('\n');
            QCOMPARE(lines.size(), 2);
            for (const QByteArray& line : lines)
                QCOMPARE(jsonProblems(line), QString());
        } else if (format == "geojson") {
            QCOMPARE(jsonProblems(run.out), QString());
            const QJsonArray features = QJsonDocument::fromJson(run.out)["features"].toArray();
            QCOMPARE(features.size(), 2);
            QCOMPARE(features[0].toObject()["properties"].toObject()["file"].toString(),
                     QString::fromUtf8("fahrt-\ufffd\ufffd\ufffd-\ufffd\ufffd&<x>.mp4"));
        } else {
            // CSV carries no encoding of its own: the name is kept byte for byte.
            QVERIFY(run.out.contains("\n" + rawName + ",0,"));
            QCOMPARE(run.out.count('\n'), 1 + 2 * 3);
        }
    }

    void positionsOffTheGlobeAreNotExported() {
        // A record that decodes to latitude 90.5 passes the validation and stays in the stored track, but no
        // export format can hold it. A speed too large for a float is written as null everywhere.
        QTemporaryDir dir;
        std::vector<HDGPSMessage> messages{TestFiles::fix(22.5, 114.0, 10),
                                           TestFiles::rawMessage(9029.9999, 'N', 11400.0, 'E', 11),
                                           TestFiles::fix(22.6, 114.1, 1e39)};
        const QString path = TestFiles::write(dir, "pole.mp4", ClipWriter::bareClip(messages));

        Run run = extractor({path});
        const QJsonArray samples = QJsonDocument::fromJson(run.out)["key_video_datas"].toArray();
        QCOMPARE(samples.size(), 3);
        QCOMPARE(samples[1].toObject()["gps_lat"].toString(), QString("90.500000"));
        QVERIFY(samples[2].toObject()["spd"].isNull());
        QVERIFY(QJsonDocument::fromJson(run.out)["key_max_speed"].isNull());

        run = extractor({"--format", "gpx", path});
        QCOMPARE(xmlProblems(run.out), QString());
        QCOMPARE(countElements(run.out, "trkpt"), 2);
        QVERIFY(!run.out.contains("90.5"));
        run = extractor({"--format", "kml", path});
        QVERIFY(!run.out.contains("90.5"));
        run = extractor({"--format", "geojson", path});
        QCOMPARE(jsonProblems(run.out), QString());
        const QJsonObject geometry = QJsonDocument::fromJson(run.out)["features"][0]["geometry"].toObject();
        QCOMPARE(geometry["coordinates"].toArray().size(), 2);
        QVERIFY(QJsonDocument::fromJson(run.out)["features"][0]["properties"]["key_max_speed"].isNull());
        run = extractor({"--format", "csv", path});
        const QList<QByteArray> rows = run.out.trimmed().split('\n');
        QCOMPARE(rows.size(), 1 + 2);
        QVERIFY(rows[2].contains(",null,")); // the speed, spelled as JSON spells it
        QVERIFY(!run.out.contains("inf"));
    }
};

QTEST_GUILESS_MAIN(TestExtractor)
#include "tst_extractor.moc"
