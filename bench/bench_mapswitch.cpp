// How long switching the map provider keeps the window busy while the previous provider's reachability
// probe is stuck in a slow name look-up (2.5 s here). Prints the time of each switch on the main thread.
// Run by hand: QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 build/bin/bench_mapswitch
#include "AppManager.h"
#include "CVWebViewController.h"
#include "Reachability.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    std::atomic<int> started{0};
    Reachability::setDefaultProbe([&started](const QString&) {
        ++started;
        QThread::msleep(2500); // a name look-up that takes its time
        return Reachability::Flags(0);
    });
    CVWebViewController::setProbeHosts("google.test", "baidu.test");
    {
        CVWebViewController map;
        map.resize(400, 300);
        map.show();
        for (int i = 1; i <= 5; ++i) {
            if (!QTest::qWaitFor([&] { return started.load() >= i; }, 5000)) // the current probe is stuck
                std::printf("switch %d: the probe did not start\n", i);
            AppManager::sharedManager().setMapType(i % 2 ? AppManager::kMapBaidu : AppManager::kMapGoogle);
            QElapsedTimer clock;
            clock.start();
            map.selestMapTypeNSNotification();
            std::printf("switch %d: %lld ms on the main thread\n", i,
                        static_cast<long long>(clock.elapsed()));
        }
    }
    QTest::qWait(3000); // the last probes end
    return 0;
}
