#include "graph/ui/annotationtextdialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "base/modalseam.h"

namespace quedral {

AnnotationTextDialog::AnnotationTextDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmAnnoEdit");
    setWindowTitle(QString());
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    edtText = new QLineEdit(this);
    edtText->setObjectName("edtText");
    edtText->setFixedWidth(297);
    outer->addWidget(edtText);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    outer->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(306, 69);
    // Centred on the screen, not on the window it was opened from.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString AnnotationTextDialog::text() const { return edtText->text(); }

void AnnotationTextDialog::setRunner(Runner r) { ModalSeam<AnnotationTextDialog>::set(std::move(r)); }

int AnnotationTextDialog::runModal(AnnotationTextDialog& dialog) { return ModalSeam<AnnotationTextDialog>::run(dialog); }

} // namespace quedral
