// The live Leq measurement through the main window: the Leq window, the measurement on the
// meter thread against the simulated meter, Save, Graph, failures and closing.
#include <gtest/gtest.h>

#include <QFile>
#include <QMdiSubWindow>
#include <QSignalSpy>

#include "base/datetime.h"
#include "chart/chartmodel.h"
#include "chart/ui/chartwidget.h"
#include "graph/ui/graphwindow.h"
#include "leq/leqrunner.h"
#include "leq/ui/leqwindow.h"
#include "../shell/mainwindowfixture.h"

using namespace quedral;

namespace {

class LeqWindowTest : public test::MainWindowTest {
protected:
    LeqWindow* open()
    {
        main->showLeqWindow();
        return qobject_cast<LeqWindow*>(main->windows().singles().leq);
    }
    // Runs a measurement of `seconds` and waits for its end; false when it did not end.
    bool measure(int seconds, bool* failed = nullptr)
    {
        QSignalSpy done(&main->leqRunner(), &LeqRunner::finished);
        main->leqRunner().start(seconds);
        if (!done.wait(seconds * 1000 + 8000))
            return false;
        if (failed)
            *failed = done.first().first().toBool();
        return true;
    }
    QByteArray readFile(const QString& name)
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(LeqWindowTest, TwoSecondsGiveTwoRowsALogASaveAndAGraph)
{
    LeqWindow* w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "LEQ");
    bool failed = true;
    ASSERT_TRUE(measure(2, &failed));
    EXPECT_FALSE(failed);
    const LeqTableModel& table = w->table();
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.text(0, 0), "1");
    EXPECT_FALSE(table.text(1, 3).isEmpty());
    EXPECT_EQ(w->leqText(), table.text(1, 4));
    EXPECT_EQ(w->timeLeftText(), "0:0:0");
    // Every reading is a log line: at least the ones that opened and filled the seconds.
    const QList<QByteArray> log = readFile(leqLogFile()).split('\n');
    EXPECT_GE(log.size(), 4);
    EXPECT_TRUE(log.first().endsWith("\r"));
    EXPECT_TRUE(log.first().contains('\t'));

    // Save: four tab-terminated cells a line, no header, no row number.
    const QString file = data.file("leq.txt");
    prompts.fileNames = {file};
    ASSERT_TRUE(w->saveTable());
    const QList<QByteArray> lines = readFile(file).split('\n');
    ASSERT_EQ(lines.size(), 3); // two lines and what follows the last line end
    for (int r = 0; r < 2; ++r) {
        const QByteArray expected = (table.text(r, 1) + "\t" + table.text(r, 2) + "\t" + table.text(r, 3) + "\t"
                                     + table.text(r, 4) + "\t\r")
                                        .toLocal8Bit();
        EXPECT_EQ(lines[r], expected);
    }

    // Graph: SPL and Leq over the two seconds; the graph closes with the window.
    w->showGraph();
    ASSERT_EQ(w->graphWindows().size(), 1);
    GraphWindow* g = w->graphWindows().first();
    EXPECT_EQ(g->caption(), "Leq");
    EXPECT_EQ(g->model().subsets(), 2);
    EXPECT_EQ(g->model().points(), 2);
    EXPECT_EQ(g->model().subsetLabel(0), "SPL");
    EXPECT_EQ(g->model().subsetLabel(1), "Leq");
    EXPECT_EQ(QString::number(g->model().yData(1, 1), 'f', 1), table.text(1, 4));
    QPointer<GraphWindow> graph(g);
    main->frameOf(w)->close();
    QApplication::processEvents();
    EXPECT_EQ(main->windows().singles().leq, nullptr);
    EXPECT_TRUE(graph.isNull());
}

TEST_F(LeqWindowTest, ASecondWithoutReadingsSavesEmptyCellsAndGraphsAsNull)
{
    LeqWindow* w = open();
    ASSERT_NE(w, nullptr);
    const double t0 = 46350.5;
    LeqRow a{1, "10/12/2026", "12:00:00", t0, true, 80.0f, 80.0f, 25};
    LeqRow b{2, "10/12/2026", "12:00:01", t0 + kSecondInDays, false, 0, 0, 0};
    LeqRow c{3, "10/12/2026", "12:00:02", t0 + 2 * kSecondInDays, true, 90.0f, 86.0206f, 24};
    for (const LeqRow& r : {a, b, c})
        emit main->leqRunner().rowFinished(r);
    ASSERT_EQ(w->table().rowCount(), 3);
    EXPECT_EQ(w->table().text(1, 3), "");

    const QString file = data.file("gap.txt");
    prompts.fileNames = {file};
    ASSERT_TRUE(w->saveTable());
    EXPECT_EQ(readFile(file).split('\n').value(1), "10/12/2026\t12:00:01\t\t\t\r");

    w->showGraph();
    ASSERT_EQ(w->graphWindows().size(), 1);
    const ChartModel& chart = w->graphWindows().first()->model();
    EXPECT_EQ(chart.points(), 3);
    EXPECT_DOUBLE_EQ(chart.xDataII(0, 1), t0 + kSecondInDays);
    EXPECT_DOUBLE_EQ(chart.xDataII(1, 1), t0 + kSecondInDays);
    EXPECT_GT(chart.yData(0, 1), 200.0f) << "the null level newChart left";
    EXPECT_GT(chart.yData(1, 1), 200.0f);
    EXPECT_FLOAT_EQ(chart.yData(1, 2), 86.0206f);
}

TEST_F(LeqWindowTest, TheFiftyFirstFailedReadEndsItWithTheMessage)
{
    ManualClock clock; // the silent meter's read time-outs pass at once
    test::ScopedClock clockGuard(clock);
    LeqWindow* w = open();
    ASSERT_NE(w, nullptr);
    sim->faults.noReply = true;
    bool failed = false;
    ASSERT_TRUE(measure(10, &failed));
    EXPECT_TRUE(failed);
    EXPECT_EQ(prompts.messages, QStringList({"LEQ fail , try to start again !!"}));
    EXPECT_EQ(w->table().rowCount(), 0);
}

TEST_F(LeqWindowTest, ClosingAsksAboutAnUnsavedTableAndStopsTheMeasurement)
{
    LeqWindow* w = open();
    ASSERT_TRUE(measure(1));
    ASSERT_EQ(w->table().rowCount(), 1);
    main->leqRunner().start(60);
    EXPECT_TRUE(main->leqRunner().running());

    // The main window asks the Leq window too; Cancel keeps everything.
    prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(main->close());
    EXPECT_EQ(prompts.questions, QStringList({"Save LEQ data ?"}));
    EXPECT_NE(main->windows().singles().leq, nullptr);
    EXPECT_TRUE(main->leqRunner().running());

    prompts.answers = {Answer::No};
    main->frameOf(w)->close();
    QApplication::processEvents();
    EXPECT_EQ(main->windows().singles().leq, nullptr);
    EXPECT_FALSE(main->leqRunner().running());
}

TEST_F(LeqWindowTest, RecordingMeterRefusesAndAnEmptyTableHasNoGraph)
{
    poll();
    sim->meter().handleCommand({0x02, 'R', 0, 0, 0, 0, 0x03});
    poll();
    main->showLeqWindow();
    EXPECT_EQ(prompts.messages, QStringList({"The meter is recording data, please stop recording first ."}));
    EXPECT_EQ(main->windows().singles().leq, nullptr);

    sim->meter().handleCommand({0x02, 'R', 0, 0, 0, 0, 0x03});
    poll();
    LeqWindow* w = open();
    ASSERT_NE(w, nullptr);
    w->showGraph();
    EXPECT_EQ(prompts.messages.last(), "No data to graph !");
    EXPECT_TRUE(w->graphWindows().isEmpty());
}

} // namespace
