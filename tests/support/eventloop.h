#pragma once
// Waiting on the event loop for what tests over loopback and the meter thread expect.
#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>

namespace quedral::test {

// Runs the event loop until done() holds; the deadline only keeps a broken build from hanging.
template <class Pred>
bool processUntil(Pred done, int guardMs = 10000)
{
    const QDeadlineTimer guard(guardMs);
    while (!done() && !guard.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// True once `answer` holds an HTTP answer's headers and as many body bytes as Content-Length says.
inline bool httpAnswerComplete(const QByteArray& answer)
{
    const qsizetype end = answer.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    const QByteArray head = answer.left(end).toLower();
    const qsizetype at = head.indexOf("content-length:");
    const qsizetype length = at < 0 ? 0 : head.mid(at + 15).split('\r').first().trimmed().toLongLong();
    return answer.size() >= end + 4 + length;
}

} // namespace quedral::test
