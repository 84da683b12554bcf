#pragma once
#include <QString>

#include "meter/meterlink.h"
#include "meter/reading.h"

namespace quedral {

// What one poll tick did; the GUI and the CLI act on it.
enum class PollOutcome {
    ProbeFailed,    // not connected and the 'K' probe got no "323": nothing changes
    ConnectedNow,   // the probe succeeded: show "On Connection", enable the meter commands
    Reading,        // a framed reading is in MainReply: apply it (reading())
    ReplyIgnored,   // the poll succeeded but the reply is not framed, or shows a level the meter
                    // cannot show (isUsableReading): nothing to apply
    FailureCounted, // the poll failed; PollFailures is below the limit
    ConnectionLost, // the fifth failure in a row: disable the meter commands, "No Connection"
};

// Why the last probe did not connect.
enum class ProbeProblem {
    None,          // it connected (or no probe has run)
    NotOpened,     // the meter could not be opened: not plugged in, or no permission
    NoAnswer,      // the meter was opened but took no time-outs or did not answer the probe
    NotRecognised, // it answered, without "323"
};

// The 500 ms poll state machine: probe with 'K' while disconnected, poll with 'A' while
// connected, drop the connection after five failed polls in a row.
class Poller {
public:
    static constexpr int IntervalMs = 500;
    static constexpr int FailureLimit = 5;

    explicit Poller(MeterLink& link) : m_link(link) {}

    bool Connected = false;
    int PollFailures = 0;
    ProbeProblem LastProbeProblem = ProbeProblem::None;

    // One timer tick; PollBusy is set for its whole run.
    PollOutcome tick();
    // The reading in the link's MainReply (meaningful after PollOutcome::Reading).
    MeterReading reading() const { return decodeReading(m_link.MainReply); }
    // True when the last reading echoed the sequence number that was sent.
    bool sequenceMatched() const { return m_link.MainReply[30] == m_link.PollSequence; }
    MeterLink& link() { return m_link; }

private:
    MeterLink& m_link;
};

// The status bar text after an outcome, or nullptr when it does not change.
// (Before the first successful probe the GUI shows Status::Off.)
const char* statusTextAfter(PollOutcome outcome);

// Why the meter is not connected, in plain words, for the status bar: the transport's own
// account when the device could not be opened (openProblem: not found, no permission), else
// Status::NotFound; Status::NoAnswer for a meter that is there but silent. Empty for None.
QString probeProblemText(ProbeProblem problem, const QString& openProblem);

} // namespace quedral
