// The map bridge under Qt WebEngine with stand-in pages that record their calls, every non-local request
// blocked and the reachability probe faked.
#include "AppManager.h"
#include "BDTransUtil.h"
#include "CVWebViewController.h"
#include "MyCache.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "NumberText.h"
#include "Reachability.h"
#include "SettingsStore.h"

#include <QLabel>
#include <QMutex>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <atomic>

namespace {

// Blocks every request that leaves the machine and remembers it. Requests are intercepted on WebEngine's
// own thread.
class BlockRemote : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QUrl url = info.requestUrl();
        if (url.isLocalFile() || url.scheme() == "data" || url.scheme() == "about" || url.scheme() == "qrc")
            return;
        const QMutexLocker lock(&m_mutex);
        m_blocked << url.toString();
        info.block(true);
    }
    QStringList blocked() const {
        const QMutexLocker lock(&m_mutex);
        return m_blocked;
    }
    void clear() {
        const QMutexLocker lock(&m_mutex);
        m_blocked.clear();
    }

private:
    mutable QMutex m_mutex;
    QStringList m_blocked;
};

std::atomic<Reachability::Flags> g_flags{Reachability::kReachable};

PlayListEntry row(const QString& key, bool inChina, std::vector<TrackSample> samples) {
    TrackInfo info;
    info.isInChina = inChina;
    info.videoDatas = std::move(samples);
    info.maxSpeed = 1;
    info.aevSpeed = 1;
    info.totailDistance = 1;
    return PlayListEntry::fromTrackInfo(key, info);
}

TrackSample at(const char* lat, const char* lgt) {
    return {lat, lgt, 0, 0, 1024, 0, 10};
}

QString g17(double v) {
    return QString::fromStdString(NumberText::formatG17(v));
}

QStringList pageCalls(QWebEngineView* view) {
    QStringList calls;
    bool done = false;
    view->page()->runJavaScript("window.kestrunCalls || []", [&](const QVariant& result) {
        calls = result.toStringList();
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        qWarning() << "the page did not answer";
    return calls;
}

// The shipped page's own account of what it shows, as JSON text.
QString mapState(QWebEngineView* view) {
    QString state;
    bool done = false;
    view->page()->runJavaScript("JSON.stringify(kestrunMapState())", [&](const QVariant& result) {
        state = result.toString();
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 5000))
        qWarning() << "the page did not answer";
    return state;
}

} // namespace

class TestMapBridge : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_config;
    BlockRemote m_interceptor;
    const QString kOutside = "file:///media/outside.mp4";
    const QString kInside = "file:///media/inside.mp4";

    void setMap(int type) {
        AppManager::sharedManager().setMapType(type);
        NotificationCenter::defaultCenter().post(NotificationNames::kSelectMapType, QString::number(type));
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        qputenv("KESTRUN_MAP_DIR", QByteArray(KESTRUN_TEST_DATA "/map"));
        SettingsStore::resetShared();
        Reachability::setDefaultProbe([](const QString&) { return g_flags.load(); });
        CVWebViewController::setProbeHosts("google.test", "baidu.test");
        CVWebViewController::setRequestInterceptor(&m_interceptor);
        MyCache::syncPlayList({
            row(kOutside, false,
                {at("22.500000", "113.940000"), at("0.000000", "0.000000"), at("22.600000", "114.000000")}),
            row(kInside, true, {at("22.543209", "113.940010")}),
        });
        AppManager::sharedManager().setMapType(0);
    }

    void googleAndBaiduScripts() {
        g_flags = Reachability::kReachable;
        CVWebViewController map;
        map.resize(400, 300);
        map.show();
        QVERIFY(map.webview()->isHidden() || !map.pageLoaded());
        QSignalSpy loaded(&map, &CVWebViewController::pageFinished);
        QVERIFY(loaded.wait(20000));
        QVERIFY(!map.webview()->isHidden());

        // Google, track outside China: objects, single-precision values widened.
        map.dataLogicProcessOfViodePath(kOutside);
        const QString googleRoute = "drawPolyLinePath([{\"lat\":22.5,\"lng\":113.94000244140625},{\"lat\":22."
                                    "600000381469727,\"lng\":114}])";
        QCOMPARE(map.sentScripts().last(), googleRoute);
        map.clearSentScripts();
        map.updateDataByCurrentTime(0.5);
        map.updateDataByCurrentTime(1.5); // a second without a position: the marker stays
        map.updateDataByCurrentTime(2.25);
        map.updateDataByCurrentTime(3); // past the end
        map.updateDataByCurrentTime(-1);
        QCOMPARE(map.sentScripts(),
                 (QStringList{"updateMarkerPosition({\"lat\":22.5,\"lng\":113.94000244140625})",
                              "updateMarkerPosition({\"lat\":22.600000381469727,\"lng\":114})"}));
        map.zoomInOut();
        QCOMPARE(map.sentScripts().last(),
                 QString("updateNewCenterPosition({\"lat\":22.600000381469727,\"lng\":114})"));
        QTRY_VERIFY(pageCalls(map.webview())
                        .contains("updateNewCenterPosition {\"lat\":22.600000381469727,\"lng\":114}"));

        // Switching to Baidu during playback: nothing until the new page has loaded, then the route once and
        // the car where it stood (second 2), in Baidu's coordinates, without waiting for the video to move.
        map.clearSentScripts();
        QSignalSpy reloaded(&map, &CVWebViewController::pageFinished);
        setMap(1);
        QVERIFY(map.isAgain());
        map.updateDataByCurrentTime(0);
        QVERIFY(map.sentScripts().isEmpty());
        QVERIFY(reloaded.wait(20000));
        QVERIFY(!map.isAgain());
        QCOMPARE(map.sentScripts(),
                 (QStringList{"drawPolyLinePath([[113.94000244140625,22.5],[114,22.600000381469727]])",
                              "updateMarkerPosition([114,22.600000381469727])"}));
        map.updateDataByCurrentTime(2);
        QCOMPARE(map.sentScripts().last(), QString("updateMarkerPosition([114,22.600000381469727])"));
        QTRY_COMPARE(pageCalls(map.webview()).size(), 3);

        // Inside China: BD-09 for Baidu, GCJ-02 for Google.
        map.dataLogicProcessOfViodePath(kInside);
        const auto bd = BDTransUtil::wgs2bdLat(22.543209f, 113.940010f);
        QCOMPARE(map.sentScripts().last(), "drawPolyLinePath([[" + g17(bd[0]) + "," + g17(bd[1]) + "]])");
        setMap(0);
        QVERIFY(reloaded.wait(20000));
        const auto gcj = BDTransUtil::wgs2gcjLat(22.543209, 113.940010);
        QCOMPARE(map.sentScripts().last(),
                 "drawPolyLinePath([{\"lat\":" + g17(gcj[0]) + ",\"lng\":" + g17(gcj[1]) + "}])");
        // The stand-in pages ask for nothing remote.
        QVERIFY2(m_interceptor.blocked().isEmpty(), qPrintable(m_interceptor.blocked().join(", ")));
    }

    void networkTransitions() {
        // Unreachable from the start: the page loads all the same and is told to show its banner.
        g_flags = 0;
        CVWebViewController map;
        map.show();
        QSignalSpy loaded(&map, &CVWebViewController::pageFinished);
        QVERIFY(loaded.wait(20000));
        QVERIFY(map.webview()->isVisible()); // never hidden
        QVERIFY(map.offline());
        const QString offlineCall = "setOffline(true,\"" + map.teeet()->text() + "\")";
        QCOMPARE(map.teeet()->text(), QString("请检查网络连接"));
        QCOMPARE(map.sentScripts(), QStringList{offlineCall});

        // A file while offline: its route is drawn and the marker follows the video.
        map.clearSentScripts();
        map.dataLogicProcessOfViodePath(kOutside);
        QVERIFY(map.sentScripts().last().startsWith("drawPolyLinePath("));
        map.updateDataByCurrentTime(0);
        QCOMPARE(map.sentScripts().last(),
                 QString("updateMarkerPosition({\"lat\":22.5,\"lng\":113.94000244140625})"));

        // Back: the banner goes, the page is not reloaded, so route and marker stay and ticks go on.
        map.clearSentScripts();
        g_flags = Reachability::kReachable;
        map.monitor()->recheck();
        QTRY_VERIFY(!map.offline());
        QCOMPARE(map.sentScripts(), QStringList{"setOffline(false)"});
        QTest::qWait(200);
        QCOMPARE(loaded.size(), 1);
        map.updateDataByCurrentTime(2);
        QCOMPARE(map.sentScripts().last(),
                 QString("updateMarkerPosition({\"lat\":22.600000381469727,\"lng\":114})"));

        // Lost again: the banner comes back; the map and the marker stay.
        map.clearSentScripts();
        g_flags = 0;
        map.monitor()->recheck();
        QTRY_VERIFY(map.offline());
        QVERIFY(!map.isAgain());
        QVERIFY(map.webview()->isVisible());
        QCOMPARE(map.sentScripts(), QStringList{offlineCall});
        map.updateDataByCurrentTime(0);
        QCOMPARE(map.sentScripts().size(), 2);
    }

    void offlineAcrossAMapChange() {
        // Offline, a map change loads the other page, which draws the route and shows the banner.
        g_flags = 0;
        CVWebViewController map;
        map.show();
        QSignalSpy loaded(&map, &CVWebViewController::pageFinished);
        QVERIFY(loaded.wait(20000));
        map.dataLogicProcessOfViodePath(kOutside);
        map.clearSentScripts();
        setMap(1);
        QVERIFY(loaded.wait(20000));
        QCOMPARE(map.sentScripts(),
                 (QStringList{"drawPolyLinePath([[113.94000244140625,22.5],[114,22.600000381469727]])",
                              "setOffline(true,\"" + map.teeet()->text() + "\")"}));
        setMap(0);
        QVERIFY(loaded.wait(20000));
    }

    void mapChangeStopsThePreviousMonitor() {
        g_flags = Reachability::kReachable;
        CVWebViewController map;
        const auto first = map.monitor();
        setMap(1);
        QVERIFY(!first->isRunning());
        QCOMPARE(map.monitor()->host(), QString("baidu.test"));
        setMap(0);
        QCOMPARE(map.monitor()->host(), QString("google.test"));
    }

    void realPagesDrawTheRoute() {
        // The shipped pages, tiles blocked: the route and marker still arrive.
        qputenv("KESTRUN_MAP_DIR", QByteArray(KESTRUN_MAP_PAGES));
        g_flags = Reachability::kReachable;
        for (const int type : {0, 1}) {
            AppManager::sharedManager().setMapType(type);
            CVWebViewController map;
            map.resize(400, 300);
            map.show();
            QSignalSpy loaded(&map, &CVWebViewController::pageFinished);
            QVERIFY(loaded.wait(20000));
            map.dataLogicProcessOfViodePath(kOutside);
            map.updateDataByCurrentTime(2);
            QVariant state;
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    bool done = false;
                    map.webview()->page()->runJavaScript("JSON.stringify(kestrunMapState())",
                                                         [&](const QVariant& r) {
                                                             state = r;
                                                             done = true;
                                                         });
                    return QTest::qWaitFor([&] { return done; }, 5000) &&
                           state.toString().contains("\"routePoints\":2");
                }(),
                20000);
            QVERIFY2(state.toString().contains("22.6"), qPrintable(state.toString())); // the marker

            // Offline: the page keeps the route and marker, draws its base map and shows the banner.
            g_flags = 0;
            map.monitor()->recheck();
            QTRY_VERIFY(map.offline());
            QString offline;
            QTRY_VERIFY2_WITH_TIMEOUT(
                (offline = mapState(map.webview())).contains("\"banner\":\"" + map.teeet()->text() + "\""),
                qPrintable(offline + " after " + map.sentScripts().join("; ")), 20000);
            QVERIFY2(offline.contains("\"routePoints\":2") && offline.contains("\"shown\":true"),
                     qPrintable(offline));
            // Back online: the banner goes, route and marker stay.
            g_flags = Reachability::kReachable;
            map.monitor()->recheck();
            QTRY_VERIFY(!map.offline());
            QString online;
            QTRY_VERIFY_WITH_TIMEOUT((online = mapState(map.webview())).contains("\"banner\":null"), 20000);
            QVERIFY2(online.contains("\"routePoints\":2") && online.contains("22.6"), qPrintable(online));
        }
        // The shipped pages ask the tile servers, and the blocking saw it: it would see a stand-in's request.
        QTRY_VERIFY(!m_interceptor.blocked().isEmpty());
        m_interceptor.clear();
        AppManager::sharedManager().setMapType(0);
        qputenv("KESTRUN_MAP_DIR", QByteArray(KESTRUN_TEST_DATA "/map"));
    }

    void tripsDrawEveryClipAndTheSpeedColours() {
        // Three clips of one drive (the second with a second without a position) and a lone one.
        const auto clip = [](const QString& key, const char* start, std::vector<TrackSample> samples) {
            TrackInfo info;
            info.isInChina = false;
            info.videoDatas = std::move(samples);
            return PlayListEntry::fromTrackInfo(key, info, QString(start));
        };
        MyCache::syncPlayList({
            clip("file:///media/a.mp4", "2024-06-01T08:30:00Z", {at("22.500000", "113.940000")}),
            clip("file:///media/b.mp4", "2024-06-01T08:30:01Z",
                 {at("0.000000", "0.000000"), at("22.510000", "113.950000")}),
            clip("file:///media/c.mp4", "2024-06-01T08:30:03Z", {at("22.520000", "113.960000")}),
            clip("file:///media/d.mp4", "2024-06-01T10:00:00Z", {at("22.530000", "113.970000")}),
        });
        g_flags = Reachability::kReachable;
        CVWebViewController map;
        QSignalSpy loaded(&map, &CVWebViewController::pageFinished);
        map.dataLogicProcessOfViodePath(QString("file:///media/b.mp4"));
        QVERIFY(loaded.wait(20000));
        QCOMPARE(map.tripClipCount(), 3);
        QCOMPARE(map.tripCurrent(), 1);
        // Every clip's points and speeds (10 knots in km/h), the playing one second in the list.
        const QString speed = g17(10 * 1.852);
        const QString trip =
            "drawTrip([{\"points\":[{\"lat\":22.5,\"lng\":113.94000244140625}],\"speeds\":[" + speed +
            "]},{\"points\":[{\"lat\":22.510000228881836,\"lng\":113.94999694824219}]," + "\"speeds\":[" +
            speed +
            "]},{\"points\":[{\"lat\":22.520000457763672,\"lng\":" + "113.95999908447266}],\"speeds\":[" +
            speed + "]}],1)";
        QCOMPARE(map.sentScripts().last(), trip);
        QTRY_VERIFY(pageCalls(map.webview()).join('\n').contains("drawTrip [[{\"points\""));
        // A clip outside any trip is drawn alone, as before.
        map.dataLogicProcessOfViodePath(QString("file:///media/d.mp4"));
        QCOMPARE(map.tripClipCount(), 1);
        QVERIFY(map.sentScripts().last().startsWith("drawPolyLinePath("));
        // Colours by speed: switched in the settings, the legend in the unit in force.
        SettingsStore::shared().setValue("routeSpeedColours", true);
        map.clearSentScripts();
        NotificationCenter::defaultCenter().post(NotificationNames::kRouteColours, QVariant());
        // The lone route is sent again with its speeds, which colour it.
        QCOMPARE(
            map.sentScripts(),
            (QStringList{"setSpeedColours(true,{\"factor\":1,\"name\":\"km/h\"})",
                         "drawTrip([{\"points\":[{\"lat\":22.530000686645508,\"lng\":113.97000122070312}],"
                         "\"speeds\":[" +
                             speed + "]}],0)"}));
        AppManager::sharedManager().setSpeedType(AppManager::kSpeedMph);
        NotificationCenter::defaultCenter().post(NotificationNames::kSelectSpeed, QString("1"));
        QCOMPARE(map.sentScripts().at(map.sentScripts().size() - 2),
                 "setSpeedColours(true,{\"factor\":" + g17(1.15 / 1.852) + ",\"name\":\"mph\"})");
        AppManager::sharedManager().setSpeedType(AppManager::kSpeedKmh);
        SettingsStore::shared().remove("routeSpeedColours");
        // After Clear List (no file), nothing of the last route stays to be drawn or clicked.
        map.dataLogicProcessOfViodePath(std::nullopt);
        QCOMPARE(map.tripClipCount(), 0);
        QVERIFY(map.route().isEmpty());
    }

    void imageHeightFollowsTheWindow() {
        CVWebViewController map;
        NotificationCenter::defaultCenter().post(NotificationNames::kImageChange, QSize(1680, 900));
        QCOMPARE(map.imageH(), 50); // 1680 × 5/168
    }
};

// Qt WebEngine wants shared OpenGL contexts set before the application object exists.
static const bool kShareContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

QTEST_MAIN(TestMapBridge)
#include "tst_mapbridge.moc"
