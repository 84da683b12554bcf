// Real-time recording: the set-up dialog's period, the recorder's rules, Run/Stop through the
// window, and the windowless record session on the simulated meter.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLocale>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "../graph/fakehost.h"
#include "files/graphfile.h"
#include "chart/chartmodel.h"
#include "chart/ui/chartwidget.h"
#include "graph/graphformat.h"
#include "graph/ui/graphunit.h"
#include "meter/simulator/simulatedtransport.h"
#include "realtime/periodtext.h"
#include "realtime/ui/realtimecontroller.h"
#include "realtime/ui/realtimecontrols.h"
#include "realtime/realtimerecorder.h"
#include "realtime/recordsession.h"
#include "realtime/ui/realtimesetupdialog.h"
#include "base/clock.h"
#include "base/datetime.h"
#include "base/prompter.h"
#include "support/testenv.h"

using namespace quedral;

namespace {
const double kSec = 1.0 / 86400.0;
const double t0 = 46023.5;
} // namespace

TEST(SetupDialog, PeriodTexts)
{
    struct Case {
        const char* count;
        const char* rate;
        const char* period;
    };
    const Case cases[] = {
        {"2000", "0.5", "0:16:40"},
        {"99999", "30", "833:19:30"},
        {"", "0.5", "0:00:00"},
        {"7", "0.2", "0:00:01"},
    };
    ScriptedPrompter prompter;
    test::ScopedPrompter prompterGuard(prompter);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        RealTimeSetupDialog dlg;
        dlg.setCountText(c.count);
        dlg.txtRate->setEditText(c.rate);
        dlg.pointCountChanged();
        EXPECT_EQ(dlg.edtPeriod->text(), c.period);
    }
    // A rate that is no number: the conversion message, the period keeps its text.
    RealTimeSetupDialog dlg;
    dlg.edtPeriod->setText("0:16:40");
    dlg.txtRate->setEditText("abc");
    EXPECT_EQ(dlg.edtPeriod->text(), "0:16:40");
    EXPECT_EQ(prompter.messages.value(0), "'abc' is not a valid floating point value");

    EXPECT_EQ(presetPeriodText(0.2), "0:6:40");
    EXPECT_EQ(presetPeriodText(0.5), "0:16:40");
}

TEST(SetupDialog, OpensShowingThePeriodOfItsFields)
{
    ScriptedPrompter prompter;
    test::ScopedPrompter prompterGuard(prompter);
    struct Case {
        const char* count;
        const char* rate;
        const char* given; // the period set before the dialog opens
        const char* shown;
    };
    const Case cases[] = {
        {" 2000", "0.5", "0:6:40", "0:16:40"}, // Run's preset from a stored rate of 0.2 s
        {"99999", "30.0", "", "833:19:30"},
        {"", "0.5", "0:16:40", "0:00:00"},
        {" 2000", "abc", "0:6:40", "0:6:40"}, // no number: left alone, and no message on opening
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        RealTimeSetupDialog dlg;
        dlg.setCountText(c.count);
        {
            const QSignalBlocker quiet(dlg.txtRate);
            dlg.txtRate->setEditText(c.rate);
        }
        dlg.edtPeriod->setText(c.given);
        dlg.show();
        EXPECT_EQ(dlg.edtPeriod->text().toStdString(), c.shown);
    }
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST(SetupDialog, InvalidCountMessage)
{
    EXPECT_EQ(invalidCountMessage(""), "_____ is not valid.\n");
    EXPECT_EQ(invalidCountMessage("     "), "_____ is not valid.\n");
    EXPECT_EQ(invalidCountMessage("12a"), "12a is not valid.\n");
    EXPECT_EQ(invalidCountMessage(" 2x0"), " 2x0 is not valid.\n");
}

TEST(SetupDialog, CountFieldKeepsFiveDigitsToTheRight)
{
    RealTimeSetupDialog dlg;
    QLineEdit* f = dlg.edtRealTimeNo;
    EXPECT_EQ(f->displayText(), "_2000");
    EXPECT_EQ(dlg.countText(), " 2000");
    EXPECT_TRUE(f->alignment() & Qt::AlignRight);

    struct Case {
        const char* start;
        bool selectAll;
        const char* keys; // typed at the end of the field, or over the whole field
        int backspaces;
        const char* shown;
        const char* count;
    };
    const Case cases[] = {
        {" 2000", false, "1", 0, "20001", "20001"},
        {"20001", false, "5", 0, "20001", "20001"}, // no sixth digit
        {" 2000", false, "", 1, "__200", "  200"},
        {" 2000", true, "7", 0, "____7", "    7"},
        {" 2000", true, "", 1, "_____", "     "},
        {" 2000", false, "a-.", 0, "_2000", " 2000"}, // only digits
        {"", false, "42", 0, "___42", "   42"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " + " << c.keys);
        dlg.setCountText(c.start);
        if (c.selectAll)
            f->selectAll();
        else
            f->end(false);
        QTest::keyClicks(f, c.keys);
        for (int i = 0; i < c.backspaces; ++i)
            QTest::keyClick(f, Qt::Key_Backspace);
        EXPECT_EQ(f->displayText(), c.shown);
        EXPECT_EQ(dlg.countText(), c.count);
    }
}

TEST(SetupDialog, PresetRateText)
{
    // The box's item when there is one, else the rate itself.
    EXPECT_EQ(presetRateText("2.0", 1.7), "2.0");
    EXPECT_EQ(presetRateText("", 45.0), formatLevel(45.0));
    EXPECT_EQ(presetRateText("", 0.25), QLocale().toString(0.25));
    EXPECT_EQ(presetRateText("", 0.04f), QLocale().toString(0.04)); // never "0.0"
}

TEST(SetupDialog, UsableRates)
{
    struct Rate {
        const char* text;
        bool usable;
    };
    const Rate rates[] = {{"0.5", true}, {"30", true}, {" 2.0 ", true}, {"1e-3", true}, {"0", false},
                          {"-0.5", false}, {"nan", false}, {"inf", false}, {"1e300", false}, {"1e-60", false},
                          {"", false}, {"x", false}};
    for (const Rate& r : rates) {
        double v = -1;
        EXPECT_EQ(parseRate(r.text, v), r.usable) << r.text;
    }
}

namespace {
struct Vars {
    bool RealTimeRunning = false;
    float RealTimeRate = 1.0f;
    std::int32_t RealTimeCount = 0;
    bool RealTimeUnsaved = false;
    float RealTimeMax = 0, RealTimeMin = 0;
    double RealTimeMaxTime = 0, RealTimeMinTime = 0;
    float RealTimeLastValid = 0;
    double RealTimeLastSample = 0;
};
} // namespace

TEST(Recorder, PlausibilityRule)
{
    ChartModel chart;
    Vars v;
    RealTimeRecorder rec(chart, RealTimeVars(v));
    rec.start(10, 1.0, t0);
    EXPECT_EQ(chart.points(), 10);
    EXPECT_DOUBLE_EQ(chart.manualMaxX, t0 + kInitialSpanDays);
    struct Step {
        double atSeconds;
        float level;
        bool slot;
        bool written;
        float value;
    };
    const Step steps[] = {
        {0.0, 50.0f, true, true, 50.0f},   // the slot is one rate after the previous (at 0 - 1 s below)
        {0.5, 60.0f, false, false, 0},     // too soon
        {1.0, 15.0f, true, true, 50.0f},   // implausible: last accepted (50 > 30) instead
        {2.0, 150.0f, true, true, 50.0f},
        {3.0, 140.0f, true, true, 140.0f}, // both ends are plausible
        {4.0, 20.0f, true, true, 20.0f},
        {5.0, 19.9f, true, false, 0},      // the last accepted level (20) is not above 30: skipped
    };
    v.RealTimeLastSample = t0 - kSec;
    int written = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.atSeconds);
        const SampleOutcome o = rec.recordSample(s.level, t0 + s.atSeconds * kSec);
        EXPECT_EQ(o.slotTaken, s.slot);
        EXPECT_EQ(o.written, s.written);
        if (o.written) {
            EXPECT_FLOAT_EQ(chart.yData(0, written), s.value);
            EXPECT_DOUBLE_EQ(chart.xDataII(0, written), t0 + s.atSeconds * kSec);
            ++written;
        }
    }
    EXPECT_EQ(v.RealTimeCount, written);
    EXPECT_FLOAT_EQ(v.RealTimeMax, 140.0f);
    EXPECT_FLOAT_EQ(v.RealTimeMin, 20.0f);
    EXPECT_TRUE(v.RealTimeUnsaved);
}

TEST(Recorder, NothingBeforeTheFirstPlausibleLevel)
{
    ChartModel chart;
    Vars v;
    RealTimeRecorder rec(chart, RealTimeVars(v));
    rec.start(5, 0.5, t0);
    v.RealTimeLastSample = t0;
    const SampleOutcome o = rec.recordSample(15.0f, t0 + 0.5 * kSec);
    EXPECT_TRUE(o.slotTaken);
    EXPECT_FALSE(o.written);
    EXPECT_FALSE(rec.recordSample(60.0f, t0 + 0.7 * kSec).slotTaken); // the next slot is about a rate later
    EXPECT_TRUE(rec.recordSample(60.0f, t0 + 1.0 * kSec).written);
}

TEST(Recorder, FullGraphStopsAndTimeAxisGrows)
{
    ChartModel chart;
    Vars v;
    RealTimeRecorder rec(chart, RealTimeVars(v));
    rec.start(3, 60.0, t0);
    v.RealTimeLastSample = t0 - 60 * kSec;
    SampleOutcome o;
    for (int i = 0; i < 3; ++i) {
        o = rec.recordSample(70.0f + i, t0 + i * 60 * kSec);
        ASSERT_TRUE(o.written);
        EXPECT_EQ(o.full, i == 2);
    }
    // Past the first 100 s the axis end moves to the point + 30 s.
    EXPECT_NEAR(chart.manualMaxX, t0 + 120 * kSec + kGrowSpanDays, 1e-9);
    const StopOutcome s = rec.stop(t0 + 200 * kSec);
    EXPECT_FALSE(v.RealTimeRunning);
    EXPECT_EQ(chart.points(), 3);
    EXPECT_DOUBLE_EQ(s.average, 71.0);
    EXPECT_DOUBLE_EQ(chart.manualMaxX, t0 + 200 * kSec);
    EXPECT_NEAR(chart.vertLines[1].x, t0 + 40 * kSec, 1e-9);
    EXPECT_NEAR(chart.vertLines[2].x, t0 + 80 * kSec, 1e-9);
    // A full chart takes no more points even if a reading arrives before Stop.
    v.RealTimeRunning = true;
    EXPECT_FALSE(rec.recordSample(80.0f, t0 + 400 * kSec).written);
}

TEST(Recorder, StopEarlyKeepsExactlyTheRecordedPoints)
{
    ChartModel chart;
    Vars v;
    RealTimeRecorder rec(chart, RealTimeVars(v));
    rec.start(2000, 1.0, t0);
    v.RealTimeLastSample = t0 - kSec;
    rec.recordSample(60.0f, t0);
    rec.recordSample(70.0f, t0 + kSec);
    const StopOutcome s = rec.stop(t0 + 2 * kSec);
    EXPECT_EQ(chart.points(), 2);
    EXPECT_DOUBLE_EQ(s.average, 65.0);

    // Stop before any point and a count of 0 write nothing outside the chart.
    rec.start(0, 1.0, t0);
    v.RealTimeLastSample = t0 - kSec;
    const SampleOutcome o = rec.recordSample(60.0f, t0);
    EXPECT_FALSE(o.written);
    EXPECT_TRUE(o.full);
    EXPECT_EQ(rec.stop(t0).count, 0);
    EXPECT_EQ(chart.points(), 0);
}

TEST(Recorder, RefreshEveryOtherPointWithTheHalfSecondItem)
{
    for (int count = 1; count <= 6; ++count) {
        EXPECT_EQ(refreshAfterPoint(0, count), count % 2 == 0);
        EXPECT_TRUE(refreshAfterPoint(3, count));
    }
}

// ---------------------------------------------------------------------------
// Run and Stop through the real-time window

namespace {
class RunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.state.RealTimeRate = 1.0f;
    }
    void TearDown() override
    {
        RealTimeSetupDialog::setRunner({});
        if (auto* w = controller.window())
            delete w;
    }
    // The dialog is answered with these texts and Start (or Cancel).
    void answerDialog(const QString& count, const QString& rate, bool start = true)
    {
        dialogShown = 0;
        RealTimeSetupDialog::setRunner([=, this](RealTimeSetupDialog& d) {
            ++dialogShown;
            messagesBeforeDialog = prompter.messages;
            shownRate = d.txtRate->currentText();
            shownPeriod = d.edtPeriod->text();
            d.setCountText(count);
            d.txtRate->setEditText(rate);
            (start ? d.btnStart : d.btnCancel)->click();
            return d.result();
        });
    }
    static QToolButton* clearButton(GraphWindow* w) { return w->findChild<QToolButton*>("tbntClr"); }
    void reading(float level, int afterMs)
    {
        clock.advanceMs(afterMs);
        controller.recordReading(level, toDays(clock.now()));
    }

    test::ScopedDataDir dir;
    test::FakeHost host;
    ScriptedPrompter prompter;
    ManualClock clock;
    test::ScopedPrompter prompterGuard{prompter};
    test::ScopedClock clockGuard{clock};
    RealTimeController controller{host};
    int dialogShown = 0;
    QStringList messagesBeforeDialog;
    QString shownRate, shownPeriod;
};
} // namespace

TEST_F(RunTest, ShowRealTimeGraphSetsUpTheWindow)
{
    host.state.RealTimeRate = 0.2f;
    GraphWindow* w = controller.showRealTimeGraph();
    EXPECT_EQ(host.state.RealTimeGraphWindow, w);
    EXPECT_EQ(w->kind(), GraphKind::RealTime);
    EXPECT_EQ(w->caption(), "Real-Time Graph");
    EXPECT_TRUE(host.realTimeChecked);
    EXPECT_TRUE(w->findChild<QAction*>("actClr")->isVisible());
    ASSERT_NE(RealTimeControls::of(*w), nullptr);
    EXPECT_EQ(RealTimeControls::of(*w)->selectedRateItem(), 0);
    EXPECT_EQ(w->findChild<QComboBox*>("txtSamplingRate")->itemText(0), formatLevel(0.5));
    const ChartModel& m = w->model();
    EXPECT_EQ(m.points(), 500);
    EXPECT_NEAR(m.manualMaxX - m.manualMinX, 0.2 * 510 * kSec, 1e-9);
    EXPECT_DOUBLE_EQ(host.state.RealTimeLastSample, toDays(clock.now()));
}

TEST_F(RunTest, SamplingRateSelectionAndChanges)
{
    GraphWindow* w = controller.showRealTimeGraph();
    RealTimeControls& controls = *RealTimeControls::of(*w);
    auto* box = w->findChild<QComboBox*>("txtSamplingRate");
    EXPECT_FALSE(box->isEditable());
    EXPECT_TRUE(w->findChild<QWidget*>("pnlSamplingRate")->isEnabled());
    const std::pair<double, int> rule[] = {{0.2, 0}, {0.55, 1}, {1.49, 1}, {2.0, 2}, {5.4, 3},
                                           {10.5, 5}, {20.0, 5}, {30.0, 6}};
    for (auto [rate, item] : rule) {
        box->setCurrentIndex(-1);
        controls.selectRate(rate);
        EXPECT_EQ(box->currentIndex(), item) << rate;
    }
    box->setCurrentIndex(2);
    controls.selectRate(45);
    EXPECT_EQ(box->currentIndex(), 2);

    // Idle: the user's choice becomes the rate.
    box->setCurrentIndex(4);
    EXPECT_FLOAT_EQ(host.state.RealTimeRate, 10.0f);
    EXPECT_TRUE(prompter.messages.isEmpty());
    // Running: the selection goes back and the message is shown.
    host.state.RealTimeRunning = true;
    box->setCurrentIndex(0);
    EXPECT_EQ(box->currentIndex(), 4);
    EXPECT_FLOAT_EQ(host.state.RealTimeRate, 10.0f);
    EXPECT_EQ(prompter.messages, QStringList{"Can not change Sampling Rate while Real-Time is running."});
    host.state.RealTimeRunning = false;
}

TEST_F(RunTest, ClearResetsTheRealTimeGraph)
{
    GraphWindow* w = controller.showRealTimeGraph();
    ChartModel& m = w->model();
    host.graphUnit().AnnotationCount = 7;
    for (int i = 3; i <= 7; ++i)
        m.setGraphAnnotation(i, GraphAnnotation{1.0, 2.0, "x", sgAnnotCross, 0});
    host.state.RealTimeCount = 50;
    host.realTimeChecked = false;
    w->setCaption("renamed");
    clock.advanceMs(5000);
    clearButton(w)->click();
    EXPECT_EQ(w->caption(), "Real-Time Graph");
    EXPECT_TRUE(host.realTimeChecked);
    EXPECT_TRUE(w->findChild<QAction*>("actClr")->isVisible());
    EXPECT_TRUE(w->findChild<QAction*>("sepClr")->isVisible());
    EXPECT_EQ(m.points(), 200);
    EXPECT_EQ(m.yData(0, 0), 9999.0f);
    EXPECT_DOUBLE_EQ(m.manualMinX, toDays(clock.now()));
    EXPECT_NEAR(m.manualMaxX - m.manualMinX, 30 * kSec, 1e-9);
    EXPECT_EQ(host.state.RealTimeCount, 0);
    EXPECT_EQ(host.graphUnit().AnnotationCount, 3);
    EXPECT_EQ(m.graphAnnotation(5).x, 0.0);
    EXPECT_EQ(m.graphAnnotation(7).y, 0.0);
}

TEST_F(RunTest, RunWhileNotConnectedDoesNothing)
{
    host.isConnected = false;
    answerDialog("10", "1.0");
    controller.runRealTime();
    EXPECT_EQ(dialogShown, 0);
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_TRUE(prompter.questions.isEmpty());
}

TEST_F(RunTest, RunRecordsAndStopLeavesTheRecordedPointsWithTheirAverage)
{
    answerDialog(" 2000", "1.0");
    controller.runRealTime();
    ASSERT_EQ(dialogShown, 1);
    EXPECT_EQ(shownPeriod, "0:33:20");
    GraphWindow* w = controller.window();
    ASSERT_TRUE(w);
    EXPECT_TRUE(host.state.RealTimeRunning);
    EXPECT_FALSE(host.runEnabled);
    EXPECT_TRUE(host.stopEnabled);
    EXPECT_FALSE(clearButton(w)->isEnabled());
    EXPECT_EQ(w->model().points(), 2000);
    EXPECT_EQ(w->statisticTexts().startTime, formatDateTime(toDays(clock.now())));

    reading(60.0f, 1000);
    reading(80.0f, 500); // too soon
    reading(80.0f, 500);
    reading(70.0f, 1000);
    EXPECT_EQ(host.state.RealTimeCount, 3);
    EXPECT_EQ(w->statisticTexts().dataNo, "3");
    EXPECT_EQ(w->statisticTexts().maximum, formatLevel(80));
    EXPECT_EQ(w->statisticTexts().minimum, formatLevel(60));

    controller.stop();
    EXPECT_FALSE(host.state.RealTimeRunning);
    EXPECT_TRUE(host.runEnabled);
    EXPECT_FALSE(host.stopEnabled);
    EXPECT_TRUE(clearButton(w)->isEnabled());
    EXPECT_EQ(w->model().points(), 3);
    EXPECT_EQ(w->statisticTexts().average, formatLevel(70));
    EXPECT_TRUE(host.state.RealTimeUnsaved);
}

TEST_F(RunTest, TheGraphStopsByItselfWhenFull)
{
    answerDialog("3", "0.5");
    controller.runRealTime();
    for (int i = 0; i < 3; ++i)
        reading(65.0f, 500);
    EXPECT_FALSE(host.state.RealTimeRunning);
    EXPECT_TRUE(host.runEnabled);
    EXPECT_EQ(controller.window()->model().points(), 3);
    reading(65.0f, 500);
    EXPECT_EQ(host.state.RealTimeCount, 3);
}

TEST_F(RunTest, QuestionBeforeResettingAGraphWithPoints)
{
    answerDialog("5", "1.0");
    controller.runRealTime();
    reading(60.0f, 1000);
    controller.stop();
    dialogShown = 0;

    // Cancel: nothing changes, no dialog.
    prompter.answers = {Answer::Cancel};
    controller.runRealTime();
    EXPECT_EQ(prompter.questions.value(0),
              "There are datas in Real_Time graph ,it have to reset the graph.\nDo you want to save the Real-Time graph ?");
    EXPECT_EQ(dialogShown, 0);
    EXPECT_EQ(host.state.RealTimeCount, 1);

    // Yes, but the save is cancelled or fails: the points stay, no dialog, nothing starts.
    host.saveSucceeds = false;
    prompter.answers = {Answer::Yes};
    controller.runRealTime();
    EXPECT_EQ(host.saves, QStringList{"as:Real-Time Graph"});
    EXPECT_EQ(dialogShown, 0);
    EXPECT_EQ(host.state.RealTimeCount, 1);
    EXPECT_EQ(controller.window()->model().points(), 1);
    EXPECT_FLOAT_EQ(controller.window()->model().yData(0, 0), 60.0f);
    EXPECT_FALSE(host.state.RealTimeRunning);
    EXPECT_TRUE(host.state.RealTimeUnsaved);

    // Yes: saved, then the dialog.
    host.saveSucceeds = true;
    host.saves.clear();
    prompter.answers = {Answer::Yes};
    controller.runRealTime();
    EXPECT_EQ(host.saves, QStringList{"as:Real-Time Graph"});
    EXPECT_EQ(dialogShown, 1);
    EXPECT_EQ(host.state.RealTimeCount, 0);
    EXPECT_TRUE(host.state.RealTimeRunning);
}

TEST_F(RunTest, InvalidCountOrCancelStartsNothing)
{
    // An emptied count field: the message shows the blanks as the field does.
    answerDialog("", "1.0");
    controller.runRealTime();
    EXPECT_EQ(prompter.messages, QStringList{"_____ is not valid.\n"});
    EXPECT_FALSE(host.state.RealTimeRunning);

    prompter.messages.clear();
    answerDialog("10", "1.0", false);
    controller.runRealTime();
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_FALSE(host.state.RealTimeRunning);
}

TEST_F(RunTest, RatesNoRecordingCanUseAreRefused)
{
    for (const char* rate : {"0", "0.0", "-1.0", "nan", "inf", "1e-60"}) {
        SCOPED_TRACE(rate);
        prompter.messages.clear();
        answerDialog("10", rate);
        controller.runRealTime();
        EXPECT_EQ(dialogShown, 1);
        EXPECT_EQ(prompter.messages, QStringList{QStringLiteral("'%1' is not a valid floating point value").arg(rate)});
        EXPECT_FALSE(host.state.RealTimeRunning);
        EXPECT_FLOAT_EQ(host.state.RealTimeRate, 1.0f);
        EXPECT_FALSE(host.stopEnabled);
    }
}

TEST_F(RunTest, TheDialogOpensCleanlyWhateverTheStoredRate)
{
    // The dialog's rate text: the window's sampling-rate item, or the rate itself when no item
    // stands for it.
    const std::pair<float, double> cases[] = {
        {0.2f, 0.5}, {1.0f, 1.0}, {30.0f, 30.0}, {45.0f, 45.0}, {1000.25f, 1000.25}, {86400.0f, 86400.0},
    };
    for (auto [stored, shown] : cases) {
        SCOPED_TRACE(stored);
        if (GraphWindow* w = controller.window())
            delete w;
        host.state.RealTimeRate = stored;
        host.state.RealTimeCount = 0;
        prompter.messages.clear();
        answerDialog("10", "", false);
        controller.runRealTime();
        ASSERT_EQ(dialogShown, 1);
        EXPECT_TRUE(messagesBeforeDialog.isEmpty()) << messagesBeforeDialog.value(0).toStdString();
        double v = 0;
        EXPECT_TRUE(parseNumber(shownRate, v)) << shownRate.toStdString();
        EXPECT_DOUBLE_EQ(v, shown);
    }
}

TEST_F(RunTest, TheOpenDialogShowsThePeriodOfTheCountAndRateItShows)
{
    // A stored rate of 0.2 s shows the window's "0.5" item: 2000 points at 0.5 s.
    host.state.RealTimeRate = 0.2f;
    QString opened;
    RealTimeSetupDialog::setRunner([&](RealTimeSetupDialog& d) {
        d.show();
        opened = d.countText() + " @ " + d.txtRate->currentText() + " = " + d.edtPeriod->text();
        d.btnCancel->click();
        return d.result();
    });
    controller.runRealTime();
    EXPECT_EQ(opened.toStdString(), " 2000 @ 0.5 = 0:16:40");
}

TEST_F(RunTest, RunAndStopStatesAcrossConnectionLoss)
{
    answerDialog("10", "1.0");
    controller.runRealTime();
    controller.connectionChanged(false);
    EXPECT_FALSE(host.runEnabled);
    EXPECT_FALSE(host.stopEnabled);
    EXPECT_TRUE(host.state.RealTimeRunning);
    controller.connectionChanged(true);
    EXPECT_FALSE(host.runEnabled);
    EXPECT_TRUE(host.stopEnabled);
    reading(60.0f, 1000);
    EXPECT_EQ(host.state.RealTimeCount, 1);
}

// ---------------------------------------------------------------------------
// The windowless session (quedral-cli record)

TEST(RecordSession, RecordsTheSimulatedLevelAndSavesAGraphFile)
{
    test::ScopedDataDir dir;
    ManualClock clock;
    test::ScopedClock clockGuard(clock);
    SimulatedTransport transport(std::make_unique<SimulatedMeter>(QString(), 7));
    transport.meter().setLevelOverride(723);
    MeterLink link(transport);
    Poller poller(link);
    RecordSession session(poller, 6, 0.5);
    int ticks = 0;
    QStringList lines;
    while (!session.isFinished() && ticks < 50) {
        const RecordSession::Tick t = session.tick();
        if (t.sample && t.sample->written)
            lines << RecordSession::pointLine(*t.sample);
        clock.advanceMs(Poller::IntervalMs);
        ++ticks;
    }
    ASSERT_TRUE(session.isFinished());
    EXPECT_LE(ticks, 8); // one tick to connect, then a point per tick
    EXPECT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[0].endsWith("\t72.3"));
    const QString file = dir.file("r.ghf");
    QString error;
    ASSERT_TRUE(session.save(file, &error)) << error.toStdString();
    ChartModel back;
    ASSERT_TRUE(loadChartState(back, file, &error));
    EXPECT_EQ(back.points(), 6);
    EXPECT_FLOAT_EQ(back.yData(0, 5), 72.3f);
}

TEST(RecordSession, StopsEarlyWithThePointsTakenSoFar)
{
    test::ScopedDataDir dir;
    ManualClock clock;
    test::ScopedClock clockGuard(clock);
    SimulatedTransport transport(std::make_unique<SimulatedMeter>(QString(), 7));
    MeterLink link(transport);
    Poller poller(link);
    RecordSession session(poller, 100, 0.5);
    for (int i = 0; i < 4; ++i) {
        session.tick();
        clock.advanceMs(500);
    }
    const StopOutcome s = session.finish();
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(session.chart().points(), 3);
}
