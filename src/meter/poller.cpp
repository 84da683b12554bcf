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
        if (m_link.ExchangeCommand(Letter::Identify)
            && replyPasses(ReplyCheck::Identify, m_link.MainCommand, m_link.MainReply)) {
            Connected = true;
            PollFailures = 0;
            return PollOutcome::ConnectedNow;
        }
        return PollOutcome::ProbeFailed;
    }
    if (m_link.PollReading()) {
        PollFailures = 0;
        return isFramedReading(m_link.MainReply) ? PollOutcome::Reading : PollOutcome::ReplyIgnored;
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

} // namespace quedral
