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
class ReceiverPost;

class MeterLink;

// temp/LEQ.txt in the data directory.
QString leqLogFile();

// The log of a measurement, a line per reading appended as it comes. It always ends at a whole
// line: a line that cannot be written whole (a full disk) is cut off again, and the log takes
// no more lines after it, so that it never has a gap.
class LeqLog {
public:
    explicit LeqLog(const QString& fileName);
    // Opens the file afresh; false (with problem()) when it cannot be.
    bool open();
    // Appends text, a whole line with its line end. False when the log has failed, now or
    // before; problem() says why.
    bool append(const QByteArray& line);
    void close() { m_file.close(); }
    bool failed() const { return m_failed; }
    QString problem() const { return m_problem; }
    QString fileName() const { return m_file.fileName(); }

private:
    QFile m_file;
    qint64 m_whole = 0; // bytes up to the end of the last whole line
    bool m_failed = false;
    QString m_problem;
};

// Opens the log afresh (nullptr when it cannot be: the measurement goes on without it).
std::unique_ptr<LeqLog> openLeqLog();
// The link for a measurement: closed, opened, 100 ms time-outs; failures show as failed reads.
void openLeqLink(MeterLink& link);
// One tick over an open link: 'A' written, purge, one reply read and measured; the log line
// appended to log when there is one. The computer's time that stands in for an unreadable meter
// clock is read before the exchange. The tick that found the log failing carries its logProblem.
LeqTick leqExchange(MeterLink& link, LeqMeasurement& measurement, LeqLog* log);

class LeqRunner : public QObject {
    Q_OBJECT
public:
    // Ticks still queued when the runner goes are dropped.
    explicit LeqRunner(MeterService& meter, QObject* parent = nullptr);
    ~LeqRunner() override;

    // Start with a duration in seconds; a Start while running starts afresh (log included).
    void start(int durationSeconds);
    void stop();
    bool running() const { return m_running; }

signals:
    void rowFinished(const quedral::LeqRow& row);
    void timeLeftChanged(int secondsLeft);
    // The log could not take a reading (a full disk): why, and that it ends at the last whole
    // line. The measurement goes on.
    void logFailed(const QString& problem);
    // The measurement ended by itself: the duration was reached, or reads failed (failed).
    void finished(bool failed);

private:
    struct WorkerSide;
    // The 40 ms tick on the meter thread: one exchange, the log line, what finished to the GUI.
    static void leqTick(WorkerSide& w, MeterSession& session, const ReceiverPost& toRunner, LeqRunner* self);
    void onTick(const LeqTick& tick);

    QPointer<MeterService> m_meter; // gone first when the main window goes
    std::shared_ptr<WorkerSide> m_worker; // touched only on the meter thread
    bool m_running = false;
    // The receiver of the current start's ticks. Every start and stop replaces it, so that the
    // ticks of an earlier start that are still queued find no receiver and are dropped.
    std::unique_ptr<QObject> m_ticks;
};

} // namespace quedral

Q_DECLARE_METATYPE(quedral::LeqRow)
