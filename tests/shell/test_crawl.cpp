// The crawl: in each window state that matters, every menu of the main window and of each
// child window is opened as a click opens it (aboutToShow, twice), then every enabled action
// and every button is pressed, with every prompt and dialog answered by Cancel, then, in a
// fresh program, by its first choice. The program must come out alive: no dialog left open,
// every window painting, the Window menu listing them all, and the meter thread answering.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <iostream>
#include <map>

#include "base/datetime.h"
#include "files/collectionfile.h"
#include "files/graphfile.h"
#include "files/textfiles.h"
#include "filejobwait.h"
#include "chart/chartmodel.h"
#include "graph/chartsetup.h"
#include "graph/ui/graphwindow.h"
#include "logger/ui/dataloggercontroller.h"
#include "meter/meterworker.h"
#include "meter/simulator/simulatedmemory.h"
#include "meter/simulator/simulatedmeter.h"
#include "meter/simulator/simulatedtransport.h"
#include "shell/settings.h"
#include "shell/filejob.h"
#include "shell/mainwindow.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

enum class Answering { Cancel, FirstChoice };

// Answers every prompt the way the crawl is going: Cancel (or No, or nothing chosen), or the
// first choice offered (Yes, Ok, the first file of the first type, a PDF for the printer).
class CrawlPrompter final : public Prompter {
public:
    CrawlPrompter(Answering answering, QString files) : m_answering(answering), m_files(std::move(files)) {}

    void message(const QString& text) override { log << "message: " + text; }
    Answer ask(const QString& text, Buttons buttons) override
    {
        log << "ask: " + text;
        const bool first = m_answering == Answering::FirstChoice;
        switch (buttons) {
        case Buttons::Ok: return Answer::Ok;
        case Buttons::OkCancel: return first ? Answer::Ok : Answer::Cancel;
        case Buttons::YesNo: return first ? Answer::Yes : Answer::No;
        case Buttons::YesNoCancel: return first ? Answer::Yes : Answer::Cancel;
        }
        return Answer::Cancel;
    }
    QString openFileName(const QString& filter, const QString&, const QString&) override
    {
        log << "open: " + filter;
        if (m_answering == Answering::Cancel)
            return {};
        for (const QString& pattern : patterns(filter)) {
            const QStringList found = QDir(m_files).entryList({pattern.toLower(), pattern.toUpper()}, QDir::Files);
            if (!found.isEmpty())
                return m_files + "/" + found.first();
        }
        return {};
    }
    QString saveFileName(const QString& filter, const QString&, const QString&, QString*) override
    {
        log << "save: " + filter;
        if (m_answering == Answering::Cancel)
            return {};
        const QStringList p = patterns(filter);
        const QString suffix = p.isEmpty() ? QString() : p.first().mid(1).toLower(); // "*.GHF" -> ".ghf"
        return QStringLiteral("%1/saved-%2%3").arg(m_files).arg(++m_saved).arg(suffix);
    }
    bool choosePrinter(QPrinter& printer, QWidget*) override { return printTo(printer); }
    bool printerSetup(QPrinter& printer, QWidget*) override { return printTo(printer); }

    QStringList log;

private:
    // "*.GHF" and the like, in the order the filter offers them ("desc|pattern|..." or "desc (p q)").
    static QStringList patterns(const QString& filter)
    {
        QStringList out;
        static const QRegularExpression re(QStringLiteral("\\*\\.[A-Za-z0-9]+"));
        const QStringList parts = filter.split(QLatin1Char('|'));
        for (int i = parts.size() > 1 ? 1 : 0; i < parts.size(); i += parts.size() > 1 ? 2 : 1)
            for (auto it = re.globalMatch(parts[i]); it.hasNext();)
                out << it.next().captured();
        return out;
    }
    bool printTo(QPrinter& printer)
    {
        log << "printer";
        if (m_answering == Answering::Cancel)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QStringLiteral("%1/printed-%2.pdf").arg(m_files).arg(++m_saved));
        return true;
    }

    Answering m_answering;
    QString m_files;
    int m_saved = 0;
};

// Answers whatever modal dialog or popup menu is up, as the crawl is going: a popup is closed,
// a dialog rejected or, for the first choice, its default (else first) button pressed; a
// dialog that stays up after a few presses is rejected.
class DialogAnswerer : public QObject {
public:
    explicit DialogAnswerer(Answering answering) : m_answering(answering)
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, &DialogAnswerer::answer);
        m_timer.start();
    }
    QStringList log;

private:
    void answer()
    {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
            return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        const QString name = QStringLiteral("%1 \"%2\"").arg(dialog->metaObject()->className(), dialog->windowTitle());
        if (m_answering == Answering::Cancel || ++m_presses[dialog] > 3) {
            log << "reject " + name;
            dialog->reject();
            return;
        }
        QPushButton* button = nullptr;
        const auto buttons = dialog->findChildren<QPushButton*>();
        for (QPushButton* b : buttons)
            if (b->isDefault() && b->isVisible() && b->isEnabled())
                button = b;
        for (QPushButton* b : buttons)
            if (!button && b->isVisible() && b->isEnabled())
                button = b;
        log << "first choice " + name + (button ? ": " + button->text() : QString());
        if (button)
            button->click();
        else
            dialog->accept();
    }

    Answering m_answering;
    QTimer m_timer;
    std::map<QObject*, int> m_presses;
};

enum class State { NoChildWindow, RealTimeGraph, DataLogger, List, Leq, CalLeq, Setup };

const char* stateName(State s)
{
    switch (s) {
    case State::NoChildWindow: return "NoChildWindow";
    case State::RealTimeGraph: return "RealTimeGraph";
    case State::DataLogger: return "DataLogger";
    case State::List: return "List";
    case State::Leq: return "Leq";
    case State::CalLeq: return "CalLeq";
    case State::Setup: return "Setup";
    }
    return "?";
}

struct CrawlCase {
    State state;
    Answering answering;
};

class CrawlTest : public ::testing::TestWithParam<CrawlCase> {
protected:
    void SetUp() override
    {
        openSettings()->clear();
        QDir().mkpath(files());
        writeFixtureFiles();
        prompts = std::make_unique<CrawlPrompter>(GetParam().answering, files());
        Prompter::install(prompts.get());
        answerer = std::make_unique<DialogAnswerer>(GetParam().answering);

        MainOptions o;
        o.transport = std::make_unique<SimulatedTransport>(
            std::make_unique<SimulatedMeter>(data.file("simulated-meter.json"), 42));
        o.startPollDelayMs = -1; // the crawl drives the poll
        // Help > Contents: the manual beside the test programs, and an opener that cannot show
        // it, so the program's own help window opens (and no browser on a developer's desktop).
        o.helpOpener = QStringLiteral("false");
        main = new MainWindow(std::move(o));
        main->show();
        settle();
        poll();
    }
    void TearDown() override
    {
        delete main;
        answerer.reset();
        Prompter::install(nullptr);
    }

    QString files() const { return data.file("files"); }
    // A graph file, its text and CSV, and a collection for the first choice of File > Open.
    void writeFixtureFiles()
    {
        ChartModel chart;
        const double t0 = toDays(QDate(2026, 3, 14), QTime(13, 5, 7));
        newChart(chart, 1, 20, t0, t0 + 20 * kSecondInDays, 30, 130);
        for (int i = 0; i < 20; ++i) {
            chart.setXDataII(0, i, t0 + i * kSecondInDays);
            chart.setYData(0, i, 60.0f + 0.5f * i);
        }
        ASSERT_TRUE(saveChartState(chart, files() + "/a.ghf"));
        for (const auto& [name, separator] : {std::pair{"b.txt", '\t'}, std::pair{"c.csv", ','}}) {
            QFile f(files() + "/" + name);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            writeGraphText(f, chart, TextRange{1, 20}, QLatin1Char(separator), [](std::int64_t) { return true; });
        }
        const QByteArray image = encodeMemoryImage(defaultLoggedSets());
        const int last = (static_cast<unsigned char>(image[11]) << 16) | (static_cast<unsigned char>(image[12]) << 8) |
                         static_cast<unsigned char>(image[13]);
        ASSERT_TRUE(writeCollectionFile(files() + "/d.rec", image, last));
    }
    // Lets queued outcomes and repaints through.
    void settle()
    {
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
    }
    void poll()
    {
        QSignalSpy spy(&main->meter(), &MeterService::polled);
        main->meter().pollNow();
        ASSERT_TRUE(spy.wait(10000)) << "the meter thread does not answer";
        settle();
    }
    QList<QWidget*> childWindows() const
    {
        QList<QWidget*> out;
        for (QMdiSubWindow* s : main->mdiArea()->subWindowList())
            if (s->widget())
                out << s->widget();
        return out;
    }
    GraphWindow* dataLoggerWindow() const { return main->dataLogger().window(); }
    void loadData()
    {
        QSignalSpy done(&main->dataLogger(), &DataLoggerController::loadFinished);
        main->dataLogger().loadData();
        ASSERT_TRUE(done.wait(30000));
        ASSERT_EQ(done.first().first().toInt(), 0);
        ASSERT_NE(dataLoggerWindow(), nullptr);
        settle();
    }
    void enter(State state)
    {
        switch (state) {
        case State::NoChildWindow:
            for (QMdiSubWindow* s : main->mdiArea()->subWindowList())
                s->close();
            settle();
            ASSERT_TRUE(main->mdiArea()->subWindowList().isEmpty());
            break;
        case State::RealTimeGraph:
            ASSERT_TRUE(main->state().RealTimeGraphWindow);
            break;
        case State::DataLogger: loadData(); break;
        case State::List: {
            ASSERT_TRUE(main->files().importTextFile(files() + "/b.txt", QLatin1Char('\t')));
            ASSERT_NO_FATAL_FAILURE(test::finishFileJob(main->files().job()));
            break;
        }
        case State::Leq: main->showLeqWindow(); break;
        case State::CalLeq: {
            loadData();
            auto* cal = dataLoggerWindow()->findChild<QToolButton*>("btnCALLeq");
            ASSERT_NE(cal, nullptr);
            cal->click();
            break;
        }
        case State::Setup: main->showSetupWindow(); break;
        }
        settle();
    }

    // Every menu a user can open now: the menu bar's, with their submenus, and those of the
    // child windows (their own menus and the actions of their context menus).
    QList<QPointer<QMenu>> menus() const
    {
        QList<QPointer<QMenu>> out;
        for (QAction* a : main->menuBar()->actions())
            if (a->menu())
                out << a->menu();
        for (QWidget* w : childWindows())
            for (QMenu* m : w->findChildren<QMenu*>())
                out << m;
        return out;
    }
    void openMenu(QMenu* menu)
    {
        for (int i = 0; i < 2; ++i) {
            if (!menu)
                return;
            emit menu->aboutToShow();
            settle();
        }
    }
    QList<QPointer<QAction>> actionsOf(const QList<QAction*>& actions)
    {
        QList<QPointer<QAction>> out;
        for (QAction* a : actions) {
            if (a->isSeparator())
                continue;
            if (QMenu* sub = a->menu()) {
                openMenu(sub);
                if (sub)
                    out += actionsOf(sub->actions());
                continue;
            }
            out << a;
        }
        return out;
    }
    void trigger(const QList<QPointer<QAction>>& actions, const QString& where)
    {
        for (const QPointer<QAction>& a : actions) {
            // Exit ends the program: it has tests of its own.
            if (!a || !a->isEnabled() || !a->isVisible() || a == main->action(MainAction::Exit))
                continue;
            done << where + " > " + a->text();
            a->trigger();
            settle();
        }
    }
    // A pressed button may close the window, and a window of its own may go with it: the root
    // is watched, not trusted.
    void pressButtons(QPointer<QWidget> root, const QString& where)
    {
        QSet<QAbstractButton*> pressed;
        pressVisibleButtons(root, where, pressed);
        if (!root)
            return;
        // The buttons on the other pages of tab widgets (the noise statistics' tabs), and those a
        // pressed button showed.
        QList<QPointer<QTabWidget>> tabs;
        for (QTabWidget* t : root->findChildren<QTabWidget*>())
            tabs << t;
        for (const QPointer<QTabWidget>& t : tabs)
            for (int i = 0; t && root && t->isVisibleTo(root) && i < t->count(); ++i) {
                t->setCurrentIndex(i);
                settle();
                if (root)
                    pressVisibleButtons(root, where + " tab " + t->tabText(i), pressed);
            }
    }
    void pressVisibleButtons(const QPointer<QWidget>& root, const QString& where, QSet<QAbstractButton*>& pressed)
    {
        QList<QPointer<QAbstractButton>> buttons;
        for (QAbstractButton* b : root->findChildren<QAbstractButton*>())
            buttons << b;
        for (const QPointer<QAbstractButton>& b : buttons) {
            if (!b || !root || pressed.contains(b) || !b->isEnabled() || !b->isVisibleTo(root))
                continue;
            pressed.insert(b);
            done << where + " [" + (b->objectName().isEmpty() ? b->text() : b->objectName()) + "]";
            b->click();
            settle();
        }
    }
    void crawl()
    {
        QList<QPointer<QAction>> commands; // menu bar items that are commands themselves (LEQ)
        for (QAction* a : main->menuBar()->actions())
            if (!a->menu())
                commands << a;
        trigger(commands, "menu bar");
        for (const QPointer<QMenu>& m : menus()) {
            openMenu(m);
            if (m)
                trigger(actionsOf(m->actions()), m->title());
        }
        for (QWidget* w : childWindows()) {
            QList<QPointer<QWidget>> owners;
            for (QWidget* c : w->findChildren<QWidget*>())
                if (c->contextMenuPolicy() == Qt::ActionsContextMenu && c->isVisibleTo(w))
                    owners << c;
            for (const QPointer<QWidget>& c : owners)
                if (c)
                    trigger(actionsOf(c->actions()), w->windowTitle() + " context");
        }
        pressButtons(main->toolBar(), "tool bar");
        QList<QPointer<QWidget>> windows;
        for (QWidget* w : childWindows())
            windows << w;
        for (const QPointer<QWidget>& w : windows)
            if (w)
                pressButtons(w, w->windowTitle());
        // Windows of their own beside the main window (the help window).
        QList<QPointer<QWidget>> tops;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != main && w->isVisible() && !qobject_cast<QMenu*>(w))
                tops << w;
        for (const QPointer<QWidget>& w : tops)
            if (w)
                pressButtons(w, "window " + w->windowTitle());
    }
    QString trail() const
    {
        return "pressed:\n  " + done.join("\n  ") + "\nprompts:\n  " + prompts->log.join("\n  ") + "\ndialogs:\n  " +
               answerer->log.join("\n  ");
    }

    test::ScopedDataDir data;
    std::unique_ptr<CrawlPrompter> prompts;
    std::unique_ptr<DialogAnswerer> answerer;
    MainWindow* main = nullptr;
    QStringList done;
};

TEST_P(CrawlTest, EveryMenuActionAndButtonLeavesTheProgramAlive)
{
    enter(GetParam().state);
    crawl();
    // A download or measurement a button started ends or is cancelled with the program; let
    // the meter thread's outcomes arrive first.
    settle();
    poll();

    SCOPED_TRACE(trail().toStdString());
    if (qEnvironmentVariableIsSet("QUEDRAL_CRAWL_TRAIL")) // what was pressed and asked, for a look
        std::cout << trail().toStdString() << std::endl;
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a dialog is still waiting";
    const QList<QWidget*> windows = childWindows();
    for (QWidget* w : windows)
        EXPECT_FALSE(w->grab().isNull()) << w->windowTitle().toStdString();
    EXPECT_FALSE(main->grab().isNull());
    // The Window menu, opened again, lists every child window after Tile and Cascade.
    emit main->menu(MainMenu::Window)->aboutToShow();
    int listed = 0;
    for (QAction* a : main->menu(MainMenu::Window)->actions())
        if (!a->isSeparator() && a != main->action(MainAction::Tile) && a != main->action(MainAction::Cascade))
            ++listed;
    EXPECT_EQ(listed, windows.size());
    EXPECT_TRUE(main->menu(MainMenu::Window)->actions().contains(main->action(MainAction::Tile)));
    EXPECT_TRUE(main->menu(MainMenu::Window)->actions().contains(main->action(MainAction::Cascade)));
}

std::vector<CrawlCase> crawlCases()
{
    std::vector<CrawlCase> out;
    for (Answering a : {Answering::Cancel, Answering::FirstChoice})
        for (State s : {State::NoChildWindow, State::RealTimeGraph, State::DataLogger, State::List, State::Leq,
                        State::CalLeq, State::Setup})
            out.push_back({s, a});
    return out;
}

INSTANTIATE_TEST_SUITE_P(States, CrawlTest, ::testing::ValuesIn(crawlCases()),
                         [](const ::testing::TestParamInfo<CrawlCase>& info) {
                             return std::string(stateName(info.param.state)) +
                                    (info.param.answering == Answering::Cancel ? "_Cancel" : "_FirstChoice");
                         });

} // namespace
