// Saving a part of a clip: the saved file is checked with the player's own extraction, ffprobe and
// kestrun-gps, on clips made by ffmpeg and the clip writer.
#include "ClipWriter.h"
#include "GpsRecordReader.h"
#include "IncidentSaver.h"
#include "SyntheticDrive.h"
#include "TestFiles.h"
#include "VideoGpsTool.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <cmath>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kClipSeconds = 10;
constexpr double kGop = 1.0;   // a key frame a second
constexpr double kFrame = 0.1; // 10 frames a second
// The part may end a little past the out point when the out point falls inside a group of B-frames (x264
// makes up to three): on the frame they reference, so that every kept frame decodes.
constexpr double kTailSlack = 0.5;

std::vector<TrackSample> extract(const QString& path) {
    VideoGpsTool tool;
    tool.setLogSink({});
    std::vector<TrackSample> samples;
    tool.setResultsBlock([&](const TrackInfo& info) { samples = info.videoDatas.value_or(samples); });
    tool.createVideoForGPSUrl(QFile::encodeName(path).toStdString());
    return samples;
}

QByteArray checksum(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// ffprobe's view of a file: its format and streams, empty when ffprobe fails on it.
QJsonObject probe(const QString& path) {
    const QString ffprobe = QFileInfo(QStringLiteral(KESTRUN_FFMPEG)).dir().filePath("ffprobe");
    QProcess process;
    process.start(ffprobe, {"-v", "error", "-show_format", "-show_streams", "-of", "json", path});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}

QJsonObject stream(const QJsonObject& probed, const QString& type) {
    for (const QJsonValue& s : probed["streams"].toArray()) {
        if (s["codec_type"].toString() == type)
            return s.toObject();
    }
    return {};
}

// Runs `work` in a child process (as another user, in a mount namespace of its own, ...) and returns what it
// wrote to the pipe; "skip: ..." when the child could not set itself up.
QByteArray inChild(const std::function<QByteArray()>& work) {
    int fds[2];
    if (::pipe(fds) != 0)
        return "skip: no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const QByteArray answer = work();
        [[maybe_unused]] const auto written = ::write(fds[1], answer.constData(), answer.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray answer;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return answer;
}

QByteArray describe(const IncidentResult& result) {
    return QByteArray(result.ok ? "ok" : "failed") + "|" + QByteArray::fromStdString(result.error);
}

} // namespace

class TestIncidentSaver : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void savesPartWithTrack_data();
    void savesPartWithTrack();
    void otherClips_data();
    void otherClips();
    void quickTimeKeepsPcmSound();
    void transportStreamWithoutTelemetry();
    void reportsProgress();
    void unusualNames();
    void refusesBadRequests_data();
    void refusesBadRequests();
    void unwritableFolderLeavesNothing();
    void fullDiskLeavesNothing();
    void cancelLeavesNothing();
    void extractorReadsSavedFile();
    void defaultRange_data();
    void defaultRange();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    void expectNothingAt(const QString& target) {
        QVERIFY2(!QFileInfo::exists(target), qPrintable(target));
        QVERIFY2(!QFileInfo::exists(target + ".part"), qPrintable(target));
    }

    QTemporaryDir m_dir;
    SyntheticDrive m_drive;
    QString m_clip; // H.264 + AAC MP4 with a track
    QString m_ts;   // H.264 transport stream
    QByteArray m_clipSum;
};

void TestIncidentSaver::initTestCase() {
    QVERIFY(m_dir.isValid());
    const QStringList video{
        "-f",       "lavfi",
        "-i",       QString("testsrc=size=320x180:rate=10:duration=%1").arg(kClipSeconds),
        "-f",       "lavfi",
        "-i",       QString("sine=frequency=440:sample_rate=48000:duration=%1").arg(kClipSeconds),
        "-c:v",     "libx264",
        "-pix_fmt", "yuv420p",
        "-g",       "10",
        "-c:a",     "aac",
        "-shortest"};
    QString error;
    QVERIFY2(TestFiles::runFfmpeg(video + QStringList{path("raw.mp4")}, &error), qPrintable(error));
    QVERIFY2(TestFiles::runFfmpeg(video + QStringList{"-f", "mpegts", path("clip.ts")}, &error),
             qPrintable(error));
    m_ts = path("clip.ts");

    m_drive = SyntheticDrive::china();
    m_drive.seconds = kClipSeconds;
    const auto raw = ClipWriter::readFile(path("raw.mp4").toStdString());
    QVERIFY(raw);
    const auto withTrack = ClipWriter::addTrack(*raw, m_drive.messages());
    QVERIFY(withTrack);
    m_clip = TestFiles::write(m_dir, "clip.mp4", *withTrack);
    m_clipSum = checksum(m_clip);
    QCOMPARE(extract(m_clip).size(), std::size_t(kClipSeconds));
}

void TestIncidentSaver::savesPartWithTrack_data() {
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<double>("start"); // the key frame the part starts at
    QTest::addColumn<double>("end");   // the out point after clamping

    QTest::newRow("key frame at the in point") << 2.0 << 6.0 << 2.0 << 6.0;
    QTest::newRow("key frame before the in point") << 2.5 << 6.0 << 2.0 << 6.0;
    QTest::newRow("in point just before a key frame") << 4.95 << 7.3 << 4.0 << 7.3;
    QTest::newRow("from the start") << 0.0 << 3.0 << 0.0 << 3.0;
    QTest::newRow("out point inside a group of B-frames") << 2.0 << 6.25 << 2.0 << 6.25;
    QTest::newRow("out point past the end") << 7.0 << 99.0 << 7.0 << double(kClipSeconds);
    QTest::newRow("whole clip") << 0.0 << double(kClipSeconds) << 0.0 << double(kClipSeconds);
}

void TestIncidentSaver::savesPartWithTrack() {
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(double, start);
    QFETCH(double, end);
    const QString target = path(QString("part %1-%2.mp4").arg(from).arg(to));

    const IncidentResult result = IncidentSaver::save(
        {QFile::encodeName(m_clip).toStdString(), QFile::encodeName(target).toStdString(), from, to});
    QVERIFY2(result.ok, result.error.c_str());
    QVERIFY(result.error.empty());
    QVERIFY(result.telemetryKept);
    QCOMPARE(result.startSeconds, start);
    QVERIFY2(result.durationSeconds >= end - start - 0.001 &&
                 result.durationSeconds <= end - start + kTailSlack + 1e-3,
             qPrintable(QString::number(result.durationSeconds)));
    QVERIFY(QFileInfo::exists(target));
    QVERIFY(!QFileInfo::exists(target + ".part"));
    QCOMPARE(checksum(m_clip), m_clipSum); // the source is never written

    // The track of the part is the source's track from the whole second the part starts in.
    const auto first = static_cast<std::size_t>(std::floor(start));
    // One record for every second the part's video covers.
    const double videoSeconds = stream(probe(target), "video")["duration"].toString().toDouble();
    const auto expectedSeconds =
        std::min<std::size_t>(kClipSeconds - first, static_cast<std::size_t>(std::ceil(videoSeconds - 1e-6)));
    QCOMPARE(result.gpsSeconds, expectedSeconds);
    const std::vector<TrackSample> source = extract(m_clip);
    const std::vector<TrackSample> saved = extract(target);
    QCOMPARE(saved.size(), expectedSeconds);
    for (std::size_t i = 0; i < saved.size(); ++i)
        QVERIFY2(saved[i] == source[first + i], qPrintable(QString("sample %1").arg(i)));
    QCOMPARE(saved.front().gpsLat, source[first].gpsLat);
    QCOMPARE(saved.front().gpsLgt, source[first].gpsLgt);

    // The records are the camera's bytes as they were: header and message, padding included.
    const auto records = GpsRecordReader::read(QFile::encodeName(target).toStdString(), 0, 1000);
    QCOMPARE(records.size(), expectedSeconds);
    const auto messages = m_drive.messages();
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto expected = ClipWriter::record(messages[first + i]);
        QVERIFY(std::equal(records[i].begin(), records[i].end(), expected.begin(), expected.end()));
    }

    // A stream copy: same codecs, profile and size; the length is the request's, give or take the GOP the
    // start moved back by.
    const QJsonObject in = probe(m_clip);
    const QJsonObject out = probe(target);
    QVERIFY(!out.isEmpty());
    QCOMPARE(out["format"]["format_name"].toString(), in["format"]["format_name"].toString());
    for (const QString type : {"video", "audio"}) {
        const QJsonObject a = stream(in, type);
        const QJsonObject b = stream(out, type);
        QCOMPARE(b["codec_name"].toString(), a["codec_name"].toString());
        QCOMPARE(b["profile"].toString(), a["profile"].toString());
        QCOMPARE(b["codec_tag_string"].toString(), a["codec_tag_string"].toString());
    }
    QCOMPARE(stream(out, "video")["width"].toInt(), 320);
    QCOMPARE(stream(out, "video")["height"].toInt(), 180);
    const double probed = out["format"]["duration"].toString().toDouble();
    QVERIFY(from - start >= 0 && from - start < kGop);
    QVERIFY2(probed >= end - from - 1e-3 && probed <= end - from + kGop + kTailSlack,
             qPrintable(QString::number(probed)));
    QVERIFY2(std::abs(probed - result.durationSeconds) <= kFrame, qPrintable(QString::number(probed)));
    // No frame is missing in between: the frames fill the video's length.
    QCOMPARE(stream(out, "video")["nb_frames"].toString().toInt(),
             static_cast<int>(std::lround(stream(out, "video")["duration"].toString().toDouble() / kFrame)));

    // Every frame of the part decodes.
    QString error;
    QVERIFY2(TestFiles::runFfmpeg({"-xerror", "-i", target, "-f", "null", "-"}, &error), qPrintable(error));
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestIncidentSaver::otherClips_data() {
    QTest::addColumn<QStringList>("encoder");
    QTest::addColumn<bool>("withTrack");
    QTest::addColumn<QString>("tag"); // the sample-entry tag the part must keep

    const QStringList h264{"-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "10"};
    const QStringList hevc{"-c:v",     "libx265", "-x265-params", "log-level=none",
                           "-pix_fmt", "yuv420p", "-g",           "10"};
    QTest::newRow("HEVC tagged hvc1") << hevc + QStringList{"-tag:v", "hvc1"} << true << "hvc1";
    QTest::newRow("HEVC tagged hev1") << hevc + QStringList{"-tag:v", "hev1"} << true << "hev1";
    QTest::newRow("movie box in front of the media")
        << h264 + QStringList{"-movflags", "+faststart"} << true << "avc1";
    QTest::newRow("no GPS index") << h264 << false << "avc1";
}

void TestIncidentSaver::otherClips() {
    QFETCH(QStringList, encoder);
    QFETCH(bool, withTrack);
    QFETCH(QString, tag);
    const QString name = QString(QTest::currentDataTag()).replace(' ', '-');
    const QString raw = path("raw-" + name + ".mp4");
    QString error;
    QVERIFY2(
        TestFiles::runFfmpeg(QStringList{"-f", "lavfi", "-i", "testsrc=size=320x180:rate=10:duration=4"} +
                                 encoder + QStringList{raw},
                             &error),
        qPrintable(error));
    QString clip = raw;
    SyntheticDrive drive = SyntheticDrive::world();
    drive.seconds = 4;
    if (withTrack) {
        const auto withRecords =
            ClipWriter::addTrack(*ClipWriter::readFile(raw.toStdString()), drive.messages());
        QVERIFY(withRecords);
        clip = TestFiles::write(m_dir, name + ".mp4", *withRecords);
    }
    const QString target = path("part-" + name + ".mp4");
    const IncidentResult result = IncidentSaver::save({clip.toStdString(), target.toStdString(), 1.5, 3});
    QVERIFY2(result.ok, result.error.c_str());
    QCOMPARE(result.startSeconds, 1.0);
    QVERIFY(result.telemetryKept);
    // x265 makes open groups of pictures: B-frames in front of a key frame may reference it, so the part can
    // run on to the end of that group.
    const auto covered = static_cast<std::size_t>(std::ceil(result.durationSeconds - 1e-6));
    QVERIFY(covered >= 2);
    QCOMPARE(result.gpsSeconds, withTrack ? std::min<std::size_t>(covered, 3) : std::size_t(0));
    const std::vector<TrackSample> source = extract(clip);
    const std::vector<TrackSample> saved = extract(target);
    QCOMPARE(saved.size(), result.gpsSeconds);
    QVERIFY(std::equal(saved.begin(), saved.end(), source.begin() + (saved.empty() ? 0 : 1)));
    const QJsonObject out = probe(target);
    QCOMPARE(stream(out, "video")["codec_tag_string"].toString(), tag);
    QCOMPARE(stream(out, "video")["codec_name"].toString(),
             stream(probe(clip), "video")["codec_name"].toString());
    QVERIFY2(TestFiles::runFfmpeg({"-xerror", "-i", target, "-f", "null", "-"}, &error), qPrintable(error));
}

void TestIncidentSaver::quickTimeKeepsPcmSound() {
    const QString raw = path("raw.mov");
    QString error;
    QVERIFY2(
        TestFiles::runFfmpeg({"-f", "lavfi", "-i", "testsrc=size=320x180:rate=10:duration=4", "-f", "lavfi",
                              "-i", "sine=frequency=440:sample_rate=16000:duration=4", "-c:v", "libx264",
                              "-pix_fmt", "yuv420p", "-g", "10", "-c:a", "pcm_s16le", "-shortest", raw},
                             &error),
        qPrintable(error));
    SyntheticDrive drive = SyntheticDrive::world();
    drive.seconds = 4;
    const auto withRecords = ClipWriter::addTrack(*ClipWriter::readFile(raw.toStdString()), drive.messages());
    QVERIFY(withRecords);
    const QString clip = TestFiles::write(m_dir, "clip.mov", *withRecords);
    const QString target = path("part.mov");
    const IncidentResult result = IncidentSaver::save({clip.toStdString(), target.toStdString(), 1, 3});
    QVERIFY2(result.ok, result.error.c_str());
    QCOMPARE(result.gpsSeconds, std::size_t(2));
    const QJsonObject out = probe(target);
    QCOMPARE(stream(out, "audio")["codec_name"].toString(), QString("pcm_s16le"));
    QCOMPARE(stream(out, "video")["codec_name"].toString(), QString("h264"));
    QCOMPARE(extract(target).size(), std::size_t(2));
}

void TestIncidentSaver::transportStreamWithoutTelemetry() {
    const QString target = path("part.ts");
    const QByteArray before = checksum(m_ts);
    const IncidentResult result = IncidentSaver::save({m_ts.toStdString(), target.toStdString(), 3.5, 8.0});
    QVERIFY2(result.ok, result.error.c_str());
    QVERIFY(!result.telemetryKept);
    QCOMPARE(result.gpsSeconds, std::size_t(0));
    QVERIFY(result.startSeconds <= 3.5 + 1e-3);
    QVERIFY(result.startSeconds >= 3.5 - kGop - 1e-3);
    QCOMPARE(checksum(m_ts), before);
    QVERIFY(!QFileInfo::exists(target + ".part"));

    const QJsonObject in = probe(m_ts);
    const QJsonObject out = probe(target);
    QCOMPARE(out["format"]["format_name"].toString(), QString("mpegts"));
    QCOMPARE(stream(out, "video")["codec_name"].toString(), stream(in, "video")["codec_name"].toString());
    QCOMPARE(stream(out, "video")["profile"].toString(), stream(in, "video")["profile"].toString());
    QCOMPARE(stream(out, "audio")["codec_name"].toString(), stream(in, "audio")["codec_name"].toString());
    const double probed = out["format"]["duration"].toString().toDouble();
    QVERIFY2(std::abs(probed - 4.5) <= kGop, qPrintable(QString::number(probed)));
    QVERIFY(extract(target).empty());
    QString error;
    QVERIFY2(TestFiles::runFfmpeg({"-xerror", "-i", target, "-f", "null", "-"}, &error), qPrintable(error));
}

void TestIncidentSaver::reportsProgress() {
    std::vector<double> seen;
    const IncidentResult result =
        IncidentSaver::save({m_clip.toStdString(), path("progress.mp4").toStdString(), 1, 9},
                            [&](double p) { seen.push_back(p); });
    QVERIFY2(result.ok, result.error.c_str());
    QVERIFY(seen.size() >= 3);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QVERIFY(seen.front() >= 0);
    QCOMPARE(seen.back(), 1.0);
}

void TestIncidentSaver::unusualNames() {
    // Relative names with a colon (not a protocol) and bytes that are not UTF-8, as a camera's card may hold.
    const std::string folder = QFile::encodeName(m_dir.path()).toStdString();
    const std::string source = "cam:0001 \xff.mp4";
    const std::string target = "incident:\xfe.mp4";
    std::filesystem::copy_file(QFile::encodeName(m_clip).toStdString(), folder + "/" + source);
    const QString previous = QDir::currentPath();
    QVERIFY(::chdir(folder.c_str()) == 0);
    const IncidentResult result = IncidentSaver::save({source, target, 2, 5});
    QVERIFY(::chdir(QFile::encodeName(previous).constData()) == 0);
    QVERIFY2(result.ok, result.error.c_str());
    QVERIFY(std::filesystem::exists(folder + "/" + target));
    QVERIFY(!std::filesystem::exists(folder + "/" + target + ".part"));
    VideoGpsTool tool;
    tool.setLogSink({});
    std::size_t samples = 0;
    tool.setResultsBlock(
        [&](const TrackInfo& info) { samples = info.videoDatas ? info.videoDatas->size() : 0; });
    tool.createVideoForGPSUrl(folder + "/" + target);
    QCOMPARE(samples, result.gpsSeconds);
    QVERIFY(samples >= 3);
}

void TestIncidentSaver::refusesBadRequests_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<QString>("error");

    QFile garbage(path("garbage.mp4"));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, '\x5a'));
    garbage.close();
    QFile::link(m_clip, path("link to clip.mp4"));

    const QString out = path("refused.mp4");
    QTest::newRow("missing source") << path("missing.mp4") << out << 0.0 << 2.0 << "the clip cannot be read";
    QTest::newRow("not a clip") << path("garbage.mp4") << out << 0.0 << 2.0 << "the clip cannot be read";
    QTest::newRow("a folder") << m_dir.path() << out << 0.0 << 2.0 << "the clip cannot be read";
    QTest::newRow("over the source") << m_clip << m_clip << 0.0 << 2.0
                                     << "the clip cannot be saved over itself";
    QTest::newRow("over the source through a link")
        << m_clip << path("link to clip.mp4") << 0.0 << 2.0 << "the clip cannot be saved over itself";
    QTest::newRow("empty range") << m_clip << out << 4.0 << 4.0 << "the part to save is empty";
    QTest::newRow("reversed range") << m_clip << out << 5.0 << 3.0 << "the part to save is empty";
    QTest::newRow("in point past the end") << m_clip << out << 12.0 << 20.0 << "the part to save is empty";
    QTest::newRow("folder missing") << m_clip << path("no such folder/part.mp4") << 0.0 << 2.0
                                    << "the folder does not exist";
}

void TestIncidentSaver::refusesBadRequests() {
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(QString, error);

    const QByteArray before = checksum(m_clip);
    const IncidentResult result = IncidentSaver::save({source.toStdString(), target.toStdString(), from, to});
    QVERIFY(!result.ok);
    QCOMPARE(QString::fromStdString(result.error), error);
    QCOMPARE(checksum(m_clip), before);
    QVERIFY(!QFileInfo::exists(target + ".part"));
    if (target != m_clip && !QFileInfo(target).isSymLink())
        QVERIFY(!QFileInfo::exists(target));
}

void TestIncidentSaver::unwritableFolderLeavesNothing() {
    // Run as a user without write access to the folder (root writes anywhere).
    const QString folder = path("read-only");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(::chmod(folder.toLocal8Bit().constData(), 0555) == 0);
    QVERIFY(::chmod(m_dir.path().toLocal8Bit().constData(), 0755) == 0);
    const QString target = folder + "/part.mp4";
    const QByteArray answer = inChild([&]() -> QByteArray {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return "skip: cannot drop root";
        return describe(IncidentSaver::save({m_clip.toStdString(), target.toStdString(), 1, 4}));
    });
    if (answer.startsWith("skip"))
        QSKIP(answer.constData());
    QCOMPARE(answer, QByteArray("failed|the folder cannot be written to"));
    expectNothingAt(target);
}

void TestIncidentSaver::fullDiskLeavesNothing() {
    // A 64 KiB tmpfs, mounted in a mount namespace of the child's own: the part does not fit.
    const QString folder = path("small-disk");
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + "/part.mp4";
    const QByteArray answer = inChild([&]() -> QByteArray {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("kestrun-small", folder.toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0)
            return "skip: cannot mount a small disk here";
        const QByteArray result =
            describe(IncidentSaver::save({m_clip.toStdString(), target.toStdString(), 0, 10}));
        const bool left = QFileInfo::exists(target) || QFileInfo::exists(target + ".part") ||
                          !QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty();
        return result + (left ? "|left a file" : "");
    });
    if (answer.startsWith("skip"))
        QSKIP(answer.constData());
    QCOMPARE(answer, QByteArray("failed|the disk is full"));
    expectNothingAt(target);
}

void TestIncidentSaver::cancelLeavesNothing() {
    const QString target = path("cancelled.mp4");
    {
        std::stop_source stop;
        const IncidentResult result = IncidentSaver::save(
            {m_clip.toStdString(), target.toStdString(), 0, 10},
            [&](double p) {
                if (p > 0.3)
                    stop.request_stop();
            },
            stop.get_token());
        QVERIFY(!result.ok);
        QCOMPARE(QString::fromStdString(result.error), QString("saving was cancelled"));
        expectNothingAt(target);
    }
    {
        std::stop_source stop;
        stop.request_stop();
        const IncidentResult result =
            IncidentSaver::save({m_clip.toStdString(), target.toStdString(), 0, 10}, {}, stop.get_token());
        QCOMPARE(QString::fromStdString(result.error), QString("saving was cancelled"));
        expectNothingAt(target);
    }
    QCOMPARE(checksum(m_clip), m_clipSum);
}

void TestIncidentSaver::extractorReadsSavedFile() {
    const QString target = path("for the extractor.mp4");
    const IncidentResult result = IncidentSaver::save({m_clip.toStdString(), target.toStdString(), 3.2, 7.0});
    QVERIFY2(result.ok, result.error.c_str());

    QProcess extractor;
    extractor.start(QStringLiteral(KESTRUN_BIN_DIR "/kestrun-gps"), {target});
    QVERIFY(extractor.waitForFinished(30000));
    QCOMPARE(extractor.exitCode(), 0);
    const QJsonObject track = QJsonDocument::fromJson(extractor.readAllStandardOutput()).object();
    const QJsonArray samples = track["key_video_datas"].toArray();
    QCOMPARE(std::size_t(samples.size()), result.gpsSeconds);
    QVERIFY(samples.size() >= 4); // seconds 3 to 6, and 7 when the part ends a little past the out point
    const std::vector<TrackSample> source = extract(m_clip);
    QCOMPARE(samples.first()["gps_lat"].toString(), QString::fromStdString(source[3].gpsLat));
    QCOMPARE(samples.first()["gps_lgt"].toString(), QString::fromStdString(source[3].gpsLgt));
    QCOMPARE(samples.last()["gps_lat"].toString(),
             QString::fromStdString(source[3 + samples.size() - 1].gpsLat));
    QVERIFY(track["key_is_in_china"].toBool());
}

void TestIncidentSaver::defaultRange_data() {
    QTest::addColumn<double>("position");
    QTest::addColumn<double>("duration");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");

    QTest::newRow("middle") << 60.0 << 180.0 << 40.0 << 70.0;
    QTest::newRow("near the start") << 5.5 << 180.0 << 0.0 << 15.5;
    QTest::newRow("near the end") << 175.0 << 180.0 << 155.0 << 180.0;
    QTest::newRow("short clip") << 3.0 << 8.0 << 0.0 << 8.0;
    QTest::newRow("position past the end") << 500.0 << 180.0 << 160.0 << 180.0;
    QTest::newRow("negative position") << -4.0 << 180.0 << 0.0 << 10.0;
    QTest::newRow("no duration") << 3.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("position not a number") << std::nan("") << 180.0 << 0.0 << 10.0;
}

void TestIncidentSaver::defaultRange() {
    QFETCH(double, position);
    QFETCH(double, duration);
    QFETCH(double, from);
    QFETCH(double, to);
    const auto range = IncidentSaver::defaultRange(position, duration);
    QCOMPARE(range.first, from);
    QCOMPARE(range.second, to);
}

QTEST_GUILESS_MAIN(TestIncidentSaver)
#include "tst_incidentsaver.moc"
