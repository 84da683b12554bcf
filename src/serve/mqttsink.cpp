#include "serve/mqttsink.h"

#include <QFile>

#include "serve/dailylog.h"
#include "serve/exposition.h"

namespace quedral {

namespace {

// The topic's serial number for a meter that has not told one.
const char kUnknownSerial[] = "unknown";

} // namespace

MqttSink::MqttSink(MqttOptions options, QString logDir, std::function<void(const QString&)> report,
                   QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_logDir(std::move(logDir)), m_report(std::move(report))
{
    m_replayTimer.setInterval(5);
    connect(&m_replayTimer, &QTimer::timeout, this, &MqttSink::replayChunk);
}

MqttSink::~MqttSink()
{
    stop();
}

bool MqttSink::ensurePublisher(const MeterMetrics& meter)
{
    const QString serial = meter.serial.isEmpty() ? QString::fromLatin1(kUnknownSerial) : meter.serial;
    if (serial == m_options.serial && (m_publisher || m_startFailed))
        return bool(m_publisher); // a publisher that could not start is not tried every second
    if (m_publisher) { // another meter on the same port: its own topics and its own gap
        m_replayTimer.stop();
        m_publisher->stop();
        m_gapFrom = m_gapTo = QDateTime();
    }
    m_options.serial = serial;
    m_publisher = std::make_unique<MqttPublisher>(m_options);
    m_publisher->setOnline(m_online);
    connect(m_publisher.get(), &MqttPublisher::connectedChanged, this, &MqttSink::connectedChanged);
    m_startFailed = !m_publisher->start();
    if (m_startFailed) {
        if (m_report)
            m_report(m_publisher->errorString());
        m_publisher.reset();
    }
    return !m_startFailed;
}

void MqttSink::upChanged(const MeterMetrics& meter)
{
    m_online = meter.up;
    if (ensurePublisher(meter))
        m_publisher->setOnline(m_online);
}

void MqttSink::secondClosed(const MeterMetrics& meter, const PeriodFigures& second)
{
    if (!ensurePublisher(meter))
        return;
    if (hasGap()) { // in the log already: the replay sends it in its turn
        m_gapTo = second.start;
        return;
    }
    if (m_publisher->publishSecond(periodJson(meter.serial, meter.weightingA, meter.fast, second)))
        return;
    if (m_logDir.isEmpty())
        ++m_lostSeconds;
    else
        m_gapFrom = m_gapTo = second.start;
}

void MqttSink::minuteClosed(const MeterMetrics& meter, const PeriodFigures& minute)
{
    if (ensurePublisher(meter) && !m_publisher->publishMinute(periodJson(meter.serial, meter.weightingA, meter.fast, minute)))
        ++m_lostMinutes;
}

void MqttSink::connectedChanged(bool connected)
{
    if (!connected) {
        m_replayTimer.stop(); // goes on from where it was at the next connection
        return;
    }
    if ((m_lostSeconds || m_lostMinutes) && m_report) {
        m_report(QStringLiteral("MQTT: %1 seconds and %2 minutes were not published: the broker was away longer "
                                "than the backlog holds%3")
                     .arg(m_lostSeconds)
                     .arg(m_lostMinutes)
                     .arg(m_logDir.isEmpty() ? QStringLiteral(" and there is no local log (--log)") : QString()));
        m_lostSeconds = m_lostMinutes = 0;
    }
    if (hasGap() && !m_replayTimer.isActive()) {
        if (!m_replayDay.isValid() || m_replayDay < m_gapFrom.date()) {
            m_replayDay = m_gapFrom.date();
            m_replayPos = 0;
        }
        m_replayTimer.start();
    }
}

// Sends the next lines of the gap from the day's log file, marked late.
void MqttSink::replayChunk()
{
    if (!m_publisher || !m_publisher->connected() || !hasGap()) {
        m_replayTimer.stop();
        return;
    }
    QFile file(DailyLog(m_logDir, m_options.serial).fileFor(m_replayDay));
    if (file.open(QIODevice::ReadOnly) && file.seek(m_replayPos)) {
        for (int sent = 0; sent < kReplayChunk;) {
            const QByteArray line = file.readLine();
            if (!line.endsWith('\n'))
                break; // the end of the file (the log writes whole lines only)
            m_replayPos += line.size();
            const std::optional<LoggedSecond> s = parseLogLine(QString::fromUtf8(line));
            if (!s || s->second.start < m_gapFrom)
                continue;
            if (s->second.start > m_gapTo)
                return endReplay();
            if (!m_publisher->publishSecond(periodJson(s->serial, s->weightingA, s->fast, s->second, true))) {
                m_gapFrom = s->second.start; // gone again and the backlog full: from here next time
                m_replayPos -= line.size();
                m_replayTimer.stop();
                return;
            }
            ++m_replayed;
            ++sent;
            if (s->second.start >= m_gapTo)
                return endReplay();
        }
        if (!file.atEnd())
            return; // more of this day at the next turn
    }
    // This day's file is done (or missing): on to the next, unless the gap ends here.
    if (m_replayDay >= m_gapTo.date())
        return endReplay();
    m_replayDay = m_replayDay.addDays(1);
    m_replayPos = 0;
}

void MqttSink::endReplay()
{
    m_replayTimer.stop();
    m_gapFrom = m_gapTo = QDateTime();
    m_replayDay = QDate();
    m_replayPos = 0;
}

void MqttSink::stop()
{
    m_replayTimer.stop();
    if (!m_publisher)
        return;
    if (hasGap() && m_report)
        m_report(QStringLiteral("MQTT: the seconds from %1 on were not published; they are in the local log")
                     .arg(m_gapFrom.toString(Qt::ISODate)));
    endReplay();
    m_publisher->stop();
}

} // namespace quedral
