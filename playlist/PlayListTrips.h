#pragma once

#include "PlayListEntry.h"

#include <QtGlobal>

#include <cstddef>
#include <optional>
#include <vector>

// Trips: runs of consecutive play-list rows whose records continue one another, as a camera writes one
// drive as a row of one- to three-minute clips. A clip's records start at its recording time and last one
// second per sample; the next clip belongs to the same trip when it starts at most kMaxGapSeconds after
// the clip before ends, and not more than kMaxOverlapSeconds before it ends (a clock that jumps is not a
// drive that continues). A clip without a recording time ends the trip before it and starts none.
class PlayListTrips {
public:
    PlayListTrips() = delete;

    static constexpr qint64 kMaxGapSeconds = 10;
    static constexpr qint64 kMaxOverlapSeconds = 5;

    // What grouping needs of one row.
    struct Clip {
        std::optional<qint64> startUtc; // seconds since the epoch of its first record
        qint64 seconds = 0;             // how many seconds its records span
        double distanceKm = 0;
    };
    // A trip of two or more rows: its rows (first and last, inclusive) and what it adds up to.
    struct Trip {
        std::size_t firstRow = 0;
        std::size_t lastRow = 0;
        qint64 startUtc = 0;
        qint64 durationSeconds = 0; // from the first clip's start to the last clip's end
        double distanceKm = 0;

        std::size_t clipCount() const { return lastRow - firstRow + 1; }
        bool contains(std::size_t row) const { return row >= firstRow && row <= lastRow; }
    };

    static std::vector<Trip> group(const std::vector<Clip>& clips);
    // The rows of a play list as clips: the recording time and the number of samples each row keeps, and
    // its distance (the summary's knot-seconds in kilometres).
    static std::vector<Clip> clipsOf(const PlayList& list);
    // The trip that holds a row, when it is in one.
    static std::optional<Trip> tripOf(const std::vector<Trip>& trips, std::size_t row);
};
