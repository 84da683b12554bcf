#include "realtime/ui/realtimesetupdialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <QVBoxLayout>

#include "graph/graphformat.h"
#include "realtime/periodtext.h"
#include "base/modalseam.h"
#include "base/prompter.h"

namespace quedral {

namespace {
constexpr int kCountDigits = 5;

// The count field: up to five digits kept to the right, the free places on the left shown as
// "_". Whatever is typed or pasted is normalised to that form; the cursor stays before the
// same digits.
class RightAlignedDigits : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        QString digits;
        int digitsAfterCursor = 0;
        for (int i = 0; i < input.size(); ++i) {
            const QChar c = input.at(i);
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
                digits += c;
                if (i >= pos)
                    ++digitsAfterCursor;
            } else if (c != QLatin1Char('_') && c != QLatin1Char(' ')) {
                return Invalid;
            }
        }
        if (digits.size() > kCountDigits)
            return Invalid;
        input = QString(kCountDigits - digits.size(), QLatin1Char('_')) + digits;
        pos = kCountDigits - digitsAfterCursor;
        return Acceptable;
    }
};

} // namespace

RealTimeSetupDialog::RealTimeSetupDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName("frmSetupRealTime");
    setWindowTitle("Real-Time Setup");
    setFixedSize(328, 180);

    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        return l;
    };
    lblPointCount = label("lblPointCount", "Real-Time data no to be recorded");
    lblPointCountHint = label("lblPointCountHint", "(Adjust the number to meet your need)");
    edtRealTimeNo = new QLineEdit(this);
    edtRealTimeNo->setObjectName("edtRealTimeNo");
    // One more than the five places, so that a digit can be typed into a full field; the
    // validator takes the field back to five places.
    edtRealTimeNo->setMaxLength(kCountDigits + 1);
    edtRealTimeNo->setValidator(new RightAlignedDigits(edtRealTimeNo));
    edtRealTimeNo->setAlignment(Qt::AlignRight);
    edtRealTimeNo->setText(" 2000");
    lblRate = label("lblRate", "Real -Time Sampling Rate");
    txtRate = new QComboBox(this);
    txtRate->setObjectName("txtRate");
    txtRate->setEditable(true);
    txtRate->addItems({"0.5", "1.0", "2.0", "5.0", "10.0", "20.0", "30.0"});
    txtRate->setEditText("0.5");
    lblRateUnit = label("lblRateUnit", "second");
    lblPeriod = label("lblPeriod", "Recording Period");
    edtPeriod = new QLineEdit(this);
    edtPeriod->setObjectName("edtPeriod");
    auto* pnlPeriod = new QWidget(this);
    pnlPeriod->setObjectName("pnlPeriod");
    auto* pl = new QHBoxLayout(pnlPeriod);
    pl->setContentsMargins(0, 0, 0, 0);
    pl->addWidget(edtPeriod);
    pnlPeriod->setEnabled(false);
    lblPeriodFormat = label("lblPeriodFormat", "HH:MM:SS");
    btnStart = new QPushButton("Start", this);
    btnStart->setObjectName("btnStart");
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");

    auto* grid = new QGridLayout;
    grid->addWidget(lblPointCount, 0, 0, 1, 3);
    grid->addWidget(lblPointCountHint, 1, 0, 1, 2);
    grid->addWidget(edtRealTimeNo, 1, 2);
    grid->addWidget(lblRate, 2, 0);
    grid->addWidget(txtRate, 2, 1);
    grid->addWidget(lblRateUnit, 2, 2);
    grid->addWidget(lblPeriod, 3, 0);
    grid->addWidget(pnlPeriod, 3, 1);
    grid->addWidget(lblPeriodFormat, 3, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnStart);
    buttons->addWidget(btnCancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);

    connect(btnStart, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(edtRealTimeNo, &QLineEdit::textEdited, this, [this] { pointCountChanged(); });
    connect(txtRate, &QComboBox::editTextChanged, this, [this] { pointCountChanged(); });
}

QString RealTimeSetupDialog::countText() const
{
    QString t = edtRealTimeNo->text();
    t.replace(QLatin1Char('_'), QLatin1Char(' '));
    return t;
}

void RealTimeSetupDialog::setCountText(const QString& text)
{
    edtRealTimeNo->setText(text);
}

void RealTimeSetupDialog::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    onShown();
    // Whatever period the dialog was given, it opens showing the one of its own fields.
    updatePeriod(false);
}

void RealTimeSetupDialog::onShown()
{
    const QString edit = txtRate->currentText();
    const QStringList items = samplingRateItems();
    const QSignalBlocker block(txtRate);
    for (int i = 0; i < items.size() && i < txtRate->count(); ++i)
        txtRate->setItemText(i, items[i]);
    txtRate->setEditText(edit);
}

void RealTimeSetupDialog::pointCountChanged() { updatePeriod(true); }

void RealTimeSetupDialog::updatePeriod(bool reportBadRate)
{
    double rate = 0;
    if (!parseNumber(txtRate->currentText(), rate)) {
        if (reportBadRate)
            Prompter::instance().message(
                QStringLiteral("'%1' is not a valid floating point value").arg(txtRate->currentText()));
        return;
    }
    int count = 0;
    if (!parseCount(countText(), count))
        count = 0;
    edtPeriod->setText(recordingPeriodText(count, rate));
}

void RealTimeSetupDialog::setRunner(Runner r) { ModalSeam<RealTimeSetupDialog>::set(std::move(r)); }

int RealTimeSetupDialog::runModal(RealTimeSetupDialog& dialog)
{
    return ModalSeam<RealTimeSetupDialog>::run(dialog);
}

} // namespace quedral
