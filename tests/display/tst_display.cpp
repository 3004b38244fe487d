// The dashboard driven through the module interface with a store seeded through the cache, and the gauge
// and graph rendered offscreen.
#include "AppManager.h"
#include "AppResources.h"
#include "CVDisplayViewController.h"
#include "CustomGsensorView.h"
#include "GsensorGraphGeometry.h"
#include "MyCache.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "SettingsStore.h"
#include "SpeedGaugeGeometry.h"
#include "SpeedView.h"
#include "TestFiles.h"

#include <QLabel>
#include <QTest>

namespace {

TrackSample sample(const char* lat, const char* lgt, float spd, float x = 0, float y = 0, float z = 1024) {
    return {lat, lgt, x, y, z, 0, spd};
}

PlayListEntry row(const QString& key, std::vector<TrackSample> samples, float average, float maximum,
                  float distance, bool inChina = false) {
    TrackInfo info;
    info.fileTime = "2026-12-10 03:14:54";
    info.isInChina = inChina;
    if (!samples.empty()) {
        info.videoDatas = std::move(samples);
        info.aevSpeed = average;
        info.maxSpeed = maximum;
        info.totailDistance = distance;
    }
    return PlayListEntry::fromTrackInfo(key, info);
}

QImage render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Whether a pixel near (x, y) in the view's y-up coordinates is painted in something close to `color`.
bool paintedNear(const QImage& image, double x, double yUp, const QColor& color, int reach = 2) {
    const int cx = int(std::round(x));
    const int cy = image.height() - int(std::round(yUp));
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            const QColor c = image.pixelColor(qBound(0, cx + dx, image.width() - 1),
                                              qBound(0, cy + dy, image.height() - 1));
            if (std::abs(c.red() - color.red()) < 70 && std::abs(c.green() - color.green()) < 70 &&
                std::abs(c.blue() - color.blue()) < 70)
                return true;
        }
    }
    return false;
}

// A red line one pixel wide, even when antialiasing spreads it over two columns.
bool reddishNear(const QImage& image, double x, double yUp) {
    const int cy = image.height() - int(std::round(yUp));
    for (int dx = -1; dx <= 1; ++dx) {
        const QColor c = image.pixelColor(int(std::round(x)) + dx, cy);
        if (c.red() > 90 && c.green() < c.red() / 2 && c.blue() < c.red() / 2)
            return true;
    }
    return false;
}

enum Channel { Red, Green, Blue };

// A one-pixel line whose colour is dominated by `channel` passes within a pixel of (x, y).
bool lineNear(const QImage& image, double x, double yUp, Channel channel) {
    const int cx = int(std::round(x));
    const int cy = image.height() - int(std::round(yUp));
    for (int dy = -1; dy <= 1; ++dy) {
        const QColor c = image.pixelColor(cx, cy + dy);
        const int v[3] = {c.red(), c.green(), c.blue()};
        const int other1 = v[(channel + 1) % 3];
        const int other2 = v[(channel + 2) % 3];
        if (v[channel] > 60 && v[channel] > 1.4 * other1 && v[channel] > 1.4 * other2)
            return true;
    }
    return false;
}

} // namespace

class TestDisplay : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_config;
    const QString kFile = "file:///media/drive.mp4";
    const QString kStill = "file:///media/still.mp4";
    const QString kWest = "file:///media/west.mp4";
    const QString kNoFix = "file:///media/nofix.mp4";

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        SettingsStore::resetShared();
        MyCache::syncPlayList({
            // Five seconds without a position, then a drive in the southern and western hemispheres.
            row(kFile,
                {sample("0.000000", "0.000000", 10, 512, -1024, 2048), sample("0.000000", "0.000000", 11),
                 sample("0.000000", "0.000000", 12), sample("0.000000", "0.000000", 13),
                 sample("0.000000", "0.000000", 14), sample("-33.500000", "-118.250000", 50, 256),
                 sample("22.500000", "0.000000", 51), sample("0.400000", "0.700000", 52),
                 sample("22.543210", "113.940010", 53)},
                40, 53, 36000),
            row(kStill, {sample("22.500000", "10.500000", 0)}, 0, 0, 0),
            row(kNoFix, {sample("0.000000", "0.000000", 0), sample("0.000000", "0.000000", 0)}, 0, 0, 0),
        });
        AppManager::sharedManager().setSpeedType(AppManager::kSpeedKmh);
        AppManager::sharedManager().setLanguageShowType(AppManager::kCoordinatesDecimal);
    }

    void speedRules_data() {
        QTest::addColumn<double>("raw");
        QTest::addColumn<int>("speedType");
        QTest::addColumn<int>("shown");
        QTest::newRow("50 knots in km/h") << 50.0 << 2 << 93;
        QTest::newRow("50 knots in mph (57.5 away from zero)") << 50.0 << 1 << 58;
        QTest::newRow("any other unit is mph") << 50.0 << 7 << 58;
        QTest::newRow("zero") << 0.0 << 2 << 0;
        QTest::newRow("negative rounds away from zero") << -10.0 << 1 << -12; // -11.5
    }
    void speedRules() {
        QFETCH(double, raw);
        QFETCH(int, speedType);
        QFETCH(int, shown);
        QCOMPARE(CVDisplayViewController::roundedSpeed(raw, speedType), shown);
    }

    void texts() {
        QCOMPARE(CVDisplayViewController::distanceText(36000, 2), QString("18.5 KM"));
        QCOMPARE(CVDisplayViewController::distanceText(0, 1), QString("0 MILES"));
        QCOMPARE(CVDisplayViewController::positionText(22.5f, true, 2), QString("N22°30′0″"));
        QCOMPARE(CVDisplayViewController::positionText(-118.25f, false, 2), QString("W118°15′0″"));
        QCOMPARE(CVDisplayViewController::positionText(0, true, 2), QString("0"));
        QCOMPARE(CVDisplayViewController::positionText(-33.5f, true, 1), QString("-33.500000"));
        // Read in single precision, 22.54321 is 22.5432090759…, so "%f" gives 22.543209.
        QCOMPARE(CVDisplayViewController::positionText(22.54321f, true, 1), QString("22.543209"));
        QCOMPARE(CVDisplayViewController::positionText(10.5f, false, 1), QString("10.500000"));
        QCOMPARE(CVDisplayViewController::positionText(0, false, 1), QString("0"));
        QCOMPARE(qRound(CVDisplayViewController::speedFontSize(1158)), 54);
    }

    void loadAndTicks() {
        CVDisplayViewController display;
        display.playNext(true);
        display.dataLogicProcessOfViodePath(kFile);
        display.videoAllTime(9.4);
        QCOMPARE(display.aevSpeedLabel()->text(), QString("74")); // 40 × 1.852 = 74.08
        QCOMPARE(display.maxSpeedLabel()->text(), QString("98"));
        QCOMPARE(display.distanceLabel()->text(), QString("18.5 KM"));
        QCOMPARE(display.gsensorView()->totleSecond(), 9);

        display.updateDataByCurrentTime(0.75);                 // second 0: no position yet
        QCOMPARE(display.speedLabel()->text(), QString("19")); // 10 × 1.852
        QCOMPARE(display.xlabel()->text(), QString("X=0.50"));
        QCOMPARE(display.ylabel()->text(), QString("Y=-1.00"));
        QCOMPARE(display.zlabel()->text(), QString("Z=2.00"));
        QCOMPARE(display.latiLabel()->text(), QString("—"));
        QCOMPARE(display.speedView()->speed(), 19);
        QCOMPARE(display.gsensorView()->index(), 0);

        display.updateDataByCurrentTime(5.25); // second 5 shows sample 5's own position
        QCOMPARE(display.latiLabel()->text(), QString("-33.500000"));
        QCOMPARE(display.longLabel()->text(), QString("-118.250000"));
        QCOMPARE(display.speedLabel()->text(), QString("93"));

        // The unit changes during playback: the current speed is shown again at once from the raw knots.
        AppManager::sharedManager().setSpeedType(AppManager::kSpeedMph);
        NotificationCenter::defaultCenter().post(NotificationNames::kSelectSpeed, "1");
        QCOMPARE(display.speedLabel()->text(), QString("58"));
        QCOMPARE(display.speedunit()->text(), QString("mph_speedUnit"));
        QCOMPARE(display.distanceLabel()->text(), QString("11.5 MILES")); // 36000 × 1.15 / 3600
        AppManager::sharedManager().setSpeedType(AppManager::kSpeedKmh);
        NotificationCenter::defaultCenter().post(NotificationNames::kSelectSpeed, "2");

        // Degrees, minutes and seconds.
        AppManager::sharedManager().setLanguageShowType(AppManager::kCoordinatesDms);
        NotificationCenter::defaultCenter().post(NotificationNames::kSelectLatitudeFormat, "2");
        QCOMPARE(display.latiLabel()->text(), QString("S33°30′0″"));
        QCOMPARE(display.longLabel()->text(), QString("W118°15′0″"));
        AppManager::sharedManager().setLanguageShowType(AppManager::kCoordinatesDecimal);
        NotificationCenter::defaultCenter().post(NotificationNames::kSelectLatitudeFormat, "1");

        display.updateDataByCurrentTime(6); // latitude 22.5 without a longitude: no position, nothing new
        QCOMPARE(display.latiLabel()->text(), QString("-33.500000"));
        display.updateDataByCurrentTime(7); // 0.4 and 0.7: never shown
        QCOMPARE(display.latiLabel()->text(), QString("-33.500000"));
        display.updateDataByCurrentTime(8);
        QCOMPARE(display.latiLabel()->text(), QString("22.543209"));
        display.updateDataByCurrentTime(9); // past the end: nothing changes
        display.updateDataByCurrentTime(-1);
        QCOMPARE(display.speedLabel()->text(), QString("98"));

        // Reset, then ticks before the next load: the G-sensor labels stay at zero.
        display.playNext(true);
        QCOMPARE(display.speedLabel()->text(), QString("0"));
        QCOMPARE(display.distanceLabel()->text(), QString("—"));
        display.updateDataByCurrentTime(1);
        QCOMPARE(display.xlabel()->text(), QString("X=0.0"));
        QVERIFY(display.gsensorView()->gsensorArray()->isEmpty()); // the graph emptied the shared list
    }

    void averageSpeedRule() {
        CVDisplayViewController display;
        display.dataLogicProcessOfViodePath(kFile);
        display.updateDataByCurrentTime(5); // raw 50 knots
        QCOMPARE(display.speedLabel()->text(), QString("93"));
        display.playNext(true);
        display.dataLogicProcessOfViodePath(kFile); // positive average: the last raw speed shows again
        QCOMPARE(display.speedLabel()->text(), QString("93"));
        display.playNext(true);
        display.dataLogicProcessOfViodePath(kStill); // average 0: the speed goes to 0
        QCOMPARE(display.speedLabel()->text(), QString("0"));
        display.updateDataByCurrentTime(0); // exactly 0 latitude is fine when the longitude is 10.5
        QCOMPARE(display.latiLabel()->text(), QString("22.500000"));
        QCOMPARE(display.longLabel()->text(), QString("10.500000"));
        display.dataLogicProcessOfViodePath(std::nullopt); // stopped: nothing of the last file stays
        for (QLabel* figure : {display.aevSpeedLabel(), display.maxSpeedLabel(), display.distanceLabel(),
                               display.latiLabel(), display.longLabel(), display.speedLabel()})
            QCOMPARE(figure->text(), QString("—"));
        QVERIFY(display.gsensorView()->gsensorArray()->isEmpty());
    }

    void aFileWithoutAFixShowsNoneOfThePreviousFile() {
        CVDisplayViewController display;
        display.dataLogicProcessOfViodePath(kStill);
        display.updateDataByCurrentTime(0);
        QCOMPARE(display.latiLabel()->text(), QString("22.500000"));
        display.playNext(true);
        display.dataLogicProcessOfViodePath(kNoFix);
        display.updateDataByCurrentTime(1);
        // The coordinate format changes: still no position of the file before.
        AppManager::sharedManager().setLanguageShowType(AppManager::kCoordinatesDms);
        NotificationCenter::defaultCenter().post(NotificationNames::kSelectLatitudeFormat, "2");
        QCOMPARE(display.latiLabel()->text(), QString("—"));
        QCOMPARE(display.longLabel()->text(), QString("—"));
        QCOMPARE(display.distanceLabel()->text(), QString("—"));
        QCOMPARE(display.aevSpeedLabel()->text(), QString("—"));
        AppManager::sharedManager().setLanguageShowType(AppManager::kCoordinatesDecimal);
    }

    void fontFollowsTheWindow() {
        CVDisplayViewController display;
        NotificationCenter::defaultCenter().post(NotificationNames::kImageChange, QSize(1158, 700));
        QCOMPARE(display.speedLabel()->font().pixelSize(), 54);
        QVERIFY(display.speedLabel()->font().families().contains("Barlow Condensed"));
    }

    void gaugeGeometry() {
        using namespace SpeedGaugeGeometry;
        QCOMPARE(std::round(margin(200) * 100) / 100, 15.38);
        QCOMPARE(std::round(radius(200) * 100) / 100, 84.31);
        QCOMPARE(centre(200, 200), QPointF(100, 100));
        QCOMPARE(endAngle(65), 152.5);
        QCOMPARE(endAngle(0), 215.0);
        QCOMPARE(endAngle(130), 90.0);
        QCOMPARE(endAngle(260), -35.0);
        QCOMPARE(std::round(endAngle(300) * 100) / 100, -73.46);
    }

    void gaugePixels() {
        SpeedView gauge;
        gauge.resize(200, 200);
        gauge.updateGsensorRange(65);
        const QImage image = render(gauge);
        const double r = SpeedGaugeGeometry::radius(200);
        const auto onRing = [&](double degrees) {
            const double a = degrees * M_PI / 180;
            return QPointF(100 + r * std::cos(a), 100 + r * std::sin(a));
        };
        const QColor red = AppResources::color("红色");
        const QColor yellow = AppResources::color("黄色");
        const QColor base = AppResources::color("圆低色");
        QPointF p = onRing(200); // on the speed arc, left: red-ish
        QVERIFY(paintedNear(image, p.x(), p.y(), red));
        p = onRing(160); // still on the arc, nearer the middle: toward yellow
        QVERIFY(paintedNear(image, p.x(), p.y(),
                            QColor((red.red() + yellow.red()) / 2, (red.green() + yellow.green()) / 2, 60)) ||
                paintedNear(image, p.x(), p.y(), yellow));
        p = onRing(90); // past the arc's end: the base ring
        QVERIFY(paintedNear(image, p.x(), p.y(), base, 1));
        QVERIFY(!paintedNear(image, p.x(), p.y(), yellow, 1));
        p = onRing(270); // the open bottom: nothing
        QVERIFY(paintedNear(image, p.x(), p.y(), Qt::black, 0));

        gauge.updateGsensorRange(100);
        gauge.updateGsensorRange(50); // only the shorter arc
        const QImage shorter = render(gauge);
        p = onRing(90);
        QVERIFY(!paintedNear(shorter, p.x(), p.y(), yellow, 1));
    }

    void graphGeometry() {
        using namespace GsensorGraphGeometry;
        QCOMPARE(scale(125), 20.0f);
        QCOMPARE(lineY(0, 125), 20.0f);
        QCOMPARE(lineY(4, 125), 100.0f);
        QCOMPARE(valueY(0.5, 125), 70.0f);
        QCOMPARE(axisTop(125), 105.0f);
        QCOMPARE(entryX(25, 100, 330), 105.0f);
        // A speed scale: 0 on the axis, its top on the top grid line.
        QCOMPARE(rangeY(0, 0, 80, 125), 20.0f);
        QCOMPARE(rangeY(80, 0, 80, 125), 100.0f);
        QCOMPARE(rangeY(40, 0, 80, 125), 60.0f);
    }

    void speedScaleTop_data() {
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("top");
        QTest::newRow("standing still") << 0.0 << 20.0;
        QTest::newRow("town") << 55.56 << 80.0;
        QTest::newRow("exactly a step") << 80.0 << 80.0;
        QTest::newRow("motorway") << 131.0 << 200.0;
        QTest::newRow("fast") << 241.0 << 400.0;
    }
    void speedScaleTop() {
        QFETCH(double, maximum);
        QFETCH(double, top);
        QCOMPARE(GsensorGraphGeometry::niceScaleTop(maximum), top);
    }

    void graphPixels() {
        CustomGsensorView graph;
        graph.resize(330, 125);
        auto entries = std::make_shared<GraphEntries>();
        for (int j = 0; j < 100; ++j)
            entries->append({0.5, -1.0}); // a missing third value counts as 0
        graph.setGsensorArray(entries);
        graph.setNewSecondTotle(95);
        graph.updateGsensorRange(25);
        const QImage image = render(graph);
        QVERIFY(reddishNear(image, 105, 50)); // the red cursor at x = 105
        QVERIFY(!reddishNear(image, 100, 50) && !reddishNear(image, 110, 50));
        QVERIFY(lineNear(image, 200, 70, Red));   // x = 0.5 g
        QVERIFY(lineNear(image, 200, 40, Green)); // y = −1 g
        QVERIFY(lineNear(image, 200, 60, Blue));  // z = 0 g on the zero line
        QVERIFY(!lineNear(image, 200, 80, Red) && !lineNear(image, 200, 50, Green));
        const auto light = [&](int x, int yUp) {
            const QColor c = image.pixelColor(x, image.height() - yUp);
            return std::min({c.red(), c.green(), c.blue()}) > 60;
        };
        QVERIFY(light(29, 90) || light(30, 90)); // the vertical axis, in the text colour
        QVERIFY(!light(34, 90));
        QVERIFY(!reddishNear(image, 105, 110)); // the cursor ends at 105

        graph.updateGsensorRange(100); // at the number of entries: curves hidden, cursor kept
        const QImage noCurves = render(graph);
        QVERIFY(!lineNear(noCurves, 200, 40, Green));
        QVERIFY(reddishNear(noCurves, 329, 50)); // the cursor at the right edge

        graph.clearView();
        QVERIFY(entries->isEmpty()); // the owner's list
        render(graph);
        QCOMPARE(graph.totleSecond(), 60);
    }
};

QTEST_MAIN(TestDisplay)
#include "tst_display.moc"
