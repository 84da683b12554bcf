#include "widgets/progressdialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "base/modalseam.h"

namespace quedral {

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmScope");
    setWindowTitle("Print Range");
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

    grpRange = new QGroupBox(this);
    grpRange->setObjectName("grpRange");
    auto* range = new QGridLayout(grpRange);
    radAll = new QRadioButton("&All", grpRange);
    radAll->setObjectName("radAll");
    radAll->setChecked(true);
    radNo = new QRadioButton("&Select", grpRange);
    radNo->setObjectName("radNo");
    edtSelFrom = new QLineEdit(grpRange);
    edtSelFrom->setObjectName("edtSelFrom");
    edtSelTo = new QLineEdit(grpRange);
    edtSelTo->setObjectName("edtSelTo");
    range->addWidget(radAll, 0, 0, 1, 3);
    range->addWidget(radNo, 1, 0);
    range->addWidget(edtSelFrom, 1, 1);
    range->addWidget(edtSelTo, 1, 2);

    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    grid->addWidget(grpRange, 0, 0, 1, 2);
    grid->addWidget(prgProgress, 1, 0, 1, 2);
    grid->addWidget(lblBytesReceived, 2, 0);
    grid->addWidget(lblProgressText, 2, 1);
    grid->addWidget(lblTotalBytes, 3, 0);
    grid->addWidget(lblTotalText, 3, 1);
    grid->addWidget(btnOK, 4, 0);
    grid->addWidget(btnCancel, 4, 1);
    for (QWidget* w : std::initializer_list<QWidget*>{grpRange, prgProgress, lblProgressText, lblBytesReceived,
                                                       lblTotalText, lblTotalBytes, btnOK})
        w->hide();

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        if (m_rangeRole) {
            reject();
            return;
        }
        if (m_cancelled)
            return;
        m_cancelled = true;
        btnCancel->setEnabled(false);
        emit cancelPressed();
    });
}

void ProgressDialog::showByteCounts(int total)
{
    lblProgressText->setText("bytes received");
    lblTotalText->setText("total bytes");
    for (QWidget* w : std::initializer_list<QWidget*>{prgProgress, lblProgressText, lblBytesReceived, lblTotalText,
                                                       lblTotalBytes})
        w->show();
    prgProgress->setRange(0, total);
    prgProgress->setValue(0);
    lblTotalBytes->setText(QString::number(total));
    lblBytesReceived->setText("0");
}

void ProgressDialog::setBytesReceived(int received)
{
    prgProgress->setValue(received);
    lblBytesReceived->setText(QString::number(received));
}

int ProgressDialog::totalBytes() const { return lblTotalBytes->text().toInt(); }
int ProgressDialog::bytesReceived() const { return lblBytesReceived->text().toInt(); }

void ProgressDialog::showProgress(const QString& text, int maximum)
{
    lblProgressText->setText(text);
    lblProgressText->show();
    prgProgress->show();
    prgProgress->setRange(0, std::max(0, maximum));
    prgProgress->setValue(0);
}

void ProgressDialog::setProgress(int position) { prgProgress->setValue(position); }
void ProgressDialog::setProgressText(const QString& text) { lblProgressText->setText(text); }

void ProgressDialog::showRange(int from, int to)
{
    m_rangeRole = true;
    setModal(true);
    grpRange->show();
    btnOK->show();
    edtSelFrom->setText(QString::number(from));
    edtSelTo->setText(QString::number(to));
}

bool ProgressDialog::allSelected() const { return radAll->isChecked(); }
QString ProgressDialog::fromText() const { return edtSelFrom->text(); }
QString ProgressDialog::toText() const { return edtSelTo->text(); }

void ProgressDialog::chooseRange(bool all, const QString& from, const QString& to)
{
    (all ? radAll : radNo)->setChecked(true);
    edtSelFrom->setText(from);
    edtSelTo->setText(to);
}

void ProgressDialog::setRangeRunner(Runner runner) { ModalSeam<ProgressDialog, bool>::set(std::move(runner)); }

bool ProgressDialog::runRange()
{
    return ModalSeam<ProgressDialog, bool>::run(*this, [](QDialog& d) { return d.exec() == QDialog::Accepted; });
}

} // namespace quedral
