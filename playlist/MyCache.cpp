#include "MyCache.h"

#include "BatchWorker.h"
#include "MyCacheEvents.h"
#include "SettingsStore.h"
#include "VideoGpsTool.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>
#include <QThread>
#include <QtDebug>

namespace {

const PlayListEntry* firstWithPath(const PlayList& list, const QString& path) {
    for (const PlayListEntry& entry : list) {
        if (entry.path() == path)
            return &entry;
    }
    return nullptr;
}

std::shared_ptr<const PlayList> storedList() {
    return SettingsStore::shared().playList();
}

TrackInfo extract(const QString& path) {
    TrackInfo result;
    VideoGpsTool tool;
    tool.setLogSink([](LogChannel channel, std::string_view text) {
        if (channel == LogChannel::StandardOutput) {
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fflush(stdout);
        } else {
            qDebug().noquote() << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        }
    });
    tool.setResultsBlock([&result](const TrackInfo& info) { result = info; });
    tool.createVideoForGPSUrl(QFile::encodeName(path).toStdString());
    return result;
}

// Appends the batch's rows to the list as it is now, leaving out files that are present by now.
void mergeAndStore(const std::vector<PlayListEntry>& rows) {
    const auto current = storedList();
    PlayList merged = current ? *current : PlayList{};
    QSet<QString> present;
    for (const PlayListEntry& entry : merged) {
        if (entry.path())
            present.insert(*entry.path());
    }
    for (const PlayListEntry& row : rows) {
        if (row.path() && !present.contains(*row.path())) {
            present.insert(*row.path());
            merged.push_back(row);
        }
    }
    SettingsStore::shared().setPlayList(std::move(merged));
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

void MyCache::playPathArrCache(const QList<QUrl>& urls, Completion block) {
    MyCacheEvents* context = &events();
    BatchWorker::shared().enqueue([urls, block = std::move(block), context] {
        // Files already in the list (by exact key) and repeats within the batch are skipped.
        const auto atStart = storedList();
        QSet<QString> present;
        if (atStart) {
            for (const PlayListEntry& entry : *atStart) {
                if (entry.path())
                    present.insert(*entry.path());
            }
        }
        std::vector<PlayListEntry> rows;
        const int total = static_cast<int>(urls.size());
        int done = 0;
        for (const QUrl& url : urls) {
            const QString key = fileKey(url);
            if (!present.contains(key)) {
                present.insert(key);
                rows.push_back(PlayListEntry::fromTrackInfo(key, extract(url.toLocalFile())));
            }
            emit context->batchProgress(++done, total);
        }
        QMetaObject::invokeMethod(
            context,
            [rows = std::move(rows), block] {
                mergeAndStore(rows);
                if (block)
                    block();
            },
            Qt::QueuedConnection);
    });
}

void MyCache::syncPlayList(PlayList list) {
    SettingsStore::shared().setPlayList(std::move(list));
}

void MyCache::playPathClear() {
    SettingsStore::shared().removePlayList();
}

std::shared_ptr<const PlayList> MyCache::playList() {
    return storedList();
}

std::shared_ptr<const TrackSamples> MyCache::findGpsDatas(const QString& path) {
    const auto list = storedList();
    const PlayListEntry* entry = list ? firstWithPath(*list, path) : nullptr;
    return entry ? entry->body().gpsData : nullptr;
}

bool MyCache::locationIsINChina(const QString& path) {
    const auto list = storedList();
    const PlayListEntry* entry = list ? firstWithPath(*list, path) : nullptr;
    return entry ? entry->body().isInChina.value_or(false) : true;
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
    const auto list = storedList();
    PlayList marked;
    if (list) {
        marked.reserve(list->size());
        for (const PlayListEntry& entry : *list)
            marked.push_back(entry.activeYn() == false ? entry : entry.withActive(false));
        for (auto it = marked.rbegin(); it != marked.rend(); ++it) {
            if (it->path() == path) {
                *it = it->withActive(true);
                break;
            }
        }
    }
    SettingsStore::shared().setPlayList(std::move(marked));
}

void MyCache::activateIndex(qint64 index) {
    const auto list = storedList();
    PlayList marked;
    if (list) {
        marked.reserve(list->size());
        for (const PlayListEntry& entry : *list)
            marked.push_back(entry.activeYn() == false ? entry : entry.withActive(false));
        if (index >= 0 && index < static_cast<qint64>(marked.size()))
            marked[static_cast<std::size_t>(index)] =
                marked[static_cast<std::size_t>(index)].withActive(true);
    }
    SettingsStore::shared().setPlayList(std::move(marked));
}

void MyCache::waitForWorker() {
    BatchWorker::shared().drain();
}
