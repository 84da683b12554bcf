#include "serve/levelaggregator.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quedral {

void PeriodAccumulator::add(double level)
{
    if (m_count == 0) {
        m_max = m_min = level;
    } else {
        m_max = std::max(m_max, level);
        m_min = std::min(m_min, level);
    }
    ++m_count;
    m_energy += levelEnergy(level);
    if (m_percentiles) {
        if (!m_histogram)
            m_histogram = std::make_unique<LevelHistogram>();
        m_histogram->add(static_cast<float>(level));
    }
}

std::optional<PeriodFigures> PeriodAccumulator::figures(const QDateTime& start, int seconds) const
{
    if (m_count == 0)
        return std::nullopt;
    PeriodFigures f;
    f.start = start;
    f.seconds = seconds;
    f.readings = m_count;
    f.leq = levelOfEnergy(m_energy, static_cast<double>(m_count));
    f.lmax = m_max;
    f.lmin = m_min;
    if (m_percentiles && m_histogram) {
        const auto [lowest, highest] = m_histogram->occupied();
        const std::array<double, 2> ns{10.0, 90.0};
        std::array<double, 2> out{};
        // percentiles() wants the n in ascending order: L10 first, then L90.
        if (m_histogram->percentiles(ns, lowest, highest, out)) {
            f.l10 = out[0];
            f.l90 = out[1];
        }
    }
    return f;
}

void PeriodAccumulator::clear()
{
    m_count = 0;
    m_energy = 0;
    if (m_histogram)
        *m_histogram = LevelHistogram();
}

namespace {

// The start of the clock period of `periodMs` that `at` falls into.
QDateTime periodStart(const QDateTime& at, qint64 periodMs)
{
    const qint64 ms = at.toMSecsSinceEpoch();
    return at.addMSecs(-(((ms % periodMs) + periodMs) % periodMs));
}

} // namespace

QDateTime LevelAggregator::secondStart(const QDateTime& at)
{
    return periodStart(at, 1000);
}

QDateTime LevelAggregator::minuteStart(const QDateTime& at)
{
    return periodStart(at, 60000);
}

std::optional<PeriodFigures> LevelAggregator::takeSecond()
{
    std::optional<PeriodFigures> figures;
    if (m_secondStart.isValid())
        figures = m_second.figures(m_secondStart, 1);
    m_second.clear();
    m_secondStart = QDateTime();
    return figures;
}

std::optional<PeriodFigures> LevelAggregator::takeMinute()
{
    std::optional<PeriodFigures> figures;
    if (m_minuteStart.isValid())
        figures = m_minute.figures(m_minuteStart, 60);
    if (figures)
        m_lastMinute = figures;
    m_minute.clear();
    m_minuteStart = QDateTime();
    return figures;
}

LevelAggregator::Closed LevelAggregator::closeBefore(const QDateTime& at)
{
    Closed closed;
    if (m_secondStart.isValid() && m_secondStart.addSecs(1) <= at)
        closed.second = takeSecond();
    if (m_minuteStart.isValid() && m_minuteStart.addSecs(60) <= at)
        closed.minute = takeMinute();
    return closed;
}

LevelAggregator::Closed LevelAggregator::add(const QDateTime& at, double level)
{
    Closed closed;
    if (!isCountedLevel(static_cast<float>(level)))
        return closeBefore(at);
    const QDateTime second = secondStart(at);
    const QDateTime minute = minuteStart(at);
    // A reading in another period (later, or earlier after the clock was set back) closes the open one.
    if (m_secondStart.isValid() && m_secondStart != second)
        closed.second = takeSecond();
    if (m_minuteStart.isValid() && m_minuteStart != minute)
        closed.minute = takeMinute();
    m_secondStart = second;
    m_minuteStart = minute;
    m_second.add(level);
    m_minute.add(level);
    return closed;
}

LevelAggregator::Closed LevelAggregator::closeAll()
{
    return {takeSecond(), takeMinute()};
}

std::optional<PeriodFigures> LevelAggregator::currentMinute() const
{
    return m_minuteStart.isValid() ? m_minute.figures(m_minuteStart, 60) : std::nullopt;
}

} // namespace quedral
