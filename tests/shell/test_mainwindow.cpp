#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QToolButton>
#include <QImage>
#include <QTextBrowser>
#include <QTextDocument>

#include "meter/meterworker.h"
#include "meter/poller.h"
#include "meter/simulator/simulatedmeter.h"
#include "meter/simulator/simulatedtransport.h"
#include "chart/ui/chartwidget.h"
#include "graph/ui/graphwindow.h"
#include "panel/ui/panelwindow.h"
#include "realtime/ui/realtimecontroller.h"
#include "realtime/ui/realtimesetupdialog.h"
#include "base/clock.h"
#include "base/prompter.h"
#include "shell/settings.h"
#include "shell/mainwindow.h"
#include "shell/helpwindow.h"
#include "support/testenv.h"
#include "mainwindowfixture.h"

using namespace quedral;
using quedral::test::MainWindowTest;

namespace {

TEST_F(MainWindowTest, StartsWithPanelTestPatternAndMeterCommandsOff)
{
    ASSERT_NE(panel(), nullptr);
    EXPECT_EQ(main->windowTitle(), "KV4471");
    EXPECT_EQ(main->statusText(1), "Off Connection");
    EXPECT_EQ(panel()->levelGlyph(0), 1);
    EXPECT_EQ(panel()->levelGlyph(1), 8);
    EXPECT_EQ(panel()->levelGlyph(3), 8);
    EXPECT_FALSE(main->action(MainAction::Setup)->isVisible());
    EXPECT_FALSE(main->toolButton(MainButton::Run)->isEnabled());
    EXPECT_FALSE(main->toolButton(MainButton::Stop)->isEnabled());
    EXPECT_FALSE(main->toolButton(MainButton::OutputToGraph)->isEnabled());
    EXPECT_TRUE(main->action(MainAction::ControlPanel)->isChecked());
    EXPECT_TRUE(main->action(MainAction::RealTimeGraph)->isChecked());
    EXPECT_EQ(main->toolButton(MainButton::Run)->toolTip(), "Start Graphing Real Time Data");
    EXPECT_TRUE(panel()->indicatorShown(PanelWindow::Indicator::NoConnection));
}

TEST_F(MainWindowTest, ProbeConnectsThenReadingsReachThePanel)
{
    poll();
    EXPECT_EQ(main->statusText(1), "On Connection");
    EXPECT_TRUE(main->toolButton(MainButton::Run)->isEnabled());
    EXPECT_TRUE(main->action(MainAction::Run)->isEnabled());
    EXPECT_FALSE(main->toolButton(MainButton::Stop)->isEnabled());
    EXPECT_FALSE(panel()->indicatorShown(PanelWindow::Indicator::NoConnection));

    poll();
    // The test pattern (1, 8, 8, 8) gives way to the meter's level.
    const int level = DisplayLevel(main->lastReading());
    EXPECT_EQ(panel()->levelGlyph(3), level % 10);
    EXPECT_EQ(panel()->levelGlyph(2), (level % 100) / 10);
}

TEST_F(MainWindowTest, FiveFailedPollsDropTheConnectionAndDisableMeterCommands)
{
    poll();
    ASSERT_EQ(main->statusText(1), "On Connection");
    sim->unplug();
    for (int i = 0; i < 4; ++i)
        poll();
    EXPECT_EQ(main->statusText(1), "On Connection");
    poll();
    EXPECT_EQ(main->statusText(1), "No Connection");
    EXPECT_FALSE(main->toolButton(MainButton::Run)->isEnabled());
    EXPECT_FALSE(main->toolButton(MainButton::DataLogger)->isEnabled());
    EXPECT_FALSE(main->menu(MainMenu::DataLogger)->menuAction()->isEnabled());
    EXPECT_TRUE(panel()->indicatorShown(PanelWindow::Indicator::NoConnection));
    EXPECT_TRUE(prompts.messages.isEmpty());  // the poll never shows a message

    sim->replug();
    poll();
    EXPECT_EQ(main->statusText(1), "On Connection");
}

TEST_F(MainWindowTest, PanelKeysChangeWhatTheNextPollShows)
{
    poll();
    poll();
    ASSERT_TRUE(panel()->indicatorShown(PanelWindow::Indicator::dBA));
    ASSERT_TRUE(panel()->indicatorShown(PanelWindow::Indicator::FAST));
    // The keys queue behind each other and before the poll asked for after them.
    Q_EMIT panel()->keyClicked('C');
    Q_EMIT panel()->keyClicked('F');
    Q_EMIT panel()->keyClicked('L');  // 30-130 -> 30-90
    EXPECT_TRUE(panel()->indicatorShown(PanelWindow::Indicator::dBA));  // nothing before the poll
    poll();
    EXPECT_TRUE(panel()->indicatorShown(PanelWindow::Indicator::dBC));
    EXPECT_TRUE(panel()->indicatorShown(PanelWindow::Indicator::SLOW));
    EXPECT_EQ(panel()->rangeHighText(), "90");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(MainWindowTest, KeyWithoutMeterSaysConnectFailOncePerClick)
{
    sim->faults.openFails = true;
    QSignalSpy keys(&main->meter(), &MeterService::keySent);
    Q_EMIT panel()->keyClicked('R');
    Q_EMIT panel()->keyClicked('F');
    waitForKeys(keys, 2);
    EXPECT_EQ(prompts.messages, QStringList({"Connect fail", "Connect fail"}));
}

TEST_F(MainWindowTest, ClosedPanelIgnoresReadingsAndComesBackOnce)
{
    poll();
    poll();
    const bool recordingBefore = main->state().MeterRecording;
    panel()->requestClose();
    QApplication::processEvents();
    EXPECT_EQ(main->windows().singles().panel, nullptr);
    EXPECT_FALSE(main->action(MainAction::ControlPanel)->isChecked());

    sim->meter().handleCommand({0x02, 'R', 0, 0, 0, 0, 0x03});  // REC on at the meter
    poll();
    EXPECT_EQ(main->state().MeterRecording, recordingBefore);

    main->toggleControlPanel();
    ASSERT_NE(panel(), nullptr);
    EXPECT_TRUE(main->action(MainAction::ControlPanel)->isChecked());
    PanelWindow* first = panel();
    main->frameOf(first)->showMinimized();
    main->toggleControlPanel();
    EXPECT_EQ(panel(), first);  // restored, not duplicated
    EXPECT_FALSE(main->frameOf(first)->isMinimized());
}

// The panel closed while MAX/MIN blinks: the close returns at once, later ticks touch nothing,
// and a panel opened again blinks.
TEST_F(MainWindowTest, ClosingThePanelDuringABlink)
{
    poll();
    for (int i = 0; i < 3; ++i)
        sim->meter().handleCommand({0x02, 'M', 0, 0, 0, 0, 0x03});
    poll();
    ASSERT_TRUE(main->readings().blinkTimer().isActive());
    main->readings().blink();
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    panel()->requestClose();
    EXPECT_FALSE(timerRan);  // no event turned inside the close
    EXPECT_EQ(panel(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main->readings().blink();
    main->readings().blink();

    main->toggleControlPanel();
    ASSERT_NE(panel(), nullptr);
    main->readings().blink();
    const bool shown = panel()->maxVisible();
    main->readings().blink();
    EXPECT_EQ(panel()->maxVisible(), !shown);
    EXPECT_EQ(panel()->minVisible(), !shown);
}

TEST_F(MainWindowTest, AlternatingMaxMinBlinksBothLabels)
{
    poll();
    // MAX, MIN, then alternating.
    for (int i = 0; i < 3; ++i)
        sim->meter().handleCommand({0x02, 'M', 0, 0, 0, 0, 0x03});
    poll();
    ASSERT_EQ(main->lastReading().MaxMinMode, MaxMin::Alternating);
    EXPECT_TRUE(main->readings().blinkTimer().isActive());
    main->readings().blink();
    const bool phase = main->readings().blinkPhase();
    EXPECT_EQ(panel()->maxVisible(), phase);
    EXPECT_EQ(panel()->minVisible(), phase);
    main->readings().blink();
    EXPECT_EQ(panel()->maxVisible(), !phase);

    sim->meter().handleCommand({0x02, 'N', 0, 0, 0, 0, 0x03});
    poll();
    EXPECT_FALSE(main->readings().blinkTimer().isActive());
    EXPECT_FALSE(panel()->maxVisible());
}

TEST_F(MainWindowTest, CloseWritesTheRateButExitDoesNot)
{
    main->state().RealTimeRate = 5.0f;
    main->exitProgram();
    delete main;
    main = nullptr;
    EXPECT_FALSE(openSettings()->contains("RealTimeRate"));
    // Exit asked the application to leave its event loop; run one so that later waits work.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();

    // A fresh window reads the fallback, and closing it stores the rate.
    auto t = std::make_unique<SimulatedTransport>(std::make_unique<SimulatedMeter>(data.file("m.json"), 1));
    MainOptions o;
    o.transport = std::move(t);
    o.startPollDelayMs = -1;
    main = new MainWindow(std::move(o));
    EXPECT_FLOAT_EQ(main->state().RealTimeRate, 0.2f);
    main->state().RealTimeRate = 5.0f;
    main->show();
    QApplication::processEvents();
    EXPECT_TRUE(main->close());
    EXPECT_FLOAT_EQ(loadRealTimeRate(*openSettings()), 5.0f);
}

TEST_F(MainWindowTest, ExitAsksAboutUnsavedDataAndARefusalKeepsTheProgramRunning)
{
    QPointer<QObject> graph = main->state().RealTimeGraphWindow.data();
    ASSERT_TRUE(graph);
    main->state().RealTimeUnsaved = true;
    main->state().RealTimeRate = 5.0f;

    prompts.answers = {Answer::Cancel};
    main->exitProgram();
    EXPECT_EQ(prompts.questions, QStringList({"Save Real-Time Graph ?"}));
    EXPECT_TRUE(main->isVisible());
    QApplication::processEvents();
    EXPECT_TRUE(graph) << "a refusal keeps the windows";

    prompts.answers = {Answer::No};
    main->exitProgram();
    EXPECT_EQ(prompts.questions.size(), 2);
    EXPECT_FALSE(main->isVisible());
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec(); // the exit asked for ends this loop at once
    EXPECT_FALSE(graph);
    EXPECT_FALSE(openSettings()->contains("RealTimeRate")) << "Exit writes no settings";
}

class HelpContentsTest : public MainWindowTest {
protected:
    HelpContentsTest() { helpFile = data.file("KV4471Help.htm"); }
    // Help > Contents, then whatever it has to say once the opener has finished.
    QStringList contents(const QString& opener)
    {
        helpOpener = opener;
        TearDown();
        SetUp();
        prompts.messages.clear();
        main->showHelpContents();
        if (auto* opener = main->findChild<QProcess*>())
            opener->waitForFinished(5000);
        QApplication::processEvents();
        return prompts.messages;
    }
};

TEST_F(HelpContentsTest, AMissingHelpFileIsNamedInAMessage)
{
    const QString name = QDir::toNativeSeparators(helpFile);
    EXPECT_EQ(contents("true"), QStringList({"The help file " + name + " is missing."}));
    EXPECT_EQ(main->findChild<HelpWindow*>(), nullptr);
}

TEST_F(HelpContentsTest, WithNoProgramToShowItTheManualOpensInOurOwnWindow)
{
    QDir().mkpath(data.file("images"));
    QImage(4, 4, QImage::Format_RGB32).save(data.file("images/panel.png"));
    QFile f(helpFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html><head><title>KV4471 manual</title></head>"
            "<body><h1>Contents</h1><p><img src=\"images/panel.png\"> The panel</p></body></html>");
    f.close();
    const struct {
        QString opener;
        bool ownWindow;
    } cases[] = {
        {"false", true},                                                 // nothing registered for the file
        {QCoreApplication::applicationDirPath() + "/no-such-opener", true}, // no opener program
        {"true", false},                                                 // the desktop's browser shows it
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(contents(c.opener).isEmpty()) << c.opener.toStdString();
        auto* window = main->findChild<HelpWindow*>();
        ASSERT_EQ(window != nullptr, c.ownWindow) << c.opener.toStdString();
        if (!window)
            continue;
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), "KV4471 manual");
        EXPECT_TRUE(window->browser().toPlainText().contains("The panel"));
        // The picture beside the page is found.
        EXPECT_FALSE(window->browser().document()->resource(QTextDocument::ImageResource, QUrl("images/panel.png")).isNull());
        // The find box finds what the page holds, from the top again after the last.
        auto* find = window->findChild<QLineEdit*>("edtHelpFind");
        ASSERT_NE(find, nullptr);
        for (const auto& [text, found] : {std::pair{"panel", true}, {"panel", true}, {"nowhere", false}}) {
            find->setText(text);
            EXPECT_EQ(window->findNext(), found) << text;
        }
    }
}

TEST_F(MainWindowTest, RunRecordsPolledLevelsUntilStopAcrossAConnectionLoss)
{
    ManualClock clock(QDateTime::currentDateTime());
    test::ScopedClock clockGuard(clock);
    RealTimeSetupDialog::setRunner([](RealTimeSetupDialog& d) {
        d.edtRealTimeNo->setText("100");
        d.txtRate->setEditText("0.5");
        d.btnStart->click();
        return d.result();
    });
    auto tick = [&] {
        clock.advanceMs(500);
        poll();
    };

    main->action(MainAction::Run)->trigger();  // not connected: nothing happens
    EXPECT_FALSE(main->state().RealTimeRunning);
    tick();
    ASSERT_TRUE(main->toolButton(MainButton::Run)->isEnabled());
    main->action(MainAction::Run)->trigger();
    ASSERT_TRUE(main->state().RealTimeRunning);
    EXPECT_TRUE(main->toolButton(MainButton::Stop)->isEnabled());
    EXPECT_FALSE(main->toolButton(MainButton::Run)->isEnabled());
    for (int i = 0; i < 4; ++i)
        tick();
    EXPECT_EQ(main->state().RealTimeCount, 4);

    // A loss disables both commands but keeps the recording; it resumes after reconnecting.
    sim->unplug();
    for (int i = 0; i < 5; ++i)
        tick();
    EXPECT_TRUE(main->state().RealTimeRunning);
    EXPECT_FALSE(main->toolButton(MainButton::Run)->isEnabled());
    EXPECT_FALSE(main->toolButton(MainButton::Stop)->isEnabled());
    sim->replug();
    tick();  // probe
    EXPECT_TRUE(main->toolButton(MainButton::Stop)->isEnabled());
    tick();
    tick();
    EXPECT_EQ(main->state().RealTimeCount, 6);

    main->action(MainAction::Stop)->trigger();
    EXPECT_FALSE(main->state().RealTimeRunning);
    GraphWindow* w = main->realTime().window();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->chart().points(), 6);
    EXPECT_FALSE(w->statisticTexts().average.isEmpty());
    EXPECT_TRUE(main->state().RealTimeUnsaved);

    RealTimeSetupDialog::setRunner({});
}

} // namespace
