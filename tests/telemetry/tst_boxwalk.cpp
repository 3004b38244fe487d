// The MP4 box walk and the "gps " record index, over files made by the clip writer.
#include "ByteOrder.h"
#include "ClipWriter.h"
#include "TestFiles.h"
#include "VideoGpsTool.h"

#include <QTest>

#include <array>
#include <cstring>
#include <malloc.h>
#include <stop_token>
#include <sys/stat.h>

using Bytes = ClipWriter::Bytes;

namespace {

std::vector<HDGPSMessage> drive(int seconds) {
    std::vector<HDGPSMessage> messages;
    for (int i = 0; i < seconds; ++i)
        messages.push_back(TestFiles::fix(22.5 + i * 0.001, 114.0 + i * 0.001, 10 + i, i));
    return messages;
}

struct WalkResult {
    std::vector<float> speeds; // "spd" of each sample, in order
    int records = 0;
    QStringList standardOutput;
};

WalkResult walkFile(const QString& path) {
    WalkResult result;
    VideoGpsTool tool;
    tool.setLogSink([&](LogChannel channel, std::string_view text) {
        if (channel == LogChannel::StandardOutput)
            result.standardOutput << QString::fromUtf8(text.data(), qsizetype(text.size()));
    });
    tool.getFileParseType(path.toStdString());
    result.records = tool.secondNum();
    for (const TrackSample& s : tool.resultsArray())
        result.speeds.push_back(s.spd);
    return result;
}

WalkResult walkBytes(const Bytes& bytes) {
    QTemporaryDir dir;
    return walkFile(TestFiles::write(dir, "clip.mp4", bytes));
}

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

Bytes bigEndian32(std::uint32_t v) {
    return {std::byte(v >> 24), std::byte(v >> 16), std::byte(v >> 8), std::byte(v)};
}

// "moov" holding one "gps " box that indexes records at the given offsets.
Bytes moovWithIndex(const std::vector<std::uint32_t>& offsets,
                    std::optional<std::int32_t> count = std::nullopt) {
    return ClipWriter::box("moov", ClipWriter::gpsIndexBox(offsets, count));
}

std::vector<float> speeds(std::initializer_list<float> values) {
    return values;
}

} // namespace

class TestBoxWalk : public QObject {
    Q_OBJECT
private slots:
    void locale() { QVERIFY(TestFiles::localeAsExpected()); }

    void layouts_data() {
        QTest::addColumn<int>("placement");
        QTest::addColumn<int>("gpsBoxes");
        QTest::newRow("moov after mdat") << int(ClipMoovPlacement::AfterMdat) << 1;
        QTest::newRow("moov before mdat") << int(ClipMoovPlacement::BeforeMdat) << 1;
        QTest::newRow("two gps boxes") << int(ClipMoovPlacement::AfterMdat) << 2;
        QTest::newRow("three gps boxes, moov first") << int(ClipMoovPlacement::BeforeMdat) << 3;
    }
    void layouts() {
        QFETCH(int, placement);
        QFETCH(int, gpsBoxes);
        ClipLayout layout;
        layout.placement = ClipMoovPlacement(placement);
        layout.gpsBoxes = gpsBoxes;
        const auto result = walkBytes(ClipWriter::bareClip(drive(7), layout));
        QCOMPARE(result.records, 7);
        QCOMPARE(result.speeds, speeds({10, 11, 12, 13, 14, 15, 16})); // in index order, box after box
        QVERIFY(result.standardOutput.isEmpty());
    }

    void entryCounts_data() {
        QTest::addColumn<std::int32_t>("count");
        QTest::addColumn<int>("records");
        QTest::newRow("zero") << 0 << 0;
        QTest::newRow("negative") << std::int32_t(0x80000005u) << 0;
        QTest::newRow("fewer than indexed") << 2 << 2;
        QTest::newRow("more than the box holds") << 1000000 << 4;
    }
    void entryCounts() {
        QFETCH(std::int32_t, count);
        QFETCH(int, records);
        ClipLayout layout;
        layout.countField = count;
        QCOMPARE(walkBytes(ClipWriter::bareClip(drive(4), layout)).records, records);
    }

    void noTelemetry_data() {
        QTest::addColumn<QByteArray>("bytes");
        const Bytes mdatOnly = ClipWriter::box("mdat", Bytes(64));
        QTest::newRow("no moov") << QByteArray(reinterpret_cast<const char*>(mdatOnly.data()),
                                               qsizetype(mdatOnly.size()));
        const Bytes moovWithoutGps = ClipWriter::box("moov", ClipWriter::box("mvhd", Bytes(100)));
        QTest::newRow("moov without gps") << QByteArray(reinterpret_cast<const char*>(moovWithoutGps.data()),
                                                        qsizetype(moovWithoutGps.size()));
        QByteArray ts(188 * 20, '\xff');
        for (int i = 0; i < 20; ++i)
            ts[i * 188] = 0x47; // MPEG transport stream sync bytes
        QTest::newRow("transport stream") << ts;
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("seven bytes") << QByteArray("\0\0\0\x10moo", 7);
    }
    void noTelemetry() {
        QFETCH(QByteArray, bytes);
        const auto* first = reinterpret_cast<const std::byte*>(bytes.constData());
        const auto result = walkBytes(Bytes(first, first + bytes.size()));
        QCOMPARE(result.records, 0);
    }

    void missingFile() {
        QCOMPARE(walkFile("/nonexistent/kestrun/clip.mp4").records, 0);
        QTemporaryDir dir;
        QCOMPARE(walkFile(dir.path()).records, 0); // a folder is not a file
    }

    void offsetPastTheEndGivesNoRecord() {
        const auto messages = drive(3);
        Bytes file;
        append(file, ClipWriter::box("mdat", Bytes()));
        const std::uint32_t first = std::uint32_t(file.size());
        for (const auto& m : messages)
            append(file, ClipWriter::record(m));
        const std::uint32_t record = ClipWriter::kRecordSize;
        // Entry 1 points far past the end of the file; the entries after it are still read.
        append(file, moovWithIndex({first, 0xfffffff0u, first + record}));
        QTemporaryDir dir;
        const QString path = TestFiles::write(dir, "clip.mp4", file);
        VideoGpsTool walker;
        walker.setLogSink({});
        walker.getFileParseType(path.toStdString());
        // No record lies there: no sample, no invented fix, and the record counter does not count it.
        QCOMPARE(walker.secondNum(), 2);
        QCOMPARE(walker.resultsArray().size(), std::size_t(2));
        QCOMPARE(walker.resultsArray()[0].spd, 10.0f);
        QCOMPARE(walker.resultsArray()[1].spd, 11.0f);
        QVERIFY(walker.destroyGpsDic().empty());
    }

    void truncatedFileKeepsWhatItHas() {
        Bytes clip = ClipWriter::bareClip(drive(5), {ClipMoovPlacement::BeforeMdat, 1, std::nullopt});
        // Cut inside the third record's message: record 3 arrives cut short (its missing bytes zero), records
        // 4 and 5 lie wholly past the end and are no records.
        const std::size_t moovEnd = clip.size() - 8 - 5 * ClipWriter::kRecordSize;
        clip.resize(moovEnd + 8 + 2 * ClipWriter::kRecordSize + 40);
        const auto result = walkBytes(clip);
        QCOMPARE(result.records, 3);
        QCOMPARE(result.speeds, speeds({10, 11, 0}));
    }

    void clipCutShortByPowerLoss() {
        // The index in a "moov" before the data, the data cut off after 3 of 10 records: 3 samples, and the
        // summary divides by the 3 records that exist, not by the 10 entries.
        Bytes clip = ClipWriter::bareClip(drive(10), {ClipMoovPlacement::BeforeMdat, 1, std::nullopt});
        clip.resize(clip.size() - 7 * ClipWriter::kRecordSize);
        QTemporaryDir dir;
        const QString path = TestFiles::write(dir, "cut.mp4", clip);
        VideoGpsTool tool;
        tool.setLogSink({});
        TrackInfo info;
        tool.setResultsBlock([&](const TrackInfo& result) { info = result; });
        tool.createVideoForGPSUrl(path.toStdString());
        QCOMPARE(tool.secondNum(), 3);
        QVERIFY(info.videoDatas);
        QCOMPARE(info.videoDatas->size(), std::size_t(3));
        QCOMPARE(info.videoDatas->back().spd, 12.0f);
        QCOMPARE(*info.totailDistance, 10.0f + 11 + 12);
        QCOMPARE(*info.aevSpeed, 11.0f);
    }

    void truncatedMoovIsReadAsFarAsItGoes() {
        // "moov" claims far more than the file holds; its "gps " child still lies inside what is there.
        const auto messages = drive(2);
        Bytes file;
        const std::uint32_t first = 8;
        append(file, ClipWriter::box("mdat", Bytes()));
        for (const auto& m : messages)
            append(file, ClipWriter::record(m));
        Bytes moov = moovWithIndex({first, first + std::uint32_t(ClipWriter::kRecordSize)});
        std::memcpy(moov.data(), bigEndian32(0x7ffffff0u).data(), 4);
        append(file, moov);
        QCOMPARE(walkBytes(file).records, 2);
    }

    void badChildSizeEndsOnlyTheChildWalk() {
        const auto messages = drive(2);
        Bytes file = ClipWriter::box("mdat", Bytes());
        for (const auto& m : messages)
            append(file, ClipWriter::record(m));
        Bytes moovPayload = ClipWriter::gpsIndexBox(std::vector<std::uint32_t>{8});
        append(moovPayload, bigEndian32(3)); // a child of size 3 ends the child walk ...
        append(moovPayload, Bytes(4));
        append(moovPayload,
               ClipWriter::gpsIndexBox(std::vector<std::uint32_t>{8})); // ... so this is never read
        append(file, ClipWriter::box("moov", moovPayload));
        // ... but the top-level walk goes on to the next "moov".
        append(file, moovWithIndex({8 + std::uint32_t(ClipWriter::kRecordSize)}));
        const auto result = walkBytes(file);
        QCOMPARE(result.speeds, speeds({10, 11}));
    }

    void tinyTopLevelSizeEndsTheWalk() {
        const auto messages = drive(1);
        Bytes file = ClipWriter::box("mdat", ClipWriter::record(messages[0]));
        append(file, moovWithIndex({8}));
        append(file, bigEndian32(7));
        append(file, Bytes{std::byte('f'), std::byte('r'), std::byte('e'), std::byte('e')});
        append(file, moovWithIndex({8}));
        const auto result = walkBytes(file);
        QCOMPARE(result.records, 1); // records met before the bad box stay handed on
        QCOMPARE(result.standardOutput, QStringList{"boxData 初始化失败"});
    }

    void largeSizeBoxIsWalked() {
        // A 64-bit "mdat" (size field 1) before "moov", as cameras write files over 4 GiB.
        const auto messages = drive(3);
        Bytes records;
        for (const auto& m : messages)
            append(records, ClipWriter::record(m));
        Bytes file = bigEndian32(1);
        append(file, Bytes{std::byte('m'), std::byte('d'), std::byte('a'), std::byte('t')});
        append(file, bigEndian32(0));
        append(file, bigEndian32(std::uint32_t(16 + records.size())));
        append(file, records);
        const std::uint32_t record = ClipWriter::kRecordSize;
        append(file, moovWithIndex({16, 16 + record, 16 + 2 * record}));
        const auto result = walkBytes(file);
        QCOMPARE(result.speeds, speeds({10, 11, 12}));
        QVERIFY(result.standardOutput.isEmpty());
    }

    void largeSizeMoovIsWalked() {
        const auto messages = drive(2);
        Bytes file = ClipWriter::box("mdat", Bytes());
        for (const auto& m : messages)
            append(file, ClipWriter::record(m));
        const Bytes index =
            ClipWriter::gpsIndexBox(std::vector<std::uint32_t>{8, 8 + ClipWriter::kRecordSize});
        append(file, bigEndian32(1));
        append(file, Bytes{std::byte('m'), std::byte('o'), std::byte('o'), std::byte('v')});
        append(file, bigEndian32(0));
        append(file, bigEndian32(std::uint32_t(16 + index.size())));
        append(file, index);
        QCOMPARE(walkBytes(file).speeds, speeds({10, 11}));
    }

    void zeroSizeBoxRunsToTheEnd() {
        // "mdat" of size 0 (to the end of the file) after "moov": the walk ends there without a diagnostic.
        const auto messages = drive(2);
        const std::uint32_t record = ClipWriter::kRecordSize;
        const Bytes moov = moovWithIndex({0, 0});
        const std::uint32_t first = std::uint32_t(moov.size()) + 8;
        Bytes file = moovWithIndex({first, first + record});
        append(file, bigEndian32(0));
        append(file, Bytes{std::byte('m'), std::byte('d'), std::byte('a'), std::byte('t')});
        for (const auto& m : messages)
            append(file, ClipWriter::record(m));
        const auto result = walkBytes(file);
        QCOMPARE(result.speeds, speeds({10, 11}));
        QVERIFY(result.standardOutput.isEmpty());

        // A "moov" of size 0 is read to the end of the file.
        Bytes tail = ClipWriter::box("mdat", ClipWriter::record(messages[0]));
        append(tail, bigEndian32(0));
        append(tail, Bytes{std::byte('m'), std::byte('o'), std::byte('o'), std::byte('v')});
        append(tail, ClipWriter::gpsIndexBox(std::vector<std::uint32_t>{8}));
        QCOMPARE(walkBytes(tail).speeds, speeds({10}));
    }

    void largeSizeSmallerThanItsHeader() {
        Bytes file = bigEndian32(1);
        append(file, Bytes{std::byte('f'), std::byte('r'), std::byte('e'), std::byte('e')});
        append(file, Bytes(7));
        append(file, Bytes{std::byte(9)});
        const auto result = walkBytes(file);
        QCOMPARE(result.records, 0);
        QCOMPARE(result.standardOutput, QStringList{"boxData 初始化失败"});
    }

    void recordsPastFourGigabytesAreFound() {
        // An index entry holds a 32-bit offset; records up to just under 4 GiB are read (sparse file).
        QTemporaryDir dir;
        const QString path = dir.filePath("sparse.mp4");
        const std::uint32_t offset = 0xfffff000u;
        Bytes head = moovWithIndex({offset});
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(head.data()), qint64(head.size()));
        QVERIFY(file.seek(offset));
        const Bytes record = ClipWriter::record(drive(1)[0]);
        file.write(reinterpret_cast<const char*>(record.data()), qint64(record.size()));
        file.close();
        // The walk meets garbage-free zeros after "moov": a size of 0 runs to the end.
        const auto result = walkFile(path);
        QCOMPARE(result.speeds, speeds({10}));
    }

    void indexPointingManyTimesAtOneRecord_data() {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("padding"); // bytes of free space after the index
        QTest::newRow("more entries than the file can hold records") << 2000 << 0;
        QTest::newRow("a file just large enough for every entry") << 300 << 300 * 88;
    }
    void indexPointingManyTimesAtOneRecord() {
        // Every entry points at the same record: a file of S bytes gives at most S / 88 samples.
        QFETCH(int, entries);
        QFETCH(int, padding);
        Bytes file = ClipWriter::box("mdat", ClipWriter::record(drive(1)[0]));
        const std::vector<std::uint32_t> offsets(std::size_t(entries), 8u);
        append(file, moovWithIndex(offsets));
        append(file, ClipWriter::box("free", Bytes(std::size_t(padding))));
        const std::uint64_t limit = VideoGpsTool::recordLimit(file.size());
        const auto result = walkBytes(file);
        QCOMPARE(std::uint64_t(result.records), std::min<std::uint64_t>(std::uint64_t(entries), limit));
        QCOMPARE(result.speeds.size(), std::size_t(result.records));
    }

    void recordLimits() {
        QCOMPARE(VideoGpsTool::kRecordBytes, std::uint64_t(HDGPSMessage::kSize));
        QCOMPARE(VideoGpsTool::kMaxRecordsPerFile, std::uint64_t(86400));
        QCOMPARE(VideoGpsTool::recordLimit(0), std::uint64_t(0));
        QCOMPARE(VideoGpsTool::recordLimit(87), std::uint64_t(0));
        QCOMPARE(VideoGpsTool::recordLimit(88 * 1000 + 87), std::uint64_t(1000));
        QCOMPARE(VideoGpsTool::recordLimit(std::uint64_t(1) << 40), std::uint64_t(86400));
    }

    void aDayOfRecordsAtMost() {
        // An 8 MB file (mostly a hole) whose index has 90,000 entries: no more than a day of records.
        QTemporaryDir dir;
        const QString path = dir.filePath("day.mp4");
        Bytes head = ClipWriter::box("mdat", ClipWriter::record(drive(1)[0]));
        append(head, moovWithIndex(std::vector<std::uint32_t>(90000, 8u)));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(head.data()), qint64(head.size()));
        QVERIFY(file.resize(8 * 1024 * 1024));
        file.close();
        const auto result = walkFile(path);
        QCOMPARE(result.records, 86400);
    }

    void manyMoovBoxesShareOneLimit() {
        // Thousands of small "moov" boxes, each indexing the same record: the limit holds across boxes.
        Bytes file = ClipWriter::box("mdat", ClipWriter::record(drive(1)[0]));
        const Bytes moov = moovWithIndex({8u});
        for (int i = 0; i < 5000; ++i)
            append(file, moov);
        const auto result = walkBytes(file);
        QCOMPARE(std::uint64_t(result.records), VideoGpsTool::recordLimit(file.size()));
        QVERIFY(result.records < 5000);
    }

    void memoryGrowsWithTheFileOnly() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the heap is the sanitizer's; its figures are not glibc's");
#else
        // A hostile index that points 100,000 times at one record in a file of about 1 MB: what the
        // extraction holds stays within a small multiple of the file's size.
        Bytes file = ClipWriter::box("mdat", ClipWriter::record(drive(1)[0]));
        append(file, moovWithIndex(std::vector<std::uint32_t>(100000, 8u)));
        append(file, ClipWriter::box("free", Bytes(200000)));
        QTemporaryDir dir;
        const std::string path = TestFiles::write(dir, "amplified.mp4", file).toStdString();
        const std::size_t before = mallinfo2().uordblks;
        VideoGpsTool tool;
        tool.setLogSink({});
        tool.getFileParseType(path);
        const std::size_t held = mallinfo2().uordblks - before;
        QCOMPARE(std::uint64_t(tool.secondNum()), VideoGpsTool::recordLimit(file.size()));
        QVERIFY2(held < 3 * file.size(),
                 qPrintable(QString("%1 bytes held for a file of %2 bytes").arg(held).arg(file.size())));
#endif
    }

    void onlyRegularFilesAreRead_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::newRow("endless zeros") << "/dev/zero" << int(FileReader::Status::NotRegularFile);
        QTest::newRow("endless noise") << "/dev/urandom" << int(FileReader::Status::NotRegularFile);
        QTest::newRow("folder") << "/" << int(FileReader::Status::NotRegularFile);
        QTest::newRow("missing") << "/nonexistent/kestrun/clip.mp4" << int(FileReader::Status::CannotOpen);
        QTest::newRow("FIFO without a writer") << "fifo" << int(FileReader::Status::NotRegularFile);
    }
    void onlyRegularFilesAreRead() {
        // The test has a time limit (see CMakeLists.txt): a blocking open or an endless read fails it.
        QFETCH(QString, path);
        QFETCH(int, status);
        QTemporaryDir dir;
        if (path == "fifo") {
            path = dir.filePath("fifo");
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }
        VideoGpsTool tool;
        tool.setLogSink({});
        int calls = 0;
        TrackInfo info;
        tool.setResultsBlock([&](const TrackInfo& result) {
            ++calls;
            info = result;
        });
        tool.createVideoForGPSUrl(path.toStdString());
        QCOMPARE(int(tool.fileStatus()), status);
        QVERIFY(!tool.fileErrorText().empty());
        QCOMPARE(calls, 1);
        QVERIFY(!info.videoDatas);
        QCOMPARE(tool.secondNum(), 0);
    }

    void fileThatGrowsIsReadToItsSizeAtOpen() {
        // Reads end at the size the file had when it was opened.
        QTemporaryDir dir;
        const QString path = TestFiles::write(dir, "clip.mp4", Bytes(100, std::byte('x')));
        FileReader reader(path.toStdString());
        QVERIFY(reader.isOpen());
        QFile more(path);
        QVERIFY(more.open(QIODevice::Append));
        more.write(QByteArray(1000, 'y'));
        more.close();
        std::array<std::byte, 200> buffer{};
        QCOMPARE(reader.size(), std::uint64_t(100));
        QCOMPARE(reader.readAt(50, buffer), std::size_t(50));
        QCOMPARE(reader.readAt(100, buffer), std::size_t(0));
    }

    void stopEndsTheWalk() {
        QTemporaryDir dir;
        const QString path = TestFiles::write(dir, "clip.mp4", ClipWriter::bareClip(drive(20)));
        std::stop_source stop;
        VideoGpsTool tool;
        tool.setStopToken(stop.get_token());
        int samples = 0;
        tool.setLogSink([&](LogChannel, std::string_view text) {
            if (text.starts_with("TS经度") && ++samples == 3)
                stop.request_stop(); // as another thread would, while the walk reads
        });
        int calls = 0;
        tool.setResultsBlock([&](const TrackInfo& info) {
            ++calls;
            QCOMPARE(info.videoDatas->size(), std::size_t(3));
        });
        tool.createVideoForGPSUrl(path.toStdString());
        QCOMPARE(calls, 1);
        QCOMPARE(tool.secondNum(), 3);
    }

    void englishDiagnostics() {
        QTemporaryDir dir;
        Bytes clip = ClipWriter::bareClip(drive(1));
        append(clip, {std::byte(0), std::byte(0), std::byte(0), std::byte(3), std::byte('f'), std::byte('r'),
                      std::byte('e'), std::byte('e')});
        const QString path = TestFiles::write(dir, "clip.mp4", clip);
        QStringList lines;
        {
            VideoGpsTool tool;
            tool.setLogLanguage(LogLanguage::English);
            tool.setLogSink([&](LogChannel, std::string_view text) {
                lines << QString::fromUtf8(text.data(), qsizetype(text.size()));
            });
            tool.createVideoForGPSUrl(path.toStdString());
        }
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], "reading " + path);
        QCOMPARE(lines[1], QString("sample: longitude 114.000000 latitude 22.500000 speed 10.00"));
        QCOMPARE(lines[2], QString("unreadable top-level box: the walk ends here"));
        QCOMPARE(lines[3], QString("extraction done"));
        for (const QString& line : lines) {
            for (const QChar c : line)
                QVERIFY2(c.unicode() < 0x80, qPrintable(line));
        }
    }
};

QTEST_GUILESS_MAIN(TestBoxWalk)
#include "tst_boxwalk.moc"
