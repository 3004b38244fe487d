#include "PlayListTrips.h"

#include <QTest>

using Clip = PlayListTrips::Clip;

// A trip as the test writes it: first row, last row, duration in seconds.
struct Span {
    std::size_t first;
    std::size_t last;
    qint64 duration;
    friend bool operator==(const Span&, const Span&) = default;
};
Q_DECLARE_METATYPE(std::vector<Clip>)
Q_DECLARE_METATYPE(std::vector<Span>)

namespace {
constexpr qint64 kT = 1717230600; // 2024-06-01 08:30:00 UTC

Clip at(qint64 offset, qint64 seconds = 60, double km = 1) {
    return Clip{kT + offset, seconds, km};
}
Clip noGps() {
    return Clip{std::nullopt, 0, 0};
}

QString text(const std::vector<Span>& spans) {
    QStringList parts;
    for (const Span& s : spans)
        parts << QString("%1-%2/%3s").arg(s.first).arg(s.last).arg(s.duration);
    return parts.join(' ');
}
} // namespace

class TestPlayListTrips : public QObject {
    Q_OBJECT
private slots:
    void grouping_data() {
        QTest::addColumn<std::vector<Clip>>("clips");
        QTest::addColumn<std::vector<Span>>("trips");
        QTest::newRow("one drive in three clips")
            << std::vector<Clip>{at(0), at(60), at(120)} << std::vector<Span>{{0, 2, 180}};
        QTest::newRow("gap of ten seconds continues, eleven does not")
            << std::vector<Clip>{at(0), at(70), at(141), at(201)}
            << std::vector<Span>{{0, 1, 130}, {2, 3, 120}};
        QTest::newRow("overlap of five seconds continues, six does not")
            << std::vector<Clip>{at(0), at(55), at(109), at(169)}
            << std::vector<Span>{{0, 1, 115}, {2, 3, 120}};
        QTest::newRow("clock jumps back") << std::vector<Clip>{at(0), at(60), at(-3600), at(-3540)}
                                          << std::vector<Span>{{0, 1, 120}, {2, 3, 120}};
        QTest::newRow("clock jumps ahead a day")
            << std::vector<Clip>{at(0), at(86400), at(86460)} << std::vector<Span>{{1, 2, 120}};
        QTest::newRow("a clip without GPS splits a drive")
            << std::vector<Clip>{at(0), at(60), noGps(), at(120), at(180)}
            << std::vector<Span>{{0, 1, 120}, {3, 4, 120}};
        QTest::newRow("lone clips are no trip")
            << std::vector<Clip>{at(0), noGps(), at(3600)} << std::vector<Span>{};
        QTest::newRow("short clip inside a longer one keeps the longer end")
            << std::vector<Clip>{at(0, 120), at(118, 1), at(121)} << std::vector<Span>{{0, 2, 181}};
        QTest::newRow("empty list") << std::vector<Clip>{} << std::vector<Span>{};
    }
    void grouping() {
        QFETCH(std::vector<Clip>, clips);
        QFETCH(std::vector<Span>, trips);
        std::vector<Span> got;
        for (const PlayListTrips::Trip& trip : PlayListTrips::group(clips))
            got.push_back({trip.firstRow, trip.lastRow, trip.durationSeconds});
        QCOMPARE(text(got), text(trips));
    }

    void totalsAndLookup() {
        const auto trips =
            PlayListTrips::group({at(0, 60, 1.5), at(60, 60, 2.25), noGps(), at(200), at(260)});
        QCOMPARE(trips.size(), std::size_t(2));
        QCOMPARE(trips[0].distanceKm, 3.75);
        QCOMPARE(trips[0].startUtc, kT);
        QCOMPARE(trips[0].clipCount(), std::size_t(2));
        QCOMPARE(PlayListTrips::tripOf(trips, 1)->firstRow, std::size_t(0));
        QVERIFY(!PlayListTrips::tripOf(trips, 2));
        QCOMPARE(PlayListTrips::tripOf(trips, 4)->firstRow, std::size_t(3));
        QVERIFY(!PlayListTrips::tripOf(trips, 9));
    }

    void rowsOfAStoredList() {
        // The recording time is UTC text; the distance is kept in knot-seconds.
        auto body = std::make_shared<PlayListEntryBody>();
        body->path = "file:///a.mp4";
        body->recordTime = "2024-06-01T08:30:00Z";
        body->storedSampleCount = 60;
        body->totailDistance = 3600.0f; // one knot for an hour
        auto bad = std::make_shared<PlayListEntryBody>();
        bad->path = "file:///b.mp4";
        bad->recordTime = "2024-13-01T08:30:00Z";
        auto leap = std::make_shared<PlayListEntryBody>();
        leap->recordTime = "2024-02-29T23:59:59Z";
        const auto clips =
            PlayListTrips::clipsOf({PlayListEntry(body), PlayListEntry(bad), PlayListEntry(leap)});
        QCOMPARE(clips.size(), std::size_t(3));
        QCOMPARE(clips[2].startUtc, std::optional<qint64>(1709251199));
        QCOMPARE(clips[0].startUtc, std::optional<qint64>(kT));
        QCOMPARE(clips[0].seconds, qint64(60));
        QVERIFY(qAbs(clips[0].distanceKm - 1.852) < 1e-4);
        QVERIFY(!clips[1].startUtc);
    }
};

QTEST_GUILESS_MAIN(TestPlayListTrips)
#include "tst_playlisttrips.moc"
