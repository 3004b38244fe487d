// The play-list cache over real clips from the clip writer and the real settings store.
#include "BatchWorker.h"
#include "ClipWriter.h"
#include "MyCache.h"
#include "MyCacheEvents.h"
#include "PlayListStore.h"
#include "SettingsStore.h"
#include "SyntheticDrive.h"
#include "TestFiles.h"

#include <QDir>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

namespace {

QStringList keysOf(const std::shared_ptr<const PlayList>& list) {
    QStringList keys;
    if (list) {
        for (const PlayListEntry& e : *list)
            keys << e.path().value_or("(none)");
    }
    return keys;
}

QList<std::optional<bool>> marksOf(const std::shared_ptr<const PlayList>& list) {
    QList<std::optional<bool>> marks;
    for (const PlayListEntry& e : *list)
        marks << e.activeYn();
    return marks;
}

// Runs a batch and waits for its completion; returns how many times the completion ran.
int addAndWait(const QList<QUrl>& urls) {
    int completions = 0;
    MyCache::playPathArrCache(urls, [&completions] {
        QVERIFY(QThread::currentThread() == QCoreApplication::instance()->thread());
        ++completions;
    });
    if (!QTest::qWaitFor([&] { return completions > 0; }, 20000))
        return 0;
    QTest::qWait(5);
    return completions;
}

PlayListEntry plainRow(const QString& key, std::optional<bool> isInChina = {}) {
    auto body = std::make_shared<PlayListEntryBody>();
    body->path = key;
    body->isInChina = isInChina;
    return PlayListEntry(body);
}

} // namespace

class TestMyCache : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_config;
    QTemporaryDir m_media;
    QUrl m_china, m_world, m_spaced, m_plain, m_nested, m_outer, m_cold, m_noFix;

    QUrl clip(const QString& relative, const SyntheticDrive& drive) {
        const QString path = m_media.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        TestFiles::write(m_media, relative, ClipWriter::bareClip(drive.messages()));
        return QUrl::fromLocalFile(path);
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        SettingsStore::resetShared();
        SyntheticDrive china = SyntheticDrive::china();
        china.seconds = 8;
        SyntheticDrive world = SyntheticDrive::world();
        world.seconds = 6;
        m_china = clip("china.mp4", china);
        m_world = clip("world.mp4", world);
        m_spaced = clip("with space 行车.mp4", china);
        m_nested = clip("a/b.MP4", world);
        m_outer = clip("x/a/b.MP4", world);
        SyntheticDrive cold = SyntheticDrive::china();
        cold.seconds = 6;
        cold.noFixSeconds = 3;
        m_cold = clip("cold.mp4", cold);
        cold.noFixSeconds = 6;
        m_noFix = clip("nofix.mp4", cold);
        TestFiles::write(m_media, "plain.mp4", ClipWriter::box("moov", {}));
        m_plain = QUrl::fromLocalFile(m_media.filePath("plain.mp4"));
    }

    void init() { MyCache::playPathClear(); }

    void fileKeys() {
        const QString key = MyCache::fileKey(m_spaced);
        QVERIFY(key.startsWith("file:///"));
        QVERIFY(key.endsWith("with%20space%20%E8%A1%8C%E8%BD%A6.mp4"));
        QCOMPARE(MyCache::localPath(key), m_media.filePath("with space 行车.mp4"));
    }

    void batchAddsNewFilesInOrder() {
        QCOMPARE(addAndWait({m_world}), 1);
        QSignalSpy progress(&MyCache::events(), &MyCacheEvents::batchProgress);
        QCOMPARE(addAndWait({m_china, m_world, m_spaced, m_china}), 1);
        const auto list = MyCache::playList();
        QCOMPARE(keysOf(list), (QStringList{MyCache::fileKey(m_world), MyCache::fileKey(m_china),
                                            MyCache::fileKey(m_spaced)}));
        QCOMPARE(progress.size(), 4);
        QCOMPARE(progress.last(), (QVariantList{4, 4}));

        const PlayListEntryBody& china = list->at(1).body();
        QCOMPARE(china.gpsData->size(), std::size_t(8));
        QCOMPARE(china.isInChina, std::optional<bool>(true));
        QVERIFY(china.fileSize && *china.fileSize > 0);
        QVERIFY(china.fileTime && china.fileTime->size() == 19);
        QVERIFY(china.maxSpeed && china.aevSpeed && china.totailDistance);
        QVERIFY(!list->at(0).activeYn()); // no row is marked before the first activation
        // The spaced file was read through its real path.
        QCOMPARE(list->at(2).body().gpsData->size(), std::size_t(8));
    }

    void batchOfPresentFilesStillCompletes() {
        QCOMPARE(addAndWait({m_china}), 1);
        QCOMPARE(addAndWait({m_china, m_china}), 1);
        QCOMPARE(keysOf(MyCache::playList()), QStringList{MyCache::fileKey(m_china)});
        QCOMPARE(addAndWait({}), 1);
        QVERIFY(MyCache::playList());
    }

    void fileWithoutTelemetryGetsARow() {
        QCOMPARE(addAndWait({m_plain, QUrl::fromLocalFile(m_media.filePath("missing.mp4"))}), 1);
        const auto list = MyCache::playList();
        QCOMPARE(list->size(), std::size_t(2));
        for (const PlayListEntry& row : *list) {
            const QVariantMap map = row.toDictionary();
            QCOMPARE(QStringList(map.keys()),
                     (QStringList{"file_size", "file_time", "key_is_in_china", "key_path"}));
            QCOMPARE(map.value("key_is_in_china"), QVariant(false));
        }
        QVERIFY(!MyCache::findGpsDatas(MyCache::fileKey(m_plain)));
    }

    void duplicateTestIsByExactKey() {
        // /x/a/b.MP4 is listed; /a/b.MP4 is a different file even though its key is a substring.
        QCOMPARE(addAndWait({m_outer}), 1);
        QCOMPARE(addAndWait({m_nested}), 1);
        QCOMPARE(keysOf(MyCache::playList()),
                 (QStringList{MyCache::fileKey(m_outer), MyCache::fileKey(m_nested)}));
    }

    void lookups() {
        QCOMPARE(addAndWait({m_china, m_world}), 1);
        const QString china = MyCache::fileKey(m_china);
        QCOMPARE(MyCache::findGpsDatas(china)->size(), std::size_t(8));
        QVERIFY(!MyCache::findGpsDatas("file:///nowhere.mp4"));
        QVERIFY(!MyCache::findGpsDatas(china.toUpper())); // keys compare case-sensitively
        QVERIFY(MyCache::locationIsINChina(china));
        QVERIFY(!MyCache::locationIsINChina(MyCache::fileKey(m_world)));
        QVERIFY(MyCache::locationIsINChina("file:///nowhere.mp4"));
        const QVariantMap message = MyCache::findFileMessage(china);
        QCOMPARE(QStringList(message.keys()), (QStringList{"aevSpeed", "maxSpeed", "totailDistance"}));
        QCOMPARE(message.value("maxSpeed").toFloat(), *MyCache::playList()->front().body().maxSpeed);
        QVERIFY(MyCache::findFileMessage("file:///nowhere.mp4").isEmpty());

        MyCache::syncPlayList({plainRow("file:///no-flag.mp4")});
        QVERIFY(!MyCache::locationIsINChina("file:///no-flag.mp4"));
        QCOMPARE(MyCache::findFileMessage("file:///no-flag.mp4"), QVariantMap());
    }

    void activation() {
        MyCache::syncPlayList(
            {plainRow("file:///a.mp4"), plainRow("file:///b.mp4"), plainRow("file:///a.mp4")});
        MyCache::activatePath("file:///a.mp4");
        QCOMPARE(marksOf(MyCache::playList()), (QList<std::optional<bool>>{false, false, true}));
        MyCache::activateIndex(1);
        QCOMPARE(marksOf(MyCache::playList()), (QList<std::optional<bool>>{false, true, false}));
        MyCache::activateIndex(3); // the count: none
        QCOMPARE(marksOf(MyCache::playList()), (QList<std::optional<bool>>{false, false, false}));
        MyCache::activatePath("file:///unknown.mp4");
        QCOMPARE(marksOf(MyCache::playList()), (QList<std::optional<bool>>{false, false, false}));

        MyCache::playPathClear();
        QVERIFY(!MyCache::playList());
        MyCache::activatePath("file:///a.mp4");
        QVERIFY(MyCache::playList() && MyCache::playList()->empty());
    }

    void changesDuringABatchAreKept() {
        QCOMPARE(addAndWait({m_china, m_world}), 1);
        // While the batch runs (its first file is done), the user deletes the China row and activates the
        // other; the batch's result reaches the main thread only after these changes.
        bool changed = false;
        QObject context;
        connect(&MyCache::events(), &MyCacheEvents::batchProgress, &context, [&](int done, int) {
            if (done != 1 || changed)
                return;
            changed = true;
            PlayList list = *MyCache::playList();
            list.erase(list.begin());
            MyCache::syncPlayList(list);
            MyCache::activateIndex(0);
        });
        QCOMPARE(addAndWait({m_spaced, m_china, m_nested}), 1);
        QVERIFY(changed);
        // The deletion and the activation stand and the new files are appended. The China file was listed
        // when the batch started, so the batch skipped it and does not bring it back. Rows join the list as
        // their files are read, so a row added before the activation carries its false mark, one added
        // after it none.
        const auto after = MyCache::playList();
        QCOMPARE(keysOf(after), (QStringList{MyCache::fileKey(m_world), MyCache::fileKey(m_spaced),
                                             MyCache::fileKey(m_nested)}));
        const auto marks = marksOf(after);
        QCOMPARE(marks.first(), std::optional<bool>(true));
        QVERIFY(!marks.mid(1).contains(std::optional<bool>(true)));
    }

    void batchQueuedBehindAnotherTask() {
        // A batch waiting for the worker sees the list as it is when it starts.
        QCOMPARE(addAndWait({m_world}), 1);
        QSemaphore hold;
        BatchWorker::shared().enqueue([&hold] { hold.acquire(); });
        int completions = 0;
        MyCache::playPathArrCache({m_china, m_world}, [&completions] { ++completions; });
        MyCache::playPathClear(); // before the batch starts
        hold.release();
        QTRY_COMPARE_WITH_TIMEOUT(completions, 1, 20000);
        QCOMPARE(keysOf(MyCache::playList()),
                 (QStringList{MyCache::fileKey(m_china), MyCache::fileKey(m_world)}));
    }

    void twoBatchesInARowLoseNothing() {
        int completions = 0;
        MyCache::playPathArrCache({m_china, m_world}, [&completions] { ++completions; });
        MyCache::playPathArrCache({m_world, m_spaced}, [&completions] { ++completions; });
        QTRY_COMPARE_WITH_TIMEOUT(completions, 2, 20000);
        QCOMPARE(
            keysOf(MyCache::playList()),
            (QStringList{MyCache::fileKey(m_china), MyCache::fileKey(m_world), MyCache::fileKey(m_spaced)}));
    }

    void rowsKnowWhenAndWhetherTheyHaveAPosition() {
        QCOMPARE(addAndWait({m_world, m_cold, m_noFix, m_plain}), 1);
        const auto facts = [](const PlayList& list) {
            QStringList texts;
            for (const PlayListEntry& row : list) {
                const auto fixes = row.body().fixCount();
                texts << row.body().recordTime.value_or("-") + " " +
                             (fixes ? QString::number(*fixes) : QString("unknown"));
            }
            return texts;
        };
        // The first record with a date and time gives the recording time, the no-fix seconds included.
        const QStringList expected{"2024-06-01T08:30:00Z 6", "2024-06-01T08:30:00Z 3",
                                   "2024-06-01T08:30:00Z 0", "- 0"};
        QCOMPARE(facts(*MyCache::playList()), expected);
        PlayListStore::resetShared();
        SettingsStore::resetShared();
        QCOMPARE(facts(*MyCache::playList()), expected); // as stored, without the tracks being read
        QVERIFY(!MyCache::playList()->at(1).body().gpsData);
        // Not row keys: the rows' dictionaries are what they were.
        QCOMPARE(QStringList(MyCache::playList()->at(2).toDictionary().keys()),
                 (QStringList{"aevSpeed", "file_size", "file_time", "key_gps_data", "key_is_in_china",
                              "key_max_speed", "key_path", "totailDistance"}));
    }

    void listSurvivesARestart() {
        QCOMPARE(addAndWait({m_china, m_world}), 1);
        MyCache::activateIndex(1);
        const PlayList before = *MyCache::playList();
        PlayListStore::resetShared();
        SettingsStore::resetShared();
        const auto after = MyCache::playList();
        QVERIFY(after);
        QCOMPARE(after->size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i)
            QCOMPARE(after->at(i), before.at(i));
    }
};

QTEST_GUILESS_MAIN(TestMyCache)
#include "tst_mycache.moc"
