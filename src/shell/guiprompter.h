#pragma once
#include "base/prompter.h"

namespace quedral {

// "Graph file(*.ghf)|*.GHF|..." as a file dialog filter ("Graph file(*.ghf) (*.ghf *.GHF);;...").
QString toDialogFilter(const QString& filter);

// Message boxes and dialogs for the running program.
class GuiPrompter final : public Prompter {
public:
    void message(const QString& text) override;
    Answer ask(const QString& text, Buttons buttons) override;
    QString openFileName(const QString& filter, const QString& defaultSuffix, const QString& dir) override;
    QString saveFileName(const QString& filter, const QString& defaultSuffix, const QString& dir,
                         QString* selectedFilter) override;
    bool choosePrinter(QPrinter& printer, QWidget* parent) override;
    bool printerSetup(QPrinter& printer, QWidget* parent) override;
    int chooseItem(const QString& text, const QStringList& items) override;
};

} // namespace quedral
