// Annotations on the graph window (placement tools, text entry, data point label, erase
// dialog, the shared counter, graph files) and the chart template kept from "Graph Option".
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

#include "fakehost.h"
#include "files/graphfile.h"
#include "chart/ui/customizedialog.h"
#include "chart/ui/chartwidget.h"
#include "graph/chartsetup.h"
#include "graph/graphformat.h"
#include "graph/ui/graphunit.h"
#include "graph/ui/annotationtextdialog.h"
#include "graph/ui/eraseannotationsdialog.h"
#include "base/clock.h"
#include "base/datetime.h"
#include "base/prompter.h"
#include "support/testenv.h"

#include <qcustomplot.h>

#include <memory>
#include <vector>

using namespace quedral;
using quedral::test::FakeHost;

namespace {
const double kSec = 1.0 / 86400.0;

// What the erase dialog showed: per row its index, "NO", "Time" and "Contents".
struct ListedRow {
    int index;
    QString no, time, contents;
};

class AnnotationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A fresh host brings fresh shared values.
        // A dialog nobody expected fails the test instead of waiting for a user.
        AnnotationTextDialog::setRunner([](AnnotationTextDialog&) {
            ADD_FAILURE() << "unexpected text entry";
            return int(QDialog::Rejected);
        });
        EraseAnnotationsDialog::setRunner([](EraseAnnotationsDialog&) {
            ADD_FAILURE() << "unexpected erase dialog";
            return int(QDialog::Rejected);
        });
    }
    void TearDown() override
    {
        for (QPointer<GraphWindow>& w : windows)
            delete w.data();
        AnnotationTextDialog::setRunner(nullptr);
        EraseAnnotationsDialog::setRunner(nullptr);
    }

    // A shown window with 50 samples a second apart, levels 50..56.
    GraphWindow* make(GraphKind kind = GraphKind::File)
    {
        auto* w = new GraphWindow(host, kind);
        windows.append(w);
        const double t0 = toDays(clock.now());
        newChart(w->model(), 1, 50, t0, t0 + 50 * kSec, 30, 130);
        for (int i = 0; i < 50; ++i) {
            w->model().setXDataII(0, i, t0 + i * kSec);
            w->model().setYData(0, i, 50.0f + static_cast<float>(i % 7));
        }
        w->resize(1400, 700);
        w->show();
        w->refreshChart();
        w->chart().plot()->replot();
        return w;
    }
    template <class W>
    static W* child(const QWidget& owner, const char* name)
    {
        W* c = owner.findChild<W*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    // A left click (press and release in place) on the chart, in the chart's pixels.
    static void click(GraphWindow& w, QPoint pos)
    {
        QWidget* plot = w.chart().plot();
        for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
            QMouseEvent e(type, QPointF(pos), QPointF(plot->mapToGlobal(pos)), Qt::LeftButton, buttons,
                          Qt::NoModifier);
            QApplication::sendEvent(plot, &e);
        }
    }
    static void chooseTool(GraphWindow& w, const char* button) { child<QToolButton>(w, button)->click(); }
    // The text entry answers with a text (OK) or, for nullptr, Cancel.
    void answerText(const char* text)
    {
        AnnotationTextDialog::setRunner([this, text](AnnotationTextDialog& d) {
            ++textEntries;
            if (!text)
                return int(QDialog::Rejected);
            d.edtText->setText(QString::fromUtf8(text));
            return int(QDialog::Accepted);
        });
    }
    // Runs "Erase Annotation" on a window: records the rows, selects rows first..last (none
    // when first < 0) and presses Delete, or Cancel when `erase` is false.
    std::vector<ListedRow> eraseDialog(GraphWindow& w, int first = -1, int last = -1, bool erase = false)
    {
        std::vector<ListedRow> rows;
        EraseAnnotationsDialog::setRunner([&](EraseAnnotationsDialog& d) {
            EXPECT_EQ(d.windowTitle(), "Erase Annotation");
            EXPECT_EQ(d.btnDelete->isEnabled(), d.grdAnnotations->rowCount() > 0);
            for (int r = 0; r < d.grdAnnotations->rowCount(); ++r)
                rows.push_back({d.annotationIndex(r), d.grdAnnotations->item(r, 0)->text(),
                                d.grdAnnotations->item(r, 1)->text(), d.grdAnnotations->item(r, 2)->text()});
            if (first >= 0)
                d.selectRows(first, last);
            return int(erase ? QDialog::Accepted : QDialog::Rejected);
        });
        child<QToolButton>(w, "tbntEraseAnnotation")->click();
        return rows;
    }
    static std::vector<int> indices(const std::vector<ListedRow>& rows)
    {
        std::vector<int> out;
        for (const ListedRow& r : rows)
            out.push_back(r.index);
        return out;
    }
    // A point well inside the plotting area.
    static QPoint inside(GraphWindow& w, int dx = 0, int dy = 0)
    {
        return w.chart().plottingRect().center() + QPoint(dx, dy);
    }

    test::ScopedDataDir dataDir;
    FakeHost host;
    ScriptedPrompter prompter;
    ManualClock clock;
    test::ScopedPrompter prompterGuard{prompter};
    test::ScopedClock clockGuard{clock};
    QList<QPointer<GraphWindow>> windows;
    int textEntries = 0;
};
} // namespace

TEST_F(AnnotationTest, ToolsSetThePointerAndThePlacementTool)
{
    GraphWindow& w = *make();
    struct Case {
        const char* button;
        int tool;
        int arrowCursor;
    };
    for (const Case& c : {Case{"tbntDrawCross", 2, sgCustomCursor}, Case{"tbntText", 0, sgTextCursor},
                          Case{"tbntNormalCursor", -99, sgArrowCursor}}) {
        SCOPED_TRACE(c.button);
        chooseTool(w, c.button);
        EXPECT_EQ(host.graphUnit().PlacementTool, c.tool);
        EXPECT_EQ(w.model().arrowCursor, c.arrowCursor);
        EXPECT_TRUE(child<QToolButton>(w, c.button)->isChecked());
    }
    // The cross pointer is the "CROSS" picture with its hot spot at the top-left corner.
    chooseTool(w, "tbntDrawCross");
    const QCursor shown = w.chart().plot()->cursor();
    EXPECT_EQ(shown.shape(), Qt::BitmapCursor);
    EXPECT_EQ(shown.hotSpot(), QPoint(0, 0));
    EXPECT_EQ(shown.pixmap().size(), QSize(32, 32));

    // Showing a window again puts the normal pointer back, for every window.
    w.hide();
    w.show();
    EXPECT_EQ(host.graphUnit().PlacementTool, -99);
    EXPECT_EQ(w.model().arrowCursor, sgArrowCursor);
    EXPECT_TRUE(child<QToolButton>(w, "tbntNormalCursor")->isChecked());
}

TEST_F(AnnotationTest, ClickPlacesAtTheShiftedPosition)
{
    GraphWindow& w = *make();
    answerText("engine start");
    struct Case {
        const char* button;
        QPoint shift;
        int type;
        QString text;
    };
    int index = 4;
    for (const Case& c : {Case{"tbntDrawCross", {15, 15}, sgAnnotCross, ""},
                          Case{"tbntText", {1, 7}, sgAnnotTextOnly, "engine start"}}) {
        SCOPED_TRACE(c.button);
        chooseTool(w, c.button);
        const QPoint at = inside(w, -40, -20);
        click(w, at);
        ++index;
        EXPECT_EQ(host.graphUnit().AnnotationCount, index);
        const GraphAnnotation a = w.model().graphAnnotation(index);
        const QPointF expected = w.chart().pixelToData(at + c.shift);
        EXPECT_DOUBLE_EQ(a.x, expected.x());
        EXPECT_DOUBLE_EQ(a.y, expected.y());
        EXPECT_EQ(a.type, c.type);
        EXPECT_EQ(a.text, c.text);
    }
    EXPECT_EQ(textEntries, 1);
}

TEST_F(AnnotationTest, OnlyClicksLandingInsideThePlotTakeAnIndex)
{
    GraphWindow& w = *make();
    const QRect r = w.chart().plottingRect();
    chooseTool(w, "tbntDrawCross");
    // The shift carries a click near the right or bottom edge outside, nothing is placed.
    click(w, r.bottomRight() - QPoint(10, 30));
    click(w, r.bottomRight() - QPoint(30, 10));
    EXPECT_EQ(host.graphUnit().AnnotationCount, 4);
    EXPECT_FALSE(w.model().graphAnnotations().contains(5));
    // ... and a click just left of and above the plot into it: the right edge counts as inside.
    click(w, r.topLeft() - QPoint(10, 10));
    click(w, r.bottomRight() - QPoint(15, 15));
    EXPECT_EQ(host.graphUnit().AnnotationCount, 6);

    // The normal pointer places nothing, inside or not.
    chooseTool(w, "tbntNormalCursor");
    click(w, inside(w));
    EXPECT_EQ(host.graphUnit().AnnotationCount, 6);

    // Text: Cancel adds nothing; an empty text takes an index but is not listed.
    chooseTool(w, "tbntText");
    answerText(nullptr);
    click(w, inside(w));
    EXPECT_EQ(host.graphUnit().AnnotationCount, 6);
    answerText("");
    click(w, inside(w));
    EXPECT_EQ(host.graphUnit().AnnotationCount, 7);
    EXPECT_EQ(w.model().graphAnnotation(7).type, sgAnnotTextOnly);
    EXPECT_EQ(indices(eraseDialog(w)), (std::vector<int>{5, 6}));
}

TEST_F(AnnotationTest, EraseDialogListsAndErasesTheSelectedRange)
{
    GraphWindow& w = *make();
    ChartModel& m = w.model();
    // Indices below 5 (the data point label among them) are never listed.
    m.setGraphAnnotation(2, GraphAnnotation{1.0, 60, "label", sgAnnotCross, 0});
    m.setGraphAnnotation(4, GraphAnnotation{1.0, 60, "four", sgAnnotTextOnly, 0});
    const double t = m.xDataII(0, 10);
    m.setGraphAnnotation(5, GraphAnnotation{t, 60, "", sgAnnotCross, 0});
    m.setGraphAnnotation(6, GraphAnnotation{t, 61, "first", sgAnnotTextOnly, 0});
    m.setGraphAnnotation(7, GraphAnnotation{t, 62, "", sgAnnotTextOnly, 0});
    m.setGraphAnnotation(8, GraphAnnotation{t, 63, "", sgAnnotCross, 0});
    m.setGraphAnnotation(9, GraphAnnotation{t, 64, "last", sgAnnotTextOnly, 0});
    m.setGraphAnnotation(10, GraphAnnotation{t, 64, "beyond the count", sgAnnotTextOnly, 0});
    host.graphUnit().AnnotationCount = 9;

    const std::vector<ListedRow> rows = eraseDialog(w);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(indices(rows), (std::vector<int>{5, 6, 8, 9}));
    EXPECT_EQ(rows[0].no, "1");
    EXPECT_EQ(rows[3].no, "4");
    EXPECT_EQ(rows[0].time, formatDateTime(t));
    EXPECT_EQ(rows[0].contents, "X");
    EXPECT_EQ(rows[1].contents, "first");
    // Cancel changed nothing.
    EXPECT_EQ(m.graphAnnotation(6).text, "first");

    // Rows 2 and 3 (a text and a cross) go; the others stay.
    eraseDialog(w, 1, 2, true);
    for (int i : {6, 8}) {
        EXPECT_EQ(m.graphAnnotation(i).type, sgAnnotTextOnly) << i;
        EXPECT_EQ(m.graphAnnotation(i).text, "") << i;
    }
    EXPECT_EQ(m.graphAnnotation(5).type, sgAnnotCross);
    EXPECT_EQ(m.graphAnnotation(9).text, "last");
    EXPECT_EQ(indices(eraseDialog(w)), (std::vector<int>{5, 9}));

    // Delete without touching the grid erases the first row, which starts selected.
    eraseDialog(w, -1, -1, true);
    EXPECT_EQ(indices(eraseDialog(w)), (std::vector<int>{9}));
    eraseDialog(w, -1, -1, true);
    // Nothing left to list: only the heading, "Delete" disabled (checked in eraseDialog).
    EXPECT_TRUE(eraseDialog(w).empty());
}

TEST_F(AnnotationTest, AfterAClearTheNextAnnotationTakesIndexFourAndIsNotListed)
{
    GraphWindow& w = *make(GraphKind::RealTime);
    chooseTool(w, "tbntDrawCross");
    click(w, inside(w));
    EXPECT_EQ(host.graphUnit().AnnotationCount, 5);
    w.clearPlacedAnnotations(); // as "Clear" does
    EXPECT_EQ(host.graphUnit().AnnotationCount, 3);
    EXPECT_TRUE(eraseDialog(w).empty());
    click(w, inside(w));
    EXPECT_EQ(host.graphUnit().AnnotationCount, 4);
    EXPECT_EQ(w.model().graphAnnotation(4).type, sgAnnotCross);
    EXPECT_TRUE(eraseDialog(w).empty());
    click(w, inside(w, 20, 0));
    EXPECT_EQ(indices(eraseDialog(w)), (std::vector<int>{5}));
}

TEST_F(AnnotationTest, TwoWindowsShareTheCounter)
{
    GraphWindow& a = *make();
    GraphWindow& b = *make();
    chooseTool(a, "tbntDrawCross");
    click(a, inside(a));
    // The tool is one for all windows: the cross chosen in A places a cross in B too.
    click(b, inside(b));
    click(a, inside(a, 30, 0));
    EXPECT_EQ(host.graphUnit().AnnotationCount, 7);
    EXPECT_EQ(indices(eraseDialog(a)), (std::vector<int>{5, 7}));
    EXPECT_EQ(indices(eraseDialog(b)), (std::vector<int>{6}));
    EXPECT_EQ(b.model().graphAnnotation(5).type, sgAnnotTextOnly);
}

TEST_F(AnnotationTest, DataPointLabelShowsTimeAndLevel)
{
    GraphWindow& w = *make();
    ChartModel& m = w.model();
    // Hot spots are off unless a template turns them on: a click on a sample labels nothing.
    const QPointF sample = w.chart().dataToPixel(m.xDataII(0, 20), m.yData(0, 20));
    click(w, sample.toPoint());
    EXPECT_FALSE(m.graphAnnotations().contains(2));

    m.allowDataHotSpots = true;
    for (int p : {20, 21}) {
        const QPointF at = w.chart().dataToPixel(m.xDataII(0, p), m.yData(0, p));
        click(w, at.toPoint());
        const GraphAnnotation label = m.graphAnnotation(2);
        EXPECT_EQ(label.type, sgAnnotCross);
        EXPECT_EQ(label.color, PEargb(255, 255, 255, 0));
        EXPECT_DOUBLE_EQ(label.x, m.xDataII(0, p));
        EXPECT_DOUBLE_EQ(label.y, m.yData(0, p));
        EXPECT_EQ(label.text, formatTimeOfDay(m.xDataII(0, p)) + "\r" + formatLevel(m.yData(0, p)) + " dB");
    }
    // The label uses no index of the user's.
    EXPECT_EQ(host.graphUnit().AnnotationCount, 4);
}

TEST_F(AnnotationTest, AnnotationsTravelInGraphFiles)
{
    GraphWindow& w = *make();
    answerText("peak");
    chooseTool(w, "tbntDrawCross");
    click(w, inside(w));
    chooseTool(w, "tbntText");
    click(w, inside(w, 50, -50));
    w.labelSample(0, 3);
    const QString file = dataDir.file("marked.ghf");
    ASSERT_TRUE(saveChartState(w.model(), file));

    GraphWindow& reopened = *make();
    ASSERT_TRUE(loadChartState(reopened.model(), file));
    reopened.refreshChart();
    EXPECT_EQ(reopened.model().graphAnnotations(), w.model().graphAnnotations());
    const std::vector<ListedRow> rows = eraseDialog(reopened);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].contents, "X");
    EXPECT_EQ(rows[1].contents, "peak");
}

// ---------------------------------------------------------------------------
// "Graph Option" and the template

namespace {
// Fills the customisation dialog in and accepts it (or cancels it).
ChartWidget::DialogRunner customizer(bool accept)
{
    return [accept](QDialog& d) {
        auto* c = dynamic_cast<CustomizeDialog*>(&d);
        EXPECT_NE(c, nullptr);
        if (!c || !accept)
            return int(QDialog::Rejected);
        c->mainTitleEdit()->setText("Plant noise");
        c->xAxisLabelEdit()->setText("Clock");
        c->gridStyleBox()->setCurrentIndex(sgDash);
        c->setSubsetColor(0, QColor(0, 128, 255));
        return int(QDialog::Accepted);
    };
}
} // namespace

TEST_F(AnnotationTest, KeptCustomisationIsTheLookOfNewCharts)
{
    GraphWindow& w = *make();
    chooseTool(w, "tbntDrawCross");
    click(w, inside(w));
    w.chart().setDialogRunner(customizer(true));
    prompter.answers = {Answer::Yes};
    child<QToolButton>(w, "btnGraphOption")->click();
    ASSERT_EQ(prompter.questions, QStringList{"Do you want to save the changes ?"});
    ASSERT_TRUE(QFile::exists(chartTemplateFile()));
    EXPECT_EQ(chartTemplateFile(), dataDir.file("template/graph.ghf"));
    EXPECT_EQ(w.model().mainTitle, "Plant noise");
    EXPECT_EQ(w.model().gridStyle, sgDash);

    for (GraphKind kind : {GraphKind::DataLogger, GraphKind::File}) {
        SCOPED_TRACE(static_cast<int>(kind));
        GraphWindow* fresh = new GraphWindow(host, kind);
        windows.append(fresh);
        ChartModel& m = fresh->model();
        const double t0 = toDays(clock.now());
        EXPECT_TRUE(newChart(m, 1, 500, t0, t0 + 500 * kSec, 30, 130));
        EXPECT_EQ(m.mainTitle, "Plant noise");
        EXPECT_EQ(m.xAxisLabel, "Clock");
        EXPECT_EQ(m.gridStyle, sgDash);
        EXPECT_EQ(m.subsetColor(0), w.model().subsetColor(0));
        // Ranges, size and lines are newChart's; nothing of the customised chart's data or marks.
        EXPECT_EQ(m.points(), 500);
        EXPECT_EQ(m.yData(0, 0), 9999.0f);
        EXPECT_DOUBLE_EQ(m.manualMinX, t0);
        EXPECT_DOUBLE_EQ(m.vertLines[1].x, t0 + 500 * kSec / 3);
        EXPECT_EQ(m.vertLines[1].text, " Cursor A");
        EXPECT_TRUE(m.graphAnnotations().empty());
    }
}

TEST_F(AnnotationTest, TemplateIsKeptOnlyForAcceptedChangesAndYes)
{
    GraphWindow& w = *make();
    // Cancelled dialog: no question, no template.
    w.chart().setDialogRunner(customizer(false));
    w.customiseChart();
    EXPECT_TRUE(prompter.questions.isEmpty());
    // Accepted, answered No: the change stays in this chart only.
    w.chart().setDialogRunner(customizer(true));
    prompter.answers = {Answer::No};
    w.customiseChart();
    EXPECT_EQ(prompter.questions.size(), 1);
    EXPECT_EQ(w.model().mainTitle, "Plant noise");
    EXPECT_FALSE(QFile::exists(chartTemplateFile()));

    // A template folder that cannot be made: the message names it, nothing is written.
    QFile blocker(dataDir.file("template"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    prompter.answers = {Answer::Yes};
    w.customiseChart();
    EXPECT_EQ(prompter.messages,
              QStringList{"Cannot create " + QDir::toNativeSeparators(dataDir.file("template/")) + " directory."});
}
