// Test helper: rewrites a settings file with a large play list in a loop until it is killed.
#include "SettingsStore.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    SettingsStore store(QString::fromLocal8Bit(argv[1]));
    PlayList list;
    for (int i = 0; i < 200; ++i) {
        TrackInfo info;
        info.fileTime = "2026-12-10 03:14:54";
        info.videoDatas =
            std::vector<TrackSample>(180, TrackSample{"22.543209", "113.940010", 1, 2, 1024, 90, 45});
        info.maxSpeed = 45;
        list.push_back(PlayListEntry::fromTrackInfo(QString("file:///clip%1.mp4").arg(i), info));
    }
    store.setPlayList(list);
    for (int generation = 0;; ++generation) {
        store.setValue("generation", double(generation));
        store.setPlayList(list);
    }
}
