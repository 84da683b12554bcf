#include "graph/ui/datetimedialog.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>

#include "base/modalseam.h"

namespace quedral {

DateTimeDialog::DateTimeDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmDateTime");
    setWindowTitle("Date Time");
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint);
    auto* grid = new QGridLayout(this);
    lblTitle = new QLabel("New start date and time of the data set:", this);
    lblTitle->setObjectName("lblTitle");
    lblInvalid = new QLabel("is not valid, Please correct it.", this);
    lblInvalid->setObjectName("lblInvalid");
    DatePicker = new QDateEdit(this);
    DatePicker->setObjectName("DatePicker");
    DatePicker->setCalendarPopup(true);
    TimePicker = new QTimeEdit(this);
    TimePicker->setObjectName("TimePicker");
    TimePicker->setDisplayFormat("HH:mm:ss");
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    grid->addWidget(lblTitle, 0, 0, 1, 2);
    grid->addWidget(lblInvalid, 1, 0, 1, 2);
    grid->addWidget(DatePicker, 2, 0);
    grid->addWidget(TimePicker, 2, 1);
    grid->addWidget(btnOK, 3, 0);
    grid->addWidget(btnCancel, 3, 1);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void DateTimeDialog::setRunner(Runner r) { ModalSeam<DateTimeDialog>::set(std::move(r)); }

int DateTimeDialog::runModal(DateTimeDialog& dialog) { return ModalSeam<DateTimeDialog>::run(dialog); }

} // namespace quedral
