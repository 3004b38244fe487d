#pragma once

#include "DrivingEvents.h"
#include "PlayListEntry.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>

class MyCacheEvents;

// The play list with every file's telemetry ("KEY_PLAY_LIST"), kept in the play-list database
// (PlayListStore). Files are identified by their key: the percent-escaped "file:///..." URL text, compared
// exactly.
//
// Batches run on the application-wide serial worker, one file after another; each file's row joins the
// list (and is written to disk) as soon as the file is read, so a quit or a crash keeps what was read;
// files present by then are skipped. The batch's completion then runs once on the main thread. Everything
// else runs on the main thread.
class MyCache {
public:
    MyCache() = delete;

    using Completion = std::function<void()>;

    // Adds the files that are not in the list yet, extracting their telemetry; returns at once.
    static void playPathArrCache(const QList<QUrl>& urls, Completion block);
    // Stores `list` as the play list.
    static void syncPlayList(PlayList list);
    // Removes every row with this key from the list as it is now (rows a batch adds meanwhile stay).
    static void removePath(const QString& key);
    // Removes the play list.
    static void playPathClear();
    // The stored list, or null when there is none.
    static std::shared_ptr<const PlayList> playList();

    // The samples of the first row with this key; null when no row matches or the row has none.
    static std::shared_ptr<const TrackSamples> findGpsDatas(const QString& path);
    // The first matching row's in-China flag (false when it has none); true when no row matches.
    static bool locationIsINChina(const QString& path);
    // {"aevSpeed", "maxSpeed", "totailDistance"} of the first matching row, each when the row has it;
    // empty when no row matches.
    static QVariantMap findFileMessage(const QString& path);
    // The driving events of the first row with this key, found with the thresholds in force; null when no
    // row matches or the row has no track. Kept per key until the thresholds change (main thread).
    static std::shared_ptr<const std::vector<DrivingEvent>> drivingEvents(const QString& path);
    // When the first matching row's clip was recorded, as its records say (UTC, ISO 8601), when known.
    static std::optional<QString> recordTime(const QString& path);

    // The activation rule: every row gets "key_active_yn" false except the last row with this key (or the
    // row at this index), which gets true; the list is stored even when nothing matched.
    static void activatePath(const QString& path);
    static void activateIndex(qint64 index);

    // The key of a local file ("file:///tmp/a%20b.mp4"), and the file-system path of a key.
    static QString fileKey(const QUrl& url);
    static QString localPath(const QString& key);
    // The same for paths as the file system has them: any bytes but '\0', UTF-8 or not (a name that is not
    // UTF-8 keeps its bytes percent-escaped in the key).
    static QUrl urlOfLocalFile(const QByteArray& path);
    static QByteArray localPathBytes(const QString& key);

    // Progress of the batches.
    static MyCacheEvents& events();
    // Blocks until the batches queued so far have been extracted (their completions still follow on the main
    // thread's event loop).
    static void waitForWorker();
    // At quit: stops the batches after the file each is reading, writes what is queued, and waits at most
    // `timeoutMs` for both. False when the worker is still inside a file (a read that does not return): the
    // caller should end the process without waiting for it.
    static bool shutdown(int timeoutMs);
};
