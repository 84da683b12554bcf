#pragma once
// The "Date Time" dialog: a date and a time of day for a data set's new start.
#include <QDialog>
#include <functional>

class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace quedral {

class TfrmDateTime : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDateTime(QWidget* parent = nullptr);

    QDateEdit* DatePicker = nullptr;
    QTimeEdit* TimePicker = nullptr;

    // How the dialog is run; tests replace it to pick and press a button. Returns Accepted or
    // Rejected.
    using Runner = std::function<int(TfrmDateTime&)>;
    static void setRunner(Runner runner);
    static int runModal(TfrmDateTime& dialog);

private:
    QLabel* lblTitle = nullptr;   // "Label1", as designed
    QLabel* lblInvalid = nullptr; // "is not valid, Please correct it."
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};

} // namespace quedral
