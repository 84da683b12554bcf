#include "shell/helpcommand.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <utility>

#include "base/prompter.h"

namespace quedral {

HelpCommand::HelpCommand(QString file, QString opener, QObject* parent)
    : QObject(parent), m_file(std::move(file)), m_opener(std::move(opener))
{
}

QString HelpCommand::helpFile() const
{
    return m_file.isEmpty() ? QCoreApplication::applicationDirPath() + "/KV4471Help.htm" : m_file;
}

void HelpCommand::show()
{
    const QString help = helpFile();
    if (!QFileInfo::exists(help)) {
        Prompter::instance().message(QStringLiteral("The help file %1 is missing.").arg(QDir::toNativeSeparators(help)));
        return;
    }
    open(help);
}

void HelpCommand::open(const QString& file)
{
    const auto done = [file](bool opened) {
        if (!opened)
            Prompter::instance().message(
                QStringLiteral("The help file %1 could not be opened: no program to show it is set up on this computer.")
                    .arg(QDir::toNativeSeparators(file)));
    };
    auto* opener = new QProcess(this);
    connect(opener, &QProcess::errorOccurred, this, [opener, file, done](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        opener->deleteLater();
        // No opener program: the toolkit's own way is the last try.
        done(QDesktopServices::openUrl(QUrl::fromLocalFile(file)));
    });
    connect(opener, &QProcess::finished, this, [opener, done](int code, QProcess::ExitStatus status) {
        opener->deleteLater();
        done(status == QProcess::NormalExit && code == 0);
    });
    opener->start(m_opener.isEmpty() ? QStringLiteral("xdg-open") : m_opener, {file});
}

} // namespace quedral
