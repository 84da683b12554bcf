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

// Saves a finished measurement to target, over an existing file only with force (a file that
// appeared while `activity` ran is not replaced otherwise). When that fails, the result is kept
// as NAME-unsaved.EXT beside target, else in the data directory's temp folder, and err says
// where. True only when target itself was written.
bool saveMeasurement(QTextStream& err, const QString& target, bool force, const char* activity, const SaveTo& save);

} // namespace quedral::cli
