// Drives the play-list store from its own process, so that tests can kill it at any moment:
//   store_driver add FILE...          adds the files in one batch; prints "stored KEY" for each row on disk
//   store_driver list                 opens the store (importing a settings list) and prints every row
//   store_driver settings ROWS SAMPLES writes a settings file in the older format, the list inside it
// The store is the one under $XDG_CONFIG_HOME. SIGTERM quits the way the player does.
#include "MyCache.h"
#include "MyCacheEvents.h"
#include "PlayListStore.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QUrl>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t sent = ::write(g_signalPipe[0], &byte, 1);
}

PlayList settingsRows(int rows, int samples) {
    PlayList list;
    for (int r = 0; r < rows; ++r) {
        TrackInfo info;
        info.fileSize = 100.5f;
        info.fileTime = "2026-12-10 03:14:54";
        std::vector<TrackSample> track;
        for (int s = 0; s < samples; ++s)
            track.push_back({"22.5" + std::to_string(10000 + s), "113.9" + std::to_string(10000 + s), 1, 2, 3,
                             float(s % 360), float(s % 90)});
        info.videoDatas = std::move(track);
        info.maxSpeed = 89;
        info.aevSpeed = 44.5f;
        info.totailDistance = float(samples) * 44.5f;
        list.push_back(PlayListEntry::fromTrackInfo(QString("file:///media/clip%1.MP4").arg(r), info));
    }
    return list;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return 2;
    const QString mode = args.first();
    if (mode == "settings" && args.size() == 3) {
        SettingsStore store(SettingsStore::defaultFilePath());
        store.setValue("userSpeed", "1");
        store.setPlayList(settingsRows(args.at(1).toInt(), args.at(2).toInt()));
        return store.flush() ? 0 : 1;
    }
    if (mode == "list") {
        const auto list = PlayListStore::shared().list();
        std::printf("rows %d\n", list ? int(list->size()) : -1);
        for (const PlayListEntry& entry : list ? *list : PlayList{}) {
            const auto samples = entry.body().samples();
            std::printf("row %s %d\n", qPrintable(entry.path().value_or("(none)")),
                        samples ? int(samples->size()) : -1);
        }
        return 0;
    }
    if (mode != "add")
        return 2;

    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe);
    QSocketNotifier quit(g_signalPipe[1], QSocketNotifier::Read);
    QObject::connect(&quit, &QSocketNotifier::activated, &app, [] { QCoreApplication::exit(0); });
    std::signal(SIGTERM, onSignal);

    QList<QUrl> urls;
    for (const QString& file : args.mid(1))
        urls << QUrl::fromLocalFile(file);
    QObject::connect(&MyCache::events(), &MyCacheEvents::rowStored, &app, [](const QString& key) {
        std::printf("stored %s\n", qPrintable(key));
        std::fflush(stdout);
    });
    MyCache::playPathArrCache(urls, [] {
        std::printf("done\n");
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    const int status = app.exec();
    if (!MyCache::shutdown(800)) {
        std::printf("left a file being read\n");
        std::fflush(stdout);
        std::_Exit(status);
    }
    return status;
}
