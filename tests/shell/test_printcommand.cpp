// File > Print in the main window: a list window's and a Leq window's table printed as text
// lines onto a PDF printer (read back with pdftotext and pdfinfo), a cancelled dialog, and a
// graph window's chart through its customisation and print dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QToolButton>

#include "base/datetime.h"
#include "chart/chartmodel.h"
#include "graph/chartsetup.h"
#include "chart/ui/customizedialog.h"
#include "chart/ui/chartwidget.h"
#include "graph/ui/graphwindow.h"
#include "graph/ui/listwindow.h"
#include "leq/leqrunner.h"
#include "leq/ui/leqwindow.h"
#include "logger/ui/gridprinter.h"
#include "mainwindowfixture.h"

using namespace quedral;

namespace {

class PrintCommandTest : public test::MainWindowTest {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        test::MainWindowTest::SetUp();
        pdf = data.file("printout.pdf");
        // Every print dialog answered yes prints into the PDF file.
        prompts.preparePrinter = [this](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printed << "print";
        };
    }
    void TearDown() override
    {
        test::MainWindowTest::TearDown();
        QLocale::setDefault(QLocale::c());
    }
    void activate(QWidget* w) { main->mdiArea()->setActiveSubWindow(main->frameOf(w)); }
    // The tool bar's Print button (the menu's command is triggered in the other tests).
    void btnPrint() { main->toolButton(MainButton::Print)->click(); }
    // A list window of n rows "date i", "time i", "value i" (tab-separated text opened).
    ListWindow* listWindow(int n)
    {
        const QString file = data.file(QString("list%1.txt").arg(n));
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        for (int i = 1; i <= n; ++i)
            f.write(QString("d%1\tt%1\tv%1\r\n").arg(i).toUtf8());
        f.close();
        EXPECT_TRUE(main->files().importTextFile(file, QLatin1Char('\t')));
        finishFileJob();
        QMdiSubWindow* active = main->mdiArea()->activeSubWindow();
        ListWindow* list = active ? qobject_cast<ListWindow*>(active->widget()) : nullptr;
        EXPECT_NE(list, nullptr);
        activate(list);
        return list;
    }
    // The PDF's text, one entry per line, empty lines dropped; pages first .. last (0: all).
    QStringList pdfLines(int first = 0, int last = 0)
    {
        QStringList args{"-layout"};
        if (first > 0)
            args << "-f" << QString::number(first) << "-l" << QString::number(last);
        args << pdf << "-";
        QProcess p;
        p.start("pdftotext", args);
        EXPECT_TRUE(p.waitForFinished(30000)) << "pdftotext (poppler-utils) must be installed";
        QStringList lines;
        for (const QString& l : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
            if (!l.trimmed().isEmpty())
                lines << l.trimmed().simplified();
        return lines;
    }
    // The words of the PDF's first page with the x of their left edge, line by line.
    QList<QPair<QString, double>> pdfWords()
    {
        QProcess p;
        p.start("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
        EXPECT_TRUE(p.waitForFinished(30000)) << "pdftotext (poppler-utils) must be installed";
        struct Word {
            QString text;
            double x, y;
        };
        QList<Word> found;
        static const QRegularExpression word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re");
        auto it = word.globalMatch(QString::fromUtf8(p.readAllStandardOutput()));
        while (it.hasNext()) {
            const auto m = it.next();
            found.append({m.captured(3), m.captured(1).toDouble(), m.captured(2).toDouble()});
        }
        // The wide gaps may make pdftotext read the page column by column: put it back in lines.
        std::stable_sort(found.begin(), found.end(), [](const Word& a, const Word& b) {
            return std::lround(a.y) != std::lround(b.y) ? a.y < b.y : a.x < b.x;
        });
        QList<QPair<QString, double>> words;
        for (const Word& w : found)
            words.append({w.text, w.x});
        return words;
    }
    int pdfPages()
    {
        QProcess p;
        p.start("pdfinfo", {pdf});
        EXPECT_TRUE(p.waitForFinished(30000)) << "pdfinfo (poppler-utils) must be installed";
        const auto m = QRegularExpression(R"(Pages:\s+(\d+))").match(QString::fromUtf8(p.readAllStandardOutput()));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }

    QString pdf;
    QStringList printed;
};

TEST_F(PrintCommandTest, ListWindowPrintsItsHeaderAndRowsWithoutTheLastColumn)
{
    ListWindow* list = listWindow(12);
    list->setCaption("the list");
    prompts.printAnswers = {true};
    main->action(MainAction::Print)->trigger();
    EXPECT_EQ(prompts.printDialogs, 1);
    // The header row, then a line per row: the cell texts in order (columns 0 .. 5).
    const QStringList lines = pdfLines();
    ASSERT_EQ(lines.size(), 13);
    EXPECT_EQ(lines.mid(0, 3), QStringList({"No Date Time Value", "1 d1 t1 v1", "2 d2 t2 v2"}));
    EXPECT_EQ(lines.last(), "12 d12 t12 v12");
    EXPECT_EQ(pdfPages(), 1);

    // The columns line up: in the fixed-pitch font every word of every line starts at its
    // column's character place, each column as wide as its longest cell ("No" and "12": 2,
    // "Date": 4, "Time": 4) and parted from the next by two blanks.
    const QList<QPair<QString, double>> words = pdfWords();
    ASSERT_EQ(words.size(), 13 * 4);
    const double x0 = words[0].second;
    const double column = (words[1].second - x0) / 4.0;
    ASSERT_GT(column, 0.0);
    const int places[] = {0, 4, 10, 16};
    for (int i = 0; i < words.size(); ++i) {
        const int row = i / 4;
        const QString expected = row == 0 ? QStringList({"No", "Date", "Time", "Value"})[i % 4]
                                          : QStringList({"%1", "d%1", "t%1", "v%1"})[i % 4].arg(row);
        EXPECT_EQ(words[i].first, expected);
        EXPECT_NEAR((words[i].second - x0) / column, places[i % 4], 0.2) << expected.toStdString();
    }
}

TEST_F(PrintCommandTest, LeqWindowPrintsNoDateTimeAndSplButNotTheLeq)
{
    main->showLeqWindow();
    auto* leq = qobject_cast<LeqWindow*>(main->windows().singles().leq);
    ASSERT_NE(leq, nullptr);
    activate(leq);
    const double t0 = 46350.5;
    emit main->leqRunner().rowFinished(LeqRow{1, "10/12/2026", "12:00:00", t0, true, 80.0f, 81.5f, 25});
    emit main->leqRunner().rowFinished(LeqRow{2, "10/12/2026", "12:00:01", t0 + kSecondInDays, true, 90.0f, 86.0f, 24});
    ASSERT_EQ(leq->table().rowCount(), 2);

    prompts.printAnswers = {true};
    btnPrint();
    // A date that fills its column is still parted from the time.
    EXPECT_EQ(pdfLines(), QStringList({"No Date TIME SPL", "1 10/12/2026 12:00:00 80.0", "2 10/12/2026 12:00:01 90.0"}));
}

TEST_F(PrintCommandTest, ALongTableGoesOnAsManyPagesAsItsLinesNeed)
{
    listWindow(300);
    prompts.printAnswers = {true};
    main->action(MainAction::Print)->trigger();

    // The same printer as the command's, for the layout it had.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(data.file("unused.pdf"));
    const int perPage = gridPageLayout(printer).linesPerPage;
    ASSERT_GT(perPage, 10);
    ASSERT_LT(perPage, 301);
    EXPECT_EQ(pdfPages(), (301 + perPage - 1) / perPage);

    // Page 1 holds the header and rows 1 .. perPage - 1; page 2 starts with row perPage.
    const QStringList first = pdfLines(1, 1);
    ASSERT_EQ(first.size(), perPage);
    EXPECT_EQ(first.first(), "No Date Time Value");
    EXPECT_EQ(first.last(), QString("%1 d%1 t%1 v%1").arg(perPage - 1));
    const QStringList second = pdfLines(2, 2);
    ASSERT_FALSE(second.isEmpty());
    EXPECT_EQ(second.first(), QString("%1 d%1 t%1 v%1").arg(perPage));
}

TEST_F(PrintCommandTest, ACancelledDialogOrAnotherWindowPrintsNothing)
{
    listWindow(3);
    prompts.printAnswers = {false};
    main->action(MainAction::Print)->trigger();
    EXPECT_EQ(prompts.printDialogs, 1);
    EXPECT_FALSE(QFileInfo::exists(pdf));

    // The control panel is no table and no graph: no dialog at all.
    activate(panel());
    prompts.printAnswers = {true};
    main->action(MainAction::Print)->trigger();
    EXPECT_EQ(prompts.printDialogs, 1);
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST_F(PrintCommandTest, GraphWindowRunsTheCustomisationDialogThenThePrintDialog)
{
    auto* w = new GraphWindow(*main, GraphKind::File);
    w->setCaption("printed graph");
    const double t0 = toDays(QDate(2026, 3, 14), QTime(13, 5, 7));
    newChart(w->model(), 1, 10, t0, t0 + 10 * kSecondInDays, 30, 130);
    main->showGraphWindow(*w);
    activate(w);

    // The customisation dialog shows only its style page; monochrome is chosen and kept.
    QStringList pages;
    w->chart().setDialogRunner([&](QDialog& d) {
        auto& dlg = dynamic_cast<CustomizeDialog&>(d);
        for (int i = 0; i < dlg.pages()->count(); ++i)
            pages << dlg.pages()->tabText(i);
        printed << "customize";
        dlg.viewingStyleBox()->setCurrentIndex(sgMonochrome);
        return int(QDialog::Accepted);
    });
    prompts.answers = {Answer::Yes};  // keep the look as the template
    prompts.printAnswers = {true};
    btnPrint();

    EXPECT_EQ(printed, QStringList({"customize", "print"}));
    EXPECT_EQ(pages, QStringList({"Style"}));
    EXPECT_EQ(prompts.questions, QStringList({"Do you want to save the changes ?"}));
    EXPECT_GT(QFileInfo(pdf).size(), 1000);
    const ChartModel& m = w->model();
    EXPECT_EQ(m.viewingStyle, sgMonochrome);
    EXPECT_TRUE(m.allowPage1 && m.allowPage2 && m.allowSubsetsPage && m.allowFontPage);

    // The template keeps the style but not the pages Print turned off for its dialog.
    ChartModel fresh;
    ASSERT_TRUE(newChart(fresh, 1, 10, t0, t0 + 10 * kSecondInDays, 30, 130));
    EXPECT_EQ(fresh.viewingStyle, sgMonochrome);
    EXPECT_TRUE(fresh.allowPage1 && fresh.allowPage2 && fresh.allowSubsetsPage && fresh.allowFontPage);
}


TEST_F(PrintCommandTest, APrinterThatCannotBeWrittenToIsReportedNotPassedOver)
{
    // The PDF's folder does not exist: the user is told, for a table and for a chart alike.
    prompts.preparePrinter = [this](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(data.file("no-such-folder/printout.pdf"));
    };
    listWindow(2);
    prompts.printAnswers = {true};
    main->action(MainAction::Print)->trigger();
    ASSERT_FALSE(prompts.messages.isEmpty());
    EXPECT_TRUE(prompts.messages.last().startsWith("Nothing was printed: ")) << prompts.messages.last().toStdString();
    EXPECT_TRUE(prompts.messages.last().contains("no-such-folder/printout.pdf"));

    auto* chart = new ChartWidget;
    const int before = prompts.messages.size();
    prompts.printAnswers = {true};
    EXPECT_FALSE(chart->printDialog());
    EXPECT_EQ(prompts.messages.size(), before + 1);
    delete chart;
}

} // namespace

// A graph window's own table (the noise statistics' blocks or events) prints every column it
// has: it carries no hidden last column as the list and Leq windows' grids do.
TEST_F(PrintCommandTest, AGraphWindowsTablePrintsEveryColumn)
{
    prompts.printAnswers = {true};
    const auto cells = [](int r, int c) {
        const QStringList rows[] = {{"No", "Start", "Leq", "L90"}, {"1", "13:00", "61.5", "55.2"}};
        return rows[r].value(c);
    };
    main->printTable(GraphHost::TableText{2, 4, cells});
    ASSERT_EQ(printed, QStringList{"print"});
    EXPECT_EQ(pdfLines(), (QStringList{"No Start Leq L90", "1 13:00 61.5 55.2"}));
}
