// The main window and the meter thread: the windows never wait for the meter, exchanges never
// overlap, and closing or leaving ends the thread.
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <atomic>

#include "graph/ui/graphwindow.h"
#include "meter/frames.h"
#include "meter/meterworker.h"
#include "base/clock.h"
#include "support/heldtransport.h"
#include "support/testenv.h"
#include <functional>
#include "realtime/ui/realtimecontroller.h"
#include "mainwindowfixture.h"

using namespace quedral;

namespace {

class PaintCounter : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++paints;
        QPainter(this).fillRect(rect(), Qt::white);
    }
};

class MeterThreadTest : public test::MainWindowTest {
protected:
    std::unique_ptr<Transport> wrapTransport(std::unique_ptr<SimulatedTransport> t) override
    {
        auto l = std::make_unique<test::HeldTransport>(std::move(t));
        latched = l.get();
        return l;
    }
    test::HeldTransport* latched = nullptr;
};

TEST_F(MeterThreadTest, WindowsStayLiveWhileAnExchangeIsHeldAndAKeyWaitsForIt)
{
    poll();  // connected
    auto* probe = new PaintCounter(main);
    probe->setGeometry(0, 0, 40, 40);
    probe->show();
    QApplication::processEvents();

    latched->holdNextRead = true;
    main->meter().pollNow();
    ASSERT_TRUE(latched->entered.tryAcquire(1, 5000)) << "the poll never reached the read";
    // The meter thread is inside the exchange: the GUI thread still runs queued calls and paints.
    bool ran = false;
    QMetaObject::invokeMethod(main, [&] { ran = true; }, Qt::QueuedConnection);
    const int paintsBefore = probe->paints;
    probe->update();
    QElapsedTimer waited;
    waited.start();
    while ((!ran || probe->paints == paintsBefore) && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(ran);
    EXPECT_GT(probe->paints, paintsBefore);

    // A key pressed now goes out after the held poll, never inside it.
    QSignalSpy polled(&main->meter(), &MeterService::polled);
    QSignalSpy keys(&main->meter(), &MeterService::keySent);
    Q_EMIT panel()->keyClicked('F');
    sim->clearCalls();
    latched->release.release();
    waitForKeys(keys, 1);
    EXPECT_EQ(polled.count(), 1) << "the poll's report comes before the key's";
    const QStringList calls = sim->callLines();
    const int pollEnd = calls.indexOf(QRegularExpression("^usbClose.*"));
    const int keyWrite = calls.indexOf(QRegularExpression("^usbWrite 7 02 46 .*"));
    ASSERT_GE(pollEnd, 0);
    EXPECT_GT(keyWrite, pollEnd) << calls.join('\n').toStdString();
}

TEST_F(MeterThreadTest, OpenProblemIsShownBesideTheConnectionText)
{
    sim->faults.openFails = true;
    latched->openProblem = "the meter is present but /dev/hidraw3 is not accessible: install 60-quedral-kv4471.rules";
    poll();
    EXPECT_EQ(main->statusText(1), "Off Connection");
    EXPECT_TRUE(main->readings().linkProblemLabel().isVisible());
    EXPECT_TRUE(main->readings().linkProblemLabel().text().contains("60-quedral-kv4471.rules"));

    sim->faults.openFails = false;
    latched->openProblem.clear();
    poll();
    EXPECT_EQ(main->statusText(1), "On Connection");
    EXPECT_FALSE(main->readings().linkProblemLabel().isVisible());
}

TEST_F(MeterThreadTest, TheStatusBarNamesWhyThereIsNoConnectionAndKeysSayWhyTheyFail)
{
    ManualClock clock; // a silent meter's read waits out its time-out on this clock
    test::ScopedClock clockGuard{clock};
    struct Case {
        const char* what;
        std::function<void()> fault;
        QString problem;       // beside "Off Connection"
        QString keyMessage;    // in the status bar after the REC key
        QStringList boxes;     // message boxes after the REC key
    };
    const Case cases[] = {
        {"not found", [this] { sim->faults.openFails = true; }, "No meter is connected",
         "REC key not sent: no meter is connected", {"Connect fail"}},
        {"no permission",
         [this] {
             sim->faults.openFails = true;
             latched->openProblem = "the meter is present but /dev/hidraw3 is not accessible: install 60-quedral-kv4471.rules";
         },
         "the meter is present but /dev/hidraw3 is not accessible: install 60-quedral-kv4471.rules",
         "REC key not sent: the meter is present but /dev/hidraw3 is not accessible: install 60-quedral-kv4471.rules",
         {"Connect fail"}},
        {"silent", [this] { sim->faults.noReply = true; }, "The meter does not answer",
         "REC key sent, but the meter does not answer", {}},
    };
    for (const Case& c : cases) {
        c.fault();
        poll();
        EXPECT_EQ(main->statusText(1), "Off Connection") << c.what;
        EXPECT_TRUE(main->readings().linkProblemLabel().isVisible()) << c.what;
        EXPECT_EQ(main->readings().linkProblemLabel().text(), c.problem) << c.what;
        EXPECT_TRUE(panel()->indicatorShown(PanelWindow::Indicator::NoConnection)) << c.what;

        prompts.messages.clear();
        main->readings().messageLabel().clear();
        QSignalSpy keys(&main->meter(), &MeterService::keySent);
        Q_EMIT panel()->keyClicked('R');
        waitForKeys(keys, 1);
        EXPECT_EQ(main->readings().messageLabel().text(), c.keyMessage) << c.what;
        EXPECT_EQ(prompts.messages, c.boxes) << c.what;

        sim->faults = {};
        latched->openProblem.clear();
    }
    poll();
    EXPECT_EQ(main->statusText(1), "On Connection");
    EXPECT_FALSE(main->readings().linkProblemLabel().isVisible());
    // A key while connected goes out without a word.
    main->readings().messageLabel().clear();
    QSignalSpy keys(&main->meter(), &MeterService::keySent);
    Q_EMIT panel()->keyClicked('F');
    waitForKeys(keys, 1);
    EXPECT_TRUE(main->readings().messageLabel().text().isEmpty());
}

TEST_F(MeterThreadTest, AKeyWaitingBehindASlowExchangeShowsTheWaitCursorUntilItIsSent)
{
    poll(); // connected
    auto* rec = panel()->findChild<QWidget*>("btnREC");
    ASSERT_NE(rec, nullptr);
    ASSERT_EQ(rec->cursor().shape(), Qt::PointingHandCursor);

    latched->holdNextRead = true;
    main->meter().pollNow();
    ASSERT_TRUE(latched->entered.tryAcquire(1, 5000)) << "the poll never reached the read";
    QSignalSpy keys(&main->meter(), &MeterService::keySent);
    Q_EMIT panel()->keyClicked('R');
    Q_EMIT panel()->keyClicked('F');
    // Both keys wait behind the held poll.
    EXPECT_TRUE(panel()->keyWaitShown());
    EXPECT_EQ(panel()->cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(rec->cursor().shape(), Qt::WaitCursor);

    latched->release.release();
    waitForKeys(keys, 2);
    EXPECT_FALSE(panel()->keyWaitShown());
    EXPECT_EQ(rec->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_NE(panel()->cursor().shape(), Qt::WaitCursor);
}

using MainWindowClose = test::MainWindowTest;

TEST_F(MainWindowClose, EveryWindowIsAskedBeforeAnyCloses)
{
    GraphWindow* graph = main->realTime().window();
    ASSERT_NE(graph, nullptr);
    main->state().RealTimeUnsaved = true;

    prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(main->close());
    EXPECT_TRUE(main->isVisible());
    ASSERT_NE(panel(), nullptr) << "the panel was closed although the graph refused";
    EXPECT_EQ(main->realTime().window(), graph);
    EXPECT_EQ(main->mdiArea()->subWindowList().size(), 2);
    EXPECT_EQ(prompts.questions, QStringList({"Save Real-Time Graph ?"}));
    EXPECT_TRUE(main->meter().isRunning());

    prompts.answers = {Answer::No};
    EXPECT_TRUE(main->close());
    EXPECT_EQ(prompts.questions.size(), 2) << "nobody is asked twice";
    EXPECT_EQ(panel(), nullptr);
    EXPECT_EQ(main->realTime().window(), nullptr);
    EXPECT_FALSE(main->meter().isRunning());
}

TEST_F(MainWindowClose, ViewCommandsRecreateClosedWindowsWithTheirCheckMarks)
{
    panel()->requestClose();
    main->frameOf(main->realTime().window())->close();
    QApplication::processEvents();
    ASSERT_EQ(panel(), nullptr);
    ASSERT_EQ(main->realTime().window(), nullptr);
    EXPECT_FALSE(main->action(MainAction::ControlPanel)->isChecked());
    EXPECT_FALSE(main->action(MainAction::RealTimeGraph)->isChecked());

    main->action(MainAction::ControlPanel)->trigger();
    main->action(MainAction::RealTimeGraph)->trigger();
    EXPECT_NE(panel(), nullptr);
    EXPECT_NE(main->realTime().window(), nullptr);
    EXPECT_TRUE(main->action(MainAction::ControlPanel)->isChecked());
    EXPECT_TRUE(main->action(MainAction::RealTimeGraph)->isChecked());

    // Triggering again restores; the marks stay.
    main->action(MainAction::ControlPanel)->trigger();
    main->action(MainAction::RealTimeGraph)->trigger();
    EXPECT_TRUE(main->action(MainAction::ControlPanel)->isChecked());
    EXPECT_TRUE(main->action(MainAction::RealTimeGraph)->isChecked());
}

} // namespace
