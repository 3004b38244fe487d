// The play list on disk under faults, with real processes: kill -9 at random moments during an add and
// during the first import (the database and the settings file always whole, no row lost that was reported
// stored), a quit during an add (what was read is kept, the rest cancelled, also while a file read does
// not return), two players started on one store, and two started while its folder cannot be written.
#include "ClipWriter.h"
#include "SyntheticDrive.h"
#include "TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kDriver = QStringLiteral(KESTRUN_TEST_BIN_DIR "/store_driver");
const QString kPlayer = QStringLiteral(KESTRUN_BIN_DIR "/kestrun-player");

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString sqlite(const QString& db, const QString& sql) {
    QProcess shell;
    shell.start(QStandardPaths::findExecutable("sqlite3"), {db, sql});
    shell.waitForFinished(20000);
    return QString::fromUtf8(shell.readAllStandardOutput()).trimmed();
}

// key -> number of samples, as a new process reads the store.
QMap<QString, int> storedRows(const QProcessEnvironment& env) {
    QProcess list;
    list.setProcessEnvironment(env);
    list.start(kDriver, {"list"});
    list.waitForFinished(60000);
    QMap<QString, int> rows;
    for (const QByteArray& line : list.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 3 && parts[0] == "row")
            rows.insert(QString::fromUtf8(parts[1]), parts[2].toInt());
    }
    return rows;
}

// Signals the process while it runs (a process id of 0 would signal the whole group).
void signalProcess(QProcess& process, int signal) {
    const qint64 pid = process.processId();
    if (process.state() == QProcess::Running && pid > 0)
        ::kill(static_cast<pid_t>(pid), signal);
}

QStringList reportedStored(QProcess& process) {
    QStringList keys;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        if (line.startsWith("stored "))
            keys << QString::fromUtf8(line.mid(7));
    }
    return keys;
}

} // namespace

class TestStoreFaults : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_media;
    QStringList m_clips;

    static QProcessEnvironment environment(const QString& config) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config);
        return env;
    }

private slots:
    void initTestCase() {
        QVERIFY2(QFile::exists(kDriver), qPrintable(kDriver));
        if (QStandardPaths::findExecutable("sqlite3").isEmpty())
            QSKIP("the sqlite3 shell is needed to look into the database");
        SyntheticDrive drive = SyntheticDrive::china();
        drive.seconds = 180;
        const auto bytes = ClipWriter::bareClip(drive.messages());
        for (int i = 0; i < 200; ++i) {
            const QString name = QString("clip%1.mp4").arg(i, 3, 10, QChar('0'));
            TestFiles::write(m_media, name, bytes);
            m_clips << m_media.filePath(name);
        }
    }

    void killAtRandomDuringAnAdd() {
        QRandomGenerator random(15);
        for (int round = 0; round < 8; ++round) {
            QTemporaryDir config;
            QProcess add;
            add.setProcessEnvironment(environment(config.path()));
            add.start(kDriver, QStringList{"add"} + m_clips);
            QVERIFY(add.waitForStarted());
            const int delay = 20 + int(random.bounded(800));
            QTest::qWait(delay);
            signalProcess(add, SIGKILL);
            QVERIFY(add.state() == QProcess::NotRunning || add.waitForFinished(10000));
            const QStringList reported = reportedStored(add);
            const QString db = config.path() + "/Kestrun/KestrunPlayer.db";
            if (QFile::exists(db))
                QCOMPARE(sqlite(db, "PRAGMA integrity_check"), QString("ok"));
            const QMap<QString, int> rows = storedRows(environment(config.path()));
            for (const QString& key : reported) {
                QVERIFY2(
                    rows.contains(key),
                    qPrintable(
                        QString("round %1, killed after %2 ms: %3 lost").arg(round).arg(delay).arg(key)));
                QCOMPARE(rows.value(key), 180); // whole, with its whole track
            }
            for (const int samples : rows)
                QCOMPARE(samples, 180);
            qInfo("round %d: killed after %d ms, %lld reported, %lld stored", round, delay,
                  qlonglong(reported.size()), qlonglong(rows.size()));
        }
    }

    void killAtRandomDuringTheFirstImport() {
        constexpr int kRows = 1500;
        QTemporaryDir original;
        {
            QProcess make;
            make.setProcessEnvironment(environment(original.path()));
            make.start(kDriver, {"settings", QString::number(kRows), "60"});
            QVERIFY(make.waitForFinished(120000));
            QCOMPARE(make.exitCode(), 0);
        }
        const QByteArray settings = contents(original.path() + "/Kestrun/KestrunPlayer.json");
        QVERIFY(settings.contains("KEY_PLAY_LIST"));
        // How long an import takes here, to kill within it.
        qint64 importMs = 0;
        {
            QTemporaryDir config;
            QDir().mkpath(config.path() + "/Kestrun");
            QFile::copy(original.path() + "/Kestrun/KestrunPlayer.json",
                        config.path() + "/Kestrun/KestrunPlayer.json");
            QElapsedTimer timer;
            timer.start();
            QCOMPARE(storedRows(environment(config.path())).size(), kRows);
            importMs = timer.elapsed();
        }
        QRandomGenerator random(16);
        for (int round = 0; round < 8; ++round) {
            QTemporaryDir config;
            const QString folder = config.path() + "/Kestrun";
            const QString json = folder + "/KestrunPlayer.json";
            const QString db = folder + "/KestrunPlayer.db";
            QDir().mkpath(folder);
            QFile::copy(original.path() + "/Kestrun/KestrunPlayer.json", json);
            QProcess import;
            import.setProcessEnvironment(environment(config.path()));
            import.start(kDriver, {"list"});
            QVERIFY(import.waitForStarted());
            const int delay = int(random.bounded(int(importMs) + 50));
            QTest::qWait(delay);
            signalProcess(import, SIGKILL);
            QVERIFY(import.state() == QProcess::NotRunning || import.waitForFinished(10000));

            // The settings file is whole: as it was, or without the list once the database holds all of it
            // (and then a copy of it as it was is beside it).
            const QByteArray now = contents(json);
            QVERIFY(QJsonDocument::fromJson(now).isObject());
            const QString count = QFile::exists(db) ? sqlite(db, "SELECT count(*) FROM clips") : QString("0");
            if (QFile::exists(db))
                QCOMPARE(sqlite(db, "PRAGMA integrity_check"), QString("ok"));
            if (now != settings) {
                QVERIFY(!QJsonDocument::fromJson(now).object().contains("KEY_PLAY_LIST"));
                QCOMPARE(contents(json + ".before-database"), settings);
                QCOMPARE(count, QString::number(kRows));
            } else {
                QVERIFY2(count == "0" || count == QString::number(kRows), qPrintable(count));
            }
            // The next start ends in the same place whatever the moment of the kill.
            QCOMPARE(storedRows(environment(config.path())).size(), kRows);
            QVERIFY(!QJsonDocument::fromJson(contents(json)).object().contains("KEY_PLAY_LIST"));
            QCOMPARE(QJsonDocument::fromJson(contents(json)).object()["userSpeed"].toString(), QString("1"));
            QCOMPARE(contents(json + ".before-database"), settings);
            qInfo("round %d: killed after %d ms of about %lld", round, delay, importMs);
        }
    }

    void quitDuringAnAddKeepsWhatWasRead() {
        QTemporaryDir config;
        QProcess add;
        add.setProcessEnvironment(environment(config.path()));
        add.start(kDriver, QStringList{"add"} + m_clips);
        QVERIFY(add.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(add.peek(1 << 20).contains("stored "), 20000);
        QElapsedTimer timer;
        timer.start();
        signalProcess(add, SIGTERM);
        QVERIFY(add.waitForFinished(5000)); // not the whole batch: about a second at most
        qInfo("quit %lld ms after SIGTERM", timer.elapsed());
        QCOMPARE(add.exitCode(), 0);
        const QStringList reported = reportedStored(add);
        const QMap<QString, int> rows = storedRows(environment(config.path()));
        QVERIFY(rows.size() < m_clips.size()); // the rest was cancelled
        for (const QString& key : reported)
            QVERIFY(rows.contains(key));
    }

    void quitWhileAFileReadDoesNotReturn() {
        // A FIFO nobody writes to: opening it for reading would wait for ever. The extraction refuses it
        // without opening it for good; either way the quit ends the batch at once.
        QTemporaryDir config;
        const QString fifo = m_media.filePath("never.fifo");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QProcess add;
        add.setProcessEnvironment(environment(config.path()));
        add.start(kDriver, {"add", m_clips.at(0), fifo, m_clips.at(1)});
        QVERIFY(add.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(add.peek(1 << 20).contains("stored "), 20000);
        QTest::qWait(200);
        if (add.state() != QProcess::NotRunning) {
            signalProcess(add, SIGTERM);
            QVERIFY(add.waitForFinished(5000));
        }
        QFile::remove(fifo);
        const QMap<QString, int> rows = storedRows(environment(config.path()));
        QVERIFY(rows.contains(QUrl::fromLocalFile(m_clips.at(0)).toString(QUrl::FullyEncoded)));
    }

    void twoPlayersNeverShareAStore() {
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qgetenv("QT_QPA_PLATFORM").startsWith("xcb"))
            QSKIP("no display");
        QTemporaryDir config;
        QTemporaryDir firstTmp;
        QTemporaryDir secondTmp;
        const QString folder = config.path() + "/Kestrun";
        QProcessEnvironment env = environment(config.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TMPDIR", firstTmp.path());
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(kPlayer, {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder + "/KestrunPlayer.lock"), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder + "/KestrunPlayer.socket"), 30000);

        // Another TMPDIR does not make another store: the second player hands its clip over and ends. The
        // clip's name is not UTF-8 (a Latin-1 "é"): the shell passes its bytes as they are.
        const QString odd = m_media.path() + "/caf\\351.mp4";
        QVERIFY(QProcess::execute(
                    "sh", {"-c", QString("cp \"%1\" \"$(printf '%2')\"").arg(m_clips.at(5), odd)}) == 0);
        env.insert("TMPDIR", secondTmp.path());
        QProcess second;
        second.setProcessEnvironment(env);
        second.start("sh", {"-c", QString("exec \"%1\" \"$(printf '%2')\"").arg(kPlayer, odd)});
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitCode(), 0);
        const QString key = QUrl::fromLocalFile(m_media.path()).toString(QUrl::FullyEncoded) + "/caf%E9.mp4";
        const QString db = folder + "/KestrunPlayer.db";
        QTRY_COMPARE_WITH_TIMEOUT(sqlite(db, "SELECT key_path, gps_seconds FROM clips"), key + "|180", 30000);

        // A player killed leaves its lock behind; the next one sees it is stale and starts.
        signalProcess(first, SIGKILL);
        QVERIFY(first.state() == QProcess::NotRunning || first.waitForFinished(10000));
        QVERIFY(QFile::exists(folder + "/KestrunPlayer.lock"));
        QProcess third;
        third.setProcessEnvironment(env);
        third.start(kPlayer, {});
        QVERIFY(third.waitForStarted());
        QTest::qWait(3000);
        QCOMPARE(third.state(), QProcess::Running);
        signalProcess(third, SIGTERM);
        QVERIFY(third.waitForFinished(10000));
        QCOMPARE(third.exitCode(), 0);
        QProcess::execute("sh", {"-c", QString("rm -f \"$(printf '%1')\"").arg(odd)});
    }

    void playersStartedWhileTheFolderIsReadOnlyNeverShareIt() {
        // Two players started while the settings folder cannot be written: neither can make the lock, both
        // run and keep their clip in memory. Once the folder can be written, the first to retry takes the
        // lock and saves; the other never writes in that run and says so when it quits. As root the
        // players run as "nobody", for whom the permissions count.
        const bool root = ::geteuid() == 0;
        const QString setpriv = QStandardPaths::findExecutable("setpriv");
        if (root && setpriv.isEmpty())
            QSKIP("setpriv is needed to run the players as an ordinary user");
        QTemporaryDir config;
        QTemporaryDir media;
        QTemporaryDir tmp;
        const QString folder = config.path() + "/Kestrun";
        QVERIFY(QDir().mkpath(folder));
        const QStringList clips{media.filePath("first.mp4"), media.filePath("second.mp4")};
        for (int i = 0; i < 2; ++i)
            QVERIFY(QFile::copy(m_clips.at(i), clips.at(i)));
        for (const QString& dir : {config.path(), media.path(), tmp.path()})
            QVERIFY(::chmod(QFile::encodeName(dir).constData(), 0755) == 0);
        for (const QString& clip : clips)
            QVERIFY(::chmod(QFile::encodeName(clip).constData(), 0644) == 0);
        if (root) {
            for (const QString& path : {config.path(), folder, tmp.path()})
                QVERIFY(::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0);
        }
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);

        QProcessEnvironment env = environment(config.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", tmp.path());
        env.insert("TMPDIR", tmp.path());
        env.remove("XDG_RUNTIME_DIR");
        QProcess players[2];
        for (int i = 0; i < 2; ++i) {
            players[i].setProcessEnvironment(env);
            players[i].setProcessChannelMode(QProcess::MergedChannels);
            if (root)
                players[i].start(setpriv,
                                 {"--reuid=65534", "--regid=65534", "--clear-groups", kPlayer, clips.at(i)});
            else
                players[i].start(kPlayer, {clips.at(i)});
            QVERIFY(players[i].waitForStarted());
        }
        QByteArray output[2];
        for (int i = 0; i < 2; ++i) {
            QTRY_VERIFY_WITH_TIMEOUT(
                (output[i] += players[i].readAll()).contains("cannot make its lock file"), 30000);
        }
        QTest::qWait(3000); // each has read its clip and failed to save it
        QVERIFY(!QFile::exists(folder + "/KestrunPlayer.db"));

        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
        const QString db = folder + "/KestrunPlayer.db";
        // (The sqlite3 shell would make an empty database if asked before the player has made it.)
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(db) && !sqlite(db, "SELECT key_path FROM clips").isEmpty(),
                                 30000);
        QTest::qWait(6000); // both have retried since

        QFile lockFile(folder + "/KestrunPlayer.lock");
        QVERIFY(lockFile.open(QIODevice::ReadOnly));
        const qint64 owner = lockFile.readLine().trimmed().toLongLong();
        int holder = -1;
        for (int i = 0; i < 2; ++i) {
            if (players[i].processId() == owner)
                holder = i;
        }
        QVERIFY2(holder >= 0, qPrintable(QString("the lock names process %1").arg(owner)));
        const int other = 1 - holder;
        const QString holderKey = QUrl::fromLocalFile(clips.at(holder)).toString(QUrl::FullyEncoded);
        QCOMPARE(sqlite(db, "SELECT key_path FROM clips"), holderKey);

        for (QProcess& player : players)
            signalProcess(player, SIGTERM);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(players[i].waitForFinished(30000));
            output[i] += players[i].readAll();
        }
        QCOMPARE(players[holder].exitCode(), 0);
        QVERIFY2(output[other].contains("has taken the lock"), output[other].constData());
        QVERIFY2(output[other].contains("could not be saved"), output[other].constData());
        QCOMPARE(sqlite(db, "SELECT key_path FROM clips"), holderKey);
    }
};

QTEST_GUILESS_MAIN(TestStoreFaults)
#include "tst_storefaults.moc"
