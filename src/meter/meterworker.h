#pragma once
// All traffic with the meter runs on one thread of its own. MeterService, made and used on the
// GUI thread, owns that thread and the MeterWorker living on it; the worker owns the transport,
// the link buffers and the poll state. Requests go to the worker as queued calls and run one
// after another, so an exchange never begins in the middle of another one: a key pressed during
// a poll goes out after it. Outcomes come back as queued signals.
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QThread>
#include <cstdint>
#include <functional>
#include <memory>

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
};

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

    // One poll tick (the MainTimer handler): probe or poll, then report.
    void MainTimerTimer();
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
    // Runs a job on the meter thread after the exchange in progress. The job has the link to
    // itself until it returns; it reports back through queued signals or invokeMethod.
    void post(std::function<void(MeterSession&)> job);

    // Ends the meter thread: waits at most kStopBoundMs for the exchange in flight, then the
    // device is closed. Safe to call twice. No request is taken afterwards.
    void stop();
    bool isRunning() const { return m_thread.isRunning(); }

signals:
    void polled(const quedral::PollReport& report);
    void keySent(std::uint8_t letter, bool ok);

private:
    template <class F>
    void queue(F&& f);

    QThread m_thread;
    MeterWorker* m_worker = nullptr;
    bool m_stopped = false;
};

} // namespace quedral

Q_DECLARE_METATYPE(quedral::PollReport)
