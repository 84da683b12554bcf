#pragma once
// All traffic with the meter runs on one thread of its own. MeterService, made and used on the
// GUI thread, owns that thread and the MeterWorker living on it; the worker owns the transport,
// the link buffers and the poll state. Requests go to the worker as queued calls and run one
// after another, so an exchange never begins in the middle of another one: a key pressed during
// a poll goes out after it. Outcomes come back as queued signals, or to a job's receiver.
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>

#include "meter/meterlink.h"
#include "meter/poller.h"
#include "meter/reading.h"

class QTimer;

namespace quedral {

class Transport;

// What one poll tick did, as the GUI gets it.
struct PollReport {
    PollOutcome outcome = PollOutcome::ProbeFailed;
    ReplyBytes reply{};       // the reply buffer after the tick (a reading when outcome is Reading)
    double startedAt = 0;     // when the tick began (days since 30 Dec 1899): the reading's time
    bool connected = false;   // the connection state after the tick
    QString openProblem;      // why the device could not be opened, when the transport knows
    ProbeProblem probeProblem = ProbeProblem::None; // why the probe did not connect
};

// The worker's side of the link: what a job posted to the worker may use.
class MeterSession {
public:
    virtual ~MeterSession() = default;
    virtual MeterLink& link() = 0;
    virtual Poller& poller() = 0;
    virtual Transport& transport() = 0;
    // The poll timer (MainTimer): a job that holds the link for a while stops it and starts
    // it again when it is done.
    virtual void stopPollTimer() = 0;
    virtual void startPollTimer() = 0;
    virtual bool pollTimerActive() const = 0;
    // The Leq measurement's timer (LEQTimer): calls tick every intervalMs on the meter thread
    // until stopped.
    virtual void startLeqTimer(int intervalMs, std::function<void(MeterSession&)> tick) = 0;
    virtual void stopLeqTimer() = 0;
    // True once the service is being stopped: a job that runs many exchanges ends at the next
    // one, so that the thread can finish.
    virtual bool stopRequested() const = 0;
};

// How a job run by MeterService treats the live poll.
enum class PollPolicy {
    // Stopped for the job; running again as soon as the job returns, if it ran before.
    Pause,
    // Stopped for the job and its outcome; running again, if it ran before, once the receiver
    // has taken the outcome and the follow-up it returned has run on the meter thread (or at
    // once when the receiver has gone).
    PauseUntilDone,
    // Left as it is: ticks go on between the job's exchanges, or the job sees to the poll itself.
    LeaveRunning,
};

// Hands closures from the meter thread to one receiver on the GUI thread, in the order they
// are sent. A closure that arrives after the receiver has gone is dropped (otherwise runs in
// its place). Made on the GUI thread; copies may be used on any thread.
class ReceiverPost {
public:
    explicit ReceiverPost(QObject* receiver) : m_receiver(receiver) {}
    void operator()(std::function<void()> f, std::function<void()> otherwise = {}) const;

private:
    QPointer<QObject> m_receiver;
};

// What a job gets on the meter thread: the link to itself, and a way to send progress to its
// receiver ahead of the outcome.
struct MeterJob {
    MeterSession& session;
    ReceiverPost toReceiver;
};

// What a PauseUntilDone outcome asks of the meter thread before the poll runs again.
using FollowUp = std::function<void(MeterSession&)>;

class MeterWorker final : public QObject, public MeterSession {
    Q_OBJECT
public:
    explicit MeterWorker(std::unique_ptr<Transport> transport);
    ~MeterWorker() override;

    MeterLink& link() override { return m_link; }
    Poller& poller() override { return m_poller; }
    Transport& transport() override { return *m_transport; }
    void stopPollTimer() override;
    void startPollTimer() override;
    bool pollTimerActive() const override;
    void startLeqTimer(int intervalMs, std::function<void(MeterSession&)> tick) override;
    void stopLeqTimer() override;
    bool stopRequested() const override { return m_stopRequested.load(); }
    // Any thread: the poll, the Leq ticks and requests still queued do nothing from now on.
    void requestStop() { m_stopRequested.store(true); }

    // One poll tick (the MainTimer handler): probe or poll, then report.
    void pollTick();
    // Enables the poll: the first tick after delayMs (0: at once), then every 500 ms.
    void startPolling(int delayMs);
    void pressKey(std::uint8_t letter);
    // Ends the work: the timer stops, the device is closed, the worker goes back to the thread
    // that made it and its thread's event loop ends.
    void finish(QThread* home);

signals:
    void polled(const quedral::PollReport& report);
    void keySent(std::uint8_t letter, bool ok);

private:
    std::unique_ptr<Transport> m_transport;
    MeterLink m_link;
    Poller m_poller;
    QTimer* m_timer = nullptr;
    QTimer* m_delay = nullptr;
    QTimer* m_leqTimer = nullptr;
    std::function<void(MeterSession&)> m_leqTick;
    std::atomic<bool> m_stopRequested{false};
};

// The GUI thread's handle on the meter thread. Every method returns at once.
class MeterService final : public QObject {
    Q_OBJECT
public:
    // The longest a request may keep the worker busy: the slowest exchange of a tick with a
    // silent meter (read time-out, 'Q' write, close) with room to spare.
    static constexpr int kStopBoundMs = 5000;

    explicit MeterService(std::unique_ptr<Transport> transport, QObject* parent = nullptr);
    ~MeterService() override;

    // Enables the poll (first tick after delayMs, 0 = at once) / disables it. Stopping does not
    // cut short a tick in progress.
    void startPolling(int delayMs = 0);
    void stopPolling();
    // One tick out of turn, after whatever is in progress.
    void pollNow();
    // A meter key: goes out after the exchange in progress; keySent tells how it went.
    void pressKey(std::uint8_t letter);

    // Runs job(MeterJob&) on the meter thread after the exchange in progress, with the poll as
    // policy says; the job has the link to itself until it returns. Its result goes to
    // done(result) (done() for a job without one) on the GUI thread while receiver exists, and
    // is dropped once the receiver has gone; the poll runs again either way. With
    // PauseUntilDone, done may return a FollowUp for the meter thread.
    template <class Job, class Done>
    void run(QObject* receiver, PollPolicy policy, Job job, Done done);
    template <class Job>
    void run(QObject* receiver, PollPolicy policy, Job job)
    {
        run(receiver, policy, std::move(job), [](const auto&...) {});
    }

    // Ends the meter thread without cutting an exchange short: the job in progress ends at its
    // next exchange, queued requests are dropped, and the device is closed. Every exchange is
    // bounded by the transport's time-outs, so this returns within about one of them. Safe to
    // call twice. No request is taken afterwards.
    void stop();
    bool isRunning() const { return m_thread.isRunning(); }
    // True from the moment stop() begins.
    bool stopRequested() const { return m_worker->stopRequested(); }

signals:
    void polled(const quedral::PollReport& report);
    void keySent(std::uint8_t letter, bool ok);

private:
    // The outcome of a job as the GUI thread takes it: the receiver's handling of it, and what
    // the meter thread does next (empty: nothing).
    using Outcome = std::function<FollowUp()>;
    void runJob(QObject* receiver, PollPolicy policy, std::function<Outcome(MeterJob&)> job);
    // On the GUI thread after a PauseUntilDone outcome: the follow-up, then the poll again.
    void finishJob(FollowUp followUp, bool resumePoll);

    template <class Done, class... Args>
    static FollowUp handOver(Done& done, Args&... result)
    {
        if constexpr (std::is_void_v<std::invoke_result_t<Done&, Args&...>>) {
            done(result...);
            return {};
        } else {
            return done(result...);
        }
    }

    template <class F>
    void queue(F&& f);

    QThread m_thread;
    MeterWorker* m_worker = nullptr;
    bool m_stopped = false;
};

template <class Job, class Done>
void MeterService::run(QObject* receiver, PollPolicy policy, Job job, Done done)
{
    using Result = std::invoke_result_t<Job&, MeterJob&>;
    runJob(receiver, policy, [job = std::move(job), done = std::move(done)](MeterJob& context) mutable -> Outcome {
        if constexpr (std::is_void_v<Result>) {
            job(context);
            return [done]() mutable { return handOver(done); };
        } else {
            return [done, result = job(context)]() mutable { return handOver(done, result); };
        }
    });
}

} // namespace quedral

Q_DECLARE_METATYPE(quedral::PollReport)
