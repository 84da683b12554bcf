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
// "day-unsaved.txt" in dir, or "day-unsaved-2.txt" and on when that is taken.
QString freeUnsavedName(const QString& dir, const QFileInfo& target)
{
    const QString ext = target.suffix().isEmpty() ? QString() : QLatin1Char('.') + target.suffix();
    QString name = dir + QLatin1Char('/') + target.completeBaseName() + QStringLiteral("-unsaved") + ext;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = dir + QLatin1Char('/') + target.completeBaseName() + QStringLiteral("-unsaved-%1").arg(n) + ext;
    return name;
}

bool keepUnsaved(QTextStream& err, const QString& target, const QString& reason, const SaveTo& save)
{
    err << target << " was not written: " << reason << "\n";
    const QFileInfo info(target);
    const QString temp = DataDir::file(QStringLiteral("temp"));
    QDir().mkpath(temp);
    for (const QString& dir : {info.absolutePath(), temp}) {
        const QString kept = freeUnsavedName(dir, info);
        if (save(kept, nullptr)) {
            err << "the measured data is kept in " << QDir::toNativeSeparators(kept) << "\n";
            return true;
        }
    }
    err << "the measured data could not be kept anywhere\n";
    return false;
}
} // namespace

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
