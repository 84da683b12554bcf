#pragma once
// A main window on the simulated meter whose poll the test drives, tick by tick.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <memory>

#include "base/prompter.h"
#include "meter/meterworker.h"
#include "meter/simulator/simulatedmeter.h"
#include "meter/simulator/simulatedtransport.h"
#include "panel/ui/panelwindow.h"
#include "filejobwait.h"
#include "shell/settings.h"
#include "shell/mainwindow.h"
#include "support/testenv.h"

namespace quedral::test {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        openSettings()->clear();
        auto t = std::make_unique<SimulatedTransport>(
            std::make_unique<SimulatedMeter>(data.file("simulated-meter.json"), 42));
        sim = t.get();
        start(wrapTransport(std::move(t)));
    }
    // A test may put its own transport in front of the simulated one.
    virtual std::unique_ptr<Transport> wrapTransport(std::unique_ptr<SimulatedTransport> t) { return t; }
    void start(std::unique_ptr<Transport> transport)
    {
        MainOptions o;
        o.transport = std::move(transport);
        o.startPollDelayMs = -1;  // the test drives the ticks
        o.openSetup = openSetup;
        o.helpFile = helpFile;
        o.helpOpener = helpOpener;
        o.screenshotFile = screenshotFile;
        o.screenshotPlan = screenshotPlan;
        main = new MainWindow(std::move(o));
        main->show();
        for (int i = 0; i < 5 && !main->windows().singles().panel; ++i)
            QApplication::processEvents();
    }
    // One poll tick on the meter thread; returns once the window has applied its report.
    void poll()
    {
        QSignalSpy spy(&main->meter(), &MeterService::polled);
        main->meter().pollNow();
        ASSERT_TRUE(spy.wait(5000));
    }
    // Waits until n key presses have been answered by the meter thread.
    void waitForKeys(QSignalSpy& spy, int n)
    {
        while (spy.count() < n)
            ASSERT_TRUE(spy.wait(5000));
    }
    // Runs the event loop until the file job on its worker thread (if one runs) has finished.
    void finishFileJob() { test::finishFileJob(main->files().job()); }
    void TearDown() override { delete main; }
    PanelWindow* panel() { return main->windows().singles().panel; }

    bool openSetup = false; // as quedral --setup
    QString helpFile, helpOpener; // Help > Contents: the file and the program that opens it
    QString screenshotFile;       // as quedral --screenshot FILE --screenshot-state NAME
    ScreenshotPlan screenshotPlan;
    ScopedDataDir data;
    ScriptedPrompter prompts;
    ScopedPrompter prompterGuard{prompts};
    SimulatedTransport* sim = nullptr;
    MainWindow* main = nullptr;
};

} // namespace quedral::test
