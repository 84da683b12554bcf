#pragma once
// The file dialogs' filters as the program writes them: "description|pattern|description|
// pattern|...", a pattern listing one or more "*.ext" separated by ";". A save dialog hands
// back the entry the user chose as "description|pattern" (Prompter::saveFileName).
#include <QString>
#include <QStringList>

namespace quedral {

// The entries of a filter, each "description|pattern", in order. A filter without "|" is
// taken as written for the file dialog itself ("description (patterns);;..."), one entry per
// ";;" part.
QStringList filterEntries(const QString& filter);

// The extension an entry saves as: that of its first pattern "*.ext", in lower case ("txt"
// for "TXT file(*.txt,data seperated by tab)|*.TXT"). An entry in the file dialog's own form,
// "description (patterns)", is read from its last parentheses. Empty when the first pattern
// names no single extension ("*", "*.*").
QString filterExtension(const QString& entry);

// The file a save dialog's answer stands for. A name whose last path part has no dot gets
// the extension of the chosen entry, or defaultSuffix when that entry names none, added in
// lower case ("Report" with the TXT entry: "Report.txt"). A typed extension decides and is
// kept as typed ("Report.CSV" stays so, whatever entry was chosen); a dot in a folder name is
// no extension.
QString savedFileName(const QString& name, const QString& chosenEntry, const QString& defaultSuffix);

} // namespace quedral
