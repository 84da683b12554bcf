#pragma once
#include <QString>

namespace quedral {

// Where the program keeps its working files (temp/, template/, project folders)
// and the simulated meter's state. Resolution order:
//   1. an explicit directory (the --data-dir option),
//   2. the QUEDRAL_DATA_DIR environment variable,
//   3. the executable's directory when it is writable and not a folder of installed programs
//      (root may write to /usr/bin, but working files do not belong there),
//   4. the user's application data directory.
class DataDir {
public:
    // Resolves the directory once, creates it when missing, and remembers it.
    static QString init(const QString& explicitDir = QString());
    // The resolved directory; resolves with defaults on first use.
    static QString path();
    // path() + "/" + relative, creating parent folders is up to the caller.
    static QString file(const QString& relative);
    // Forget the resolved directory (tests).
    static void reset();
    // True for the folder the program is installed into and the system's program folders.
    static bool isInstalledProgramFolder(const QString& dir);
};

// Strips "--data-dir DIR" / "--data-dir=DIR" from argv-like lists; returns DIR or empty.
QString takeDataDirOption(QStringList& args);

} // namespace quedral
