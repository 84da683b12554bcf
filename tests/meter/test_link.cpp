#include <gtest/gtest.h>

#include <functional>

#include "meter/meterlink.h"
#include "meter/poller.h"
#include "meter/simulator/simulatedtransport.h"
#include "base/clock.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

class LinkTest : public ::testing::Test {
protected:

    // The bytes of every usbWrite since the log was last cleared.
    std::vector<QByteArray> writes() const
    {
        std::vector<QByteArray> w;
        for (const auto& c : sim.calls())
            if (c.name == "usbWrite")
                w.push_back(c.bytes);
        return w;
    }
    void connect()
    {
        ASSERT_EQ(poller.tick(), PollOutcome::ConnectedNow);
        sim.clearCalls();
    }

    ManualClock clock;
    test::ScopedClock clockGuard{clock};
    SimulatedTransport sim{std::make_unique<SimulatedMeter>(QString(), 42)};
    MeterLink link{sim};
    Poller poller{link};
};

const QStringList kFullExchange{"usbClose", "usbOpen", "usbSetTimeouts", "usbWrite", "usbPurge", "usbRead", "usbClose"};

} // namespace

TEST_F(LinkTest, ExchangeCommandRunsTheWholeSequence)
{
    EXPECT_TRUE(link.exchangeCommand('K'));
    EXPECT_EQ(sim.callNames(), kFullExchange);
    EXPECT_EQ(sim.calls()[1].args, (std::vector<int>{0x04D9, 0xE000}));
    EXPECT_EQ(sim.calls()[2].args, (std::vector<int>{1000, 1000}));
    EXPECT_EQ(link.MainReply[23], '3');
    EXPECT_EQ(link.MainReply[24], '2');
    EXPECT_EQ(link.MainReply[25], '3');
    EXPECT_FALSE(sim.isOpen());
}

TEST_F(LinkTest, ExchangeCommandWithoutMeterFailsAndEndsClosed)
{
    sim.unplug();
    EXPECT_FALSE(link.exchangeCommand('K'));
    EXPECT_EQ(sim.callNames(), (QStringList{"usbClose", "usbOpen", "usbClose"}));
    EXPECT_FALSE(sim.isOpen());
}

TEST_F(LinkTest, StandardExchangeReturnsTheCodeOfTheFailingStep)
{
    struct Case {
        const char* name;
        std::function<void(TransportFaults&)> fault;
        int code;
        QStringList calls;
    };
    const Case cases[] = {
        {"ok", [](TransportFaults&) {}, 0, kFullExchange},
        {"open", [](TransportFaults& f) { f.openFails = true; }, 803, {"usbClose", "usbOpen", "usbClose"}},
        {"timeouts", [](TransportFaults& f) { f.timeoutsFail = true; }, 804,
         {"usbClose", "usbOpen", "usbSetTimeouts", "usbClose"}},
        {"write", [](TransportFaults& f) { f.writeFails = true; }, 805,
         {"usbClose", "usbOpen", "usbSetTimeouts", "usbWrite", "usbClose"}},
        {"no reply", [](TransportFaults& f) { f.noReply = true; }, 806, kFullExchange},
        {"wrong reply", [](TransportFaults& f) { f.alterByteIndex = 24; f.alterByteValue = '9'; }, 807, kFullExchange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.faults = {};
        c.fault(sim.faults);
        sim.clearCalls();
        ExchangeOptions options{Codes::Erase, 1000, ReplyCheck::Identify, false};
        EXPECT_EQ(link.standardExchange('K', options), c.code);
        EXPECT_EQ(sim.callNames(), c.calls);
        EXPECT_FALSE(sim.isOpen());
    }
}

TEST_F(LinkTest, StepTextsFollowTheFamily)
{
    EXPECT_STREQ(exchangeStepText(903, Codes::Information), "fail to open device");
    EXPECT_STREQ(exchangeStepText(904, Codes::Information), "fail to set timeout");
    EXPECT_STREQ(exchangeStepText(123, Codes::DownloadNext), "fail to write command to device");
    EXPECT_STREQ(exchangeStepText(709, Codes::Setting), "no response from device");
    EXPECT_STREQ(exchangeStepText(0, Codes::Setting), "");
}

TEST_F(LinkTest, KeepOpenLeavesTheDeviceForTheNextLeadingClose)
{
    ExchangeOptions options{Codes::Erase, 1000, ReplyCheck::Identify, true};
    EXPECT_EQ(link.standardExchange('K', options), 0);
    EXPECT_TRUE(sim.isOpen());
    EXPECT_EQ(sim.callNames().last(), "usbRead");
    sim.clearCalls();
    EXPECT_TRUE(link.exchangeCommand('K'));
    EXPECT_EQ(sim.callNames().first(), "usbClose");
}

TEST_F(LinkTest, EchoChecks)
{
    CommandFrame c = kEraseFrame;
    ReplyFrame r{};
    std::copy(c.begin(), c.end(), r.begin());
    EXPECT_TRUE(replyPasses(ReplyCheck::EchoAll, c, r));
    r[5] = 0; // six of the seven bytes
    EXPECT_FALSE(replyPasses(ReplyCheck::EchoAll, c, r));
    EXPECT_TRUE(replyPasses(ReplyCheck::EchoFirstTwo, c, r));
    r[1] = 'x';
    EXPECT_FALSE(replyPasses(ReplyCheck::EchoFirstTwo, c, r));
}

TEST_F(LinkTest, PollSendsTheNextSequenceAndWrapsAfter255)
{
    link.PollSequence = 254;
    EXPECT_TRUE(link.pollReading());
    EXPECT_EQ(link.MainCommand[5], 255);
    EXPECT_EQ(link.MainReply[30], 255);
    sim.clearCalls();
    EXPECT_TRUE(link.pollReading());
    EXPECT_EQ(link.PollSequence, 0);
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(writes()[0], QByteArray::fromHex("02410000000003"));
    EXPECT_EQ(sim.callNames(), kFullExchange);
}

TEST_F(LinkTest, PollBoundsItsWriteAndReadByOneSecond)
{
    ASSERT_TRUE(link.pollReading());
    ASSERT_EQ(sim.callNames(), kFullExchange);
    EXPECT_EQ(sim.calls()[2].args, (std::vector<int>{1000, 1000})) << "read, write time-outs of the 'A' poll";
}

TEST_F(LinkTest, SequenceMismatchWritesQAndTheReadingIsStillUsed)
{
    connect();
    sim.faults.alterByteIndex = 30;
    sim.faults.alterByteValue = 0x77;
    EXPECT_EQ(poller.tick(), PollOutcome::Reading);
    EXPECT_FALSE(poller.sequenceMatched());
    EXPECT_EQ(sim.callNames(), (QStringList{"usbClose", "usbOpen", "usbSetTimeouts", "usbWrite", "usbPurge",
                                            "usbRead", "usbWrite", "usbClose"}));
    ASSERT_EQ(writes().size(), 2u);
    EXPECT_EQ(writes()[1][1], 'Q');
    EXPECT_EQ(writes()[1][5], 1); // the sequence byte stays
    EXPECT_EQ(link.MainCommand[1], 'Q');
}

TEST_F(LinkTest, FailedPollReadLeavesAZeroedReply)
{
    link.MainReply.fill(0xAA);
    sim.faults.noReply = true;
    EXPECT_FALSE(link.pollReading());
    EXPECT_EQ(link.MainReply, ReplyFrame{});
    EXPECT_FALSE(sim.isOpen());
}

TEST_F(LinkTest, KeyCarriesTheLastPollSequenceAndReadsNothing)
{
    link.PollSequence = 0x2F;
    ASSERT_TRUE(link.pollReading());
    sim.clearCalls();
    EXPECT_TRUE(link.sendKey('R'));
    EXPECT_EQ(sim.callNames(), (QStringList{"usbClose", "usbOpen", "usbSetTimeouts", "usbWrite", "usbClose"}));
    EXPECT_EQ(sim.calls()[2].args, (std::vector<int>{500, 500}));
    EXPECT_EQ(writes()[0], QByteArray::fromHex("02520000003003"));
    EXPECT_TRUE(sim.meter().state().recording);
}

TEST_F(LinkTest, KeyFailsOnlyWhenOpenOrTimeoutsFail)
{
    sim.faults.openFails = true;
    EXPECT_FALSE(link.sendKey('F'));
    sim.faults = {};
    sim.faults.timeoutsFail = true;
    EXPECT_FALSE(link.sendKey('F'));
    sim.faults = {};
    sim.faults.writeFails = true;
    EXPECT_FALSE(link.sendKey('F')); // a key that did not go out is not reported as sent
    EXPECT_FALSE(sim.isOpen());
}

TEST_F(LinkTest, ProbeNeeds323)
{
    sim.faults.alterByteIndex = 25;
    sim.faults.alterByteValue = '4';
    EXPECT_EQ(poller.tick(), PollOutcome::ProbeFailed);
    EXPECT_FALSE(poller.Connected);
    sim.faults = {};
    EXPECT_EQ(poller.tick(), PollOutcome::ConnectedNow);
    EXPECT_TRUE(poller.Connected);
    EXPECT_EQ(writes()[1][1], 'K');
}

TEST_F(LinkTest, AFailedProbeSaysWhyInPlainWords)
{
    struct Case {
        const char* what;
        std::function<void(SimulatedTransport&)> fault;
        ProbeProblem problem;
        QString text;
    };
    const Case cases[] = {
        {"not found", [](SimulatedTransport& t) { t.faults.openFails = true; }, ProbeProblem::NotOpened,
         "No meter is connected"},
        {"unplugged", [](SimulatedTransport& t) { t.unplug(); }, ProbeProblem::NotOpened, "simulated meter unplugged"},
        {"time-outs refused", [](SimulatedTransport& t) { t.faults.timeoutsFail = true; }, ProbeProblem::NoAnswer,
         "The meter does not answer"},
        {"silent", [](SimulatedTransport& t) { t.faults.noReply = true; }, ProbeProblem::NoAnswer,
         "The meter does not answer"},
        {"no 323", [](SimulatedTransport& t) { t.faults.alterByteIndex = 24; }, ProbeProblem::NotRecognised,
         "The meter's reply is not recognised"},
    };
    for (const Case& c : cases) {
        c.fault(sim);
        EXPECT_EQ(poller.tick(), PollOutcome::ProbeFailed) << c.what;
        EXPECT_EQ(poller.LastProbeProblem, c.problem) << c.what;
        EXPECT_EQ(probeProblemText(poller.LastProbeProblem, sim.lastOpenProblem()), c.text) << c.what;
        sim.faults = {};
        sim.replug();
    }
    EXPECT_EQ(poller.tick(), PollOutcome::ConnectedNow);
    EXPECT_EQ(poller.LastProbeProblem, ProbeProblem::None);
    EXPECT_EQ(probeProblemText(ProbeProblem::None, "ignored"), QString());
    // The transport's own account of an open that failed (e.g. the udev rule) comes first.
    EXPECT_EQ(probeProblemText(ProbeProblem::NotOpened, "install the udev rule"), "install the udev rule");
}

TEST_F(LinkTest, FourFailuresThenAGoodPollKeepTheConnection)
{
    connect();
    sim.faults.noReply = true;
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(poller.tick(), PollOutcome::FailureCounted);
        EXPECT_EQ(poller.PollFailures, i);
    }
    sim.faults = {};
    EXPECT_EQ(poller.tick(), PollOutcome::Reading);
    EXPECT_TRUE(poller.Connected);
    EXPECT_EQ(poller.PollFailures, 0);
}

TEST_F(LinkTest, FiveFailuresDropTheConnectionAndReplugReconnects)
{
    connect();
    EXPECT_EQ(poller.tick(), PollOutcome::Reading);
    sim.unplug();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(poller.tick(), PollOutcome::FailureCounted);
    EXPECT_EQ(poller.tick(), PollOutcome::ConnectionLost);
    EXPECT_STREQ(statusTextAfter(PollOutcome::ConnectionLost), "No Connection");
    EXPECT_FALSE(poller.Connected);
    EXPECT_EQ(poller.PollFailures, 0);
    EXPECT_EQ(poller.tick(), PollOutcome::ProbeFailed);
    sim.replug();
    sim.clearCalls();
    EXPECT_EQ(poller.tick(), PollOutcome::ConnectedNow);
    EXPECT_STREQ(statusTextAfter(PollOutcome::ConnectedNow), "On Connection");
    EXPECT_EQ(writes()[0][1], 'K');
}

TEST_F(LinkTest, UnplugAfterExchangesLetsThatManyThrough)
{
    connect();
    sim.faults.unplugAfterExchanges = sim.exchanges() + 2;
    EXPECT_EQ(poller.tick(), PollOutcome::Reading);
    EXPECT_EQ(poller.tick(), PollOutcome::Reading);
    EXPECT_EQ(poller.tick(), PollOutcome::FailureCounted);
    EXPECT_FALSE(sim.isPlugged());
}

// Unplugged after two polls, back after six tries to reach it: the poll loses the connection,
// probes, and reads again; without replug-after the meter stays away.
TEST_F(LinkTest, ReplugAfterBringsAnUnpluggedMeterBack)
{
    for (const int replug : {6, -1}) {
        SCOPED_TRACE(replug);
        sim.replug();
        poller.Connected = false;
        connect();
        sim.faults.unplugAfterExchanges = sim.exchanges() + 2;
        sim.faults.replugAfterExchanges = replug;
        QList<PollOutcome> outcomes;
        for (int i = 0; i < 20; ++i)
            outcomes << poller.tick();
        EXPECT_TRUE(outcomes.contains(PollOutcome::ConnectionLost));
        const qsizetype lost = outcomes.indexOf(PollOutcome::ConnectionLost);
        EXPECT_EQ(outcomes.indexOf(PollOutcome::ConnectedNow, lost) > lost, replug >= 0);
        EXPECT_EQ(outcomes.lastIndexOf(PollOutcome::Reading) > lost, replug >= 0);
        EXPECT_EQ(sim.isPlugged(), replug >= 0);
    }
}

TEST_F(LinkTest, UnframedReplyIsIgnoredButResetsTheCount)
{
    connect();
    sim.faults.noReply = true;
    poller.tick();
    poller.tick();
    sim.faults = {};
    sim.faults.alterByteIndex = 31;
    sim.faults.alterByteValue = 0x00;
    EXPECT_EQ(poller.tick(), PollOutcome::ReplyIgnored);
    EXPECT_EQ(poller.PollFailures, 0);
}

// A level the meter cannot show (6485 dB from a garbled high byte) is not a reading: the poll
// went through, so the failure count is cleared, but nothing is applied.
TEST_F(LinkTest, ALevelTheMeterCannotShowIsNotApplied)
{
    connect();
    sim.meter().setLevelOverride(650);
    sim.faults.alterByteIndex = 5;
    sim.faults.alterByteValue = 0xFD;
    EXPECT_EQ(poller.tick(), PollOutcome::ReplyIgnored);
    EXPECT_EQ(poller.PollFailures, 0);
    sim.faults = {};
    ASSERT_EQ(poller.tick(), PollOutcome::Reading);
    EXPECT_EQ(DisplayLevel(poller.reading()), 650);
}

namespace {
// Forwards to the simulator and notes the link-busy flag at every call.
class BusySpy final : public Transport {
public:
    explicit BusySpy(Transport& t) : inner(t) {}
    void usbClose() override { note(); inner.usbClose(); }
    int usbOpen(std::uint16_t v, std::uint16_t p) override { note(); return inner.usbOpen(v, p); }
    int usbSetTimeouts(int r, int w) override { note(); return inner.usbSetTimeouts(r, w); }
    int usbWrite(int n, const std::uint8_t* f) override { note(); return inner.usbWrite(n, f); }
    void usbPurge() override { note(); inner.usbPurge(); }
    int usbRead(int n, std::uint8_t* b) override { note(); return inner.usbRead(n, b); }
    int usbWriteBlock(int n, const std::uint8_t* b) override { note(); return inner.usbWriteBlock(n, b); }
    void usbReadSerial(int i, char* b, int s) override { note(); inner.usbReadSerial(i, b, s); }
    void note() { sawIdle |= flag && !*flag; }
    Transport& inner;
    const bool* flag = nullptr;
    bool sawIdle = false;
};
} // namespace

TEST_F(LinkTest, PollBusyCoversTheWholeTick)
{
    BusySpy spy(sim);
    MeterLink spiedLink(spy);
    spy.flag = &spiedLink.PollBusy;
    Poller p(spiedLink);
    EXPECT_EQ(p.tick(), PollOutcome::ConnectedNow);
    EXPECT_EQ(p.tick(), PollOutcome::Reading);
    EXPECT_FALSE(spy.sawIdle);
    EXPECT_FALSE(spiedLink.PollBusy);
}

TEST_F(LinkTest, StopPollingWaitsAtMostTwoAndAHalfSeconds)
{
    int stopped = 0;
    bool busy = false;
    const auto t0 = clock.tickMs();
    haltPolling(busy, [&] { ++stopped; });
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(clock.tickMs(), t0);
    busy = true;
    haltPolling(busy, [&] { ++stopped; });
    EXPECT_EQ(stopped, 2);
    EXPECT_GE(clock.tickMs() - t0, 2500);
    EXPECT_LT(clock.tickMs() - t0, 2600);
}

TEST_F(LinkTest, DelayPerExchangeGoesThroughTheClock)
{
    sim.faults.delayMsPerExchange = 300;
    const auto t0 = clock.tickMs();
    EXPECT_TRUE(link.exchangeCommand('K'));
    EXPECT_EQ(clock.tickMs() - t0, 300);
}

TEST(FaultList, ParsesEachItemAndRefusesWhatItDoesNotKnow)
{
    struct Good { const char* list; std::function<bool(const TransportFaults&)> holds; };
    const Good good[] = {
        {"delay=300", [](const TransportFaults& f) { return f.delayMsPerExchange == 300 && !f.noReply; }},
        {"silent", [](const TransportFaults& f) { return f.noReply && f.silentAfterExchanges == -1; }},
        {"open-fails", [](const TransportFaults& f) { return f.openFails && !f.timeoutsFail && !f.writeFails; }},
        {"timeouts-fail", [](const TransportFaults& f) { return f.timeoutsFail && !f.openFails; }},
        {"write-fails", [](const TransportFaults& f) { return f.writeFails && !f.blockWriteFails; }},
        {"block-write-fails", [](const TransportFaults& f) { return f.blockWriteFails && !f.writeFails; }},
        {"silent-after=2", [](const TransportFaults& f) { return !f.noReply && f.silentAfterExchanges == 2; }},
        {"unplug-after=0", [](const TransportFaults& f) { return f.unplugAfterExchanges == 0; }},
        {"unplug-after=4,replug-after=6", [](const TransportFaults& f) {
             return f.unplugAfterExchanges == 4 && f.replugAfterExchanges == 6;
         }},
        {"wrong-byte=31", [](const TransportFaults& f) { return f.alterByteIndex == 31 && !f.alterByteValue; }},
        {"delay=5, silent ,wrong-byte=0", [](const TransportFaults& f) {
             return f.delayMsPerExchange == 5 && f.noReply && f.alterByteIndex == 0 && f.unplugAfterExchanges == -1;
         }},
    };
    for (const Good& g : good) {
        const ParsedFaults p = parseTransportFaults(g.list);
        EXPECT_TRUE(p.ok()) << g.list << ": " << p.error.toStdString();
        EXPECT_TRUE(g.holds(p.faults)) << g.list;
    }

    // Each refusal names the offending item.
    const struct { const char* list; const char* named; } bad[] = {
        {"", "empty"},
        {"silent,", "empty item"},
        {"loud", "\"loud\""},
        {"silent,jitter=3", "\"jitter=3\""},
        {"delay", "\"delay\""},
        {"delay=", "\"delay=\""},
        {"delay=-1", "\"delay=-1\""},
        {"delay=1.5", "\"delay=1.5\""},
        {"silent=1", "\"silent=1\""},
        {"open-fails=1", "\"open-fails=1\""},
        {"silent-after=+3", "\"silent-after=+3\""},
        {"unplug-after=x", "\"unplug-after=x\""},
        {"replug-after=-2", "\"replug-after=-2\""},
        {"wrong-byte=32", "\"wrong-byte=32\""},
    };
    for (const auto& b : bad) {
        const ParsedFaults p = parseTransportFaults(b.list);
        EXPECT_FALSE(p.ok()) << b.list;
        EXPECT_TRUE(p.error.contains(b.named)) << b.list << ": " << p.error.toStdString();
    }
}

TEST_F(LinkTest, SilentAfterAndWrongByteFaults)
{
    sim.faults.silentAfterExchanges = sim.exchanges() + 1;
    EXPECT_TRUE(link.exchangeCommand('K'));
    EXPECT_FALSE(link.exchangeCommand('K'));

    sim.faults = {};
    sim.faults.alterByteIndex = 0; // no value: the byte's bits are inverted
    ASSERT_TRUE(link.exchangeCommand('K'));
    EXPECT_EQ(link.MainReply[0], 0xFD);
}

// A family without its own code for a step still reports that step's failure:
// with the code of the nearest earlier step it has (wrong reply -> no reply -> write).
TEST_F(LinkTest, FailedStepWithoutAFamilyCodeIsNeverSuccess)
{
    auto silent = [](TransportFaults& f) { f.noReply = true; };
    auto wrong = [](TransportFaults& f) { f.alterByteIndex = 24; };
    const struct {
        const char* name;
        ExchangeCodes codes;
        std::function<void(TransportFaults&)> fault;
        int expected;
    } cases[] = {
        {"information, wrong reply", Codes::Information, wrong, 906},
        {"set time, no reply", Codes::SetTime, silent, 203},
        {"set time, wrong reply", Codes::SetTime, wrong, 203},
        {"download end, no reply", Codes::DownloadEnd, silent, 125},
        {"download end, wrong reply", Codes::DownloadEnd, wrong, 125},
        {"erase, wrong reply (own code)", Codes::Erase, wrong, 807},
    };
    for (const auto& c : cases) {
        sim.faults = {};
        c.fault(sim.faults);
        ReplyFrame reply{};
        const int code = link.standardExchange(makeCommand(Letter::Identify), reply,
                                               ExchangeOptions{c.codes, 1000, ReplyCheck::Identify, false});
        EXPECT_EQ(code, c.expected) << c.name;
        EXPECT_STRNE(exchangeStepText(code, c.codes), "") << c.name;
    }
}
