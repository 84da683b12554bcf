// The graph window's noise statistics panel: hidden until asked for, the figures of the whole
// graph and between the cursors, the block table with its Save, Print and graph, and the events
// that place the cursors.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>

#include "base/clock.h"
#include "base/datetime.h"
#include "chart/chartmodel.h"
#include "fakehost.h"
#include "graph/chartsetup.h"
#include "graph/graphformat.h"
#include "graph/ui/noisepanel.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

constexpr double kSec = 1.0 / 86400.0;

class NoisePanelTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (QPointer<GraphWindow>& w : made)
            delete w.data();
    }
    // A window over these levels, one a minute from 08:00.
    GraphWindow* make(const std::vector<float>& levels, double stepSeconds = 60)
    {
        auto* w = new GraphWindow(host, GraphKind::File);
        made << w;
        const int n = static_cast<int>(levels.size());
        newChart(w->model(), 1, n, t0, t0 + n * stepSeconds * kSec, 30, 130);
        for (int i = 0; i < n; ++i) {
            w->model().setXDataII(0, i, t0 + i * stepSeconds * kSec);
            w->model().setYData(0, i, levels[static_cast<size_t>(i)]);
        }
        w->resize(1400, 700);
        w->show();
        w->updateGraphStatistics();
        w->resetCursors();
        return w;
    }
    static void show(GraphWindow& w)
    {
        w.findChild<QAction*>("actNoiseStatistics")->trigger();
        QApplication::processEvents(); // the panel works its figures out once the loop is free
    }
    template <class T>
    static T* child(GraphWindow& w, const char* name)
    {
        auto* c = w.findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static QString cell(GraphWindow& w, const char* table, int row, int column)
    {
        QAbstractItemModel* m = child<QTableView>(w, table)->model();
        return m->data(m->index(row, column)).toString();
    }

    const double t0 = 46000.0 + 8.0 / 24; // 08:00
    test::FakeHost host;
    ScriptedPrompter prompter;
    test::ScopedPrompter prompterGuard{prompter};
    ManualClock clock;
    test::ScopedClock clockGuard{clock};
    QList<QPointer<GraphWindow>> made;
};

} // namespace

TEST_F(NoisePanelTest, HiddenUntilAskedForThenShowsTheWholeGraphAndTheCursorSpan)
{
    // 60 dB for 50 minutes, then 70 dB for 50: Leq 67.4; one sample out of range is missing.
    std::vector<float> levels(100, 60.0f);
    std::fill(levels.begin() + 50, levels.end(), 70.0f);
    levels[10] = 0.0f;
    GraphWindow& w = *make(levels);
    auto* panel = child<QWidget>(w, "pnlNoiseStatistics");
    EXPECT_FALSE(panel->isVisible());
    show(w);
    EXPECT_TRUE(panel->isVisible());
    auto* table = child<QTableWidget>(w, "tblNoiseStatistics");
    const auto text = [&](int row, int column) { return table->item(row, column)->text(); };
    EXPECT_EQ(text(0, 0), formatLevel(67.41)); // Leq
    EXPECT_EQ(text(2, 0), formatLevel(70.0));  // Lmax
    EXPECT_EQ(text(3, 0), formatDateTime(t0 + 50 * 60 * kSec));
    EXPECT_EQ(text(8, 0), formatLevel(70.0)); // L10
    EXPECT_EQ(text(11, 0), formatLevel(60.0)); // L95
    EXPECT_EQ(text(14, 0), "99");
    EXPECT_EQ(text(15, 0), "1");

    // Between the cursors: the first 40 samples (all 60 dB but the missing one).
    w.placeCursors(0, 39);
    QApplication::processEvents();
    EXPECT_EQ(text(0, 1), formatLevel(60.0));
    EXPECT_EQ(text(14, 1), "39");
    EXPECT_EQ(text(15, 1), "1");
    // Cursor B before A: the same span.
    w.placeCursors(39, 0);
    QApplication::processEvents();
    EXPECT_EQ(text(14, 1), "39");
    // The window's own statistics did not change.
    EXPECT_EQ(w.statisticTexts().dataNo, "100");
}

TEST_F(NoisePanelTest, BlocksWithSavePrintAndAGraphOfTheirOwn)
{
    // Two hours: 50 dB, then 80 dB.
    std::vector<float> levels(120, 50.0f);
    std::fill(levels.begin() + 60, levels.end(), 80.0f);
    GraphWindow& w = *make(levels);
    show(w);
    child<QComboBox>(w, "cmbBlockLength")->setCurrentText("1 h");
    QApplication::processEvents();
    QAbstractItemModel* blocks = child<QTableView>(w, "tblBlocks")->model();
    ASSERT_EQ(blocks->rowCount(), 2);
    EXPECT_EQ(cell(w, "tblBlocks", 0, 0), formatDateTime(t0));
    EXPECT_EQ(cell(w, "tblBlocks", 1, 1), formatLevel(80.0));
    EXPECT_EQ(cell(w, "tblBlocks", 0, 2), formatLevel(50.0));
    EXPECT_EQ(child<QLabel>(w, "lblLden")->text(), "Lden: the graph covers no whole day.");

    child<QPushButton>(w, "btnSaveBlocks")->click();
    child<QPushButton>(w, "btnPrintBlocks")->click();
    ASSERT_EQ(host.tables.size(), 2);
    const QString rows = "No|Start|Leq|Lmax|Lmin|L10|L90\n1|" + formatDateTime(t0) + "|" + QStringList(5, formatLevel(50)).join('|')
        + "\n2|" + formatDateTime(t0 + 3600 * kSec) + "|" + QStringList(5, formatLevel(80)).join('|');
    EXPECT_EQ(host.tables[0], "save:" + rows);
    EXPECT_EQ(host.tables[1], "print:" + rows);

    child<QPushButton>(w, "btnGraphBlocks")->click();
    GraphWindow* graph = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* g = qobject_cast<GraphWindow*>(top); g && g != &w && g->caption().endsWith("1 h blocks"))
            graph = g;
    ASSERT_NE(graph, nullptr);
    made << graph;
    EXPECT_EQ(graph->model().subsets(), 3);
    // Each block held over its hour: start and end.
    ASSERT_EQ(graph->model().points(), 4);
    EXPECT_FLOAT_EQ(graph->model().yData(0, 1), 50.0f);
    EXPECT_DOUBLE_EQ(graph->model().xDataII(0, 1), t0 + 3600 * kSec);
    EXPECT_FLOAT_EQ(graph->model().yData(0, 2), 80.0f);
    EXPECT_DOUBLE_EQ(graph->model().xDataII(0, 3), t0 + 7200 * kSec);
}

TEST_F(NoisePanelTest, EventsFollowTheThresholdAndPlaceTheCursors)
{
    // At 1 s: 20 s of 75 dB from second 30, 5 s of 90 dB from second 100, else 55 dB.
    std::vector<float> levels(200, 55.0f);
    std::fill(levels.begin() + 30, levels.begin() + 50, 75.0f);
    std::fill(levels.begin() + 100, levels.begin() + 105, 90.0f);
    GraphWindow& w = *make(levels, 1);
    show(w);
    child<QDoubleSpinBox>(w, "spnThreshold")->setValue(70);
    child<QDoubleSpinBox>(w, "spnMinDuration")->setValue(10);
    QApplication::processEvents();
    QAbstractItemModel* events = child<QTableView>(w, "tblEvents")->model();
    ASSERT_EQ(events->rowCount(), 1); // the 5 s one is too short
    EXPECT_EQ(cell(w, "tblEvents", 0, 0), formatDateTime(t0 + 30 * kSec));
    EXPECT_EQ(cell(w, "tblEvents", 0, 1), "20.0");
    EXPECT_EQ(cell(w, "tblEvents", 0, 4), formatLevel(75.0 + 10 * std::log10(20.0)));
    // The time above the threshold counts every second above it, short events too.
    EXPECT_EQ(child<QTableWidget>(w, "tblNoiseStatistics")->item(13, 0)->text(), "25 s");

    child<QDoubleSpinBox>(w, "spnMinDuration")->setValue(5);
    QApplication::processEvents();
    ASSERT_EQ(events->rowCount(), 2);
    child<QTableView>(w, "tblEvents")->selectRow(1);
    EXPECT_EQ(w.cursorLineSamples(), std::optional(std::pair(100, 104)));
    EXPECT_EQ(host.graphUnit().CursorAIndex, 100);
    EXPECT_EQ(w.statisticTexts().maxBetween, formatLevel(90.0));

    child<QPushButton>(w, "btnSaveEvents")->click();
    ASSERT_EQ(host.tables.size(), 1);
    EXPECT_TRUE(host.tables[0].startsWith("save:No|Start|Duration (s)|Lmax|Leq|LE\n1|")) << qPrintable(host.tables[0]);
}

// Figures asked for before the panel's turn of the event loop (a button pressed right after the
// samples changed) are worked out anew, and the tables never show rows that are gone.
TEST_F(NoisePanelTest, TablesFollowFiguresWorkedOutBeforeThePanelsTurn)
{
    GraphWindow& w = *make(std::vector<float>(120, 60.0f)); // two hours of minutes
    show(w);
    child<QComboBox>(w, "cmbBlockLength")->setCurrentText("1 h");
    QApplication::processEvents();
    QAbstractItemModel* blocks = child<QTableView>(w, "tblBlocks")->model();
    ASSERT_EQ(blocks->rowCount(), 2);
    // Half an hour left; "Graph" pressed before the panel had its turn.
    w.model().setPoints(30);
    w.updateGraphStatistics();
    child<QPushButton>(w, "btnGraphBlocks")->click();
    EXPECT_EQ(blocks->rowCount(), 1);
    for (int row = 0; row < blocks->rowCount(); ++row)
        EXPECT_FALSE(blocks->data(blocks->index(row, 0)).toString().isEmpty());
    QApplication::processEvents();
    EXPECT_EQ(blocks->rowCount(), 1);
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* g = qobject_cast<GraphWindow*>(top); g && g != &w)
            made << g;
}
