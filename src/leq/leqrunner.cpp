#include "leq/leqrunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cerrno>
#include <cstring>

#include "base/clock.h"
#include "base/datadir.h"
#include "meter/frames.h"
#include "meter/meterlink.h"
#include "meter/meterworker.h"
#include "meter/transport.h"

namespace quedral {

QString leqLogFile()
{
    return DataDir::file(QStringLiteral("temp/LEQ.txt"));
}

LeqLog::LeqLog(const QString& fileName) : m_file(fileName) {}

bool LeqLog::open()
{
    m_whole = 0;
    m_failed = false;
    m_problem.clear();
    // Unbuffered, so that every line reaches the file (or fails) as it is appended.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        m_failed = true;
        m_problem = m_file.errorString();
        return false;
    }
    return true;
}

bool LeqLog::append(const QByteArray& line)
{
    if (m_failed || !m_file.isOpen())
        return false;
    if (m_file.write(line) == line.size()) {
        m_whole += line.size();
        return true;
    }
    // Part of the line may have reached the file: cut it back to the last whole line.
    m_failed = true;
    m_problem = m_file.error() != QFileDevice::NoError ? m_file.errorString() : QString::fromLocal8Bit(std::strerror(errno));
    m_file.resize(m_whole);
    m_file.close();
    return false;
}

std::unique_ptr<LeqLog> openLeqLog()
{
    QDir().mkpath(QFileInfo(leqLogFile()).absolutePath());
    auto log = std::make_unique<LeqLog>(leqLogFile());
    if (!log->open())
        return nullptr;
    return log;
}

void openLeqLink(MeterLink& link)
{
    // Failures here are not reported: they show as failed reads.
    link.openLink(Codes::Raw, 100);
}

LeqTick leqExchange(MeterLink& link, LeqMeasurement& measurement, LeqLog* log)
{
    Transport& t = link.transport();
    // The reading's time is when its exchange began: a slow meter must not move it on.
    const QDateTime began = Clock::instance().now();
    link.writeMainCommand(Letter::Reading);
    t.usbPurge();
    const bool ok = t.usbRead(kReplyLength, link.MainReply.data()) == 0;
    LeqTick tick = measurement.tick(ok, link.MainReply, began);
    if (!tick.logLine.isEmpty() && log && !log->failed()
        && !log->append((tick.logLine + QStringLiteral("\r\n")).toLocal8Bit()))
        tick.logProblem = QStringLiteral("%1: %2; the log ends at the last whole line")
                              .arg(QDir::toNativeSeparators(log->fileName()), log->problem());
    return tick;
}

// What lives on the meter thread between ticks.
struct LeqRunner::WorkerSide {
    LeqMeasurement measurement;
    std::unique_ptr<quedral::LeqLog> LeqLog; // temp/LEQ.txt while measuring
    bool pollWasActive = false;
    bool active = false;

    void closeLog()
    {
        if (LeqLog) {
            LeqLog->close();
            LeqLog.reset();
        }
    }
    // Stops the timer, closes the log and lets the poll run again.
    void stop(MeterSession& session)
    {
        session.stopLeqTimer();
        closeLog();
        if (active && pollWasActive)
            session.startPollTimer();
        active = false;
        pollWasActive = false;
    }
};

LeqRunner::LeqRunner(MeterService& meter, QObject* parent)
    : QObject(parent), m_meter(&meter), m_worker(std::make_shared<WorkerSide>())
{
    qRegisterMetaType<quedral::LeqRow>();
}

LeqRunner::~LeqRunner()
{
    if (m_meter)
        stop();
}

void LeqRunner::start(int durationSeconds)
{
    m_running = true;
    m_ticks = std::make_unique<QObject>();
    if (!m_meter)
        return;
    // The measurement holds the poll from its start to its end, over many jobs: it sees to the
    // poll itself.
    m_meter->run(m_ticks.get(), PollPolicy::LeaveRunning, [w = m_worker, self = this, durationSeconds](MeterJob& job) {
        MeterSession& session = job.session;
        session.stopLeqTimer();
        if (!w->active) {
            w->pollWasActive = session.pollTimerActive();
            session.stopPollTimer();
        }
        w->active = true;
        // A fresh log for every start; a log that cannot be opened only costs its lines.
        w->closeLog();
        w->LeqLog = openLeqLog();
        // The link stays open across the ticks.
        openLeqLink(session.link());
        w->measurement.start(durationSeconds);

        session.startLeqTimer(LeqMeasurement::kTickMs, [w, toRunner = job.toReceiver, self](MeterSession& s) {
            leqTick(*w, s, toRunner, self);
        });
    });
}

void LeqRunner::leqTick(WorkerSide& w, MeterSession& session, const ReceiverPost& toRunner, LeqRunner* self)
{
    const LeqTick tick = leqExchange(session.link(), w.measurement, w.LeqLog.get());
    if (tick.failedOut || tick.durationReached)
        w.stop(session);
    if (tick.row || tick.failedOut || tick.durationReached || !tick.logProblem.isEmpty())
        toRunner([self, tick] { self->onTick(tick); });
}

void LeqRunner::stop()
{
    m_running = false;
    m_ticks.reset();
    if (m_meter)
        m_meter->run(nullptr, PollPolicy::LeaveRunning, [w = m_worker](MeterJob& job) { w->stop(job.session); });
}

void LeqRunner::onTick(const LeqTick& tick)
{
    if (!tick.logProblem.isEmpty())
        emit logFailed(tick.logProblem);
    if (tick.row)
        emit rowFinished(*tick.row);
    if (tick.secondsLeft)
        emit timeLeftChanged(*tick.secondsLeft);
    if (tick.failedOut || tick.durationReached) {
        m_running = false;
        emit finished(tick.failedOut);
    }
}

} // namespace quedral
