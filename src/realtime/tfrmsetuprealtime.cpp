#include "realtime/tfrmsetuprealtime.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "graph/core/graphformat.h"
#include "realtime/periodtext.h"
#include "base/prompter.h"

namespace quedral {

namespace {
TfrmSetupRealTime::Runner& runner()
{
    static TfrmSetupRealTime::Runner r;
    return r;
}
} // namespace

TfrmSetupRealTime::TfrmSetupRealTime(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName("frmSetupRealTime");
    setWindowTitle("Real-Time Setup");
    setFixedSize(328, 180);

    Label1 = new QLabel("Real-Time data no to be recorded", this);
    Label2 = new QLabel("(Adjust the number to meet your need)", this);
    edtRealTimeNo = new QLineEdit(this);
    edtRealTimeNo->setObjectName("edtRealTimeNo");
    // Up to five optional digits, right-aligned, blanks shown as "_".
    edtRealTimeNo->setInputMask("00000;_");
    edtRealTimeNo->setMaxLength(5);
    edtRealTimeNo->setAlignment(Qt::AlignRight);
    edtRealTimeNo->setText(" 2000");
    Label3 = new QLabel("Real -Time Sampling Rate", this);
    txtRate = new QComboBox(this);
    txtRate->setObjectName("txtRate");
    txtRate->setEditable(true);
    txtRate->addItems({"0.5", "1.0", "2.0", "5.0", "10.0", "20.0", "30.0"});
    txtRate->setEditText("0.5");
    Label6 = new QLabel("second", this);
    Label4 = new QLabel("Recording Period", this);
    edtPeriod = new QLineEdit(this);
    edtPeriod->setObjectName("edtPeriod");
    auto* periodPanel = new QWidget(this);
    auto* pl = new QHBoxLayout(periodPanel);
    pl->setContentsMargins(0, 0, 0, 0);
    pl->addWidget(edtPeriod);
    periodPanel->setEnabled(false);
    Label5 = new QLabel("HH:MM:SS", this);
    btnOpenSingleSet = new QPushButton("Start", this);
    btnOpenSingleSet->setObjectName("btnOpenSingleSet");
    Button1 = new QPushButton("Cancel", this);
    Button1->setObjectName("Button1");

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0, 1, 3);
    grid->addWidget(Label2, 1, 0, 1, 2);
    grid->addWidget(edtRealTimeNo, 1, 2);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(txtRate, 2, 1);
    grid->addWidget(Label6, 2, 2);
    grid->addWidget(Label4, 3, 0);
    grid->addWidget(periodPanel, 3, 1);
    grid->addWidget(Label5, 3, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOpenSingleSet);
    buttons->addWidget(Button1);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);

    connect(btnOpenSingleSet, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(Button1, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(edtRealTimeNo, &QLineEdit::textEdited, this, [this] { edtRealTimeNoChange(); });
    connect(txtRate, &QComboBox::editTextChanged, this, [this] { edtRealTimeNoChange(); });
}

QString TfrmSetupRealTime::countText() const
{
    return edtRealTimeNo->text();
}

void TfrmSetupRealTime::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormShow();
}

void TfrmSetupRealTime::FormShow()
{
    const QString edit = txtRate->currentText();
    const QStringList items = samplingRateItems();
    const QSignalBlocker block(txtRate);
    for (int i = 0; i < items.size() && i < txtRate->count(); ++i)
        txtRate->setItemText(i, items[i]);
    txtRate->setEditText(edit);
}

void TfrmSetupRealTime::edtRealTimeNoChange()
{
    double rate = 0;
    if (!parseNumber(txtRate->currentText(), rate)) {
        Prompter::instance().message(QStringLiteral("'%1' is not a valid floating point value").arg(txtRate->currentText()));
        return;
    }
    int count = 0;
    if (!parseCount(countText(), count))
        count = 0;
    edtPeriod->setText(recordingPeriodText(count, rate));
}

void TfrmSetupRealTime::setRunner(Runner r)
{
    runner() = std::move(r);
}

int TfrmSetupRealTime::runModal(TfrmSetupRealTime& dialog)
{
    if (runner())
        return runner()(dialog);
    return dialog.exec();
}

} // namespace quedral
