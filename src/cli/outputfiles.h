#pragma once
// Where the result of a long measurement goes: its output is checked before measuring, and a
// result that cannot be written at the end is kept under a name that says so, never lost.
#include <QString>
#include <QTextStream>
#include <functional>

namespace quedral::cli {

// Writes a result into a file; false with the reason in *error (which may be null).
using SaveTo = std::function<bool(const QString& file, QString* error)>;

// Whether a file can be created at this path: its folder exists and takes a new file. Prints
// why not on err.
bool outputCanBeCreated(QTextStream& err, const QString& file);

// Keeps a result that is worth keeping but is not the one asked for (a recording cut short, a
// damaged memory image) beside target as NAME-TAG.EXT (NAME-TAG-2.EXT and on when taken), else
// in the data directory's temp folder; target itself is never touched. err says where
// ("WHAT is kept in ..."). True when it was kept.
bool keepBeside(QTextStream& err, const QString& target, const QString& tag, const QString& what, const SaveTo& save);

// Saves a finished measurement to target, over an existing file only with force (a file that
// appeared while `activity` ran is not replaced otherwise). When that fails, the result is kept
// as NAME-unsaved.EXT beside target, else in the data directory's temp folder, and err says
// where. True only when target itself was written.
bool saveMeasurement(QTextStream& err, const QString& target, bool force, const char* activity, const SaveTo& save);

} // namespace quedral::cli
