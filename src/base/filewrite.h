#pragma once
// Writing a file whole or not at all. The bytes go to a new file beside the target, every write
// and the final flush are checked, and the new file takes the target's name only once it is
// complete: a full disk, a failed write or a crash leaves the old file (or none) in place, never
// a torn one. The reason of a failure is the system's ("No space left on device").
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>

namespace quedral {

// What happens to a file that already has the target's name.
enum class ExistingFile {
    Replace, // the new file replaces it (atomically)
    Keep,    // the write fails and the existing file stays
};

// Writes the body into `out`. Return false to give the file up; a reason put in *why is
// reported, else the device's own. Write errors need not be checked: the writer checks them.
using FileFiller = std::function<bool(QIODevice& out, QString* why)>;

// Writes fileName through fill. True when the file is in place and whole; false with the
// reason in *error (may be null) otherwise, the old file untouched and nothing left behind.
bool writeFileWhole(const QString& fileName, const FileFiller& fill, QString* error,
                    ExistingFile existing = ExistingFile::Replace);
bool writeFileWhole(const QString& fileName, const QByteArray& body, QString* error,
                    ExistingFile existing = ExistingFile::Replace);

// Copies a file as writeFileWhole writes one (by default never over an existing target).
bool copyFileWhole(const QString& from, const QString& to, QString* error,
                   ExistingFile existing = ExistingFile::Keep);

} // namespace quedral
