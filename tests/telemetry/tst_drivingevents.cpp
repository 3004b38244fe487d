// Driving events found in per-second tracks: thresholds at, just below and above, wrapping headings, seconds
// without a fresh position, runs that merge, and tracks too short to compare.
#include "DrivingEvents.h"
#include "NumberText.h"
#include "TestFiles.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

struct GSensor {
    float x = 0;
    float y = 0;
    float z = 1024; // at rest: 1 g straight down
};

// A track from columns of equal length (or empty for the defaults). `positions` has one character per
// second: 'p' a position of its own, '0' none, '=' the one of the second before repeated.
std::vector<TrackSample> track(const QList<float>& speeds, const QList<float>& headings = {},
                               const QString& positions = {}, const QList<GSensor>& gsensor = {}) {
    const qsizetype count = std::max({speeds.size(), headings.size(), positions.size(), gsensor.size()});
    std::vector<TrackSample> samples;
    for (qsizetype i = 0; i < count; ++i) {
        TrackSample s;
        const QChar position = i < positions.size() ? positions[i] : QChar('p');
        if (position == '0') {
            s.gpsLat = s.gpsLgt = "0.000000";
        } else if (position == '=' && !samples.empty()) {
            s.gpsLat = samples.back().gpsLat;
            s.gpsLgt = samples.back().gpsLgt;
        } else {
            s.gpsLat = NumberText::formatFixed(22.5 + 0.0002 * double(i), 6);
            s.gpsLgt = NumberText::formatFixed(113.9 + 0.0002 * double(i), 6);
        }
        s.spd = i < speeds.size() ? speeds[i] : 30;
        s.northAngle = i < headings.size() ? headings[i] : 90;
        const GSensor g = i < gsensor.size() ? gsensor[i] : GSensor{};
        s.gsensorX = g.x;
        s.gsensorY = g.y;
        s.gsensorZ = g.z;
        samples.push_back(s);
    }
    return samples;
}

// "kind@second" for each event, space-separated.
QString describe(const std::vector<DrivingEvent>& events) {
    QStringList parts;
    for (const DrivingEvent& e : events)
        parts << QString("%1@%2").arg(drivingEventKindKey(e.kind)).arg(e.second);
    return parts.join(' ');
}

// The lateral acceleration of a heading change at a steady speed, worked out the way a reader would.
double lateralG(double knots, double degrees) {
    return knots * (1852.0 / 3600.0) * (degrees * 3.141592653589793 / 180) / 9.80665;
}

} // namespace

Q_DECLARE_METATYPE(GSensor)

class TestDrivingEvents : public QObject {
    Q_OBJECT
private slots:
    void locale() { QVERIFY(TestFiles::localeAsExpected()); }

    void speedChanges_data() {
        QTest::addColumn<QList<float>>("speeds");
        QTest::addColumn<QString>("positions");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<QString>("expected");
        const double sixKnots = 6 * 1.852; // 11.112 km/h
        QTest::newRow("7 knots gained: above 12 km/h")
            << QList<float>{30, 37} << "" << 12.0 << "hard_acceleration@1";
        QTest::newRow("6 knots lost: below 12 km/h") << QList<float>{30, 24} << "" << 12.0 << "";
        QTest::newRow("at the threshold") << QList<float>{30, 24} << "" << sixKnots << "hard_braking@1";
        QTest::newRow("just below the change")
            << QList<float>{30, 24} << "" << std::nextafter(sixKnots, 100.0) << "";
        QTest::newRow("above the threshold") << QList<float>{30, 23} << "" << sixKnots << "hard_braking@1";
        QTest::newRow("gain at the threshold")
            << QList<float>{24, 30} << "" << sixKnots << "hard_acceleration@1";
        QTest::newRow("a run is one event at its strongest second")
            << QList<float>{40, 30, 18, 10, 10} << "" << 12.0 << "hard_braking@2";
        QTest::newRow("two runs") << QList<float>{40, 30, 30, 20} << "" << 12.0
                                  << "hard_braking@1 hard_braking@3";
        QTest::newRow("braking then acceleration")
            << QList<float>{40, 30, 40} << "" << 12.0 << "hard_braking@1 hard_acceleration@2";
        QTest::newRow("cold start without a fix") << QList<float>{0, 0, 40, 41} << "00pp" << 12.0 << "";
        QTest::newRow("fix lost: position held, speed 0")
            << QList<float>{40, 0, 0, 40} << "p==p" << 12.0 << "";
        QTest::newRow("standing still at the same position, then off")
            << QList<float>{0, 0, 8} << "p=p" << 12.0 << "hard_acceleration@2";
        QTest::newRow("stopping from 5 knots may repeat the position")
            << QList<float>{5, 0, 0, 8} << "p==p" << 12.0 << "hard_acceleration@3";
        QTest::newRow("fix lost at speed: held position") << QList<float>{40, 40, 20} << "p=p" << 12.0 << "";
        QTest::newRow("threshold 0: an unchanged speed is neither")
            << QList<float>{30, 30, 31} << "" << 0.0 << "hard_acceleration@2";
        QTest::newRow("a glitch of 500 knots") << QList<float>{40, 500, 40} << "" << 12.0 << "";
        QTest::newRow("negative speed") << QList<float>{-20, 10} << "" << 12.0 << "";
        QTest::newRow("one sample") << QList<float>{40} << "" << 12.0 << "";
        QTest::newRow("empty track") << QList<float>{} << "" << 12.0 << "";
    }
    void speedChanges() {
        QFETCH(QList<float>, speeds);
        QFETCH(QString, positions);
        QFETCH(double, threshold);
        QFETCH(QString, expected);
        DrivingEventThresholds thresholds;
        thresholds.speedChangeKmhPerSecond = threshold;
        QCOMPARE(describe(detectDrivingEvents(track(speeds, {}, positions), thresholds)), expected);
    }

    void turns_data() {
        QTest::addColumn<QList<float>>("speeds");
        QTest::addColumn<QList<float>>("headings");
        QTest::addColumn<QString>("positions");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<QString>("expected");
        const QList<float> steady{20, 20};
        // At 20 knots, 0.4 g needs about 21.8 degrees a second.
        QTest::newRow("22 degrees: above 0.4 g")
            << steady << QList<float>{0, 22} << "" << 0.4 << "sharp_turn@1";
        QTest::newRow("21 degrees: below 0.4 g") << steady << QList<float>{0, 21} << "" << 0.4 << "";
        QTest::newRow("at the threshold")
            << steady << QList<float>{0, 21} << "" << lateralG(20, 21) << "sharp_turn@1";
        QTest::newRow("just below the turn")
            << steady << QList<float>{0, 21} << "" << std::nextafter(lateralG(20, 21), 1.0) << "";
        QTest::newRow("359 to 1 is 2 degrees") << steady << QList<float>{359, 1} << "" << 0.4 << "";
        QTest::newRow("1 to 359 is 2 degrees") << steady << QList<float>{1, 359} << "" << 0.4 << "";
        QTest::newRow("350 to 12 wraps to the right")
            << steady << QList<float>{350, 12} << "" << 0.4 << "sharp_turn@1";
        QTest::newRow("10 to 348 wraps to the left")
            << steady << QList<float>{10, 348} << "" << 0.4 << "sharp_turn@1";
        QTest::newRow("half a turn") << steady << QList<float>{90, 270} << "" << 0.4 << "sharp_turn@1";
        QTest::newRow("mean of the two speeds")
            << QList<float>{18, 22} << QList<float>{0, 21} << "" << lateralG(20, 21) << "sharp_turn@1";
        QTest::newRow("a run is one event at its strongest second")
            << QList<float>{20, 20, 20, 20, 20} << QList<float>{0, 25, 55, 80, 80} << "" << 0.4
            << "sharp_turn@2";
        QTest::newRow("a slalom is one run")
            << QList<float>{20, 20, 20} << QList<float>{0, 30, 0} << "" << 0.4 << "sharp_turn@1";
        QTest::newRow("heading at walking pace is noise")
            << QList<float>{4, 4} << QList<float>{0, 180} << "" << 0.4 << "";
        QTest::newRow("from 5 knots it counts")
            << QList<float>{5, 5} << QList<float>{0, 180} << "" << 0.4 << "sharp_turn@1";
        QTest::newRow("no position") << steady << QList<float>{0, 90} << "0p" << 0.4 << "";
        QTest::newRow("fix found again after a held position")
            << QList<float>{20, 20, 20} << QList<float>{0, 0, 90} << "p=p" << 0.4 << "";
        QTest::newRow("threshold 0: a straight line is no turn")
            << QList<float>{20, 20, 20} << QList<float>{90, 90, 91} << "" << 0.0 << "sharp_turn@2";
        QTest::newRow("one sample") << QList<float>{20} << QList<float>{90} << "" << 0.4 << "";
    }
    void turns() {
        QFETCH(QList<float>, speeds);
        QFETCH(QList<float>, headings);
        QFETCH(QString, positions);
        QFETCH(double, threshold);
        QFETCH(QString, expected);
        DrivingEventThresholds thresholds;
        thresholds.lateralG = threshold;
        QCOMPARE(describe(detectDrivingEvents(track(speeds, headings, positions), thresholds)), expected);
    }

    void impacts_data() {
        QTest::addColumn<QList<GSensor>>("gsensor");
        QTest::addColumn<double>("impactG");
        QTest::addColumn<double>("axisJumpG");
        QTest::addColumn<QString>("expected");
        QTest::newRow("at rest") << QList<GSensor>{{}, {}} << 1.5 << 1.0 << "";
        QTest::newRow("2.5 g is 1.5 g away from 1 g: not more")
            << QList<GSensor>{{0, 0, 2560}} << 1.5 << 1.0 << "";
        QTest::newRow("just above 2.5 g") << QList<GSensor>{{0, 0, 2561}} << 1.5 << 1.0 << "impact@0";
        QTest::newRow("every axis counts in the magnitude")
            << QList<GSensor>{{1500, -1500, 1500}} << 1.5 << 1.0 << "impact@0";
        QTest::newRow("no reading at all is 1 g away") << QList<GSensor>{{0, 0, 0}} << 1.5 << 1.0 << "";
        QTest::newRow("lower magnitude threshold")
            << QList<GSensor>{{0, 0, 2048}} << 0.9 << 1.0 << "impact@0";
        QTest::newRow("a jump of exactly 1 g") << QList<GSensor>{{}, {1024, 0, 1024}} << 1.5 << 1.0 << "";
        QTest::newRow("a jump just above 1 g")
            << QList<GSensor>{{}, {1025, 0, 1024}} << 1.5 << 1.0 << "impact@1";
        QTest::newRow("a jump down") << QList<GSensor>{{}, {0, -1100, 1024}} << 1.5 << 1.0 << "impact@1";
        QTest::newRow("lower jump threshold")
            << QList<GSensor>{{}, {600, 0, 1024}} << 1.5 << 0.5 << "impact@1";
        QTest::newRow("a bump and its way back are one event")
            << QList<GSensor>{{}, {0, 0, 3584}, {}, {}} << 1.5 << 1.0 << "impact@1";
        QTest::newRow("the knock, not the larger jump back")
            << QList<GSensor>{{}, {0, 0, 3584}, {0, 0, 900}} << 1.5 << 1.0 << "impact@1";
        QTest::newRow("a sideways knock and back")
            << QList<GSensor>{{}, {1100, 0, 1024}, {}} << 1.5 << 1.0 << "impact@1";
        QTest::newRow("two bumps") << QList<GSensor>{{}, {0, 0, 3584}, {}, {}, {0, 0, 3584}} << 1.5 << 1.0
                                   << "impact@1 impact@4";
    }
    void impacts() {
        QFETCH(QList<GSensor>, gsensor);
        QFETCH(double, impactG);
        QFETCH(double, axisJumpG);
        QFETCH(QString, expected);
        DrivingEventThresholds thresholds;
        thresholds.impactG = impactG;
        thresholds.axisJumpG = axisJumpG;
        // Impacts need no position: the G-sensor reads without a fix too.
        const QString noFix(gsensor.size(), '0');
        QCOMPARE(describe(detectDrivingEvents(track({}, {}, noFix, gsensor), thresholds)), expected);
        QCOMPARE(describe(detectDrivingEvents(track({}, {}, {}, gsensor), thresholds)), expected);
    }

    void figuresOfAnEvent() {
        auto events = detectDrivingEvents(track({40, 30, 18, 25}));
        QCOMPARE(events.size(), std::size_t(2));
        QCOMPARE(events[0].kind, DrivingEventKind::HardBraking);
        QCOMPARE(events[0].second, std::size_t(2));
        QCOMPARE(events[0].speedKnots, 18.0f);
        QCOMPARE(events[0].value, -12 * 1.852);
        QCOMPARE(events[1].kind, DrivingEventKind::HardAcceleration);
        QCOMPARE(events[1].value, 7 * 1.852);

        events = detectDrivingEvents(track({20, 20}, {350, 15}));
        QCOMPARE(events.size(), std::size_t(1));
        QCOMPARE(events[0].speedKnots, 20.0f);
        QVERIFY(std::fabs(events[0].value - lateralG(20, 25)) < 1e-12);
        QVERIFY(events[0].value > 0);

        // The bump: 3.5 g measured, 2.5 g from rest, up by 2.5 g on z.
        events = detectDrivingEvents(track({12, 12}, {}, {}, {{}, {0, 0, 3584}}));
        QCOMPARE(events.size(), std::size_t(1));
        QCOMPARE(events[0].speedKnots, 12.0f);
        QCOMPARE(events[0].value, 2.5);
    }

    void eventsOfOneSecondInKindOrder() {
        const auto events = detectDrivingEvents(track({40, 20}, {0, 30}, {}, {{}, {0, 0, 3584}}));
        QCOMPARE(describe(events), QString("hard_braking@1 sharp_turn@1 impact@1"));
    }

    void runsOfDifferentKindsOverlap() {
        // A long braking with a bump in the middle: each kind keeps its own run.
        const auto events =
            detectDrivingEvents(track({60, 50, 40, 30, 20}, {}, {}, {{}, {}, {0, 0, 3584}, {}, {}}));
        QCOMPARE(describe(events), QString("hard_braking@1 impact@2"));
    }

    void kindKeys() {
        QCOMPARE(drivingEventKindKey(DrivingEventKind::HardBraking), "hard_braking");
        QCOMPARE(drivingEventKindKey(DrivingEventKind::HardAcceleration), "hard_acceleration");
        QCOMPARE(drivingEventKindKey(DrivingEventKind::SharpTurn), "sharp_turn");
        QCOMPARE(drivingEventKindKey(DrivingEventKind::Impact), "impact");
    }

    void notFiniteFiguresAreNoEvents() {
        const float inf = std::numeric_limits<float>::infinity();
        QCOMPARE(describe(detectDrivingEvents(track({40, inf, 40}))), QString());
        QCOMPARE(describe(detectDrivingEvents(track({20, 20}, {0, inf}))), QString());
    }
};

QTEST_GUILESS_MAIN(TestDrivingEvents)
#include "tst_drivingevents.moc"
