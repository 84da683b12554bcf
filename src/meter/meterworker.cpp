#include "meter/meterworker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include "base/clock.h"
#include "base/datetime.h"
#include "meter/transport.h"

namespace quedral {

// ---------------------------------------------------------------------------
// MeterWorker: lives on the meter thread

MeterWorker::MeterWorker(std::unique_ptr<Transport> transport)
    : m_transport(std::move(transport)), m_link(*m_transport), m_poller(m_link)
{
    qRegisterMetaType<quedral::PollReport>();
    m_timer = new QTimer(this);
    m_timer->setObjectName("MainTimer");
    m_timer->setInterval(Poller::IntervalMs);
    // A coarse timer may fire a little early and make the recording skip 0.5 s slots.
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &MeterWorker::MainTimerTimer);
    m_leqTimer = new QTimer(this);
    m_leqTimer->setObjectName("LEQTimer");
    m_leqTimer->setTimerType(Qt::PreciseTimer);
    connect(m_leqTimer, &QTimer::timeout, this, [this] {
        // A copy: the tick may stop the timer, which lets go of the function.
        if (const auto tick = m_leqTick)
            tick(*this);
    });
    m_delay = new QTimer(this);
    m_delay->setSingleShot(true);
    connect(m_delay, &QTimer::timeout, this, [this] {
        MainTimerTimer();
        m_timer->start();
    });
}

MeterWorker::~MeterWorker() = default;

void MeterWorker::stopPollTimer()
{
    m_delay->stop();
    m_timer->stop();
}

void MeterWorker::startPollTimer() { m_timer->start(); }

void MeterWorker::startLeqTimer(int intervalMs, std::function<void(MeterSession&)> tick)
{
    m_leqTick = std::move(tick);
    m_leqTimer->start(intervalMs);
}

void MeterWorker::stopLeqTimer()
{
    m_leqTimer->stop();
    m_leqTick = nullptr;
}
bool MeterWorker::pollTimerActive() const { return m_timer->isActive() || m_delay->isActive(); }

void MeterWorker::MainTimerTimer()
{
    PollReport report;
    // The reading's time is the moment its poll began, not when the exchange happened to end.
    report.startedAt = toDays(Clock::instance().now());
    report.outcome = m_poller.tick();
    report.reply = m_link.MainReply;
    report.connected = m_poller.Connected;
    if (report.outcome == PollOutcome::ProbeFailed) {
        report.probeProblem = m_poller.LastProbeProblem;
        if (report.probeProblem == ProbeProblem::NotOpened)
            report.openProblem = m_transport->lastOpenProblem();
    }
    emit polled(report);
}

void MeterWorker::startPolling(int delayMs)
{
    stopPollTimer();
    if (delayMs <= 0) {
        MainTimerTimer();
        m_timer->start();
    } else {
        m_delay->start(delayMs);
    }
}

void MeterWorker::pressKey(std::uint8_t letter)
{
    const bool ok = m_link.SendKey(letter);
    emit keySent(letter, ok);
}

void MeterWorker::finish(QThread* home)
{
    stopPollTimer();
    stopLeqTimer();
    m_link.CloseLink();
    moveToThread(home);
    QThread::currentThread()->quit();
}

// ---------------------------------------------------------------------------
// MeterService: the GUI thread's handle

MeterService::MeterService(std::unique_ptr<Transport> transport, QObject* parent)
    : QObject(parent), m_worker(new MeterWorker(std::move(transport)))
{
    m_thread.setObjectName("meter");
    m_worker->moveToThread(&m_thread);
    connect(m_worker, &MeterWorker::polled, this, &MeterService::polled, Qt::QueuedConnection);
    connect(m_worker, &MeterWorker::keySent, this, &MeterService::keySent, Qt::QueuedConnection);
    m_thread.start();
}

MeterService::~MeterService()
{
    stop();
    delete m_worker;
}

template <class F>
void MeterService::queue(F&& f)
{
    if (m_stopped)
        return;
    QMetaObject::invokeMethod(m_worker, std::forward<F>(f), Qt::QueuedConnection);
}

void MeterService::startPolling(int delayMs)
{
    queue([w = m_worker, delayMs] { w->startPolling(delayMs); });
}

void MeterService::stopPolling()
{
    queue([w = m_worker] { w->stopPollTimer(); });
}

void MeterService::pollNow()
{
    queue([w = m_worker] { w->MainTimerTimer(); });
}

void MeterService::pressKey(std::uint8_t letter)
{
    queue([w = m_worker, letter] { w->pressKey(letter); });
}

void MeterService::post(std::function<void(MeterSession&)> job)
{
    queue([w = m_worker, job = std::move(job)] { job(*w); });
}

void MeterService::stop()
{
    if (m_stopped)
        return;
    // The finishing call queues behind whatever is in progress; the wait is bounded by that
    // exchange's time-outs.
    QThread* home = thread();
    queue([w = m_worker, home] { w->finish(home); });
    m_stopped = true;
    if (!m_thread.wait(QDeadlineTimer(kStopBoundMs))) {
        qWarning("meter thread did not stop within %d ms; ending it", kStopBoundMs);
        m_thread.terminate();
        m_thread.wait();
    }
    // Reports still queued for the GUI would describe a link that no longer exists.
    QCoreApplication::removePostedEvents(this);
}

} // namespace quedral
