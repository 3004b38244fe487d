#include "MediaClock.h"

#include <cmath>

namespace {

long long quarterOf(double seconds) {
    return static_cast<long long>(std::floor(seconds / MediaClock::kStep));
}

} // namespace

std::vector<double> MediaClock::advance(double position) {
    if (!std::isfinite(position) || position < 0)
        return {};
    if (m_seekTarget) {
        if (std::fabs(position - *m_seekTarget) > kSeekSlack && ++m_staleAfterSeek <= kMaxStaleAfterSeek)
            return {}; // the engine still speaks of the place before the seek
        m_seekTarget.reset();
    }
    if (!m_last || position < *m_last) {
        // The first report of a file, or the engine went back by itself (a replay): start from here.
        m_last = position;
        return {position};
    }
    if (quarterOf(position) == quarterOf(*m_last))
        return {};
    std::vector<double> reports;
    const auto from = static_cast<long long>(std::floor(*m_last));
    const auto to = static_cast<long long>(std::floor(position));
    for (long long second = from + 1; second < to; ++second)
        reports.push_back(static_cast<double>(second));
    reports.push_back(position);
    m_last = position;
    return reports;
}

double MediaClock::restart(double position) {
    m_last = position;
    m_seekTarget = position;
    m_staleAfterSeek = 0;
    return position;
}

void MediaClock::reset() {
    m_last.reset();
    m_seekTarget.reset();
    m_staleAfterSeek = 0;
}
