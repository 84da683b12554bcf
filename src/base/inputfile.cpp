#include "base/inputfile.h"

#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quedral {

namespace {
bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

QString tooLarge(qint64 size, qint64 maxBytes)
{
    return QStringLiteral("the file holds %1 bytes, more than the %2 this reader takes").arg(size).arg(maxBytes);
}
} // namespace

bool openInputFile(QFile& file, const QString& name, qint64 maxBytes, QString* error)
{
#ifdef Q_OS_UNIX
    // Opened without waiting (a FIFO would block until a writer came), then checked on the
    // handle itself, so what is checked is what is read.
    const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(error, qt_error_string(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        return fail(error, qt_error_string(e));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(error, S_ISDIR(st.st_mode) ? QStringLiteral("is a folder, not a file")
                                               : QStringLiteral("is not a regular file (a device, FIFO or socket)"));
    }
    if (maxBytes >= 0 && st.st_size > maxBytes) {
        ::close(fd);
        return fail(error, tooLarge(st.st_size, maxBytes));
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(error, file.errorString());
    }
    return true;
#else
    const QFileInfo info(name);
    if (info.exists() && !info.isFile())
        return fail(error, info.isDir() ? QStringLiteral("is a folder, not a file")
                                        : QStringLiteral("is not a regular file (a device, FIFO or socket)"));
    file.setFileName(name);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, file.errorString());
    if (maxBytes >= 0 && file.size() > maxBytes) {
        file.close();
        return fail(error, tooLarge(file.size(), maxBytes));
    }
    return true;
#endif
}

std::optional<QByteArray> readInputFile(const QString& name, qint64 maxBytes, QString* error)
{
    QFile file;
    if (!openInputFile(file, name, maxBytes, error))
        return std::nullopt;
    QByteArray bytes;
    constexpr qint64 kChunk = 1 << 20;
    for (;;) {
        const qint64 room = maxBytes >= 0 ? maxBytes + 1 - bytes.size() : kChunk;
        if (room <= 0)
            break;
        const qsizetype had = bytes.size();
        const qint64 want = std::min(room, kChunk);
        bytes.resize(had + want);
        const qint64 got = file.read(bytes.data() + had, want);
        if (got < 0) {
            fail(error, file.errorString());
            return std::nullopt;
        }
        bytes.resize(had + got);
        if (got == 0)
            break;
    }
    if (maxBytes >= 0 && bytes.size() > maxBytes) {
        fail(error, QStringLiteral("the file grew past the %1 bytes this reader takes while it was read").arg(maxBytes));
        return std::nullopt;
    }
    return bytes;
}

} // namespace quedral
