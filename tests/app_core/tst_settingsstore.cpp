// The settings store: types across a restart, the file's shape, unreadable files, the play-list rows.
#include "SettingsStore.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

PlayListEntry row(const QString& key, int samples, std::optional<bool> active = {}) {
    TrackInfo info;
    info.fileSize = 12.345678f;
    info.fileTime = "2026-12-10 03:14:54";
    info.isInChina = true;
    if (samples > 0) {
        std::vector<TrackSample> track;
        for (int i = 0; i < samples; ++i)
            track.push_back({"22.543209", "113.940010", float(i), -3, 1024, 359, 45.0f + i});
        info.videoDatas = track;
        info.maxSpeed = 99;
        info.aevSpeed = 15.333333f;
        info.totailDistance = 30;
    }
    PlayListEntry entry = PlayListEntry::fromTrackInfo(key, info);
    return active ? entry.withActive(*active) : entry;
}

QJsonObject readFileObject(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void locale() { QVERIFY(TestFiles::localeAsExpected()); }

    void defaultPathFollowsXdg() {
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        QCOMPARE(SettingsStore::defaultFilePath(), dir.path() + "/Kestrun/KestrunPlayer.json");
        SettingsStore::resetShared();
        SettingsStore::shared().setValue("userSpeed", "2");
        SettingsStore::shared().flush();
        QVERIFY(QFile::exists(dir.path() + "/Kestrun/KestrunPlayer.json"));
        SettingsStore::resetShared();
        qunsetenv("XDG_CONFIG_HOME");
    }

    void typesSurviveARestart() {
        QTemporaryDir dir;
        const QString path = dir.filePath("KestrunPlayer.json");
        const QVariantMap nested{
            {"flag", false}, {"whole", 2.0}, {"text", "2"}, {"list", QVariantList{1.5, "x", true}}};
        {
            SettingsStore store(path);
            store.setValue("userSpeed", "2");
            store.setValue("volume", 0.35f);
            store.setValue("userPlaySpeed", 3.0f);
            store.setValue("AppleLanguages", QStringList{"zh-Hans-CN", "en-GB"});
            store.setValue("nested", nested);
            store.setPlayList({row("file:///tmp/a%20b.mp4", 3, true), row("file:///tmp/c.mp4", 0, false)});
        }
        SettingsStore store(path);
        QCOMPARE(store.value("userSpeed").typeId(), int(QMetaType::QString));
        QCOMPARE(store.value("userSpeed"), QVariant("2"));
        QCOMPARE(store.value("volume").typeId(), int(QMetaType::Double));
        QCOMPARE(store.floatValue("volume"), 0.35f);
        QCOMPARE(store.value("userPlaySpeed").typeId(), int(QMetaType::Double)); // 3.0 stays a real
        QCOMPARE(store.value("AppleLanguages").toStringList(), (QStringList{"zh-Hans-CN", "en-GB"}));
        const QVariantMap back = store.value("nested").toMap();
        QCOMPARE(back.value("flag").typeId(), int(QMetaType::Bool));
        QCOMPARE(back.value("whole").typeId(), int(QMetaType::Double));
        QCOMPARE(back.value("text").typeId(), int(QMetaType::QString));
        QCOMPARE(back.value("list").toList().at(2).typeId(), int(QMetaType::Bool));

        const auto list = store.playList();
        QVERIFY(list);
        QCOMPARE(list->size(), std::size_t(2));
        QCOMPARE(list->at(0), row("file:///tmp/a%20b.mp4", 3, true));
        QCOMPARE(list->at(1), row("file:///tmp/c.mp4", 0, false));
        const QVariantMap first = store.value("KEY_PLAY_LIST").toList().at(0).toMap();
        QCOMPARE(first.value("key_active_yn").typeId(), int(QMetaType::Bool));
        QCOMPARE(first.value("file_size").toFloat(), 12.345678f);
        QCOMPARE(first.value("key_gps_data").toList().at(2).toMap().value("gps_lat"), QVariant("22.543209"));
        QVERIFY(!store.value("KEY_PLAY_LIST").toList().at(1).toMap().contains("key_gps_data"));

        // A fresh QSettings on the same file reads the same values and types.
        QSettings settings(path, SettingsStore::jsonFormat());
        QCOMPARE(settings.value("userSpeed"), QVariant("2"));
        QCOMPARE(settings.value("nested").toMap().value("flag").typeId(), int(QMetaType::Bool));
        const QVariantList rows = settings.value("KEY_PLAY_LIST").toList();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).toMap().value("key_gps_data").toList().size(), 3);
        QCOMPARE(rows.at(0).toMap().value("aevSpeed").toFloat(), 15.333333f);
    }

    void fileIsOneReadableObject() {
        QTemporaryDir dir;
        const QString path = dir.filePath("s.json");
        {
            SettingsStore store(path);
            store.setValue("userMap", "0");
            store.setPlayList({row("file:///x.mp4", 2)});
        }
        const QJsonObject object = readFileObject(path);
        QCOMPARE(object.keys(), (QStringList{"KEY_PLAY_LIST", "userMap"}));
        const QJsonObject first = object["KEY_PLAY_LIST"].toArray()[0].toObject();
        QCOMPARE(first["key_path"].toString(), QString("file:///x.mp4"));
        QCOMPARE(first["key_gps_data"].toArray()[1].toObject()["spd"].toDouble(), 46.0);
        QCOMPARE(first["file_time"].toString(), QString("2026-12-10 03:14:54"));
    }

    void absentKeysRead() {
        QTemporaryDir dir;
        SettingsStore store(dir.filePath("s.json"));
        QVERIFY(!store.value("userSpeed").isValid());
        QCOMPARE(store.integerValue("userSpeed"), 0);
        QCOMPARE(store.stringValue("speed_unit"), QString());
        QCOMPARE(store.floatValue("volume"), 0.0f);
        QVERIFY(!store.playList());
        store.setValue("userSpeed", "abc");
        QCOMPARE(store.integerValue("userSpeed"), 0);
        store.setValue("userSpeed", " 2km");
        QCOMPARE(store.integerValue("userSpeed"), 2);
        store.setValue("userSpeed", QVariant());
        QVERIFY(!store.contains("userSpeed"));
    }

    void unreadableFileIsSetAside_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("truncated") << QByteArray("{\"KEY_PLAY_LIST\": [{\"key_path\": \"file:///a");
        QTest::newRow("not an object") << QByteArray("[1, 2, 3]");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe garbage", 12);
    }
    void unreadableFileIsSetAside() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath("KestrunPlayer.json");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not be parsed"));
        SettingsStore store(path);
        QVERIFY(!store.setAsidePath().isEmpty());
        QFile aside(store.setAsidePath());
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), content); // the user's data is kept as it was
        QVERIFY(!store.playList());
        store.setValue("userSpeed", "1"); // and the store works
        store.flush();
        QCOMPARE(readFileObject(path)["userSpeed"].toString(), QString("1"));
    }

    void unknownRowKeysAreKept() {
        QTemporaryDir dir;
        const QString path = dir.filePath("s.json");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"KEY_PLAY_LIST\":[{\"key_path\":\"file:///"
                   "a.mp4\",\"note\":\"mine\",\"file_size\":\"3.5\"}],\"other\":[null,1]}");
        file.close();
        {
            SettingsStore store(path);
            const PlayListEntry& entry = store.playList()->front();
            QCOMPARE(entry.body().fileSize, std::optional<float>(3.5f));
            store.setValue("userMap", "1");
        }
        const QJsonObject object = readFileObject(path);
        QCOMPARE(object["KEY_PLAY_LIST"].toArray()[0].toObject()["note"].toString(), QString("mine"));
        QVERIFY(object.contains("other"));
    }

    void quickChangesAllReachTheFile() {
        // Changes made while the writer is busy are written together after it; flush() waits for them.
        QTemporaryDir dir;
        const QString path = dir.filePath("s.json");
        SettingsStore store(path);
        std::vector<PlayListEntry> rows;
        for (int i = 0; i < 100; ++i) {
            rows.push_back(row(QString("file:///clip%1.mp4").arg(i), 180));
            store.setPlayList(rows);
            store.setValue("generation", i);
        }
        store.flush();
        const QJsonObject object = readFileObject(path);
        QCOMPARE(object["KEY_PLAY_LIST"].toArray().size(), 100);
        QCOMPARE(object["generation"].toDouble(), 99.0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"s.json"}); // no temporary left
    }

    void killDuringWritesLeavesAWholeFile() {
        // A helper rewrites a large store as fast as it can; killed at random moments, the file must always
        // be one of its complete versions.
        QTemporaryDir dir;
        const QString path = dir.filePath("KestrunPlayer.json");
        for (int round = 0; round < 5; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(KESTRUN_TEST_BIN_DIR "/store_writer"), {path});
            QVERIFY(writer.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), 10000);
            QTest::qWait(20 + int(QRandomGenerator::global()->bounded(200)));
            writer.kill();
            writer.waitForFinished();
            const QJsonObject object = readFileObject(path);
            QVERIFY2(object.contains("KEY_PLAY_LIST"), qPrintable(QString("round %1").arg(round)));
            const QJsonArray rows = object["KEY_PLAY_LIST"].toArray();
            QCOMPARE(rows.size(), 200);
            QCOMPARE(rows[199].toObject()["key_gps_data"].toArray().size(), 180);
            QVERIFY(object["generation"].toDouble() >= 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
