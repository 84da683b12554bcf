#pragma once
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "setup/setupcommands.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quedral {

class MeterService;
class MeterSession;

// "Data Logger Setup": the meter's clock, recording interval, erase and information, and the
// service commands (one byte written or read, QUICK REC). Each button runs one command on the
// meter thread; the window waits for its outcome without blocking, one command at a time.
class SetupWindow : public QWidget {
    Q_OBJECT
public:
    explicit SetupWindow(MeterService& meter, QWidget* parent = nullptr);
    ~SetupWindow() override;

    // Commands (the buttons' handlers).
    void setClock();
    void setInterval();
    void eraseMemory();
    void readInformation();
    void writeEeprom();
    void readEeprom();
    void startQuickRecord();

    // True while a command is out on the meter thread.
    bool busy() const { return m_busy; }

    QPushButton* btnSetClock = nullptr;
    QGroupBox* grpInterval = nullptr;
    QLineEdit *edtInt1 = nullptr, *edtInt2 = nullptr;
    QPushButton* btnSetInterval = nullptr;
    QPushButton* btnErase = nullptr;
    QGroupBox* grpInformation = nullptr;
    QLineEdit *txtVer = nullptr, *txtMeterTime = nullptr, *txtInt = nullptr, *txtDataSets = nullptr,
              *txtMemoryAvailable = nullptr, *txtSN = nullptr, *txt94dB = nullptr, *txt70dB = nullptr;
    QPushButton* btnRead = nullptr;
    QPushButton* btnWriteEeprom = nullptr;
    QLineEdit *txtWAddress = nullptr, *txtWData = nullptr;
    QPushButton* btnReadEeprom = nullptr;
    QLineEdit *txtRAddress = nullptr, *txtRData = nullptr;
    QPushButton* btnQuickRec = nullptr;
    QLineEdit *txtQuick_REC_NUM = nullptr, *txtInterval = nullptr;
    QLabel* lblQUICKRECOK = nullptr;

signals:
    // A command's outcome has been shown (its result code).
    void commandFinished(int code);
    // "Read" brought the meter's serial number.
    void serialNumberRead(const QString& serial);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    // How a command treats the live poll while it holds the link.
    enum class Poll { Stop, Keep };
    // Runs work on the meter thread with the window's buffers, then done on this thread.
    template <class Result>
    void runCommand(Poll poll, std::function<Result(MeterSession&, SetupBuffers&)> work,
                    std::function<void(const Result&)> done);
    void setBusy(bool busy);
    // An outcome shown as a message box with the text message() gives for its code.
    std::function<void(const int&)> showMessage(QString (*message)(int));
    // "Invalid Input": a field out of range or not a number; nothing is sent.
    void refuseInput();

    MeterService& m_meter;
    // The setup commands' buffers, touched only on the meter thread while a command runs; shared
    // with the command so that closing the window meanwhile leaves it something to write to.
    std::shared_ptr<SetupBuffers> m_buffers = std::make_shared<SetupBuffers>();
    bool m_busy = false;
    // The information fields with the part of MeterInfo each shows.
    std::vector<std::pair<QLineEdit*, QString MeterInfo::*>> m_information;
};

} // namespace quedral
