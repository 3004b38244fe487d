// The play-list database: rows and tracks kept exactly, the one-time import of the settings file's list,
// and every way a store can fail (unreadable, not a database, wrong shapes, a folder that cannot be written,
// a full disk): nothing is ever written over what could not be read, failed writes are retried, and the
// user is told in every case.
//
// Permissions mean nothing to root: the cases that need them skip as root and run in the second
// registration of this test, as an ordinary user. The full disk needs root (a small tmpfs).
#include "PlayListDatabase.h"
#include "PlayListStore.h"
#include "SettingsStore.h"
#include "StoreNotices.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <unistd.h>

namespace {

PlayListEntry row(const QString& key, int samples, std::optional<bool> active = {},
                  std::optional<QString> recordTime = {}) {
    TrackInfo info;
    info.fileSize = 12.5f;
    info.fileTime = "2026-12-10 03:14:54";
    info.isInChina = samples % 2 == 0;
    if (samples > 0) {
        std::vector<TrackSample> track;
        for (int s = 0; s < samples; ++s)
            track.push_back({"22.54" + std::to_string(1000 + s), "-113.94" + std::to_string(1000 + s), 12,
                             -30, 1024, float(s % 360), float(30 + s % 40)});
        info.videoDatas = std::move(track);
        info.maxSpeed = 69;
        info.aevSpeed = 50.5f;
        info.totailDistance = 9000;
    }
    PlayListEntry entry = PlayListEntry::fromTrackInfo(key, info, std::move(recordTime));
    return active ? entry.withActive(*active) : entry;
}

QList<QVariantMap> dictionaries(const std::shared_ptr<const PlayList>& list) {
    QList<QVariantMap> rows;
    for (const PlayListEntry& entry : list ? *list : PlayList{})
        rows << entry.toDictionary();
    return rows;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool noticeMatches(const QString& pattern, bool problem) {
    for (const StoreNotices::Notice& notice : StoreNotices::shared().notices()) {
        if (notice.problem == problem && notice.text.contains(QRegularExpression(pattern)))
            return true;
    }
    return false;
}

bool isRoot() {
    return ::geteuid() == 0;
}

} // namespace

class TestPlayListStore : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_config;
    QString folder() const { return m_config->path() + "/Kestrun"; }
    QString dbPath() const { return folder() + "/KestrunPlayer.db"; }
    QString jsonPath() const { return folder() + "/KestrunPlayer.json"; }

private slots:
    void init() {
        m_config = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
        QDir().mkpath(folder());
        SettingsStore::resetShared();
        for (const StoreNotices::Notice& notice : StoreNotices::shared().notices())
            StoreNotices::shared().clear(notice.id);
    }
    void cleanup() {
        PlayListStore::resetShared();
        SettingsStore::resetShared();
        QProcess::execute("chmod", {"-R", "u+rwx", m_config->path()});
    }

    void rowsComeBackWithTheirKeysAndTypes() {
        auto extra = std::make_shared<PlayListEntryBody>();
        extra->path = "file:///a%20b.mp4";
        extra->extra.insert("note", "mine");
        const PlayList rows{row("file:///tmp/%E8%A1%8C.mp4", 180), row("file:///tmp/no-gps.mp4", 0),
                            PlayListEntry(extra)};
        QList<QVariantMap> before;
        {
            PlayListStore store(dbPath());
            QVERIFY(!store.list()); // never stored: no list
            for (const PlayListEntry& entry : rows)
                QVERIFY(store.waitTried(store.append(entry)));
            store.activateIndex(1);
            QVERIFY(store.flush(5000));
            before = dictionaries(store.list());
        }
        QCOMPARE(before.at(0).value("key_active_yn"), QVariant(false));
        PlayListStore store(dbPath());
        const auto list = store.list();
        QCOMPARE(dictionaries(list), before); // the same keys, the same value types
        // The track stays on disk until asked for.
        QVERIFY(!list->at(0).body().gpsData);
        QCOMPARE(list->at(0).body().sampleCount(), std::size_t(180));
        QCOMPARE(list->at(0).body().samples()->at(179).gpsLgt, std::string("-113.941179"));
        QVERIFY(!list->at(1).body().hasSamples());
        QCOMPARE(before.at(0).value("key_gps_data").toList().size(), 180);
        QVERIFY(!before.at(1).contains("key_gps_data"));
    }

    void aDatabaseOfAnEarlierPlayerGainsTheClipFacts() {
        // The first schema, as an earlier player made it: no recording time, no count of fixes.
        if (QStandardPaths::findExecutable("sqlite3").isEmpty())
            QSKIP("the sqlite3 shell is needed to make an earlier database");
        const char* earlier =
            "CREATE TABLE clips (id INTEGER PRIMARY KEY, key_path TEXT, key_max_speed REAL, "
            "key_is_in_china INTEGER, aevSpeed REAL, totailDistance REAL, file_time TEXT, "
            "file_size REAL, key_active_yn INTEGER, gps_seconds INTEGER, extra TEXT);"
            "CREATE TABLE tracks (clip_id INTEGER PRIMARY KEY, key_gps_data TEXT NOT NULL);"
            "CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT);"
            "INSERT INTO clips (id, key_path, file_time, file_size, gps_seconds) "
            "VALUES (1, 'file:///old.mp4', '2026-01-02 03:04:05', 1.5, 1);"
            "INSERT INTO tracks VALUES (1, '[{\"gpsLat\":\"0.000000\",\"gpsLgt\":\"0.000000\"}]');"
            "PRAGMA user_version=1;";
        QCOMPARE(QProcess::execute(QStandardPaths::findExecutable("sqlite3"), {dbPath(), earlier}), 0);

        // Read as it is (a folder that cannot be written is read this way)...
        {
            PlayListDatabase reader(dbPath());
            QString problem;
            QCOMPARE(reader.open(false, problem), PlayListDatabase::Status::Ok);
            std::vector<PlayListDatabase::Row> rows;
            bool present = false;
            QVERIFY2(reader.readRows(rows, present, problem), qPrintable(problem));
            QCOMPARE(rows.size(), std::size_t(1));
            QVERIFY(!rows.at(0).body->recordTime);
        }
        // ...and opened by the player: its rows' facts are not known (not "no fix"), new rows have them.
        {
            PlayListStore store(dbPath());
            QCOMPARE(store.list()->size(), std::size_t(1));
            QCOMPARE(store.list()->at(0).body().fixCount(), std::optional<std::size_t>());
            QVERIFY(store.waitTried(store.append(row("file:///new.mp4", 3, {}, "2025-06-01T08:15:02Z"))));
        }
        PlayListStore store(dbPath());
        const auto list = store.list();
        QCOMPARE(list->size(), std::size_t(2));
        QCOMPARE(list->at(0).body().fixCount(), std::optional<std::size_t>());
        QCOMPARE(list->at(1).body().fixCount(), std::optional<std::size_t>(3));
        QCOMPARE(list->at(1).body().recordTime, std::optional<QString>("2025-06-01T08:15:02Z"));
    }

    void changesAreEachOnDisk() {
        {
            PlayListStore store(dbPath());
            store.append(row("file:///1.mp4", 3));
            store.append(row("file:///2.mp4", 3));
            store.append(row("file:///3.mp4", 3));
            store.activatePath("file:///2.mp4");
            store.removePath("file:///1.mp4");
            QVERIFY(store.flush(5000));
        }
        {
            PlayListStore store(dbPath());
            QCOMPARE(store.list()->size(), std::size_t(2));
            QCOMPARE(store.list()->at(0).activeYn(), std::optional<bool>(true));
            // A list given whole (another order, a row of its own) is stored as given.
            PlayList reordered{store.list()->at(1), store.list()->at(0), row("file:///4.mp4", 0)};
            store.replace(reordered);
            QVERIFY(store.flush(5000));
        }
        {
            PlayListStore store(dbPath());
            QStringList keys;
            for (const PlayListEntry& e : *store.list())
                keys << *e.path();
            QCOMPARE(keys, (QStringList{"file:///3.mp4", "file:///2.mp4", "file:///4.mp4"}));
            QCOMPARE(store.list()->at(0).body().samples()->size(), std::size_t(3));
            store.clear();
            QVERIFY(store.flush(5000));
        }
        PlayListStore store(dbPath());
        QVERIFY(!store.list()); // cleared: absent, as before the first row
    }

    void settingsListIsImportedOnce() {
        {
            SettingsStore settings(jsonPath());
            settings.setValue("userSpeed", "1");
            settings.setPlayList({row("file:///a.mp4", 5, false), row("file:///b.mp4", 0, true)});
        }
        const QByteArray original = contents(jsonPath());
        QList<QVariantMap> expected;
        {
            SettingsStore settings(jsonPath());
            expected = dictionaries(settings.playList());
        }
        {
            PlayListStore store(dbPath());
            QCOMPARE(dictionaries(store.list()), expected);
        }
        // The list left the settings file, which keeps the settings; the file as it was is kept.
        const QJsonObject settings = QJsonDocument::fromJson(contents(jsonPath())).object();
        QVERIFY(!settings.contains("KEY_PLAY_LIST"));
        QCOMPARE(settings["userSpeed"].toString(), QString("1"));
        QCOMPARE(contents(jsonPath() + ".before-database"), original);
        QVERIFY(noticeMatches("2 clip.*KestrunPlayer\\.json\\.before-database", false));
        // A second start reads the database alone.
        SettingsStore::resetShared();
        PlayListStore again(dbPath());
        QCOMPARE(dictionaries(again.list()), expected);
        QVERIFY(!QFile::exists(jsonPath() + ".before-database-2"));
    }

    void wrongShapesAreSetAsideAndTold_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("rows");
        QTest::newRow("the list as a string") << QByteArray("{\"KEY_PLAY_LIST\": \"file:///a.mp4\"}") << 0;
        QTest::newRow("rows that are not objects")
            << QByteArray("{\"KEY_PLAY_LIST\": [{\"key_path\": \"file:///a.mp4\"}, 7, \"x\", [1]]}") << 1;
    }
    void wrongShapesAreSetAsideAndTold() {
        QFETCH(QByteArray, json);
        QFETCH(int, rows);
        QFile file(jsonPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(json);
        file.close();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not be read in full"));
        PlayListStore store(dbPath());
        const QString aside = SettingsStore::shared().setAsidePath();
        QVERIFY(aside.contains(".unreadable-"));
        QCOMPARE(contents(aside), json); // what could not be used is kept as it was
        QVERIFY(noticeMatches(QRegularExpression::escape(aside), false));
        QCOMPARE(store.list() ? int(store.list()->size()) : 0, rows);
    }

    void aFileThatIsNotADatabaseIsSetAside() {
        QFile file(dbPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
        file.close();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("is not readable as a database"));
        PlayListStore store(dbPath());
        QVERIFY(store.setAsidePath().contains(".unreadable-"));
        QCOMPARE(contents(store.setAsidePath()), QByteArray(8192, 'x'));
        QVERIFY(noticeMatches(QRegularExpression::escape(store.setAsidePath()), false));
        QVERIFY(store.waitTried(store.append(row("file:///new.mp4", 2))));
    }

    void anUnreadableDatabaseIsNeverWritten() {
        if (isRoot())
            QSKIP("root reads every file: run as an ordinary user");
        {
            PlayListStore store(dbPath());
            for (int i = 0; i < 10; ++i)
                store.append(row(QString("file:///%1.mp4").arg(i), 3));
            QVERIFY(store.flush(5000));
        }
        const QByteArray before = contents(dbPath());
        QVERIFY(!QFile::exists(dbPath() + "-wal")); // all in the database file
        QVERIFY(QFile::setPermissions(dbPath(), {}));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be read"));
        {
            PlayListStore store(dbPath());
            QVERIFY(store.isReadOnly());
            QVERIFY(noticeMatches("cannot be read.*not saved", true));
            store.append(row("file:///other.mp4", 1)); // kept in memory, counted as unsaved
            QVERIFY(!store.flush(500));
            QCOMPARE(store.unsavedChanges(), 1);
            QCOMPARE(StoreNotices::shared().unsavedChanges(), 1);
            QTest::qWait(2500); // a retry would have written by now
        }
        QVERIFY(QFile::setPermissions(dbPath(), QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(contents(dbPath()), before);
        QVERIFY(!QFile::exists(dbPath() + "-wal"));
        PlayListStore store(dbPath());
        QCOMPARE(store.list()->size(), std::size_t(10));
    }

    void anUnreadableSettingsFileIsNeverWritten() {
        if (isRoot())
            QSKIP("root reads every file: run as an ordinary user");
        {
            SettingsStore settings(jsonPath());
            settings.setPlayList({row("file:///a.mp4", 3), row("file:///b.mp4", 3)});
        }
        const QByteArray before = contents(jsonPath());
        QVERIFY(QFile::setPermissions(jsonPath(), {}));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be read"));
        {
            PlayListStore store(dbPath()); // nothing to import from a file that cannot be read
            SettingsStore::shared().setValue("userSpeed", "2");
            QVERIFY(!SettingsStore::shared().flush(300));
            QVERIFY(noticeMatches("settings file .* cannot be read", true));
            QTest::qWait(1500);
        }
        SettingsStore::resetShared();
        QVERIFY(QFile::setPermissions(jsonPath(), QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(contents(jsonPath()), before);
        // Readable again: the list is imported then.
        PlayListStore store(dbPath());
        QCOMPARE(store.list()->size(), std::size_t(2));
    }

    void aReadOnlyFolderIsRetriedAndTold() {
        if (isRoot())
            QSKIP("root writes every folder: run as an ordinary user");
        {
            PlayListStore store(dbPath());
            store.append(row("file:///kept.mp4", 3));
            QVERIFY(store.flush(5000));
        }
        QVERIFY(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be written"));
        PlayListStore store(dbPath());
        QCOMPARE(store.list()->size(), std::size_t(1)); // read all the same
        QCOMPARE(store.list()->at(0).body().samples()->size(), std::size_t(3));
        const quint64 ticket = store.append(row("file:///added.mp4", 3));
        QVERIFY(!store.waitTried(ticket));
        QVERIFY(noticeMatches("cannot be saved", true));
        QCOMPARE(StoreNotices::shared().unsavedChanges(), 1);
        QVERIFY(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(store.flush(8000)); // retried, and then written
        QVERIFY(!noticeMatches("cannot be saved", true));
        QCOMPARE(StoreNotices::shared().unsavedChanges(), 0);
        PlayListStore::resetShared();
    }

    void settingsThatCannotBeWrittenAreRetriedAndTold() {
        if (isRoot())
            QSKIP("root writes every folder: run as an ordinary user");
        SettingsStore settings(jsonPath());
        settings.setValue("userSpeed", "1");
        QVERIFY(settings.flush(5000));
        QVERIFY(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be written"));
        settings.setValue("userSpeed", "2");
        QVERIFY(!settings.flush(1000));
        QVERIFY(noticeMatches("Settings cannot be saved", true));
        QCOMPARE(StoreNotices::shared().unsavedChanges(), 1);
        QVERIFY(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(settings.flush(8000)); // tried again, and then written
        QVERIFY(!noticeMatches("Settings cannot be saved", true));
        QCOMPARE(StoreNotices::shared().unsavedChanges(), 0);
        QVERIFY(contents(jsonPath()).contains("\"userSpeed\": \"2\""));
    }

    void aFullDiskIsRetriedAndTold() {
        if (!isRoot())
            QSKIP("a small tmpfs needs root");
        QTemporaryDir mountPoint;
        if (::mount("tmpfs", mountPoint.path().toLocal8Bit().constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("tmpfs cannot be mounted here");
        const QString path = mountPoint.path() + "/KestrunPlayer.db";
        {
            PlayListStore store(path);
            QVERIFY(store.waitTried(store.append(row("file:///first.mp4", 10))));
            // Fill the disk.
            QFile filler(mountPoint.path() + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
            filler.close();
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be written"));
            const quint64 ticket = store.append(row("file:///big.mp4", 3000)); // about 300 KB of track
            QVERIFY(!store.waitTried(ticket));
            QVERIFY(noticeMatches("cannot be saved", true));
            QVERIFY(store.list()->size() == 2); // shown all the same
            QFile::remove(filler.fileName());
            QVERIFY(store.flush(8000));
            QVERIFY(!noticeMatches("cannot be saved", true));
        }
        {
            PlayListStore store(path);
            QCOMPARE(store.list()->size(), std::size_t(2));
            QCOMPARE(store.list()->at(1).body().samples()->size(), std::size_t(3000));
        }
        QVERIFY(::umount(mountPoint.path().toLocal8Bit().constData()) == 0);
    }
};

QTEST_GUILESS_MAIN(TestPlayListStore)
#include "tst_playliststore.moc"
