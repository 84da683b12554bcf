#pragma once
// The levels of one meter gathered per clock second and per clock minute: Leq, Lmax and Lmin
// of each, and per minute L10 and L90 as well.
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "stats/noisestats.h"

namespace quedral {

// One closed period: its start, how many readings it holds and their figures.
struct PeriodFigures {
    QDateTime start;            // the clock second or minute the readings fell into
    int seconds = 1;            // 1 or 60
    std::int64_t readings = 0;  // counted readings
    double leq = 0;
    double lmax = 0;
    double lmin = 0;
    std::optional<double> l10, l90; // per minute only
};

// Gathers the readings of one period; Leq is the energy mean (stats' levelEnergy, levelOfEnergy).
class PeriodAccumulator {
public:
    explicit PeriodAccumulator(bool percentiles) : m_percentiles(percentiles) {}
    void add(double level);
    bool isEmpty() const { return m_count == 0; }
    // The figures so far (nothing when empty); the accumulator stays as it is.
    std::optional<PeriodFigures> figures(const QDateTime& start, int seconds) const;
    void clear();

private:
    bool m_percentiles;
    std::int64_t m_count = 0;
    double m_energy = 0;
    double m_max = 0;
    double m_min = 0;
    std::unique_ptr<LevelHistogram> m_histogram; // made at the first level, minute periods only
};

// Readings arrive in time order (the 500 ms poll). A reading in a later second or minute
// closes the one before; closeBefore closes them when no reading comes (the meter gone, the
// service stopping). Only levels the meter measures count (isCountedLevel).
class LevelAggregator {
public:
    struct Closed {
        std::optional<PeriodFigures> second;
        std::optional<PeriodFigures> minute;
    };

    LevelAggregator() : m_second(false), m_minute(true) {}

    Closed add(const QDateTime& at, double level);
    // Closes the periods that ended at or before `at`.
    Closed closeBefore(const QDateTime& at);
    // Closes whatever is open.
    Closed closeAll();
    // The minute being gathered so far (what /metrics shows between minutes).
    std::optional<PeriodFigures> currentMinute() const;
    // The last minute closed, if any.
    const std::optional<PeriodFigures>& lastMinute() const { return m_lastMinute; }

    static QDateTime secondStart(const QDateTime& at);
    static QDateTime minuteStart(const QDateTime& at);

private:
    // The open second or minute closed and emptied: its figures, if it held any (a minute's
    // kept as the last one).
    std::optional<PeriodFigures> takeSecond();
    std::optional<PeriodFigures> takeMinute();

    PeriodAccumulator m_second, m_minute;
    QDateTime m_secondStart, m_minuteStart;
    std::optional<PeriodFigures> m_lastMinute;
};

} // namespace quedral
