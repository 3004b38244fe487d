// The clip writer on a real MP4 made by ffmpeg: the track is found and the media still decodes unchanged.
#include "ClipWriter.h"
#include "SyntheticDrive.h"
#include "TestFiles.h"
#include "VideoGpsTool.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTest>

namespace {

std::vector<TrackSample> extract(const QString& path) {
    VideoGpsTool tool;
    tool.setLogSink({});
    std::vector<TrackSample> samples;
    tool.setResultsBlock([&](const TrackInfo& info) { samples = info.videoDatas.value_or(samples); });
    tool.createVideoForGPSUrl(path.toStdString());
    return samples;
}

// A checksum of every decoded frame, or an empty text when ffmpeg fails on the file.
QByteArray decodedFrames(const QTemporaryDir& dir, const QString& path) {
    const QString out = dir.filePath(QFileInfo(path).completeBaseName() + ".framemd5");
    QString error;
    if (!TestFiles::runFfmpeg({"-i", path, "-map", "0:v", "-f", "framemd5", out}, &error) || !error.isEmpty())
        return {};
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray lines;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.startsWith('#'))
            lines += line + '\n';
    }
    return lines;
}

} // namespace

class TestClipWriter : public QObject {
    Q_OBJECT
private slots:
    void realMp4_data() {
        QTest::addColumn<QStringList>("flags");
        QTest::newRow("moov at the end") << QStringList{};
        QTest::newRow("moov first (faststart)") << QStringList{"-movflags", "+faststart"};
    }
    void realMp4() {
        QFETCH(QStringList, flags);
        QTemporaryDir dir;
        const QString source = dir.filePath("source.mp4");
        QString error;
        const bool made =
            TestFiles::runFfmpeg(QStringList{"-f", "lavfi", "-i", "testsrc=size=160x90:rate=10:duration=3",
                                             "-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "10"} +
                                     flags + QStringList{source},
                                 &error);
        QVERIFY2(made, qPrintable(error));

        SyntheticDrive drive = SyntheticDrive::world();
        drive.seconds = 3;
        const auto input = ClipWriter::readFile(source.toStdString());
        QVERIFY(input);
        const auto withTrack = ClipWriter::addTrack(*input, drive.messages());
        QVERIFY(withTrack);
        const QString clip = TestFiles::write(dir, "clip.mp4", *withTrack);

        const auto samples = extract(clip);
        QCOMPARE(samples.size(), std::size_t(3));
        QVERIFY(QString::fromStdString(samples[2].gpsLat).startsWith("34.05"));
        QVERIFY(QString::fromStdString(samples[2].gpsLgt).startsWith("-118.2"));

        const QByteArray before = decodedFrames(dir, source);
        QVERIFY(!before.isEmpty());
        QCOMPARE(decodedFrames(dir, clip), before);
    }

    // The track appended behind the last byte of a file whose "moov" it replaces: records and index point at
    // where the tail lands, and the records are kept exactly as given.
    void trackTail() {
        SyntheticDrive drive = SyntheticDrive::china();
        drive.seconds = 4;
        const auto messages = drive.messages();
        std::vector<ClipWriter::RecordBytes> records;
        for (const HDGPSMessage& m : messages) {
            const auto bytes = ClipWriter::record(m);
            ClipWriter::RecordBytes record{};
            std::copy(bytes.begin(), bytes.end(), record.begin());
            records.push_back(record);
        }
        records[1][13] = std::byte{0x7f}; // a padding byte the message type does not keep

        ClipWriter::Bytes file = ClipWriter::box("ftyp", ClipWriter::Bytes(8));
        const auto mdat = ClipWriter::box("mdat", ClipWriter::Bytes(100, std::byte{0x55}));
        file.insert(file.end(), mdat.begin(), mdat.end());
        const auto moov = ClipWriter::box("moov", ClipWriter::box("mvhd", ClipWriter::Bytes(100)));
        const auto tail = ClipWriter::trackTail(moov, file.size(), records);
        QVERIFY(tail);
        const std::size_t recordsAt = file.size() + 8;
        file.insert(file.end(), tail->begin(), tail->end());

        QTemporaryDir dir;
        const QString clip = TestFiles::write(dir, "tail.mp4", file);
        const auto samples = extract(clip);
        QCOMPARE(samples.size(), messages.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            const auto* at = file.data() + recordsAt + i * ClipWriter::kRecordSize;
            QVERIFY(std::equal(records[i].begin(), records[i].end(), at));
        }

        std::string error;
        QVERIFY(!ClipWriter::trackTail(moov, 0xffffffffu - 100, records, &error));
        QVERIFY(!error.empty());
        QVERIFY(!ClipWriter::trackTail(mdat, 0, records, &error));
        QVERIFY(!ClipWriter::trackTail(std::span(moov).first(moov.size() - 1), 0, records, &error));
    }

    void noMoovIsRefused() {
        std::string error;
        QVERIFY(!ClipWriter::addTrack(ClipWriter::box("mdat", {}), {}, &error));
        QVERIFY(!error.empty());
    }
};

QTEST_GUILESS_MAIN(TestClipWriter)
#include "tst_clipwriter.moc"
