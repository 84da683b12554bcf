#include "base/prompter.h"

#include <cstdio>

namespace quedral {

namespace {
class NullPrompter final : public Prompter {
public:
    void message(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    Answer ask(const QString& text, Buttons) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return Answer::Cancel;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&, QString*) override { return {}; }
    bool choosePrinter(QPrinter&, QWidget*) override { return false; }
    bool printerSetup(QPrinter&, QWidget*) override { return false; }
};

NullPrompter g_null;
Prompter* g_prompter = &g_null;
} // namespace

Prompter& Prompter::instance() { return *g_prompter; }
void Prompter::install(Prompter* p) { g_prompter = p ? p : &g_null; }

void ScriptedPrompter::message(const QString& text) { messages << text; }

Answer ScriptedPrompter::ask(const QString& text, Buttons)
{
    questions << text;
    if (answers.empty())
        return Answer::Cancel;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

int ScriptedPrompter::chooseItem(const QString& text, const QStringList& items)
{
    choosers << text + QStringLiteral(": ") + items.join(QLatin1Char('|'));
    if (choices.empty())
        return -1;
    const int choice = choices.front();
    choices.pop_front();
    return choice;
}

QString ScriptedPrompter::openFileName(const QString& filter, const QString& defaultSuffix, const QString&)
{
    fileDialogs << QStringLiteral("open %1 [%2]").arg(filter, defaultSuffix);
    return nextFileName();
}

QString ScriptedPrompter::nextFileName()
{
    if (fileNames.empty())
        return {};
    QString f = fileNames.front();
    fileNames.pop_front();
    return f;
}

QString ScriptedPrompter::saveFileName(const QString& filter, const QString& defaultSuffix, const QString&,
                                       QString* selectedFilter)
{
    fileDialogs << QStringLiteral("save %1 [%2]").arg(filter, defaultSuffix);
    if (selectedFilter && !filters.empty()) {
        *selectedFilter = filters.front();
        filters.pop_front();
    }
    return nextFileName();
}

bool ScriptedPrompter::nextPrintAnswer()
{
    if (printAnswers.empty())
        return false;
    const bool b = printAnswers.front();
    printAnswers.pop_front();
    return b;
}

bool ScriptedPrompter::choosePrinter(QPrinter& printer, QWidget*)
{
    ++printDialogs;
    const bool yes = nextPrintAnswer();
    if (yes && preparePrinter)
        preparePrinter(printer);
    return yes;
}

bool ScriptedPrompter::printerSetup(QPrinter&, QWidget*) { return nextPrintAnswer(); }

} // namespace quedral
