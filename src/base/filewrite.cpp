#include "base/filewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace quedral {

namespace {
bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

// Why a write failed. A write that is cut short part-way (the disk filled up during it) leaves
// no error on the device, only in errno, which is cleared before each step and read right after.
QString systemReason(const QFileDevice& out, int savedErrno)
{
    if (savedErrno != 0)
        return QString::fromLocal8Bit(std::strerror(savedErrno));
    return out.errorString();
}

// Runs the fill, then flushes; the reason in *reason when either fails.
bool fillAndFlush(QFileDevice& out, const FileFiller& fill, QString* reason)
{
    QString why;
    errno = 0;
    const bool filled = fill(out, &why);
    const int fillErrno = errno;
    if (!filled) {
        *reason = why.isEmpty() ? systemReason(out, fillErrno) : why;
        return false;
    }
    if (out.error() != QFileDevice::NoError) {
        *reason = systemReason(out, fillErrno);
        return false;
    }
    errno = 0;
    const bool flushed = out.flush() && out.error() == QFileDevice::NoError;
    if (!flushed) {
        *reason = systemReason(out, errno);
        return false;
    }
    return true;
}

bool replaceWhole(const QString& fileName, const FileFiller& fill, QString* error)
{
    QSaveFile out(fileName);
    if (!out.open(QIODevice::WriteOnly))
        return fail(error, out.errorString());
    // commit() alone would link a file whose buffered bytes never reached the disk: the
    // buffer is flushed and checked first.
    QString reason;
    if (!fillAndFlush(out, fill, &reason)) {
        out.cancelWriting();
        return fail(error, reason);
    }
    errno = 0;
    if (!out.commit())
        return fail(error, systemReason(out, errno));
    return true;
}

// A file beside the target that nothing else uses: NAME.part, NAME.part2, ...
bool openPart(const QString& fileName, QFile& part)
{
    for (int n = 1; n <= 100; ++n) {
        part.setFileName(fileName + (n == 1 ? QStringLiteral(".part") : QStringLiteral(".part%1").arg(n)));
        if (part.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return true;
        if (!part.exists())
            return false;
    }
    return false;
}

bool keepWhole(const QString& fileName, const FileFiller& fill, QString* error)
{
    if (QFileInfo::exists(fileName))
        return fail(error, QStringLiteral("%1 already exists").arg(QDir::toNativeSeparators(fileName)));
    QFile part;
    if (!openPart(fileName, part))
        return fail(error, part.errorString());
    QString reason;
    bool ok = fillAndFlush(part, fill, &reason);
    if (ok && ::fsync(part.handle()) != 0) {
        ok = false;
        reason = QString::fromLocal8Bit(std::strerror(errno));
    }
    part.close();
    if (ok && part.error() != QFileDevice::NoError) {
        ok = false;
        reason = part.errorString();
    }
    // rename() refuses an existing target, so a file that appeared meanwhile is kept too.
    if (ok && !QFile::rename(part.fileName(), fileName)) {
        ok = false;
        reason = QFileInfo::exists(fileName) ? QStringLiteral("%1 already exists").arg(QDir::toNativeSeparators(fileName))
                                             : part.errorString();
    }
    if (!ok) {
        QFile::remove(part.fileName());
        return fail(error, reason);
    }
    return true;
}
} // namespace

bool writeFileWhole(const QString& fileName, const FileFiller& fill, QString* error, ExistingFile existing)
{
    return existing == ExistingFile::Replace ? replaceWhole(fileName, fill, error) : keepWhole(fileName, fill, error);
}

bool writeFileWhole(const QString& fileName, const QByteArray& body, QString* error, ExistingFile existing)
{
    return writeFileWhole(
        fileName, [&body](QIODevice& out, QString*) { return out.write(body) == body.size(); }, error, existing);
}

bool copyFileWhole(const QString& from, const QString& to, QString* error, ExistingFile existing)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return fail(error, in.errorString());
    const auto copy = [&in](QIODevice& out, QString* why) {
        char block[64 * 1024];
        for (;;) {
            const qint64 n = in.read(block, sizeof block);
            if (n < 0) {
                *why = in.errorString();
                return false;
            }
            if (n == 0)
                return true;
            if (out.write(block, n) != n)
                return false;
        }
    };
    return writeFileWhole(to, copy, error, existing);
}

} // namespace quedral
