#pragma once
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

class QPrinter;
class QWidget;

namespace quedral {

enum class Answer { Yes, No, Cancel, Ok };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };

// The prompts seam: every message box, confirmation, file and print dialog goes
// through Prompter::instance(). The GUI installs a dialog-backed prompter; tests
// install a ScriptedPrompter that answers from a queue and records what was asked.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void message(const QString& text) = 0;
    virtual Answer ask(const QString& text, Buttons buttons) = 0;
    // Return an empty string when the user cancels. Filters are written as in
    // base/filefilter.h. A save dialog sets *selectedFilter (when given) to the entry the user
    // chose, as "description|pattern"; the caller turns the answer into the file to write with
    // savedFileName() (a name typed without extension takes the chosen entry's).
    virtual QString openFileName(const QString& filter, const QString& defaultSuffix, const QString& dir) = 0;
    virtual QString saveFileName(const QString& filter, const QString& defaultSuffix, const QString& dir,
                                 QString* selectedFilter) = 0;
    // The print dialog for an existing printer; false when cancelled.
    virtual bool choosePrinter(QPrinter& printer, QWidget* parent) = 0;
    virtual bool printerSetup(QPrinter& printer, QWidget* parent) = 0;
    // A small chooser: one of items (by index), or -1 when the user cancels. The default
    // (no dialog to show) cancels.
    virtual int chooseItem(const QString& text, const QStringList& items)
    {
        Q_UNUSED(text);
        Q_UNUSED(items);
        return -1;
    }

    static Prompter& instance();
    // Not owning; nullptr restores the default (which answers Cancel and logs to stderr
    // until the GUI installs its own).
    static void install(Prompter* p);
};

// Answers from queues; every question and message is recorded in `log`.
class ScriptedPrompter final : public Prompter {
public:
    void message(const QString& text) override;
    Answer ask(const QString& text, Buttons buttons) override;
    QString openFileName(const QString& filter, const QString& defaultSuffix, const QString& dir) override;
    QString saveFileName(const QString& filter, const QString& defaultSuffix, const QString& dir,
                         QString* selectedFilter) override;
    bool choosePrinter(QPrinter& printer, QWidget* parent) override;
    bool printerSetup(QPrinter& printer, QWidget* parent) override;
    int chooseItem(const QString& text, const QStringList& items) override;

    std::deque<int> choices;         // for chooseItem(); -1 (cancel) when empty
    QStringList choosers;            // "TEXT: ITEM|ITEM|..." per chooser shown
    std::deque<Answer> answers;      // for ask(); Cancel when empty
    std::deque<QString> fileNames;   // for open/save; empty (cancel) when empty
    std::deque<QString> filters;     // the entry chosen in a save dialog ("description|pattern")
    std::deque<bool> printAnswers;   // for choosePrinter/printerSetup; false when empty
    int printDialogs = 0;            // print dialogs asked (choosePrinter)
    // Called with the printer of every print dialog answered yes, before it prints: a test
    // points it at a PDF file here (setOutputFormat, setOutputFileName).
    std::function<void(QPrinter&)> preparePrinter;
    QStringList messages;            // texts given to message()
    QStringList questions;           // texts given to ask()
    QStringList fileDialogs;         // "open FILTER [SUFFIX]" / "save FILTER [SUFFIX]" per dialog

private:
    QString nextFileName();
    bool nextPrintAnswer();
};

} // namespace quedral
