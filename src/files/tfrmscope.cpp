#include "files/tfrmscope.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace quedral {

TfrmScope::TfrmScope(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmScope");
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setModal(false);
    auto* grid = new QGridLayout(this);
    prgProgress = new QProgressBar(this);
    prgProgress->setObjectName("prgProgress");
    prgProgress->setMinimumWidth(320);
    lblProgressText = new QLabel(this);
    lblProgressText->setObjectName("lblProgressText");
    lblBytesReceived = new QLabel(this);
    lblBytesReceived->setObjectName("lblBytesReceived");
    lblTotalText = new QLabel(this);
    lblTotalText->setObjectName("lblTotalText");
    lblTotalBytes = new QLabel(this);
    lblTotalBytes->setObjectName("lblTotalBytes");
    for (QLabel* l : {lblBytesReceived, lblTotalBytes})
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    grid->addWidget(prgProgress, 0, 0, 1, 2);
    grid->addWidget(lblBytesReceived, 1, 0);
    grid->addWidget(lblProgressText, 1, 1);
    grid->addWidget(lblTotalBytes, 2, 0);
    grid->addWidget(lblTotalText, 2, 1);
    grid->addWidget(btnCancel, 3, 0, 1, 2, Qt::AlignCenter);
    for (QWidget* w : {static_cast<QWidget*>(lblBytesReceived), static_cast<QWidget*>(lblTotalText),
                       static_cast<QWidget*>(lblTotalBytes)})
        w->hide();
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        if (m_cancelled)
            return;
        m_cancelled = true;
        btnCancel->setEnabled(false);
        emit cancelPressed();
    });
}

void TfrmScope::showByteCounts(int total)
{
    lblProgressText->setText("bytes received");
    lblTotalText->setText("total bytes");
    for (QWidget* w : {static_cast<QWidget*>(lblBytesReceived), static_cast<QWidget*>(lblTotalText),
                       static_cast<QWidget*>(lblTotalBytes)})
        w->show();
    prgProgress->setRange(0, total);
    prgProgress->setValue(0);
    lblTotalBytes->setText(QString::number(total));
    lblBytesReceived->setText("0");
}

void TfrmScope::setBytesReceived(int received)
{
    prgProgress->setValue(received);
    lblBytesReceived->setText(QString::number(received));
}

int TfrmScope::totalBytes() const { return lblTotalBytes->text().toInt(); }
int TfrmScope::bytesReceived() const { return lblBytesReceived->text().toInt(); }

} // namespace quedral
