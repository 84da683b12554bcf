#pragma once
// Runs the live Leq measurement on the meter thread: Start stops the poll, opens the link with
// 100 ms time-outs and the log temp/LEQ.txt, and starts the 40 ms LEQTimer; every tick reads
// one reply, writes the log line and hands what it finished to this object on the GUI thread
// as queued calls. Stop (or the end of the duration, or the 51st failed read) stops the timer,
// closes the log and lets the poll run again.
#include <QFile>
#include <QObject>
#include <QPointer>
#include <memory>

#include "leq/leqmeasurement.h"

namespace quedral {

class MeterService;
class MeterSession;

class MeterLink;

// temp/LEQ.txt in the data directory.
QString leqLogFile();
// Opens the log afresh (nullptr when it cannot be: the measurement goes on without it).
std::unique_ptr<QFile> openLeqLog();
// The link for a measurement: closed, opened, 100 ms time-outs; failures show as failed reads.
void openLeqLink(MeterLink& link);
// One tick over an open link: 'A' written, purge, one reply read and measured; the log line
// appended to log when there is one. The computer's time that stands in for an unreadable meter
// clock is read before the exchange.
LeqTick leqExchange(MeterLink& link, LeqMeasurement& measurement, QIODevice* log);

class LeqRunner : public QObject {
    Q_OBJECT
public:
    // The meter thread must have stopped before the runner goes (the main window stops it
    // first), so that no tick still queued for the runner runs after it.
    explicit LeqRunner(MeterService& meter, QObject* parent = nullptr);
    ~LeqRunner() override;

    // Start with a duration in seconds; a Start while running starts afresh (log included).
    void start(int durationSeconds);
    void stop();
    bool running() const { return m_running; }

signals:
    void rowFinished(const quedral::LeqRow& row);
    void timeLeftChanged(int secondsLeft);
    // The measurement ended by itself: the duration was reached, or reads failed (failed).
    void finished(bool failed);

private:
    struct WorkerSide;
    // The 40 ms tick on the meter thread: one exchange, the log line, what finished to the GUI.
    static void LEQTimerTimer(WorkerSide& w, MeterSession& session, LeqRunner* self, int generation);
    void onTick(const LeqTick& tick, int generation);

    QPointer<MeterService> m_meter; // gone first when the main window goes
    std::shared_ptr<WorkerSide> m_worker; // touched only on the meter thread
    bool m_running = false;
    int m_generation = 0; // ignores ticks of an earlier start that were still queued
};

} // namespace quedral

Q_DECLARE_METATYPE(quedral::LeqRow)
