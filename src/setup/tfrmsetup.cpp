#include "setup/tfrmsetup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/clock.h"
#include "base/prompter.h"
#include "meter/meterworker.h"

namespace quedral {

namespace {
QLineEdit* smallEdit(QWidget* parent, const QString& text, int width = 60)
{
    auto* e = new QLineEdit(text, parent);
    e->setFixedWidth(width);
    return e;
}

// Colours of the QUICK REC result, as 0xBBGGRR colour values: 0x8000 green, 0xFF red.
const QColor kQuickRecOk(0x00, 0x80, 0x00);
const QColor kQuickRecFail(0xFF, 0x00, 0x00);

void setLabelColour(QLabel* label, const QColor& colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}
} // namespace

TfrmSetup::TfrmSetup(MeterService& meter, QWidget* parent) : QWidget(parent), m_meter(meter)
{
    setObjectName("frmSetup");
    setWindowTitle("Data Logger Setup");
    setAttribute(Qt::WA_DeleteOnClose);

    auto* root = new QVBoxLayout(this);

    btnSetClock = new QPushButton("Adjust Meter Time To Computer Time", this);
    btnSetClock->setObjectName("btnSetClock");
    root->addWidget(btnSetClock);

    grpInterval = new QGroupBox("Meter Recording Interval ", this);
    auto* intervalRow = new QHBoxLayout(grpInterval);
    edtInt1 = smallEdit(grpInterval, "00", 36);
    edtInt2 = smallEdit(grpInterval, "02", 36);
    for (QLineEdit* e : {edtInt1, edtInt2})
        e->setInputMask("99; "); // two digits; a blank stays visible as a space
    edtInt1->setObjectName("edtInt1");
    edtInt2->setObjectName("edtInt2");
    intervalRow->addWidget(edtInt1);
    intervalRow->addWidget(new QLabel(":", grpInterval));
    intervalRow->addWidget(edtInt2);
    intervalRow->addWidget(new QLabel("mm:ss(00:01~01:00)", grpInterval));
    intervalRow->addStretch();
    btnSetInterval = new QPushButton("Adjust Meter Recording Interval ", grpInterval);
    btnSetInterval->setObjectName("btnSetInterval");
    intervalRow->addWidget(btnSetInterval);
    root->addWidget(grpInterval);

    btnErase = new QPushButton("Erase Meter Memory", this);
    btnErase->setObjectName("btnErase");
    root->addWidget(btnErase);

    grpInformation = new QGroupBox("Meter DataLogger Information", this);
    auto* info = new QGridLayout(grpInformation);
    int row = 0;
    for (const MeterInfoField& f : meterInfoFields()) {
        info->addWidget(new QLabel(QString::fromLatin1(f.label), grpInformation), row, 0);
        QLineEdit* e = new QLineEdit(grpInformation);
        e->setReadOnly(true);
        info->addWidget(e, row, 1);
        if (f.text == &MeterInfo::version)
            txtVer = e, e->setObjectName("txtVer");
        else if (f.text == &MeterInfo::meterTime)
            txtMeterTime = e, e->setObjectName("txtMeterTime"),
            info->addWidget(new QLabel("MM/DD/YY   hh:mm:ss", grpInformation), row, 2);
        else if (f.text == &MeterInfo::interval)
            txtInt = e, e->setObjectName("txtInt");
        else if (f.text == &MeterInfo::dataSets)
            txtDataSets = e, e->setObjectName("txtDataSets");
        else if (f.text == &MeterInfo::memoryAvailable)
            txtMemoryAvailable = e, e->setObjectName("txtMemoryAvailable");
        else if (f.text == &MeterInfo::serial)
            txtSN = e, e->setObjectName("txtSN");
        else if (f.text == &MeterInfo::cali94)
            txt94dB = e, e->setObjectName("txt94dB");
        else if (f.text == &MeterInfo::cali70)
            txt70dB = e, e->setObjectName("txt70dB");
        ++row;
    }
    btnRead = new QPushButton("Read  ", grpInformation);
    btnRead->setObjectName("btnRead");
    info->addWidget(btnRead, row, 1, Qt::AlignRight);
    root->addWidget(grpInformation);

    // The service commands.
    auto* service = new QGridLayout;
    btnWriteEeprom = new QPushButton("Write EEProm", this);
    btnWriteEeprom->setObjectName("btnWriteEeprom");
    txtWAddress = smallEdit(this, "0", 80);
    txtWData = smallEdit(this, "0");
    txtWAddress->setObjectName("txtWAddress");
    txtWData->setObjectName("txtWData");
    service->addWidget(btnWriteEeprom, 0, 0);
    service->addWidget(txtWAddress, 0, 1);
    service->addWidget(txtWData, 0, 2);
    btnReadEeprom = new QPushButton("Read EEProm", this);
    btnReadEeprom->setObjectName("btnReadEeprom");
    txtRAddress = smallEdit(this, "0", 80);
    txtRData = smallEdit(this, "0");
    txtRAddress->setObjectName("txtRAddress");
    txtRData->setObjectName("txtRData");
    service->addWidget(btnReadEeprom, 1, 0);
    service->addWidget(txtRAddress, 1, 1);
    service->addWidget(txtRData, 1, 2);
    btnQuickRec = new QPushButton("QUICK REC", this);
    btnQuickRec->setObjectName("btnQuickRec");
    txtQuick_REC_NUM = smallEdit(this, "1", 80);
    txtInterval = smallEdit(this, "2");
    txtQuick_REC_NUM->setObjectName("txtQuick_REC_NUM");
    txtInterval->setObjectName("txtInterval");
    lblQUICKRECOK = new QLabel("OK", this);
    lblQUICKRECOK->setObjectName("lblQUICKRECOK");
    setLabelColour(lblQUICKRECOK, kQuickRecOk);
    service->addWidget(btnQuickRec, 2, 0);
    service->addWidget(new QLabel("NUM", this), 3, 1);
    service->addWidget(new QLabel("interval", this), 3, 2);
    service->addWidget(txtQuick_REC_NUM, 2, 1);
    service->addWidget(txtInterval, 2, 2);
    service->addWidget(lblQUICKRECOK, 2, 3);
    service->setColumnStretch(4, 1);
    root->addLayout(service);
    root->addStretch();

    connect(btnSetClock, &QPushButton::clicked, this, &TfrmSetup::btnSetClockClick);
    connect(btnSetInterval, &QPushButton::clicked, this, &TfrmSetup::btnSetIntervalClick);
    connect(btnErase, &QPushButton::clicked, this, &TfrmSetup::btnEraseClick);
    connect(btnRead, &QPushButton::clicked, this, &TfrmSetup::btnReadClick);
    connect(btnWriteEeprom, &QPushButton::clicked, this, &TfrmSetup::btnWriteEepromClick);
    connect(btnReadEeprom, &QPushButton::clicked, this, &TfrmSetup::btnReadEepromClick);
    connect(btnQuickRec, &QPushButton::clicked, this, &TfrmSetup::btnQuickRecClick);
}

TfrmSetup::~TfrmSetup()
{
    if (m_busy)
        QApplication::restoreOverrideCursor();
}

void TfrmSetup::closeEvent(QCloseEvent* e)
{
    // A command in flight finishes on the meter thread; its outcome then finds no window.
    e->accept();
}

void TfrmSetup::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    for (QPushButton* b : {btnSetClock, btnSetInterval, btnErase, btnRead, btnWriteEeprom, btnReadEeprom, btnQuickRec})
        b->setEnabled(!busy);
}

template <class Result>
void TfrmSetup::runCommand(Poll poll, std::function<Result(MeterSession&, SetupBuffers&)> work,
                           std::function<void(const Result&)> done)
{
    setBusy(true);
    QPointer<TfrmSetup> self(this);
    m_meter.post([self, poll, buffers = m_buffers, work = std::move(work), done = std::move(done)](MeterSession& session) {
        const bool pollWasActive = session.pollTimerActive();
        if (poll == Poll::Stop)
            session.stopPollTimer();
        const Result result = work(session, *buffers);
        if (poll == Poll::Stop && pollWasActive)
            session.startPollTimer();
        QMetaObject::invokeMethod(
            qApp,
            [self, done, result] {
                if (!self)
                    return;
                self->setBusy(false);
                done(result);
            },
            Qt::QueuedConnection);
    });
}

void TfrmSetup::btnSetClockClick()
{
    if (m_busy)
        return;
    runCommand<int>(
        Poll::Stop,
        [](MeterSession& s, SetupBuffers& b) { return SetMeterClock(s.link(), b, Clock::instance().now()); },
        [this](const int& code) {
            Prompter::instance().message(setClockMessage(code));
            emit commandFinished(code);
        });
}

void TfrmSetup::btnSetIntervalClick()
{
    if (m_busy)
        return;
    const std::optional<int> seconds = parseRecordingInterval(edtInt1->displayText(), edtInt2->displayText());
    if (!seconds) {
        Prompter::instance().message(intervalMessage(SetupCode::InvalidInput));
        emit commandFinished(SetupCode::InvalidInput);
        return;
    }
    const int n = *seconds;
    runCommand<int>(
        Poll::Stop, [n](MeterSession& s, SetupBuffers& b) { return SetRecordingInterval(s.link(), b, n); },
        [this](const int& code) {
            Prompter::instance().message(intervalMessage(code));
            emit commandFinished(code);
        });
}

void TfrmSetup::btnEraseClick()
{
    if (m_busy)
        return;
    runCommand<int>(
        Poll::Stop, [](MeterSession& s, SetupBuffers& b) { return EraseFromSetup(s.link(), b); },
        [this](const int& code) {
            Prompter::instance().message(setupEraseMessage(code));
            emit commandFinished(code);
        });
}

void TfrmSetup::clearInformation()
{
    for (QLineEdit* e : {txtMemoryAvailable, txtMeterTime, txtInt, txtDataSets, txtVer, txtSN, txt70dB, txt94dB})
        e->clear();
}

void TfrmSetup::btnReadClick()
{
    if (m_busy)
        return;
    clearInformation();
    const QLocale locale;
    runCommand<InformationResult>(
        Poll::Stop,
        [locale](MeterSession& s, SetupBuffers& b) { return ReadMeterInformation(s.link(), b, locale); },
        [this](const InformationResult& r) {
            if (r.code == Codes::Ok) {
                txtVer->setText(r.info.version);
                txtMeterTime->setText(r.info.meterTime);
                txtInt->setText(r.info.interval);
                txtDataSets->setText(r.info.dataSets);
                txtMemoryAvailable->setText(r.info.memoryAvailable);
                txtSN->setText(r.info.serial);
                txt94dB->setText(r.info.cali94);
                txt70dB->setText(r.info.cali70);
            }
            Prompter::instance().message(informationMessage(r));
            emit commandFinished(r.code);
        });
}

void TfrmSetup::btnWriteEepromClick()
{
    if (m_busy)
        return;
    const std::optional<int> address = parseServiceNumber(txtWAddress->text(), 0, kMaxSettingAddress);
    const std::optional<int> value = parseServiceNumber(txtWData->text(), 0, kMaxByteValue);
    if (!address || !value) {
        Prompter::instance().message(SetupMsg::InvalidInput);
        emit commandFinished(SetupCode::InvalidInput);
        return;
    }
    runCommand<int>(
        Poll::Keep,
        [a = *address, v = *value](MeterSession& s, SetupBuffers& b) { return WriteSettingByte(s.link(), b, a, v); },
        [this](const int& code) {
            if (code != Codes::Ok)
                Prompter::instance().message(serviceErrorMessage(code));
            emit commandFinished(code);
        });
}

void TfrmSetup::btnReadEepromClick()
{
    if (m_busy)
        return;
    txtRData->clear();
    const std::optional<int> address = parseServiceNumber(txtRAddress->text(), 0, kMaxSettingAddress);
    if (!address) {
        Prompter::instance().message(SetupMsg::InvalidInput);
        emit commandFinished(SetupCode::InvalidInput);
        return;
    }
    runCommand<ByteReadResult>(
        Poll::Keep, [a = *address](MeterSession& s, SetupBuffers& b) { return ReadSettingByte(s.link(), b, a); },
        [this](const ByteReadResult& r) {
            if (r.value)
                txtRData->setText(QString::number(*r.value));
            if (r.code != Codes::Ok)
                Prompter::instance().message(serviceErrorMessage(r.code));
            emit commandFinished(r.code);
        });
}

void TfrmSetup::btnQuickRecClick()
{
    if (m_busy)
        return;
    const std::optional<int> n = parseServiceNumber(txtQuick_REC_NUM->text(), 1, kMaxQuickRecordSamples);
    const std::optional<int> interval = parseServiceNumber(txtInterval->text(), 0, kMaxQuickRecordInterval);
    if (!n || !interval) {
        Prompter::instance().message(SetupMsg::InvalidInput);
        emit commandFinished(SetupCode::InvalidInput);
        return;
    }
    lblQUICKRECOK->clear();
    setLabelColour(lblQUICKRECOK, kQuickRecOk);
    runCommand<int>(
        Poll::Stop, [n = *n, i = *interval](MeterSession& s, SetupBuffers& b) { return QuickRecord(s.link(), b, n, i); },
        [this](const int& code) {
            const bool ok = code == Codes::Ok;
            lblQUICKRECOK->setText(ok ? SetupMsg::QuickRecordOk : SetupMsg::QuickRecordFail);
            setLabelColour(lblQUICKRECOK, ok ? kQuickRecOk : kQuickRecFail);
            emit commandFinished(code);
        });
}

} // namespace quedral
