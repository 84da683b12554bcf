#include "shell/guiprompter.h"

#include "base/filefilter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace quedral {

namespace {
QWidget* dialogParent() { return QApplication::activeWindow(); }
const char* const kCaption = "KV4471";
} // namespace

void GuiPrompter::message(const QString& text)
{
    QMessageBox::information(dialogParent(), kCaption, text);
}

Answer GuiPrompter::ask(const QString& text, Buttons buttons)
{
    QMessageBox::StandardButtons b;
    switch (buttons) {
    case Buttons::Ok: b = QMessageBox::Ok; break;
    case Buttons::OkCancel: b = QMessageBox::Ok | QMessageBox::Cancel; break;
    case Buttons::YesNo: b = QMessageBox::Yes | QMessageBox::No; break;
    case Buttons::YesNoCancel: b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    }
    switch (QMessageBox::question(dialogParent(), kCaption, text, b)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Ok: return Answer::Ok;
    default: return Answer::Cancel;
    }
}

// The program writes filters as "description|pattern|description|pattern"; the file dialog
// wants "description (patterns);;...". Patterns are matched in either case, as they are on the
// desktop the program was first written for.
QString toDialogFilter(const QString& filter)
{
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    QStringList out;
    for (const QString& entry : filterEntries(filter)) {
        const QString description = entry.section(QLatin1Char('|'), 0, 0);
        QStringList patterns;
        for (const QString& p : entry.section(QLatin1Char('|'), 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString t = p.trimmed();
            patterns << t.toLower();
            if (t.toUpper() != t.toLower())
                patterns << t.toUpper();
        }
        patterns.removeDuplicates();
        out << QStringLiteral("%1 (%2)").arg(description.trimmed(), patterns.join(QLatin1Char(' ')));
    }
    return out.join(QStringLiteral(";;"));
}

QString GuiPrompter::openFileName(const QString& filter, const QString& defaultSuffix, const QString& dir)
{
    QFileDialog dlg(dialogParent(), QString(), dir, toDialogFilter(filter));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setDefaultSuffix(defaultSuffix);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first();
}

QString GuiPrompter::saveFileName(const QString& filter, const QString& defaultSuffix, const QString& dir,
                                  QString* selectedFilter)
{
    QFileDialog dlg(dialogParent(), QString(), dir, toDialogFilter(filter));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    // The dialog's entries in the caller's form, in the same order as the dialog lists them.
    const QStringList entries = filterEntries(filter);
    const QStringList shown = dlg.nameFilters();
    auto entryOf = [&](const QString& nameFilter) { return entries.value(shown.indexOf(nameFilter), nameFilter); };
    // A name typed without extension gets the one of the entry chosen, as savedFileName() would
    // add it, but before the dialog asks about replacing an existing file, so that it asks
    // about the file that will be written.
    auto followEntry = [&](const QString& nameFilter) {
        const QString ext = filterExtension(entryOf(nameFilter));
        dlg.setDefaultSuffix(ext.isEmpty() ? defaultSuffix.toLower() : ext);
    };
    followEntry(dlg.selectedNameFilter());
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, followEntry);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    if (selectedFilter)
        *selectedFilter = entryOf(dlg.selectedNameFilter());
    return dlg.selectedFiles().first();
}

bool GuiPrompter::choosePrinter(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dlg(&printer, parent ? parent : dialogParent());
    return dlg.exec() == QDialog::Accepted;
}

bool GuiPrompter::printerSetup(QPrinter& printer, QWidget* parent)
{
    QPageSetupDialog dlg(&printer, parent ? parent : dialogParent());
    return dlg.exec() == QDialog::Accepted;
}

int GuiPrompter::chooseItem(const QString& text, const QStringList& items)
{
    bool ok = false;
    const QString chosen = QInputDialog::getItem(dialogParent(), kCaption, text, items, 0, false, &ok);
    return ok ? static_cast<int>(items.indexOf(chosen)) : -1;
}

} // namespace quedral
