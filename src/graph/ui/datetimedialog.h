#pragma once
// The "Date Time" dialog: a date and a time of day for a data set's new start.
#include <QDialog>
#include <functional>

class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace quedral {

class DateTimeDialog : public QDialog {
    Q_OBJECT
public:
    explicit DateTimeDialog(QWidget* parent = nullptr);

    QDateEdit* DatePicker = nullptr;
    QTimeEdit* TimePicker = nullptr;

    // How the dialog is run; tests replace it to pick and press a button. Returns Accepted or
    // Rejected.
    using Runner = std::function<int(DateTimeDialog&)>;
    static void setRunner(Runner runner);
    static int runModal(DateTimeDialog& dialog);

private:
    QLabel* lblTitle = nullptr;   // what the dialog asks for
    QLabel* lblInvalid = nullptr; // "is not valid, Please correct it."
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};

} // namespace quedral
