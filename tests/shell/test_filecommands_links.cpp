// The file commands on their own: no main window, only the references they are given. New
// windows go through the given host and area, notes to the given status bar.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <cstdlib>

#include "chart/chartmodel.h"
#include "filejobwait.h"
#include "graph/fakehost.h"
#include "graph/ui/graphwindow.h"
#include "graph/ui/listwindow.h"
#include "logger/ui/dataloggercontroller.h"
#include "shell/filecommands.h"
#include "shell/filejob.h"
#include "shell/readingpresenter.h"
#include "shell/windowmanager.h"
#include "support/testenv.h"

namespace quedral::test {
namespace {

// A graph host that lists the windows it was asked to show.
class RecordingHost : public FakeHost {
public:
    QList<GraphWindow*> shown;
    void showGraphWindow(GraphWindow& w) override
    {
        shown << &w;
        FakeHost::showGraphWindow(w);
    }
};

// The data logger's side, never asked for the meter here.
class IdleLoggerHost : public DataLoggerHost {
public:
    explicit IdleLoggerHost(GraphHost& graphs) : m_graphs(graphs) {}
    GraphHost& graphHost() override { return m_graphs; }
    bool meterRecording() const override { return false; }
    MeterService& meter() override { std::abort(); }
    void showDataLoggerWindow(GraphWindow&) override {}
    void showStatusMessage(const QString&) override {}
    void setLoggerCommandsEnabled(bool) override {}

private:
    GraphHost& m_graphs;
};

class FileCommandsLinksTest : public ::testing::Test {
protected:
    FileCommandsLinksTest()
    {
        // The rows' dates are read as the locale writes them.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        window.resize(800, 600);
        area->resize(800, 560);
        host.mdi = area;
        window.show();
    }
    ~FileCommandsLinksTest() override { QLocale::setDefault(QLocale::c()); }
    void finishJob() { finishFileJob(files.job()); }
    QWidget* activeWindow() const
    {
        QMdiSubWindow* s = area->activeSubWindow();
        return s ? s->widget() : nullptr;
    }

    ScopedDataDir data;
    ScriptedPrompter prompts;
    ScopedPrompter prompterGuard{prompts};
    QWidget window;
    QMdiArea* area = new QMdiArea(&window);
    WindowManager windows{*area};
    RecordingHost host;
    IdleLoggerHost loggerHost{host};
    DataLoggerController dataLogger{loggerHost};
    QStatusBar bar;
    ReadingPresenter readings{bar, {}};
    FileCommands files{{window, windows, host, dataLogger, readings}};
};

TEST_F(FileCommandsLinksTest, ImportAndOutputToGraphUseTheGivenAreaAndHost)
{
    const QString file = data.file("rows.txt");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("14/03/2026\t13:05:07.0\t60.0\r\n14/03/2026\t13:05:08.0\t61.0\r\n");
    }
    ASSERT_TRUE(files.importTextFile(file, QLatin1Char('\t')));
    finishJob();
    auto* list = qobject_cast<ListWindow*>(activeWindow());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->caption(), file);
    EXPECT_EQ(list->table().rowCount(), 2);

    files.outputToGraph();
    finishJob();
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join('|').toStdString();
    ASSERT_EQ(host.shown.size(), 1);
    EXPECT_EQ(host.shown.first()->model().points(), 2);
    EXPECT_EQ(WindowManager::frameOf(host.shown.first())->mdiArea(), area);

    const QString missing = data.file("missing.ghf");
    EXPECT_FALSE(files.openGraphFile(missing));
    EXPECT_TRUE(readings.messageLabel().text().startsWith(missing + " was not opened: "))
        << readings.messageLabel().text().toStdString();
}

} // namespace
} // namespace quedral::test
