#pragma once
// Data set collection files (*.rec) and the working copy: the meter's memory image cut to its
// data, L + 257 bytes where L is the last address (image bytes 11-13). Nothing is added: a
// collection is the image as the meter delivered it.
#include <QByteArray>
#include <QString>

#include "base/filewrite.h"

namespace quedral {

// temp/DataSetsTemp.tmp in the data directory.
QString workingCopyFile();

// The meter's logged memory. A collection never holds more than the image: bytes the image
// does not have are filled with zeros only up to the end of this memory, so a garbled last
// address cannot blow a collection up to 16 MiB of invented zeros.
inline constexpr qint64 kLoggedMemoryBytes = 262144;

// The largest collection file that is read (far above the 16 MiB a 24-bit last address can
// reach with its 257 bytes).
inline constexpr qint64 kMaxCollectionBytes = 64 * 1024 * 1024;

// The length of the collection of an image: lastAddress + 257 bytes, but never past the image
// or, where zeros stand in for bytes the image lacks, past the end of the meter's memory.
qint64 collectionLength(qint64 imageBytes, int lastAddress);

// Writes bytes 0 .. lastAddress + 256 of the image as the working copy, zero bytes standing in
// for any the image does not have (up to the end of the meter's memory). The new copy is written beside the old one and takes its
// place only when complete, so a full disk or a crash never leaves a torn copy. False with the
// reason in *error when the folder or the file cannot be written.
bool writeWorkingCopy(const QByteArray& image, int lastAddress, QString* error = nullptr);

// Writes a collection file of the image directly (bytes 0 .. lastAddress + 256, zero-filled as
// the working copy is), whole or not at all (writeFileWhole): a failure leaves the old file, or
// none. Never over an existing file unless `existing` says Replace. False with the reason
// otherwise.
bool writeCollectionFile(const QString& fileName, const QByteArray& image, int lastAddress,
                         QString* error = nullptr, ExistingFile existing = ExistingFile::Keep);

// Reads a collection file whole. False with the reason when it cannot be read, is not a regular
// file (a device such as /dev/zero, a FIFO, a folder), is empty or is larger than maxBytes.
bool readCollectionFile(const QString& fileName, QByteArray& image, QString* error = nullptr,
                        qint64 maxBytes = kMaxCollectionBytes);

// Copies the working copy to fileName. Never replaces an existing file. False with the reason
// when there is no working copy, the target exists or the copy fails.
bool saveCollectionFile(const QString& fileName, QString* error = nullptr);

} // namespace quedral
