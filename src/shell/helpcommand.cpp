#include "shell/helpcommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <utility>

#include "base/prompter.h"
#include "shell/helpwindow.h"

namespace quedral {

namespace {

constexpr const char* kHelpFileName = "KV4471Help.htm";

} // namespace

HelpCommand::HelpCommand(QString file, QString opener, QObject* parent)
    : QObject(parent), m_file(std::move(file)), m_opener(std::move(opener))
{
}

QString HelpCommand::helpFile() const
{
    if (!m_file.isEmpty())
        return m_file;
    const QString beside = QCoreApplication::applicationDirPath() + '/' + kHelpFileName;
#ifdef QUEDRAL_DOC_DIR
    // An installed program finds it in the documentation folder.
    const QString installed = QStringLiteral(QUEDRAL_DOC_DIR "/") + kHelpFileName;
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed))
        return installed;
#endif
    return beside;
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
    auto* opener = new QProcess(this);
    connect(opener, &QProcess::errorOccurred, this, [this, opener, file](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        opener->deleteLater();
        showInOwnWindow(file);
    });
    connect(opener, &QProcess::finished, this, [this, opener, file](int code, QProcess::ExitStatus status) {
        opener->deleteLater();
        if (status != QProcess::NormalExit || code != 0)
            showInOwnWindow(file);
    });
    opener->start(m_opener.isEmpty() ? QStringLiteral("xdg-open") : m_opener, {file});
}

void HelpCommand::showInOwnWindow(const QString& file)
{
    if (!m_window)
        m_window = new HelpWindow(qobject_cast<QWidget*>(parent()));
    m_window->showFile(file);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace quedral
