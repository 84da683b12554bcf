#include "leq/leqrunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

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

std::unique_ptr<QFile> openLeqLog()
{
    QDir().mkpath(QFileInfo(leqLogFile()).absolutePath());
    auto log = std::make_unique<QFile>(leqLogFile());
    if (!log->open(QIODevice::WriteOnly | QIODevice::Truncate))
        return nullptr;
    return log;
}

void openLeqLink(MeterLink& link)
{
    // Failures here are not reported: they show as failed reads.
    link.OpenLink(Codes::Raw, 100);
}

LeqTick leqExchange(MeterLink& link, LeqMeasurement& measurement, QIODevice* log)
{
    Transport& t = link.transport();
    // The reading's time is when its exchange began: a slow meter must not move it on.
    const QDateTime began = Clock::instance().now();
    link.WriteMainCommand(Letter::Reading);
    t.UsbPurge();
    const bool ok = t.UsbRead(kReplyLength, link.MainReply.data()) == 0;
    const LeqTick tick = measurement.tick(ok, link.MainReply, began);
    if (!tick.logLine.isEmpty() && log)
        log->write((tick.logLine + QStringLiteral("\r\n")).toLocal8Bit());
    return tick;
}

// What lives on the meter thread between ticks.
struct LeqRunner::WorkerSide {
    LeqMeasurement measurement;
    std::unique_ptr<QFile> LeqLog; // temp/LEQ.txt while measuring
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
    const int generation = ++m_generation;
    if (!m_meter)
        return;
    m_meter->post([w = m_worker, self = this, durationSeconds, generation](MeterSession& session) {
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

        session.startLeqTimer(LeqMeasurement::kTickMs, [w, self, generation](MeterSession& s) {
            LEQTimerTimer(*w, s, self, generation);
        });
    });
}

void LeqRunner::LEQTimerTimer(WorkerSide& w, MeterSession& session, LeqRunner* self, int generation)
{
    const LeqTick tick = leqExchange(session.link(), w.measurement, w.LeqLog.get());
    if (tick.failedOut || tick.durationReached)
        w.stop(session);
    if (tick.row || tick.failedOut || tick.durationReached)
        QMetaObject::invokeMethod(self, [self, tick, generation] { self->onTick(tick, generation); },
                                  Qt::QueuedConnection);
}

void LeqRunner::stop()
{
    m_running = false;
    ++m_generation;
    if (m_meter)
        m_meter->post([w = m_worker](MeterSession& session) { w->stop(session); });
}

void LeqRunner::onTick(const LeqTick& tick, int generation)
{
    if (generation != m_generation)
        return;
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
