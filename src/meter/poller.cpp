#include "meter/poller.h"

namespace quedral {

namespace {
struct BusyGuard {
    bool& flag;
    explicit BusyGuard(bool& f) : flag(f) { flag = true; }
    ~BusyGuard() { flag = false; }
};
} // namespace

PollOutcome Poller::tick()
{
    BusyGuard busy(m_link.PollBusy);
    if (!Connected) {
        const bool answered = m_link.exchangeCommand(Letter::Identify);
        if (answered && replyPasses(ReplyCheck::Identify, m_link.MainCommand, m_link.MainReply)) {
            Connected = true;
            PollFailures = 0;
            LastProbeProblem = ProbeProblem::None;
            return PollOutcome::ConnectedNow;
        }
        switch (m_link.LastExchangeReached) {
        case MeterLink::Reached::Nothing: LastProbeProblem = ProbeProblem::NotOpened; break;
        case MeterLink::Reached::Opened: LastProbeProblem = ProbeProblem::NoAnswer; break;
        case MeterLink::Reached::Answered: LastProbeProblem = ProbeProblem::NotRecognised; break;
        }
        return PollOutcome::ProbeFailed;
    }
    if (m_link.pollReading()) {
        PollFailures = 0;
        return isUsableReading(m_link.MainReply) ? PollOutcome::Reading : PollOutcome::ReplyIgnored;
    }
    if (++PollFailures >= FailureLimit) {
        Connected = false;
        PollFailures = 0;
        return PollOutcome::ConnectionLost;
    }
    return PollOutcome::FailureCounted;
}

const char* statusTextAfter(PollOutcome outcome)
{
    switch (outcome) {
    case PollOutcome::ConnectedNow: return Status::On;
    case PollOutcome::ConnectionLost: return Status::None;
    default: return nullptr;
    }
}

QString probeProblemText(ProbeProblem problem, const QString& openProblem)
{
    switch (problem) {
    case ProbeProblem::None: return {};
    case ProbeProblem::NotOpened:
        return openProblem.isEmpty() ? QString::fromLatin1(Status::NotFound) : openProblem;
    case ProbeProblem::NoAnswer: return QString::fromLatin1(Status::NoAnswer);
    case ProbeProblem::NotRecognised: return QString::fromLatin1(Status::NotRecognised);
    }
    return {};
}

} // namespace quedral
