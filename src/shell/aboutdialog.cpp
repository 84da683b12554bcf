#include "shell/aboutdialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace quedral {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName("frmAbout");
    setWindowTitle("About Quedral For Sound Level Meter");
    setAttribute(Qt::WA_DeleteOnClose);

    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel("Sound Level Meter Software", this);
    QFont f = title->font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);

    lblVersion = new QLabel(QStringLiteral("Version: %1").arg(QStringLiteral(QUEDRAL_VERSION)), this);
    lblVersion->setAlignment(Qt::AlignCenter);
    layout->addWidget(lblVersion);

    lblStartupNote = new QLabel(this);
    lblStartupNote->setObjectName("lblStartupNote");
    lblStartupNote->setAlignment(Qt::AlignCenter);
    layout->addWidget(lblStartupNote);

    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(btnOK, 0, Qt::AlignCenter);

    setMinimumSize(360, 170);
    adjustSize();
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
}

} // namespace quedral
