#include "realtime/recordsession.h"

#include <algorithm>

#include "files/graphfile.h"
#include "graph/chartsetup.h"
#include "meter/reading.h"
#include "base/clock.h"
#include "base/datetime.h"

namespace quedral {

RecordSession::RecordSession(Poller& poller, int points, double rate)
    : m_poller(poller), m_points(std::max(points, 1)), m_rate(rate)
{
    m_state.RealTimeRate = static_cast<float>(rate);
}

RecordSession::Tick RecordSession::tick()
{
    Tick t;
    if (m_finished)
        return t;
    // A reading's time is when its poll began.
    const double now = toDays(Clock::instance().now());
    t.outcome = m_poller.tick();
    if (!m_started && m_poller.Connected) {
        newChart(m_chart, 1, m_points, now, now + m_rate * 510.0 * kSecondInDays, 30, 130);
        RealTimeRecorder rec(m_chart, RealTimeVars(m_state));
        rec.start(m_points, m_rate, now);
        // The first reading after the start is taken.
        m_state.RealTimeLastSample = now - m_rate * kSecondInDays;
        m_started = true;
        t.started = true;
    }
    if (m_started && t.outcome == PollOutcome::Reading) {
        RealTimeRecorder rec(m_chart, RealTimeVars(m_state));
        t.sample = rec.recordSample(displayLevelDb(m_poller.reading()), now);
        if (t.sample->full) {
            finish();
            t.finished = true;
        }
    }
    return t;
}

StopOutcome RecordSession::finish()
{
    if (m_finished)
        return m_stop;
    m_finished = true;
    if (!m_started) {
        // Never connected: an empty graph.
        const double now = toDays(Clock::instance().now());
        newChart(m_chart, 1, 0, now, now + m_rate * 510.0 * kSecondInDays, 30, 130);
        return m_stop;
    }
    RealTimeRecorder rec(m_chart, RealTimeVars(m_state));
    m_stop = rec.stop(toDays(Clock::instance().now()));
    return m_stop;
}

bool RecordSession::save(const QString& fileName, QString* error) const
{
    return saveChartState(m_chart, fileName, error);
}

QString RecordSession::pointLine(const SampleOutcome& s)
{
    return fromDays(s.time).toString(Qt::ISODate) + QLatin1Char('\t') + QString::number(s.level, 'f', 1);
}

} // namespace quedral
