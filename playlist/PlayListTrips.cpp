#include "PlayListTrips.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr double kKmPerKnotSecond = 1.852 / 3600.0;

// Seconds since the epoch of "yyyy-MM-ddTHH:mm:ssZ", the form recording times are kept in; read by hand
// because a list of ten thousand rows is grouped again whenever the playing row moves.
std::optional<qint64> utcSeconds(const QString& text) {
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    const auto number = [&text](int from, int length) -> int {
        int value = 0;
        for (int i = from; i < from + length; ++i) {
            const QChar c = text[i];
            if (c < '0' || c > '9')
                return -1;
            value = value * 10 + (c.unicode() - '0');
        }
        return value;
    };
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    // Days from the civil date (the proleptic Gregorian calendar).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const qint64 days = qint64(era) * 146097 + dayOfEra - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

} // namespace

std::vector<PlayListTrips::Trip> PlayListTrips::group(const std::vector<Clip>& clips) {
    std::vector<Trip> trips;
    std::optional<Trip> open;
    qint64 openEnd = 0;
    const auto close = [&] {
        if (open && open->clipCount() >= 2)
            trips.push_back(*open);
        open.reset();
    };
    for (std::size_t row = 0; row < clips.size(); ++row) {
        const Clip& clip = clips[row];
        if (!clip.startUtc) {
            close();
            continue;
        }
        const qint64 start = *clip.startUtc;
        const qint64 end = start + std::max<qint64>(clip.seconds, 0);
        const bool continues =
            open && start >= openEnd - kMaxOverlapSeconds && start <= openEnd + kMaxGapSeconds;
        if (!continues) {
            close();
            open = Trip{row, row, start, 0, 0};
        }
        open->lastRow = row;
        open->distanceKm += clip.distanceKm;
        openEnd = continues ? std::max(openEnd, end) : end;
        open->durationSeconds = openEnd - open->startUtc;
    }
    close();
    return trips;
}

std::vector<PlayListTrips::Clip> PlayListTrips::clipsOf(const PlayList& list) {
    std::vector<Clip> clips;
    clips.reserve(list.size());
    for (const PlayListEntry& entry : list) {
        const PlayListEntryBody& body = entry.body();
        Clip clip;
        if (body.recordTime)
            clip.startUtc = utcSeconds(*body.recordTime);
        clip.seconds = static_cast<qint64>(body.sampleCount());
        clip.distanceKm = body.totailDistance ? double(*body.totailDistance) * kKmPerKnotSecond : 0;
        clips.push_back(clip);
    }
    return clips;
}

std::optional<PlayListTrips::Trip> PlayListTrips::tripOf(const std::vector<Trip>& trips, std::size_t row) {
    // Trips are in row order and do not overlap: the last one that starts at or before the row.
    const auto after = std::upper_bound(trips.begin(), trips.end(), row,
                                        [](std::size_t r, const Trip& trip) { return r < trip.firstRow; });
    if (after == trips.begin() || !std::prev(after)->contains(row))
        return std::nullopt;
    return *std::prev(after);
}
