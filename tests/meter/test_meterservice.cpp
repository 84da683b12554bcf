// MeterService: jobs on the meter thread with a poll policy, outcomes to a receiver whose
// lifetime is guarded, and a stop that lets the exchange in flight end instead of killing it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <atomic>
#include <memory>
#include <thread>

#include "base/clock.h"
#include "meter/frames.h"
#include "meter/meterlink.h"
#include "meter/meterworker.h"
#include "meter/simulator/simulatedmeter.h"
#include "meter/simulator/simulatedtransport.h"
#include "support/eventloop.h"
#include "support/heldtransport.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

using test::processUntil;

class MeterServiceTest : public ::testing::Test {
protected:
    MeterServiceTest()
    {
        auto simulated = std::make_unique<SimulatedTransport>(std::make_unique<SimulatedMeter>(QString(), 3));
        sim = simulated.get();
        auto held = std::make_unique<test::HeldTransport>(std::move(simulated));
        transport = held.get();
        service = std::make_unique<MeterService>(std::move(held));
    }

    // Whether the poll timer runs, seen from the meter thread after everything queued so far.
    bool pollRunning()
    {
        QObject receiver;
        std::optional<bool> running;
        service->run(&receiver, PollPolicy::LeaveRunning, [](MeterJob& job) { return job.session.pollTimerActive(); },
                     [&](bool r) { running = r; });
        EXPECT_TRUE(processUntil([&] { return running.has_value(); }));
        return running.value_or(false);
    }
    // Waits until every outcome queued so far has been handed over.
    void drain()
    {
        QObject receiver;
        bool done = false;
        service->run(&receiver, PollPolicy::LeaveRunning, [](MeterJob&) {}, [&] { done = true; });
        EXPECT_TRUE(processUntil([&] { return done; }));
    }
    void setPoll(bool running)
    {
        if (running)
            service->startPolling(0);
        else
            service->stopPolling();
        ASSERT_EQ(pollRunning(), running);
    }

    test::ScopedDataDir data;
    ManualClock clock; // the simulated meter's delays pass at once
    test::ScopedClock clockGuard{clock};
    SimulatedTransport* sim = nullptr; // owned by the service
    test::HeldTransport* transport = nullptr;
    std::unique_ptr<MeterService> service;
};

TEST_F(MeterServiceTest, FirstPollComesAtOnceNotAfterATimerInterval)
{
    QSignalSpy polled(service.get(), &MeterService::polled);
    service->startPolling(0);
    // The job queues behind the start: the first tick has already run by then.
    drain();
    ASSERT_GE(polled.count(), 1);
    EXPECT_EQ(polled.first().first().value<PollReport>().outcome, PollOutcome::ConnectedNow);
}

TEST_F(MeterServiceTest, TheJobsPolicySaysWhetherThePollPausesAndItRunsAgainAsItWas)
{
    struct Case {
        const char* what;
        PollPolicy policy;
        bool runningBefore;
        bool runningDuring;
    };
    const Case cases[] = {
        {"pause, poll on", PollPolicy::Pause, true, false},
        {"pause, poll off", PollPolicy::Pause, false, false},
        {"leave running, poll on", PollPolicy::LeaveRunning, true, true},
        {"leave running, poll off", PollPolicy::LeaveRunning, false, false},
        {"until done, poll on", PollPolicy::PauseUntilDone, true, false},
        {"until done, poll off", PollPolicy::PauseUntilDone, false, false},
    };
    for (const Case& c : cases) {
        setPoll(c.runningBefore);
        QObject receiver;
        std::optional<bool> during;
        std::optional<bool> inFollowUp;
        service->run(&receiver, c.policy, [](MeterJob& job) { return job.session.pollTimerActive(); },
                     [&](bool running) -> FollowUp {
                         during = running;
                         return [&inFollowUp](MeterSession& s) { inFollowUp = s.pollTimerActive(); };
                     });
        ASSERT_TRUE(processUntil([&] { return during.has_value(); })) << c.what;
        EXPECT_EQ(*during, c.runningDuring) << c.what;
        EXPECT_EQ(pollRunning(), c.runningBefore) << c.what;
        if (c.policy == PollPolicy::PauseUntilDone) {
            // The follow-up runs before the poll comes back.
            EXPECT_EQ(inFollowUp, std::optional<bool>(false)) << c.what;
        } else {
            EXPECT_FALSE(inFollowUp.has_value()) << c.what << ": only PauseUntilDone has a follow-up";
        }
    }
}

TEST_F(MeterServiceTest, OutcomesAndProgressGoToTheReceiverInOrderAsTheirOwnTypes)
{
    QObject receiver;
    QStringList seen;
    service->run(
        &receiver, PollPolicy::Pause,
        [&seen](MeterJob& job) {
            for (int n = 1; n <= 3; ++n)
                job.toReceiver([&seen, n] { seen << QStringLiteral("progress %1").arg(n); });
            return QStringLiteral("done");
        },
        [&](const QString& outcome) { seen << outcome; });
    bool voidJobDone = false;
    service->run(&receiver, PollPolicy::Pause, [](MeterJob&) {}, [&] { voidJobDone = true; });
    ASSERT_TRUE(processUntil([&] { return voidJobDone; }));
    EXPECT_EQ(seen, QStringList({"progress 1", "progress 2", "progress 3", "done"}));
}

TEST_F(MeterServiceTest, AReceiverGoneBeforeTheOutcomeGetsNoCallAndThePollRunsAgain)
{
    for (const PollPolicy policy : {PollPolicy::Pause, PollPolicy::PauseUntilDone}) {
        setPoll(true);
        auto* receiver = new QObject;
        bool called = false;
        bool followedUp = false;
        service->run(
            receiver, policy,
            [&called](MeterJob& job) {
                job.toReceiver([&called] { called = true; });
                return 1;
            },
            [&](int) -> FollowUp {
                called = true;
                return [&followedUp](MeterSession&) { followedUp = true; };
            });
        // Gone before the event loop could hand anything over.
        delete receiver;
        drain();
        EXPECT_FALSE(called);
        EXPECT_TRUE(pollRunning()) << "the poll stays paused for an outcome nobody takes";
        EXPECT_FALSE(followedUp);
    }
}

TEST_F(MeterServiceTest, StopLetsTheExchangeInFlightEndAndTheJobNoticeItAtItsNextOne)
{
    QObject receiver;
    std::optional<int> exchanges;
    transport->holdNextRead = true;
    service->run(
        &receiver, PollPolicy::Pause,
        [](MeterJob& job) {
            // A long job: one exchange after another until the service is stopped.
            int n = 0;
            while (!job.session.stopRequested()) {
                MeterLink& link = job.session.link();
                link.writeMainCommand(Letter::Reading);
                link.transport().usbRead(kReplyLength, link.MainReply.data());
                ++n;
            }
            return n;
        },
        [&](int n) { exchanges = n; });
    ASSERT_TRUE(transport->entered.tryAcquire(1, 10000)) << "the job never reached its read";
    // Requests behind the job are dropped once the stop comes.
    bool laterJobRan = false;
    service->run(&receiver, PollPolicy::Pause, [&laterJobRan](MeterJob&) { laterJobRan = true; });
    QSignalSpy polled(service.get(), &MeterService::polled);
    QSignalSpy keys(service.get(), &MeterService::keySent);
    service->pollNow();
    service->pressKey('F');

    // The held read returns only once stop() is waiting: stop() has to wait for it.
    std::thread releaser([this] {
        while (!service->stopRequested())
            std::this_thread::yield();
        transport->release.release();
    });
    service->stop();
    releaser.join();
    EXPECT_FALSE(service->isRunning());
    const QStringList calls = sim->callLines();
    ASSERT_FALSE(calls.isEmpty());
    EXPECT_TRUE(calls.last().startsWith("usbClose")) << calls.join('\n').toStdString();

    // The job's outcome still reaches its receiver; nothing queued behind it ran.
    EXPECT_TRUE(processUntil([&] { return exchanges.has_value(); }));
    EXPECT_EQ(exchanges, std::optional<int>(1));
    EXPECT_FALSE(laterJobRan);
    EXPECT_EQ(polled.count(), 0);
    EXPECT_EQ(keys.count(), 0);

    // Twice is harmless, and nothing is taken afterwards.
    service->stop();
    bool ranAfterStop = false;
    bool doneAfterStop = false;
    service->run(&receiver, PollPolicy::Pause, [&](MeterJob&) { ranAfterStop = true; }, [&] { doneAfterStop = true; });
    service->pollNow();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ranAfterStop);
    EXPECT_FALSE(doneAfterStop);
    EXPECT_EQ(polled.count(), 0);
}

} // namespace
