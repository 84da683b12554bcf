#include "files/collectionfile.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/datadir.h"
#include "base/filewrite.h"
#include "base/inputfile.h"

namespace quedral {

QString workingCopyFile()
{
    return DataDir::file(QStringLiteral("temp/DataSetsTemp.tmp"));
}

qint64 collectionLength(qint64 imageBytes, int lastAddress)
{
    const qint64 wanted = static_cast<qint64>(lastAddress) + 257;
    return std::min(wanted, std::max(imageBytes, kLoggedMemoryBytes));
}

namespace {
// Bytes 0 .. lastAddress + 256 of the image, zeros past its end up to the end of the memory.
bool writeCollectionBytes(QIODevice& out, const QByteArray& image, int lastAddress, QString* error)
{
    const qint64 length = collectionLength(image.size(), lastAddress);
    if (length <= 0) {
        if (error)
            *error = QStringLiteral("no data to keep (last address %1)").arg(lastAddress);
        return false;
    }
    const qint64 fromImage = std::min<qint64>(length, image.size());
    bool ok = out.write(image.constData(), fromImage) == fromImage;
    if (ok && length > fromImage) {
        const QByteArray zeros(static_cast<qsizetype>(length - fromImage), '\0');
        ok = out.write(zeros) == zeros.size();
    }
    return ok;
}
} // namespace

bool writeCollectionFile(const QString& fileName, const QByteArray& image, int lastAddress, QString* error,
                         ExistingFile existing)
{
    const auto fill = [&](QIODevice& out, QString* why) { return writeCollectionBytes(out, image, lastAddress, why); };
    return writeFileWhole(fileName, fill, error, existing);
}

bool writeWorkingCopy(const QByteArray& image, int lastAddress, QString* error)
{
    const QString file = workingCopyFile();
    const QString dir = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(dir)) {
        if (error)
            *error = dir;
        return false;
    }
    return writeCollectionFile(file, image, lastAddress, error, ExistingFile::Replace);
}

bool readCollectionFile(const QString& fileName, QByteArray& image, QString* error, qint64 maxBytes)
{
    QString why;
    std::optional<QByteArray> bytes = readInputFile(fileName, maxBytes, &why);
    if (!bytes) {
        if (error)
            *error = why;
        return false;
    }
    if (bytes->isEmpty()) {
        if (error)
            *error = QStringLiteral("the file is empty");
        return false;
    }
    image = std::move(*bytes);
    return true;
}

bool saveCollectionFile(const QString& fileName, QString* error)
{
    const QString source = workingCopyFile();
    if (!QFileInfo::exists(source)) {
        if (error)
            *error = QStringLiteral("nothing has been downloaded or opened yet");
        return false;
    }
    if (QFileInfo::exists(fileName)) {
        if (error)
            *error = QStringLiteral("%1 already exists").arg(QDir::toNativeSeparators(fileName));
        return false;
    }
    QString why;
    if (!copyFileWhole(source, fileName, &why, ExistingFile::Keep)) {
        if (error)
            *error = QStringLiteral("could not write %1: %2").arg(QDir::toNativeSeparators(fileName), why);
        return false;
    }
    return true;
}

} // namespace quedral
