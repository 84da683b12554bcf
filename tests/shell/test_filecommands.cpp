// Open and Save in the main window: what Save does for each kind of window, the filters, the
// graph text export with its range dialog, the import into a list window and Output to graph.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QFile>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QToolButton>

#include <sys/stat.h>

#include "base/datetime.h"
#include "files/graphfile.h"
#include "widgets/opensavechoice.h"
#include "widgets/progressdialog.h"
#include "chart/chartmodel.h"
#include "graph/chartsetup.h"
#include "chart/ui/chartwidget.h"
#include "graph/ui/graphwindow.h"
#include "graph/ui/listwindow.h"
#include "leq/leqrunner.h"
#include "leq/ui/leqwindow.h"
#include "logger/ui/dataloggercontroller.h"
#include "meter/simulator/simulatedmemory.h"
#include "realtime/ui/realtimesetupdialog.h"
#include "mainwindowfixture.h"
#include "shell/guiprompter.h"

using namespace quedral;

namespace {

const char kGraphFilter[] = "Graph file(*.ghf,only for KV4471)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT|"
                            "EXCEL file format(*.CSV,seperated by comma)|*.CSV";
const char kTableFilter[] =
    "TXT file(*.txt,data seperated by tab)|*.TXT|EXCEL file format(*.csv,seperated by comma) |*.CSV";

class FileCommandsTest : public test::MainWindowTest {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        test::MainWindowTest::SetUp();
        OpenSaveChoice::setRunner([this](OpenSaveChoice& d) {
            choiceCaptions << d.windowTitle() + ": " + d.btnCollection->text() + " / " + d.btnSingle->text();
            return choice;
        });
        ProgressDialog::setRangeRunner([this](ProgressDialog& d) {
            d.chooseRange(rangeAll, rangeFrom, rangeTo);
            return rangeOk;
        });
    }
    void TearDown() override
    {
        OpenSaveChoice::setRunner({});
        ProgressDialog::setRangeRunner({});
        test::MainWindowTest::TearDown();
        QLocale::setDefault(QLocale::c());
    }
    // A graph window of n points one second apart from 13:05:07 with levels 60.0, 60.1, ...
    GraphWindow* graphWindow(int n, int filled)
    {
        auto* w = new GraphWindow(*main, GraphKind::File);
        w->setCaption("test graph");
        const double t0 = toDays(QDate(2026, 3, 14), QTime(13, 5, 7));
        newChart(w->model(), 1, n, t0, t0 + n * kSecondInDays, 30, 130);
        for (int i = 0; i < filled; ++i) {
            w->model().setXDataII(0, i, t0 + i * kSecondInDays);
            w->model().setYData(0, i, 60.0f + 0.1f * i);
        }
        main->showGraphWindow(*w);
        main->mdiArea()->setActiveSubWindow(main->frameOf(w));
        return w;
    }
    QList<QByteArray> lines(const QString& file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> l = f.readAll().split('\n');
        if (!l.isEmpty() && l.last().isEmpty())
            l.removeLast();
        return l;
    }
    // File > Save, then the event loop until the export on its worker has ended.
    void save()
    {
        main->files().saveActiveWindow();
        finishFileJob();
    }
    // Imports a tab-separated file and waits for its list window (nullptr when none came).
    ListWindow* importText(const QString& file)
    {
        if (!main->files().importTextFile(file, QLatin1Char('\t')))
            return nullptr;
        finishFileJob();
        return activeList();
    }
    // Output Tabular to graph, then the event loop until its graph window is there.
    void outputToGraph()
    {
        main->files().outputToGraph();
        finishFileJob();
    }
    ListWindow* activeList() const
    {
        QMdiSubWindow* s = main->mdiArea()->activeSubWindow();
        return s ? qobject_cast<ListWindow*>(s->widget()) : nullptr;
    }

    int choice = OpenSaveChoice::mrCancel;
    QStringList choiceCaptions;
    bool rangeAll = true;
    QString rangeFrom = "1", rangeTo = "1";
    bool rangeOk = true;
};

TEST_F(FileCommandsTest, SaveDecidesByTheActiveWindow)
{
    // No child window active that saves: nothing.
    main->mdiArea()->setActiveSubWindow(main->frameOf(panel()));
    save();
    EXPECT_TRUE(prompts.fileDialogs.isEmpty());

    // A graph window: the graph save dialog at once.
    graphWindow(10, 10);
    save();
    EXPECT_EQ(prompts.fileDialogs, QStringList({QStringLiteral("save %1 [GHF]").arg(kGraphFilter)}));
    EXPECT_TRUE(choiceCaptions.isEmpty());

    // The DataLogger window: the choice first, with its designed captions; the second choice
    // leads to the graph save dialog.
    prompts.fileDialogs.clear();
    const QString collection = data.file("logged.rec");
    {
        QFile f(collection);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(encodeMemoryImage(defaultLoggedSets()));
    }
    prompts.fileNames = {collection};
    main->dataLogger().openCollectionFile();
    ASSERT_NE(main->dataLogger().window(), nullptr);
    main->mdiArea()->setActiveSubWindow(main->frameOf(main->dataLogger().window()));
    prompts.fileDialogs.clear();
    choice = OpenSaveChoice::mrSingle;
    save();
    EXPECT_EQ(choiceCaptions, QStringList({"Save File: Save all data sets to a data set collection file(*.set) / "
                                           "Save single selected  data set to a  file"}));
    EXPECT_EQ(prompts.fileDialogs, QStringList({QStringLiteral("save %1 [GHF]").arg(kGraphFilter)}));

    // A Leq window: the table save dialog.
    prompts.fileDialogs.clear();
    main->showLeqWindow();
    main->mdiArea()->setActiveSubWindow(main->frameOf(qobject_cast<QWidget*>(main->windows().singles().leq)));
    save();
    EXPECT_EQ(prompts.fileDialogs, QStringList({QStringLiteral("save %1 [TXT]").arg(kTableFilter)}));
}

TEST_F(FileCommandsTest, ADataSetWithoutAStartIsNotSavedAsAGraph)
{
    // The first set's start reads 31 February: its chart is timed from the day-count origin,
    // which no graph or text file may carry as dates.
    QByteArray image = encodeMemoryImage(defaultLoggedSets());
    image[256 + 4] = char(0x02);
    image[256 + 5] = char(0x31);
    const QString collection = data.file("nostart.rec");
    {
        QFile f(collection);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(image);
    }
    prompts.fileNames = {collection};
    main->dataLogger().openCollectionFile();
    ASSERT_NE(main->dataLogger().window(), nullptr);
    ASSERT_EQ(main->dataLogger().shownSetWithoutStart(), 0);
    main->mdiArea()->setActiveSubWindow(main->frameOf(main->dataLogger().window()));
    prompts.messages.clear();
    prompts.fileDialogs.clear();
    choice = OpenSaveChoice::mrSingle;
    save();
    EXPECT_TRUE(prompts.fileDialogs.isEmpty()) << "no file is asked for";
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith("Data set 1 has no readable start date and time"))
        << prompts.messages[0].toStdString();

    // Another set with its start is saved as before.
    main->dataLogger().drawDataSet(1);
    EXPECT_EQ(main->dataLogger().shownSetWithoutStart(), -1);
    save();
    EXPECT_EQ(prompts.fileDialogs.size(), 1);
}

TEST_F(FileCommandsTest, GraphTextExportFollowsTheRangeAndTheExtension)
{
    GraphWindow* w = graphWindow(300, 300);
    struct Case {
        bool all;
        const char* from;
        const char* to;
        int first, last; // expected points, 1-based
    };
    const Case cases[] = {
        {true, "1", "300", 1, 300}, {false, "10", "20", 10, 20}, {false, "20", "10", 10, 20},
        {false, "0", "5", 1, 5},    {false, "250", "999", 250, 300}, {false, "-3", "7", 3, 7},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        rangeAll = c.all;
        rangeFrom = c.from;
        rangeTo = c.to;
        const QString file = data.file(QStringLiteral("range%1.TXT").arg(n++));
        prompts.fileNames = {file};
        save();
        const QList<QByteArray> l = lines(file);
        ASSERT_EQ(l.size(), c.last - c.first + 1);
        EXPECT_TRUE(l.first().endsWith(QString("\t%1\r").arg(60.0 + 0.1 * (c.first - 1), 0, 'f', 1).toLatin1()));
    }

    // Not an integer: the message, no file.
    rangeAll = false;
    rangeTo = "many";
    const QString bad = data.file("bad.txt");
    prompts.fileNames = {bad};
    save();
    EXPECT_EQ(prompts.messages.last(), "invalid integer");
    EXPECT_FALSE(QFile::exists(bad));

    // The extension decides, whatever its case; an unknown one writes nothing.
    rangeAll = true;
    const QString csv = data.file("upper.CSV");
    prompts.fileNames = {csv};
    save();
    EXPECT_TRUE(lines(csv).first().contains(", 13:05:07.0, 60.0"));
    const QString other = data.file("other.dat");
    prompts.fileNames = {other};
    save();
    EXPECT_FALSE(QFile::exists(other));
    const QString ghf = data.file("g.GHF");
    prompts.fileNames = {ghf};
    save();
    ChartModel back;
    ASSERT_TRUE(loadChartState(back, ghf));
    EXPECT_EQ(back.points(), w->model().points());
}

// A disk that fills up during the export: the old file stays whole and the status bar says why.
TEST_F(FileCommandsTest, AGraphTextExportThatCannotBeWrittenKeepsTheOldFile)
{
    graphWindow(300, 300);
    rangeAll = true;
    const QString file = data.file("kept.txt");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old lines\r\n");
    }
    prompts.fileNames = {file};
    {
        test::ScopedFileSizeLimit full(1000);
        save();
    }
    EXPECT_EQ(lines(file), QList<QByteArray>{"old lines\r"});
    EXPECT_EQ(main->readings().messageLabel().text(), file + " was not written: File too large");
    EXPECT_EQ(QDir(data.path()).entryList({"kept*"}, QDir::Files | QDir::Hidden), QStringList{"kept.txt"});

    // With room, the new text replaces it.
    prompts.fileNames = {file};
    save();
    EXPECT_EQ(lines(file).size(), 300);
}

TEST_F(FileCommandsTest, ANameWithoutExtensionIsSavedAsTheTypeChosenInTheDialog)
{
    const char kGhf[] = "Graph file(*.ghf,only for KV4471)|*.GHF";
    const char kTxt[] = "TXT file(*.txt,data seperated by tab)|*.TXT";
    const char kCsv[] = "EXCEL file format(*.CSV,seperated by comma)|*.CSV";
    GraphWindow* w = graphWindow(5, 5);
    struct Case {
        const char* typed;
        const char* entry;
        const char* written; // the one file that appears
        const char* firstLineHas;
    };
    const Case cases[] = {
        {"Plain", kTxt, "Plain.txt", "\t13:05:07.0\t60.0\r"},
        {"Comma", kCsv, "Comma.csv", ", 13:05:07.0, 60.0"},
        {"Graph", kGhf, "Graph.ghf", nullptr},
        {"Typed.CSV", kTxt, "Typed.CSV", ", 13:05:07.0, 60.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const QStringList before = QDir(data.path()).entryList(QDir::Files);
        prompts.fileNames = {data.file(c.typed)};
        prompts.filters = {c.entry};
        main->mdiArea()->setActiveSubWindow(main->frameOf(w));
        save();
        const QStringList after = QDir(data.path()).entryList(QDir::Files);
        QStringList added;
        for (const QString& f : after)
            if (!before.contains(f))
                added << f;
        EXPECT_EQ(added, QStringList({c.written}));
        if (c.firstLineHas) {
            ASSERT_FALSE(lines(data.file(c.written)).isEmpty());
            EXPECT_TRUE(lines(data.file(c.written)).first().contains(c.firstLineHas));
        } else {
            ChartModel back;
            EXPECT_TRUE(loadChartState(back, data.file(c.written)));
        }
    }

    // A table's save alike: the comma-separated entry and a bare name write "name.csv".
    main->showLeqWindow();
    auto* leq = qobject_cast<LeqWindow*>(main->windows().singles().leq);
    ASSERT_NE(leq, nullptr);
    emit main->leqRunner().rowFinished(LeqRow{1, "10/12/2026", "12:00:00", 46350.5, true, 80.0f, 81.5f, 25});
    main->mdiArea()->setActiveSubWindow(main->frameOf(leq));
    prompts.fileNames = {data.file("table")};
    prompts.filters = {"EXCEL file format(*.csv,seperated by comma) |*.CSV"};
    save();
    EXPECT_FALSE(QFile::exists(data.file("table")));
    ASSERT_EQ(lines(data.file("table.csv")).size(), 1);
    EXPECT_TRUE(lines(data.file("table.csv")).first().startsWith("10/12/2026,12:00:00,"));
}

// The dialog-backed prompter for real: the entry chosen in the file dialog's type list gives
// a name typed without extension its extension, and comes back in the program's own form.
TEST_F(FileCommandsTest, TheFileDialogAddsTheChosenTypesExtension)
{
    struct Case {
        int downs; // presses of the arrow key in the type list
        const char* typed;
        const char* saved;
        const char* entry;
    };
    const Case cases[] = {
        {0, "first", "first.ghf", "Graph file(*.ghf,only for KV4471)|*.GHF"},
        {1, "second", "second.txt", "TXT file(*.txt,data seperated by tab)|*.TXT"},
        {2, "Third", "Third.csv", "EXCEL file format(*.CSV,seperated by comma)|*.CSV"},
        {1, "fourth.CSV", "fourth.CSV", "TXT file(*.txt,data seperated by tab)|*.TXT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            auto* types = dlg->findChild<QComboBox*>("fileTypeCombo");
            auto* name = dlg->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_TRUE(types && name);
            for (int i = 0; i < c.downs; ++i)
                QTest::keyClick(types, Qt::Key_Down);
            name->setText(c.typed);
            static_cast<QDialog*>(dlg)->accept(); // as the Save button does
        });
        GuiPrompter gui;
        QString entry;
        const QString answer = gui.saveFileName(kGraphFilter, "GHF", data.path(), &entry);
        EXPECT_EQ(QFileInfo(answer).fileName().toStdString(), c.saved);
        EXPECT_EQ(entry.toStdString(), c.entry);
    }
}

TEST_F(FileCommandsTest, ExportedTextOpensAsAListAndGraphsBackTheSamePoints)
{
    GraphWindow* source = graphWindow(50, 40); // the last ten points never written
    for (const char* name : {"round.txt", "round.csv"}) {
        SCOPED_TRACE(name);
        main->mdiArea()->setActiveSubWindow(main->frameOf(source));
        const QString file = data.file(name);
        prompts.fileNames = {file};
        save();
        ASSERT_EQ(lines(file).size(), 40) << "the export ends at the first point without a time";

        choice = OpenSaveChoice::mrSingle;
        prompts.fileNames = {file};
        main->files().openFile();
        finishFileJob();
        ListWindow* list = activeList();
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->caption(), file);
        EXPECT_EQ(list->table().rowCount(), 40);
        EXPECT_TRUE(main->toolButton(MainButton::OutputToGraph)->isEnabled());

        main->toolButton(MainButton::OutputToGraph)->click();
        finishFileJob();
        QMdiSubWindow* s = main->mdiArea()->activeSubWindow();
        auto* graph = s ? qobject_cast<GraphWindow*>(s->widget()) : nullptr;
        ASSERT_NE(graph, nullptr);
        EXPECT_EQ(graph->caption(), file);
        EXPECT_FALSE(main->toolButton(MainButton::OutputToGraph)->isEnabled()) << "a graph window is active";
        ASSERT_EQ(graph->model().points(), 40);
        for (int i = 0; i < 40; i += 13) {
            EXPECT_NEAR(graph->model().xDataII(0, i), source->model().xDataII(0, i), 1e-7) << i;
            EXPECT_FLOAT_EQ(graph->model().yData(0, i), source->model().yData(0, i)) << i;
        }
    }
    EXPECT_EQ(choiceCaptions.last(), "Open File: Open a data set collection file(*.rec) / "
                                      "Open single data file(*.TXT,*.CSV,*.GHF)");
}

TEST_F(FileCommandsTest, WithADecimalCommaNoCommaSeparatedFileIsOffered)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    graphWindow(10, 10);
    save();
    main->showLeqWindow();
    main->mdiArea()->setActiveSubWindow(main->frameOf(qobject_cast<QWidget*>(main->windows().singles().leq)));
    save();
    EXPECT_EQ(prompts.fileDialogs,
              QStringList({"save Graph file(*.ghf,only for KV4471)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT [GHF]",
                           "save  TXT file(*.txt,data seperated by tab)|*.TXT [TXT]"}));
    main->files().openFile();
    EXPECT_EQ(choiceCaptions.last(), "Open File: Open a data set collection file(*.rec) / "
                                      "Open single data flle(*.TXT,*.GHF)");

    // A graph saved as text in this locale reads back the same levels.
    main->mdiArea()->setActiveSubWindow(main->frameOf(graphWindow(5, 5)));
    const QString file = data.file("komma.txt");
    prompts.fileNames = {file};
    save();
    EXPECT_TRUE(lines(file).first().contains("\t60,0\r"));
    ListWindow* list = importText(file);
    ASSERT_NE(list, nullptr);
    main->mdiArea()->setActiveSubWindow(main->frameOf(list));
    outputToGraph();
    QMdiSubWindow* s = main->mdiArea()->activeSubWindow();
    auto* graph = s ? qobject_cast<GraphWindow*>(s->widget()) : nullptr;
    ASSERT_NE(graph, nullptr);
    EXPECT_FLOAT_EQ(graph->model().yData(0, 4), 60.4f);
}

// The import says where reading stopped, Output to graph how many rows it left out and which
// first (in the status bar); a FIFO is refused without waiting for a writer.
TEST_F(FileCommandsTest, ImportAndOutputToGraphSayWhatTheyLeftOut)
{
    const QString file = data.file("gaps.txt");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("14/03/2026\t13:05:07.0\t60.0\r\n14/03/2026\t13:05:08.0\tloud\r\n14/03/2026\t13:05:09.0\t62.0\r\n"
                "notes\r\n14/03/2026\t13:05:10.0\t63.0\r\n");
    }
    ListWindow* list = importText(file);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->table().rowCount(), 3);
    EXPECT_TRUE(main->readings().messageLabel().text().contains("reading stopped at line 4")) << main->readings().messageLabel().text().toStdString();

    main->mdiArea()->setActiveSubWindow(main->frameOf(list));
    outputToGraph();
    QMdiSubWindow* s = main->mdiArea()->activeSubWindow();
    auto* graph = s ? qobject_cast<GraphWindow*>(s->widget()) : nullptr;
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->model().points(), 2);
    EXPECT_TRUE(main->readings().messageLabel().text().contains("1 of 3 rows could not be read"))
        << main->readings().messageLabel().text().toStdString();
    EXPECT_TRUE(main->readings().messageLabel().text().contains("row 2")) << main->readings().messageLabel().text().toStdString();

    const QString fifo = data.file("fifo.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(importText(fifo), nullptr);
    EXPECT_TRUE(main->readings().messageLabel().text().contains("not a regular file")) << main->readings().messageLabel().text().toStdString();
}

TEST_F(FileCommandsTest, OutputToGraphWantsAListWithData)
{
    graphWindow(5, 5);
    outputToGraph(); // a graph window is active: nothing
    EXPECT_TRUE(prompts.messages.isEmpty());

    const QString empty = data.file("empty.txt");
    {
        QFile f(empty);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\r\n");
    }
    ASSERT_NE(importText(empty), nullptr);
    outputToGraph();
    EXPECT_EQ(prompts.messages, QStringList({"No data to graph !"}));
}


// A graph file opens in a new graph window across the top of the area (its height less 40); a
// file that cannot be read opens nothing and says why in the status bar.
TEST_F(FileCommandsTest, AGraphFileOpensAcrossTheTopOrSaysWhyNot)
{
    GraphWindow* source = graphWindow(3, 3);
    const QString file = data.file("opened.ghf");
    ASSERT_TRUE(saveChartState(source->model(), file));
    const QString missing = data.file("missing.ghf");

    ASSERT_TRUE(main->files().openGraphFile(file));
    QMdiSubWindow* sub = main->mdiArea()->subWindowList().last();
    auto* opened = qobject_cast<GraphWindow*>(sub->widget());
    ASSERT_NE(opened, nullptr);
    EXPECT_NE(opened, source);
    EXPECT_EQ(opened->caption(), file);
    EXPECT_EQ(opened->model().points(), 3);
    const QSize area = main->mdiArea()->size();
    EXPECT_EQ(sub->geometry(), QRect(0, 0, area.width(), std::max(200, area.height() - 40)));

    const int windows = main->mdiArea()->subWindowList().size();
    EXPECT_FALSE(main->files().openGraphFile(missing));
    EXPECT_EQ(main->mdiArea()->subWindowList().size(), windows);
    EXPECT_TRUE(main->readings().messageLabel().text().startsWith(missing + " was not opened: "))
        << main->readings().messageLabel().text().toStdString();
}

} // namespace

// ---------------------------------------------------------------------------
// The noise statistics' tables and the evidence report

namespace {
// The text of a PDF (pdftotext), blanks removed; nullopt without poppler-utils.
std::optional<QString> pdfText(const QString& pdf)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        return std::nullopt;
    QProcess p;
    p.start("pdftotext", {pdf, "-"});
    p.waitForFinished(-1);
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return QString::fromUtf8(p.readAllStandardOutput()).remove(space);
}
} // namespace

TEST_F(FileCommandsTest, AGraphWindowsTableIsSavedLikeAListsTable)
{
    const QString file = data.file("blocks.txt");
    prompts.fileNames = {file};
    const auto cells = [](int r, int c) {
        const QStringList rows[] = {{"No", "Start", "Leq"}, {"1", "14/03/2026 13:00:00", "61.5"},
                                    {"2", "14/03/2026 14:00:00", "63.0"}};
        return rows[r].value(c);
    };
    main->saveTable(GraphHost::TableText{3, 3, cells});
    finishFileJob();
    // The rows as a list's table is written: each cell followed by a tab, lines ended by CR LF.
    EXPECT_EQ(lines(file), (QList<QByteArray>{"14/03/2026 13:00:00\t61.5\t\r", "14/03/2026 14:00:00\t63.0\t\r"}));
    EXPECT_EQ(prompts.fileDialogs.value(0).left(5), "save ");
}

TEST_F(FileCommandsTest, ExportReportWritesTheActiveGraphWindowsReport)
{
    // The real-time graph of the start, nothing recorded yet: nothing asked, the user told.
    main->files().exportReport();
    EXPECT_TRUE(prompts.fileDialogs.isEmpty());
    EXPECT_EQ(prompts.messages, QStringList{"The graph holds no data to report on."});

    GraphWindow* w = graphWindow(100, 100);
    const QString pdf = data.file("report.pdf");
    prompts.fileNames = {pdf};
    main->files().setSerialNumber("SIM-4471-0001");
    main->files().exportReport();
    finishFileJob();
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "no report written";
    EXPECT_TRUE(f.read(5).startsWith("%PDF-"));
    const std::optional<QString> text = pdfText(pdf);
    if (!text)
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: scripts/deps.sh installs it";
    // An unsaved graph is identified by the bytes it would be saved as.
    const QString sha = QCryptographicHash::hash(w->model().serialize(), QCryptographicHash::Sha256).toHex();
    EXPECT_TRUE(text->contains(sha)) << qPrintable(*text);
    EXPECT_TRUE(text->contains("SIM-4471-0001"));
    EXPECT_TRUE(text->contains("testgraph"));
}

TEST_F(FileCommandsTest, AReportOfAnOpenedGraphFileHasThatFileAsItsSource)
{
    GraphWindow* source = graphWindow(100, 100);
    main->files().setSerialNumber("SIM-4471-0001");
    // The source is the graph file, its extension in any case; a file of another name is the
    // graph as it would be saved.
    const struct {
        const char* name;
        bool named;
    } cases[] = {{"opened.ghf", true}, {"OPENED2.GHF", true}, {"opened3.dat", false}};
    for (const auto& c : cases) {
        const QString file = data.file(c.name);
        ASSERT_TRUE(saveChartState(source->model(), file));
        ASSERT_TRUE(main->files().openGraphFile(file)) << c.name;
        const QString pdf = data.file(QStringLiteral("%1.pdf").arg(c.name));
        prompts.fileNames = {pdf};
        main->files().exportReport();
        finishFileJob();
        ASSERT_TRUE(QFile::exists(pdf)) << c.name;
        const std::optional<QString> text = pdfText(pdf);
        if (!text)
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: scripts/deps.sh installs it";
        EXPECT_EQ(text->contains("notsavedtoafile"), !c.named) << c.name << ": " << qPrintable(*text);
        EXPECT_TRUE(text->contains("SIM-4471-0001")) << c.name;
    }
}

// A recording still running fills its graph from the left: the report counts the points taken
// so far, as the noise statistics panel does, not the places still empty as missing samples.
TEST_F(FileCommandsTest, AReportOfARecordingInProgressCountsThePointsTakenSoFar)
{
    ManualClock clock(QDateTime::currentDateTime());
    test::ScopedClock clockGuard(clock);
    RealTimeSetupDialog::setRunner([](RealTimeSetupDialog& d) {
        d.edtRealTimeNo->setText("100");
        d.txtRate->setEditText("0.5");
        d.btnStart->click();
        return d.result();
    });
    clock.advanceMs(500);
    poll();
    main->action(MainAction::Run)->trigger();
    ASSERT_TRUE(main->state().RealTimeRunning);
    for (int i = 0; i < 4; ++i) {
        clock.advanceMs(500);
        poll();
    }
    ASSERT_EQ(main->state().RealTimeCount, 4);
    main->mdiArea()->setActiveSubWindow(main->frameOf(main->state().RealTimeGraphWindow.data()));
    const QString pdf = data.file("recording.pdf");
    prompts.fileNames = {pdf};
    main->files().exportReport();
    finishFileJob();
    main->action(MainAction::Stop)->trigger();
    RealTimeSetupDialog::setRunner(nullptr);
    ASSERT_TRUE(QFile::exists(pdf));
    const std::optional<QString> text = pdfText(pdf);
    if (!text)
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: scripts/deps.sh installs it";
    // pdfText drops the spaces: the whole graph's column, then the cursors' (none taken yet).
    EXPECT_TRUE(text->contains("Samplescounted40")) << qPrintable(*text);
    EXPECT_TRUE(text->contains("Samplesmissing00")) << qPrintable(*text);
    EXPECT_FALSE(text->contains("1899-12-30")) << "an empty place taken for the last sample";
}
