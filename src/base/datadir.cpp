#include "base/datadir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace quedral {

namespace {
QString g_dir;

bool writableDir(const QString& dir)
{
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return false;
    QTemporaryFile probe(dir + "/.quedral-write-probe-XXXXXX");
    return probe.open();
}
} // namespace

QString DataDir::init(const QString& explicitDir)
{
    QString dir = explicitDir;
    if (dir.isEmpty())
        dir = qEnvironmentVariable("QUEDRAL_DATA_DIR");
    if (dir.isEmpty()) {
        const QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
        if (!isInstalledProgramFolder(exeDir) && writableDir(exeDir))
            dir = exeDir;
    }
    if (dir.isEmpty()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        if (dir.isEmpty())
            dir = QDir::homePath() + "/.local/share/quedral";
    }
    QDir().mkpath(dir);
    g_dir = QDir(dir).absolutePath();
    return g_dir;
}

bool DataDir::isInstalledProgramFolder(const QString& dir)
{
    if (dir.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    QStringList system{QStringLiteral("/usr/bin"), QStringLiteral("/usr/local/bin"), QStringLiteral("/bin"),
                       QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/opt/bin")};
#ifdef QUEDRAL_INSTALL_BINDIR
    system << QDir::cleanPath(QStringLiteral(QUEDRAL_INSTALL_BINDIR));
#endif
    const QString canonical = QFileInfo(clean).canonicalFilePath();
    for (const QString& s : system) {
        if (clean == s || (!canonical.isEmpty() && canonical == QFileInfo(s).canonicalFilePath()))
            return true;
    }
    return false;
}

QString DataDir::path()
{
    if (g_dir.isEmpty())
        init();
    return g_dir;
}

QString DataDir::file(const QString& relative)
{
    return path() + "/" + relative;
}

void DataDir::reset()
{
    g_dir.clear();
}

QString takeDataDirOption(QStringList& args)
{
    QString dir;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--data-dir" && i + 1 < args.size()) {
            dir = args[i + 1];
            args.remove(i, 2);
            --i;
        } else if (args[i].startsWith("--data-dir=")) {
            dir = args[i].mid(11);
            args.remove(i);
            --i;
        }
    }
    return dir;
}

} // namespace quedral
