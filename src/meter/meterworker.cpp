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
    connect(m_timer, &QTimer::timeout, this, &MeterWorker::pollTick);
    m_leqTimer = new QTimer(this);
    m_leqTimer->setObjectName("LEQTimer");
    m_leqTimer->setTimerType(Qt::PreciseTimer);
    connect(m_leqTimer, &QTimer::timeout, this, [this] {
        if (stopRequested())
            return;
        // A copy: the tick may stop the timer, which lets go of the function.
        if (const auto tick = m_leqTick)
            tick(*this);
    });
    m_delay = new QTimer(this);
    m_delay->setSingleShot(true);
    connect(m_delay, &QTimer::timeout, this, [this] {
        pollTick();
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

void MeterWorker::pollTick()
{
    if (stopRequested())
        return;
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
        pollTick();
        m_timer->start();
    } else {
        m_delay->start(delayMs);
    }
}

void MeterWorker::pressKey(std::uint8_t letter)
{
    const bool ok = m_link.sendKey(letter);
    emit keySent(letter, ok);
}

void MeterWorker::finish(QThread* home)
{
    stopPollTimer();
    stopLeqTimer();
    m_link.closeLink();
    moveToThread(home);
    QThread::currentThread()->quit();
}

// ---------------------------------------------------------------------------
// ReceiverPost

void ReceiverPost::operator()(std::function<void()> f, std::function<void()> otherwise) const
{
    // Queued to the application object, which outlives every receiver; the guard is read there,
    // on the receiver's own thread.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [receiver = m_receiver, f = std::move(f), otherwise = std::move(otherwise)] {
            if (receiver)
                f();
            else if (otherwise)
                otherwise();
        },
        Qt::QueuedConnection);
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
    // A request still queued when the stop comes is dropped: the thread is to finish.
    QMetaObject::invokeMethod(
        m_worker,
        [w = m_worker, f = std::forward<F>(f)]() mutable {
            if (!w->stopRequested())
                f();
        },
        Qt::QueuedConnection);
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
    queue([w = m_worker] { w->pollTick(); });
}

void MeterService::pressKey(std::uint8_t letter)
{
    queue([w = m_worker, letter] { w->pressKey(letter); });
}

void MeterService::runJob(QObject* receiver, PollPolicy policy, std::function<Outcome(MeterJob&)> job)
{
    const ReceiverPost post(receiver);
    QPointer<MeterService> self(this);
    queue([w = m_worker, policy, post, self, job = std::move(job)]() mutable {
        const bool pause = policy != PollPolicy::LeaveRunning;
        const bool resume = pause && w->pollTimerActive();
        if (pause)
            w->stopPollTimer();
        MeterJob context{*w, post};
        Outcome outcome = job(context);
        if (policy != PollPolicy::PauseUntilDone) {
            if (resume)
                w->startPollTimer();
            post([outcome = std::move(outcome)] { outcome(); });
            return;
        }
        post([outcome = std::move(outcome), self, resume] {
                 FollowUp next = outcome();
                 if (self)
                     self->finishJob(std::move(next), resume);
             },
             [self, resume] {
                 if (self)
                     self->finishJob({}, resume);
             });
    });
}

void MeterService::finishJob(FollowUp followUp, bool resumePoll)
{
    if (!followUp && !resumePoll)
        return;
    queue([w = m_worker, followUp = std::move(followUp), resumePoll] {
        if (followUp)
            followUp(*w);
        if (resumePoll)
            w->startPollTimer();
    });
}

void MeterService::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    // A job in progress ends at its next exchange and everything queued behind it is dropped;
    // then the worker finishes. The exchange in flight is bounded by the transport's time-outs.
    m_worker->requestStop();
    QMetaObject::invokeMethod(m_worker, [w = m_worker, home = thread()] { w->finish(home); }, Qt::QueuedConnection);
    if (!m_thread.wait(QDeadlineTimer(kStopBoundMs))) {
        qWarning("meter thread still in an exchange after %d ms; waiting for its time-out", kStopBoundMs);
        m_thread.wait();
    }
    // Reports still queued for the GUI would describe a link that no longer exists.
    QCoreApplication::removePostedEvents(this);
}

} // namespace quedral
