#pragma once
// Opening files that come from outside (collections, graph files, text and CSV files) for
// reading. Only regular files are read, after following symbolic links: a device such as
// /dev/zero, a FIFO, a socket or a folder is refused before a byte is read (and a FIFO is never
// waited on). A size bound keeps a huge or growing file from taking all the memory there is.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

namespace quedral {

// No size bound: the reader bounds what it keeps by itself (a streaming reader).
inline constexpr qint64 kAnySize = -1;

// Opens name for reading into file (which must not be open). False, with the reason in *error,
// when it cannot be opened, is not a regular file or holds more than maxBytes bytes
// (kAnySize: no bound).
bool openInputFile(QFile& file, const QString& name, qint64 maxBytes, QString* error = nullptr);

// Reads a whole regular file of at most maxBytes bytes; never reads more than maxBytes + 1
// bytes, even from a file that grows meanwhile. nullopt, with the reason, otherwise.
std::optional<QByteArray> readInputFile(const QString& name, qint64 maxBytes, QString* error = nullptr);

} // namespace quedral
