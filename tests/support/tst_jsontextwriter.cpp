#include "JsonTextWriter.h"
#include "TestFiles.h"
#include "TrackDictionary.h"

#include <QJsonDocument>
#include <QTest>

#include <cmath>

class TestJsonTextWriter : public QObject {
    Q_OBJECT
private slots:
    void locale() { QVERIFY(TestFiles::localeAsExpected()); }

    void values_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QByteArray>("double17g");
        QTest::addColumn<QByteArray>("shortest");
        QTest::newRow("float") << QVariant(113.94f) << QByteArray("113.94000244140625")
                               << QByteArray("113.94");
        QTest::newRow("double") << QVariant(22.543209) << QByteArray("22.543209000000001")
                                << QByteArray("22.543209");
        QTest::newRow("whole") << QVariant(15.0f) << QByteArray("15") << QByteArray("15");
        QTest::newRow("int") << QVariant(-3) << QByteArray("-3") << QByteArray("-3");
        QTest::newRow("bool") << QVariant(true) << QByteArray("true") << QByteArray("true");
        QTest::newRow("nan") << QVariant(double(NAN)) << QByteArray("null") << QByteArray("null");
        QTest::newRow("infinity") << QVariant(float(INFINITY)) << QByteArray("null") << QByteArray("null");
        QTest::newRow("invalid") << QVariant() << QByteArray("null") << QByteArray("null");
        QTest::newRow("escapes") << QVariant(QString("a\"b\\c\n\x01\u2028"))
                                 << QByteArray("\"a\\\"b\\\\c\\n\\u0001\\u2028\"")
                                 << QByteArray("\"a\\\"b\\\\c\\n\\u0001\\u2028\"");
        QTest::newRow("non-ASCII") << QVariant(QString::fromUtf8("速度😀")) << QByteArray("\"速度😀\"")
                                   << QByteArray("\"速度😀\"");
        QTest::newRow("list") << QVariant(QVariantList{1, "x", QVariantList{}}) << QByteArray("[1,\"x\",[]]")
                              << QByteArray("[1,\"x\",[]]");
        QTest::newRow("map") << QVariant(QVariantMap{{"lng", 113.5}, {"lat", 22.25}})
                             << QByteArray("{\"lat\":22.25,\"lng\":113.5}")
                             << QByteArray("{\"lat\":22.25,\"lng\":113.5}");
    }
    void values() {
        QFETCH(QVariant, value);
        QFETCH(QByteArray, double17g);
        QFETCH(QByteArray, shortest);
        QCOMPARE(JsonTextWriter::write(value), double17g);
        QCOMPARE(JsonTextWriter::write(value, JsonTextWriter::NumberStyle::Shortest), shortest);
    }

    void trackDictionaryKeysAndTypes() {
        TrackInfo info;
        info.fileSize = 0.091f;
        info.fileTime = "2026-12-10 03:14:54";
        QVariantMap map = TrackDictionary::fromTrackInfo(info);
        QCOMPARE(map.keys(), (QStringList{"file_size", "file_time", "key_is_in_china"}));
        QCOMPARE(map.value("file_size").typeId(), int(QMetaType::Float));
        QCOMPARE(map.value("key_is_in_china").typeId(), int(QMetaType::Bool));

        info.videoDatas = std::vector<TrackSample>{{"22.543209", "113.940002", 1, 2, 1024, 359, 45}};
        info.maxSpeed = 45;
        info.aevSpeed = 22.5f;
        info.totailDistance = 45;
        map = TrackDictionary::fromTrackInfo(info);
        QCOMPARE(map.keys(), (QStringList{"file_size", "file_time", "key_aev_speed", "key_is_in_china",
                                          "key_max_speed", "key_totail_distance", "key_video_datas"}));
        const QVariantMap sample = map.value("key_video_datas").toList().front().toMap();
        QCOMPARE(sample.keys(), (QStringList{"gps_lat", "gps_lgt", "gsensor_x", "gsensor_y", "gsensor_z",
                                             "north_angle", "spd"}));
        QCOMPARE(sample.value("gps_lat").typeId(), int(QMetaType::QString));
        QCOMPARE(sample.value("spd").typeId(), int(QMetaType::Float));
        // The writer's text is valid JSON.
        QJsonParseError error;
        QJsonDocument::fromJson(JsonTextWriter::write(map), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
    }
};

QTEST_GUILESS_MAIN(TestJsonTextWriter)
#include "tst_jsontextwriter.moc"
