#pragma once

#include <optional>
#include <vector>

// Turns an engine's media positions into the time reports the modules receive. While a file plays it
// reports once per quarter second of media time and never skips a whole second, whatever the playback
// rate and however seldom the engine speaks: the whole seconds a jump passes over are reported on the way.
// A seek reports its target at once and then ignores the engine's stale positions from before it.
// Times in seconds of the file. Pure logic; the controller owns one.
class MediaClock {
public:
    static constexpr double kStep = 0.25;
    // How far from a seek's target a position may lie and still count as after the seek.
    static constexpr double kSeekSlack = 1.5;
    // Positions far from the target are ignored this often at most, so a seek the engine did not make
    // cannot freeze the clock.
    static constexpr int kMaxStaleAfterSeek = 12;

    // The reports a new position gives, in order (empty when it lies in the quarter second last reported).
    std::vector<double> advance(double position);
    // A seek to `position` (or the first position of a file): reported at once.
    double restart(double position);
    // A new file: nothing reported yet.
    void reset();

    std::optional<double> lastReported() const { return m_last; }

private:
    std::optional<double> m_last;
    std::optional<double> m_seekTarget;
    int m_staleAfterSeek = 0;
};
