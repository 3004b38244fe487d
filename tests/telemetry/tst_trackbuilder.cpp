// The per-second track and the file's summary, fed through the decoder as the box walk does.
#include "MemorySource.h"
#include "TestFiles.h"
#include "VideoGpsTool.h"

#include <QRegularExpression>
#include <QTest>

namespace {

// Feeds the messages through the decoder and completes the extraction; the callback's TrackInfo.
TrackInfo build(const std::vector<HDGPSMessage>& messages, int* calls = nullptr) {
    VideoGpsTool tool;
    tool.setLogSink({});
    TrackInfo result;
    int count = 0;
    tool.setResultsBlock([&](const TrackInfo& info) {
        result = info;
        ++count;
    });
    for (const HDGPSMessage& m : messages)
        tool.decodecPacket(m);
    tool.parseGPSComplete("/nonexistent/kestrun/file.mp4");
    if (calls)
        *calls = count;
    return result;
}

HDGPSMessage invalid(double knots, std::int32_t x = 0) {
    HDGPSMessage m;
    m.status = 'V';
    m.speed = knots;
    m.x = x;
    m.y = x + 1;
    m.z = x + 2;
    return m;
}

} // namespace

class TestTrackBuilder : public QObject {
    Q_OBJECT
private slots:
    void locale() { QVERIFY(TestFiles::localeAsExpected()); }

    void noRecordsGivesThreeKeys() {
        int calls = 0;
        const TrackInfo info = build({}, &calls);
        QCOMPARE(calls, 1);
        QVERIFY(!info.videoDatas && !info.maxSpeed && !info.aevSpeed && !info.totailDistance);
        QCOMPARE(info.isInChina, false);
        QCOMPARE(info.fileSize, 0.0f);
        QVERIFY(QRegularExpression(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$)")
                    .match(QString::fromStdString(info.fileTime))
                    .hasMatch());
    }

    void summaryFigures() {
        TrackInfo info = build({TestFiles::fix(22.5, 114.0, 10.7), TestFiles::fix(22.6, 114.1, 20.2)});
        QCOMPARE(info.videoDatas->size(), std::size_t(2));
        QCOMPARE(info.videoDatas->at(0).spd, 10.0f);
        QCOMPARE(info.videoDatas->at(1).spd, 20.0f);
        QCOMPARE(*info.totailDistance, 30.0f);
        QCOMPARE(*info.aevSpeed, 15.0f);
        QCOMPARE(*info.maxSpeed, 20.0f);

        // An implausible invalid record adds no sample but still counts in the average's divisor.
        info = build({TestFiles::fix(22.5, 114.0, 10.7), TestFiles::fix(22.6, 114.1, 20.2), invalid(500)});
        QCOMPARE(info.videoDatas->size(), std::size_t(2));
        QCOMPARE(*info.totailDistance, 30.0f);
        QCOMPARE(*info.aevSpeed, 10.0f);
        QCOMPARE(*info.maxSpeed, 20.0f);
    }

    void sampleValuesRoundDown_data() {
        QTest::addColumn<double>("knots");
        QTest::addColumn<double>("heading");
        QTest::addColumn<float>("spd");
        QTest::addColumn<float>("northAngle");
        QTest::newRow("45.99 knots") << 45.99 << 0.0 << 45.0f << 0.0f;
        QTest::newRow("heading 359.7") << 10.0 << 359.7 << 10.0f << 359.0f;
        QTest::newRow("negative speed kept") << -3.5 << 12.25 << -4.0f << 12.0f;
    }
    void sampleValuesRoundDown() {
        QFETCH(double, knots);
        QFETCH(double, heading);
        QFETCH(float, spd);
        QFETCH(float, northAngle);
        const TrackInfo info = build({TestFiles::fix(-22.543209, -43.2, knots, heading)});
        const TrackSample& s = info.videoDatas->front();
        QCOMPARE(s.spd, spd);
        QCOMPARE(s.northAngle, northAngle);
        QCOMPARE(s.gpsLat, std::string("-22.543209"));
        QCOMPARE(s.gpsLgt, std::string("-43.200001") /* 43.2 read back in single precision */);
        QCOMPARE(s.gsensorX, 12.0f);
        QCOMPARE(s.gsensorY, -34.0f);
        QCOMPARE(s.gsensorZ, 1024.0f);
    }

    void allInvalidRecords() {
        const TrackInfo info = build({invalid(0, 5), invalid(12.5, 6), invalid(399.9, 7)});
        QCOMPARE(info.videoDatas->size(), std::size_t(3));
        for (const TrackSample& s : *info.videoDatas) {
            QCOMPARE(s.gpsLat, std::string("0.000000"));
            QCOMPARE(s.gpsLgt, std::string("0.000000"));
            QCOMPARE(s.northAngle, 0.0f);
        }
        QCOMPARE(info.videoDatas->at(1).spd, 12.0f); // "%0.f" of 12.5 is 12 (tie to even)
        QCOMPARE(info.videoDatas->at(1).gsensorX, 6.0f);
        QCOMPARE(info.videoDatas->at(2).spd, 400.0f); // 399.9 passes the check, then rounds to 400
        QCOMPARE(info.isInChina, false);
    }

    void invalidAfterValidRepeatsLastFix() {
        VideoGpsTool tool;
        tool.setLogSink({});
        TrackInfo info;
        tool.setResultsBlock([&](const TrackInfo& i) { info = i; });
        tool.decodecPacket(TestFiles::fix(22.5, 114.0, 30, 90.5));
        tool.decodecPacket(TestFiles::fix(22.6, 114.1, 31, 180.2));
        tool.decodecPacket(invalid(33.5, 100));
        tool.decodecPacket(invalid(-1, 200)); // no sample, but the stored fix takes the G-sensor values
        tool.decodecPacket(invalid(401, 300));
        tool.decodecPacket(invalid(7.2, 400));
        // The stored valid fix itself changed.
        QCOMPARE(*tool.gpsDic().at(1)->speed, std::string("7"));
        QCOMPARE(tool.gpsDic().at(1)->x, 400);
        // Only the most recent fixes are kept: the valid one of record 1, the invalid one of record 5.
        QCOMPARE(tool.gpsDic().size(), std::size_t(1));
        QCOMPARE(tool.destroyGpsDic().size(), std::size_t(1));
        QCOMPARE(tool.destroyGpsDic().begin()->first, 5);
        QCOMPARE(tool.destroyGpsDic().begin()->second->x, 400);
        tool.parseGPSComplete("");

        const auto& samples = *info.videoDatas;
        QCOMPARE(samples.size(), std::size_t(4));
        QCOMPARE(samples[0].gsensorX, 12.0f); // the earlier sample keeps its own values
        QCOMPARE(samples[2].gpsLat, samples[1].gpsLat);
        QCOMPARE(samples[2].gpsLgt, samples[1].gpsLgt);
        QCOMPARE(samples[2].northAngle, 180.0f);
        QCOMPARE(samples[2].spd, 34.0f); // "%0.f" of 33.5 is 34 (tie to even)
        QCOMPARE(samples[2].gsensorX, 100.0f);
        QCOMPARE(samples[2].gsensorZ, 102.0f);
        QCOMPARE(samples[3].spd, 7.0f);
        QCOMPARE(samples[3].gsensorX, 400.0f);
        QCOMPARE(*info.totailDistance, 30.0f + 31 + 34 + 7);
        QCOMPARE(*info.aevSpeed, float((30.0 + 31 + 34 + 7) / 6));
        QCOMPARE(*info.maxSpeed, 34.0f);
    }

    void onlyTheLastSampleDecidesChina() {
        QVERIFY(build({TestFiles::fix(34.05, -118.24, 10), TestFiles::fix(22.5, 114.0, 10)}).isInChina);
        QVERIFY(!build({TestFiles::fix(22.5, 114.0, 10), TestFiles::fix(34.05, -118.24, 10)}).isInChina);
    }

    void chinaBounds_data() {
        QTest::addColumn<float>("latitude");
        QTest::addColumn<float>("longitude");
        QTest::addColumn<bool>("inside");
        QTest::newRow("inside") << 22.5f << 114.0f << true;
        QTest::newRow("latitude 3.51 is outside") << 3.51f << 100.0f << false;
        QTest::newRow("latitude 53.33 is outside") << 53.33f << 100.0f << false;
        QTest::newRow("longitude 73.33 is inside") << 30.0f << 73.33f << true;
        QTest::newRow("longitude 135.05 is outside") << 30.0f << 135.05f << false;
        QTest::newRow("not a number") << float(NAN) << 100.0f << false;
    }
    void chinaBounds() {
        QFETCH(float, latitude);
        QFETCH(float, longitude);
        QFETCH(bool, inside);
        QCOMPARE(VideoGpsTool::locationInChina(latitude, longitude), inside);
    }

    void logLines() {
        QStringList log;
        QStringList standardOutput;
        {
            VideoGpsTool tool;
            tool.setLogSink([&](LogChannel channel, std::string_view text) {
                (channel == LogChannel::Log ? log : standardOutput)
                    << QString::fromUtf8(text.data(), text.size());
            });
            tool.decodecPacket(TestFiles::fix(22.543209, 113.94, 45.67));
            tool.decodecPacket(invalid(500));
        }
        QCOMPARE(log.size(), 3);
        QCOMPARE(log[0], QString("TS经度：：113.940010 TS纬度：：：：：22.543209 速度：：：：：45.67"));
        QCOMPARE(log[1], QString("错误的经纬度"));
        QCOMPARE(log[2], QString("VideoGpsTool销毁"));
        QVERIFY(standardOutput.isEmpty());
    }

    void sampleClocksFollowSamples() {
        VideoGpsTool tool;
        tool.setLogSink({});
        HDGPSMessage a = TestFiles::fix(22.5, 114.0, 10);
        a.second = 1;
        HDGPSMessage b = invalid(500);
        HDGPSMessage c = invalid(5);
        c.second = 3;
        tool.decodecPacket(a);
        tool.decodecPacket(b);
        tool.decodecPacket(c);
        QCOMPARE(tool.sampleClocks().size(), std::size_t(2));
        QCOMPARE(tool.sampleClocks()[1].second, 3u);
    }
};

QTEST_GUILESS_MAIN(TestTrackBuilder)
#include "tst_trackbuilder.moc"
