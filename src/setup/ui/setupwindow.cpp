#include "setup/ui/setupwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/clock.h"
#include "base/prompter.h"
#include "meter/meterworker.h"

namespace quedral {

namespace {
template <class W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLineEdit* smallEdit(QWidget* parent, const char* name, const QString& text, int width)
{
    auto* e = named(new QLineEdit(text, parent), name);
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

SetupWindow::SetupWindow(MeterService& meter, QWidget* parent) : QWidget(parent), m_meter(meter)
{
    setObjectName("frmSetup");
    setWindowTitle("Data Logger Setup");
    setAttribute(Qt::WA_DeleteOnClose);

    auto* root = new QVBoxLayout(this);

    btnSetClock = named(new QPushButton("Adjust Meter Time To Computer Time", this), "btnSetClock");
    root->addWidget(btnSetClock);

    grpInterval = new QGroupBox("Meter Recording Interval ", this);
    auto* intervalRow = new QHBoxLayout(grpInterval);
    edtInt1 = smallEdit(grpInterval, "edtInt1", "00", 36);
    edtInt2 = smallEdit(grpInterval, "edtInt2", "02", 36);
    for (QLineEdit* e : {edtInt1, edtInt2})
        e->setInputMask("99; "); // two digits; a blank stays visible as a space
    intervalRow->addWidget(edtInt1);
    intervalRow->addWidget(new QLabel(":", grpInterval));
    intervalRow->addWidget(edtInt2);
    intervalRow->addWidget(new QLabel("mm:ss(00:01~01:00)", grpInterval));
    intervalRow->addStretch();
    btnSetInterval = named(new QPushButton("Adjust Meter Recording Interval ", grpInterval), "btnSetInterval");
    intervalRow->addWidget(btnSetInterval);
    root->addWidget(grpInterval);

    btnErase = named(new QPushButton("Erase Meter Memory", this), "btnErase");
    root->addWidget(btnErase);

    // The information fields, in the order of meterInfoFields().
    grpInformation = new QGroupBox("Meter DataLogger Information", this);
    auto* info = new QGridLayout(grpInformation);
    const struct {
        QLineEdit* SetupWindow::*field;
        const char* name;
    } fields[] = {{&SetupWindow::txtVer, "txtVer"},
                  {&SetupWindow::txtMeterTime, "txtMeterTime"},
                  {&SetupWindow::txtInt, "txtInt"},
                  {&SetupWindow::txtDataSets, "txtDataSets"},
                  {&SetupWindow::txtMemoryAvailable, "txtMemoryAvailable"},
                  {&SetupWindow::txtSN, "txtSN"},
                  {&SetupWindow::txt94dB, "txt94dB"},
                  {&SetupWindow::txt70dB, "txt70dB"}};
    const std::vector<MeterInfoField>& labels = meterInfoFields();
    for (int row = 0; row < int(std::size(fields)); ++row) {
        info->addWidget(new QLabel(QString::fromLatin1(labels[row].label), grpInformation), row, 0);
        QLineEdit* e = named(new QLineEdit(grpInformation), fields[row].name);
        e->setReadOnly(true);
        info->addWidget(e, row, 1);
        this->*fields[row].field = e;
        m_information.push_back({e, labels[row].text});
    }
    info->addWidget(new QLabel("MM/DD/YY   hh:mm:ss", grpInformation), 1, 2);
    btnRead = named(new QPushButton("Read  ", grpInformation), "btnRead");
    info->addWidget(btnRead, int(std::size(fields)), 1, Qt::AlignRight);
    root->addWidget(grpInformation);

    // The service commands: a button and its two fields per row.
    auto* service = new QGridLayout;
    auto serviceRow = [service](int row, QPushButton* button, QLineEdit* first, QLineEdit* second) {
        service->addWidget(button, row, 0);
        service->addWidget(first, row, 1);
        service->addWidget(second, row, 2);
    };
    btnWriteEeprom = named(new QPushButton("Write EEProm", this), "btnWriteEeprom");
    txtWAddress = smallEdit(this, "txtWAddress", "0", 80);
    txtWData = smallEdit(this, "txtWData", "0", 60);
    serviceRow(0, btnWriteEeprom, txtWAddress, txtWData);
    btnReadEeprom = named(new QPushButton("Read EEProm", this), "btnReadEeprom");
    txtRAddress = smallEdit(this, "txtRAddress", "0", 80);
    txtRData = smallEdit(this, "txtRData", "0", 60);
    serviceRow(1, btnReadEeprom, txtRAddress, txtRData);
    btnQuickRec = named(new QPushButton("QUICK REC", this), "btnQuickRec");
    txtQuick_REC_NUM = smallEdit(this, "txtQuick_REC_NUM", "1", 80);
    txtInterval = smallEdit(this, "txtInterval", "2", 60);
    serviceRow(2, btnQuickRec, txtQuick_REC_NUM, txtInterval);
    lblQUICKRECOK = named(new QLabel("OK", this), "lblQUICKRECOK");
    setLabelColour(lblQUICKRECOK, kQuickRecOk);
    service->addWidget(lblQUICKRECOK, 2, 3);
    service->addWidget(new QLabel("NUM", this), 3, 1);
    service->addWidget(new QLabel("interval", this), 3, 2);
    service->setColumnStretch(4, 1);
    root->addLayout(service);
    root->addStretch();

    connect(btnSetClock, &QPushButton::clicked, this, &SetupWindow::setClock);
    connect(btnSetInterval, &QPushButton::clicked, this, &SetupWindow::setInterval);
    connect(btnErase, &QPushButton::clicked, this, &SetupWindow::eraseMemory);
    connect(btnRead, &QPushButton::clicked, this, &SetupWindow::readInformation);
    connect(btnWriteEeprom, &QPushButton::clicked, this, &SetupWindow::writeEeprom);
    connect(btnReadEeprom, &QPushButton::clicked, this, &SetupWindow::readEeprom);
    connect(btnQuickRec, &QPushButton::clicked, this, &SetupWindow::startQuickRecord);
}

SetupWindow::~SetupWindow()
{
    if (m_busy)
        QApplication::restoreOverrideCursor();
}

void SetupWindow::closeEvent(QCloseEvent* e)
{
    // A command in flight finishes on the meter thread; its outcome then finds no window.
    e->accept();
}

void SetupWindow::setBusy(bool busy)
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
void SetupWindow::runCommand(Poll poll, std::function<Result(MeterSession&, SetupBuffers&)> work,
                           std::function<void(const Result&)> done)
{
    setBusy(true);
    // The buffers are shared with the job: a window closed meanwhile leaves it somewhere to write.
    m_meter.run(
        this, poll == Poll::Stop ? PollPolicy::Pause : PollPolicy::LeaveRunning,
        [buffers = m_buffers, work = std::move(work)](MeterJob& job) { return work(job.session, *buffers); },
        [this, done = std::move(done)](const Result& result) {
            setBusy(false);
            done(result);
        });
}

std::function<void(const int&)> SetupWindow::showMessage(QString (*message)(int))
{
    return [this, message](const int& code) {
        Prompter::instance().message(message(code));
        emit commandFinished(code);
    };
}

void SetupWindow::refuseInput()
{
    Prompter::instance().message(SetupMsg::InvalidInput);
    emit commandFinished(Codes::InvalidInput);
}

void SetupWindow::setClock()
{
    if (m_busy)
        return;
    runCommand<int>(
        Poll::Stop,
        [](MeterSession& s, SetupBuffers& b) { return setMeterClock(s.link(), b, Clock::instance().now()); },
        showMessage(setClockMessage));
}

void SetupWindow::setInterval()
{
    if (m_busy)
        return;
    const std::optional<int> seconds = parseRecordingInterval(edtInt1->displayText(), edtInt2->displayText());
    if (!seconds)
        return refuseInput();
    runCommand<int>(
        Poll::Stop, [n = *seconds](MeterSession& s, SetupBuffers& b) { return setRecordingInterval(s.link(), b, n); },
        showMessage(intervalMessage));
}

void SetupWindow::eraseMemory()
{
    if (m_busy)
        return;
    runCommand<int>(
        Poll::Stop, [](MeterSession& s, SetupBuffers& b) { return eraseFromSetup(s.link(), b); },
        showMessage(setupEraseMessage));
}

void SetupWindow::readInformation()
{
    if (m_busy)
        return;
    for (const auto& [field, text] : m_information)
        field->clear();
    const QLocale locale;
    runCommand<InformationResult>(
        Poll::Stop,
        [locale](MeterSession& s, SetupBuffers& b) { return readMeterInformation(s.link(), b, locale); },
        [this](const InformationResult& r) {
            if (r.code == Codes::Ok) {
                for (const auto& [field, text] : m_information)
                    field->setText(r.info.*text);
                if (!r.info.serial.isEmpty())
                    emit serialNumberRead(r.info.serial);
            }
            Prompter::instance().message(informationMessage(r));
            emit commandFinished(r.code);
        });
}

void SetupWindow::writeEeprom()
{
    if (m_busy)
        return;
    const std::optional<int> address = parseSettingAddress(txtWAddress->text());
    const std::optional<int> value = parseSettingValue(txtWData->text());
    if (!address || !value)
        return refuseInput();
    runCommand<int>(
        Poll::Keep,
        [a = *address, v = *value](MeterSession& s, SetupBuffers& b) { return writeSettingByte(s.link(), b, a, v); },
        [this](const int& code) {
            if (code != Codes::Ok)
                Prompter::instance().message(serviceErrorMessage(code));
            emit commandFinished(code);
        });
}

void SetupWindow::readEeprom()
{
    if (m_busy)
        return;
    txtRData->clear();
    const std::optional<int> address = parseSettingAddress(txtRAddress->text());
    if (!address)
        return refuseInput();
    runCommand<ByteReadResult>(
        Poll::Keep, [a = *address](MeterSession& s, SetupBuffers& b) { return readSettingByte(s.link(), b, a); },
        [this](const ByteReadResult& r) {
            if (r.value)
                txtRData->setText(QString::number(*r.value));
            if (r.code != Codes::Ok)
                Prompter::instance().message(serviceErrorMessage(r.code));
            emit commandFinished(r.code);
        });
}

void SetupWindow::startQuickRecord()
{
    if (m_busy)
        return;
    const std::optional<int> n = parseQuickRecordSamples(txtQuick_REC_NUM->text());
    const std::optional<int> interval = parseQuickRecordInterval(txtInterval->text());
    if (!n || !interval)
        return refuseInput();
    // The prepared recording takes the place of everything the meter has logged.
    if (Prompter::instance().ask(quickRecordQuestion(*n, *interval), Buttons::YesNo) != Answer::Yes)
        return;
    lblQUICKRECOK->clear();
    setLabelColour(lblQUICKRECOK, kQuickRecOk);
    runCommand<int>(
        Poll::Stop, [n = *n, i = *interval](MeterSession& s, SetupBuffers& b) { return quickRecord(s.link(), b, n, i); },
        [this](const int& code) {
            const bool ok = code == Codes::Ok;
            lblQUICKRECOK->setText(ok ? SetupMsg::QuickRecordOk : Msg::Fail);
            setLabelColour(lblQUICKRECOK, ok ? kQuickRecOk : kQuickRecFail);
            emit commandFinished(code);
        });
}

} // namespace quedral
