#include "MyCache.h"

#include "DrivingEventSettings.h"
#include "KestrunLog.h"

#include "BatchWorker.h"
#include "MyCacheEvents.h"
#include "PlayListStore.h"
#include "VideoGpsTool.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QThread>
#include <QtDebug>

#include <atomic>

namespace {

std::atomic<bool> g_quitting{false};

const PlayListEntry* firstWithPath(const PlayList& list, const QString& path) {
    for (const PlayListEntry& entry : list) {
        if (entry.path() == path)
            return &entry;
    }
    return nullptr;
}

std::shared_ptr<const PlayList> storedList() {
    return PlayListStore::shared().list();
}

// The row the batch stores for a file: its track and summary, and when its records say it was recorded.
PlayListEntry extract(const QString& key, const QByteArray& path) {
    TrackInfo result;
    VideoGpsTool tool;
    tool.setLogSink([](LogChannel channel, std::string_view text) {
        if (channel == LogChannel::StandardOutput) {
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fflush(stdout);
        } else {
            qCDebug(lcKestrun).noquote()
                << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        }
    });
    tool.setResultsBlock([&result](const TrackInfo& info) { result = info; });
    tool.createVideoForGPSUrl(path.toStdString());
    std::optional<QString> recorded;
    for (const RecordClock& clock : tool.sampleClocks()) {
        if (const std::optional<RecordClock> known = clock.plausible()) {
            recorded = QString::fromStdString(known->isoUtcText());
            break;
        }
    }
    return PlayListEntry::fromTrackInfo(key, result, std::move(recorded));
}

} // namespace

MyCacheEvents& MyCache::events() {
    static MyCacheEvents* events = [] {
        auto* e = new MyCacheEvents; // lives until the process ends, in the main thread
        if (QCoreApplication::instance())
            e->moveToThread(QCoreApplication::instance()->thread());
        return e;
    }();
    return *events;
}

QString MyCache::fileKey(const QUrl& url) {
    return url.toString(QUrl::FullyEncoded);
}

QString MyCache::localPath(const QString& key) {
    return QUrl(key, QUrl::StrictMode).toLocalFile();
}

QUrl MyCache::urlOfLocalFile(const QByteArray& path) {
    const QString text = QString::fromUtf8(path);
    if (text.toUtf8() == path)
        return QUrl::fromLocalFile(text);
    // Bytes that are not UTF-8 stay percent-escaped in the URL, so the key still names this very file.
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/!$&'()*+,;=:@~"));
}

QByteArray MyCache::localPathBytes(const QString& key) {
    const QUrl url(key, QUrl::StrictMode);
    if (!url.isLocalFile())
        return {};
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

void MyCache::playPathArrCache(const QList<QUrl>& urls, Completion block) {
    MyCacheEvents* context = &events();
    BatchWorker::shared().enqueue([urls, block = std::move(block), context] {
        // Files already in the list (by exact key) and repeats within the batch are skipped. Each file's row
        // is stored as soon as the file is read.
        PlayListStore& store = PlayListStore::shared();
        QSet<QString> seen;
        const int total = static_cast<int>(urls.size());
        int done = 0;
        for (const QUrl& url : urls) {
            if (g_quitting)
                return; // the files not read yet are left; what was read is stored
            const QString key = fileKey(url);
            if (!seen.contains(key) && !store.contains(key)) {
                seen.insert(key);
                const quint64 ticket = store.append(extract(key, localPathBytes(key)));
                if (store.waitTried(ticket))
                    emit context->rowStored(key);
            }
            emit context->batchProgress(++done, total);
        }
        QMetaObject::invokeMethod(
            context,
            [block] {
                if (block)
                    block();
            },
            Qt::QueuedConnection);
    });
}

void MyCache::syncPlayList(PlayList list) {
    PlayListStore::shared().replace(std::move(list));
}

void MyCache::removePath(const QString& key) {
    PlayListStore::shared().removePath(key);
}

void MyCache::playPathClear() {
    PlayListStore::shared().clear();
}

std::shared_ptr<const PlayList> MyCache::playList() {
    return storedList();
}

std::shared_ptr<const TrackSamples> MyCache::findGpsDatas(const QString& path) {
    const auto list = storedList();
    const PlayListEntry* entry = list ? firstWithPath(*list, path) : nullptr;
    return entry ? entry->body().samples() : nullptr;
}

bool MyCache::locationIsINChina(const QString& path) {
    const auto list = storedList();
    const PlayListEntry* entry = list ? firstWithPath(*list, path) : nullptr;
    return entry ? entry->body().isInChina.value_or(false) : true;
}

std::shared_ptr<const std::vector<DrivingEvent>> MyCache::drivingEvents(const QString& path) {
    struct Cache {
        DrivingEventThresholds thresholds;
        QHash<QString, std::shared_ptr<const std::vector<DrivingEvent>>> events;
    };
    static Cache cache;
    const DrivingEventThresholds thresholds = DrivingEventSettings::thresholds();
    const auto same = [](const DrivingEventThresholds& a, const DrivingEventThresholds& b) {
        return a.speedChangeKmhPerSecond == b.speedChangeKmhPerSecond && a.lateralG == b.lateralG &&
               a.impactG == b.impactG && a.axisJumpG == b.axisJumpG;
    };
    if (!same(thresholds, cache.thresholds)) {
        cache.events.clear();
        cache.thresholds = thresholds;
    }
    if (const auto found = cache.events.constFind(path); found != cache.events.constEnd())
        return *found;
    const auto samples = findGpsDatas(path);
    if (!samples)
        return nullptr; // not kept: the row may come later
    auto events =
        std::make_shared<const std::vector<DrivingEvent>>(detectDrivingEvents(*samples, thresholds));
    cache.events.insert(path, events);
    return events;
}

std::optional<QString> MyCache::recordTime(const QString& path) {
    const auto list = storedList();
    const PlayListEntry* entry = list ? firstWithPath(*list, path) : nullptr;
    return entry ? entry->body().recordTime : std::nullopt;
}

QVariantMap MyCache::findFileMessage(const QString& path) {
    const auto list = storedList();
    const PlayListEntry* entry = list ? firstWithPath(*list, path) : nullptr;
    QVariantMap message;
    if (!entry)
        return message;
    const PlayListEntryBody& body = entry->body();
    if (body.aevSpeed)
        message.insert("aevSpeed", *body.aevSpeed);
    if (body.maxSpeed)
        message.insert("maxSpeed", *body.maxSpeed);
    if (body.totailDistance)
        message.insert("totailDistance", *body.totailDistance);
    return message;
}

void MyCache::activatePath(const QString& path) {
    PlayListStore::shared().activatePath(path);
}

void MyCache::activateIndex(qint64 index) {
    PlayListStore::shared().activateIndex(index);
}

void MyCache::waitForWorker() {
    BatchWorker::shared().drain();
}

bool MyCache::shutdown(int timeoutMs) {
    g_quitting = true;
    QElapsedTimer timer;
    timer.start();
    const bool stopped = BatchWorker::shared().drain(timeoutMs);
    PlayListStore::shared().flush(std::max<int>(0, timeoutMs - static_cast<int>(timer.elapsed())));
    return stopped;
}
