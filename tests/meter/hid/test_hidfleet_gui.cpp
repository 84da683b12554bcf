// The program's start with two meters on the bus (emulated hidraw nodes behind the real hidapi
// transport): the chooser lists both, and the main window then polls the one picked and only
// that one; cancelled, no meter is opened and the status bar says why.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>

#include "base/prompter.h"
#include "emulatedhidmeter.h"
#include "playedby.h"
#include "meter/meterworker.h"
#include "meter/simulator/simulatedmeter.h"
#include "shell/mainwindow.h"
#include "shell/meterchooser.h"
#include "shell/readingpresenter.h"
#include "support/testenv.h"

namespace quedral {
namespace {

using test::EmulatedHidMeter;
using test::playedBy;

class HidFleetStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(first.setupError(), "");
        ASSERT_EQ(second.setupError(), "");
    }
    void TearDown() override { delete main; }
    // The program's start: the transport as main() makes it, then one poll tick.
    void startAndPoll()
    {
        MainOptions o;
        o.transport = transportAtStart(TransportRequest{}, prompter);
        o.startPollDelayMs = -1;
        main = new MainWindow(std::move(o));
        main->show();
        QSignalSpy spy(&main->meter(), &MeterService::polled);
        main->meter().pollNow();
        ASSERT_TRUE(spy.wait(5000));
    }

    test::ScopedDataDir data;
    ScriptedPrompter prompter;
    test::ScopedPrompter promptsGuard{prompter};
    SimulatedMeter firstSimulated{QString(), 7};
    SimulatedMeter secondSimulated{QString(), 8};
    EmulatedHidMeter first{playedBy(firstSimulated), {.serial = "KV4471-0042"}};
    EmulatedHidMeter second{playedBy(secondSimulated), {.serial = "KV4471-0077", .index = 1, .testbed = first.testbed()}};
    MainWindow* main = nullptr;
};

TEST_F(HidFleetStart, TheMeterPickedIsTheOnePolled)
{
    prompter.choices = {1};
    ASSERT_NO_FATAL_FAILURE(startAndPoll());
    ASSERT_EQ(prompter.choosers.size(), 1);
    EXPECT_TRUE(prompter.choosers[0].contains("KV4471-0042   /dev/hidraw0")) << qPrintable(prompter.choosers[0]);
    EXPECT_TRUE(prompter.choosers[0].contains("KV4471-0077   /dev/hidraw1")) << qPrintable(prompter.choosers[0]);
    EXPECT_TRUE(main->connected()) << qPrintable(main->statusText(1));
    EXPECT_FALSE(second.commands().empty());
    EXPECT_TRUE(first.commands().empty()) << "the other meter is left alone";
}

TEST_F(HidFleetStart, CancelledNoMeterIsOpenedAndTheStatusBarSaysWhy)
{
    ASSERT_NO_FATAL_FAILURE(startAndPoll()); // no choice scripted: the chooser is cancelled
    EXPECT_EQ(prompter.choosers.size(), 1);
    EXPECT_FALSE(main->connected());
    EXPECT_TRUE(first.commands().empty());
    EXPECT_TRUE(second.commands().empty());
    const QString shown = main->statusText(0) + "|" + main->statusText(1) + "|" + main->readings().linkProblemLabel().text();
    EXPECT_TRUE(shown.contains("attached")) << qPrintable(shown);
}

} // namespace
} // namespace quedral
