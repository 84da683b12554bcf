#include "serve/meterfeed.h"

namespace quedral {

void MeterFeed::reading(const QDateTime& at, const MeterReading& r)
{
    // Figures of a period belong to the mode its readings were taken in: a changed weighting
    // or response closes the open periods under the old one first.
    if (m_metrics.level && (r.WeightingA != m_metrics.weightingA || r.Fast != m_metrics.fast))
        deliver(m_aggregator.closeAll());
    const double level = r.LevelTenths / 10.0;
    const LevelAggregator::Closed closed = m_aggregator.add(at, level);
    deliver(closed);
    ++m_metrics.readings;
    m_metrics.level = level;
    m_metrics.weightingA = r.WeightingA;
    m_metrics.fast = r.Fast;
    setUp(true);
}

void MeterFeed::failure(const QDateTime& at)
{
    ++m_metrics.failures;
    deliver(m_aggregator.closeBefore(at));
    setUp(false);
}

void MeterFeed::setUp(bool up)
{
    if (m_metrics.up == up)
        return;
    m_metrics.up = up;
    for (ReadingSink* sink : m_sinks)
        sink->upChanged(m_metrics);
}

void MeterFeed::finish()
{
    deliver(m_aggregator.closeAll());
}

void MeterFeed::deliver(const LevelAggregator::Closed& closed)
{
    if (closed.minute)
        m_metrics.minute = closed.minute;
    for (ReadingSink* sink : m_sinks) {
        if (closed.second)
            sink->secondClosed(m_metrics, *closed.second);
        if (closed.minute)
            sink->minuteClosed(m_metrics, *closed.minute);
    }
}

void LogSink::secondClosed(const MeterMetrics& meter, const PeriodFigures& second)
{
    if (!m_log || meter.serial != m_serial) {
        m_serial = meter.serial;
        m_log = std::make_unique<DailyLog>(m_dir, m_serial);
    }
    QString error;
    if (!m_log->append(second.start.date(), logLine(meter.serial, meter.weightingA, meter.fast, second), &error)) {
        ++m_failures;
        if (m_report)
            m_report(error);
    }
}

void LogSink::close()
{
    if (m_log)
        m_log->close();
}

void InfluxSink::write(const MeterMetrics& meter, const PeriodFigures& period)
{
    m_device.write(influxLine(meter.serial, meter.weightingA, meter.fast, period).toUtf8());
}

} // namespace quedral
