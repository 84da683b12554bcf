#include "shell/helpwindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace quedral {

namespace {

QToolButton* toolButton(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName("frmHelp");
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1060, 800);

    auto* bar = new QHBoxLayout;
    m_back = toolButton(this, "btnHelpBack", "Back");
    m_forward = toolButton(this, "btnHelpForward", "Forward");
    m_home = toolButton(this, "btnHelpContents", "Contents");
    m_find = new QLineEdit(this);
    m_find->setObjectName("edtHelpFind");
    m_find->setPlaceholderText("Find");
    m_find->setClearButtonEnabled(true);
    QToolButton* next = toolButton(this, "btnHelpFindNext", "Find Next");
    for (QWidget* w : {static_cast<QWidget*>(m_back), static_cast<QWidget*>(m_forward), static_cast<QWidget*>(m_home)})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(new QLabel("Find:", this));
    bar->addWidget(m_find);
    bar->addWidget(next);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName("helpBrowser");
    // Links out of the manual (web pages, mail) go to the desktop.
    m_browser->setOpenExternalLinks(true);
    auto* col = new QVBoxLayout(this);
    col->addLayout(bar);
    col->addWidget(m_browser, 1);

    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_home, &QToolButton::clicked, m_browser, &QTextBrowser::home);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::showTitle);
    connect(m_find, &QLineEdit::returnPressed, this, &HelpWindow::findNext);
    connect(next, &QToolButton::clicked, this, &HelpWindow::findNext);
}

void HelpWindow::showFile(const QString& file)
{
    m_browser->setSource(QUrl::fromLocalFile(file));
    showTitle();
}

void HelpWindow::showTitle()
{
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("KV4471 Help") : title);
}

bool HelpWindow::findNext()
{
    const QString text = m_find->text();
    if (text.isEmpty())
        return false;
    if (m_browser->find(text))
        return true;
    // From the top once more.
    QTextCursor top = m_browser->textCursor();
    top.movePosition(QTextCursor::Start);
    m_browser->setTextCursor(top);
    return m_browser->find(text);
}

} // namespace quedral
