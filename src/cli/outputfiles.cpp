#include "cli/outputfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include "base/datadir.h"

namespace quedral::cli {

bool outputCanBeCreated(QTextStream& err, const QString& file)
{
    const QFileInfo info(file);
    QTemporaryFile probe(info.absolutePath() + QStringLiteral("/.quedral-XXXXXX"));
    if (info.isDir() || !probe.open()) {
        err << file << " cannot be written"
            << (info.isDir() ? QStringLiteral(": it is a folder") : QStringLiteral(": ") + probe.errorString()) << "\n";
        return false;
    }
    return true;
}

namespace {
// "day-TAG.txt" in dir, or "day-TAG-2.txt" and on when that is taken.
QString freeName(const QString& dir, const QFileInfo& target, const QString& tag)
{
    const QString ext = target.suffix().isEmpty() ? QString() : QLatin1Char('.') + target.suffix();
    const QString base = dir + QLatin1Char('/') + target.completeBaseName() + QLatin1Char('-') + tag;
    QString name = base + ext;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + QStringLiteral("-%1").arg(n) + ext;
    return name;
}

bool keepUnsaved(QTextStream& err, const QString& target, const QString& reason, const SaveTo& save)
{
    err << target << " was not written: " << reason << "\n";
    return keepBeside(err, target, QStringLiteral("unsaved"), QStringLiteral("the measured data"), save);
}
} // namespace

bool keepBeside(QTextStream& err, const QString& target, const QString& tag, const QString& what, const SaveTo& save)
{
    const QFileInfo info(target);
    const QString temp = DataDir::file(QStringLiteral("temp"));
    QDir().mkpath(temp);
    for (const QString& dir : {info.absolutePath(), temp}) {
        const QString kept = freeName(dir, info, tag);
        if (save(kept, nullptr)) {
            err << what << " is kept in " << QDir::toNativeSeparators(kept) << "\n";
            return true;
        }
    }
    err << what << " could not be kept anywhere\n";
    return false;
}

bool saveMeasurement(QTextStream& err, const QString& target, bool force, const char* activity, const SaveTo& save)
{
    if (!force && QFileInfo::exists(target)) {
        keepUnsaved(err, target, QStringLiteral("it appeared while %1; give --force to replace it").arg(activity), save);
        return false;
    }
    QString error;
    if (!save(target, &error)) {
        keepUnsaved(err, target, error, save);
        return false;
    }
    return true;
}

} // namespace quedral::cli
