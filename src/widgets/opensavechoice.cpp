#include "widgets/opensavechoice.h"

#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/modalseam.h"

namespace quedral {

OpenSaveChoice::OpenSaveChoice(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmOpenSave");
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint);
    auto* col = new QVBoxLayout(this);
    btnCollection = new QPushButton("Save all data sets to a data set collection file(*.set)", this);
    btnCollection->setObjectName("btnCollection");
    btnSingle = new QPushButton("Save single selected  data set to a  file", this);
    btnSingle->setObjectName("btnSingle");
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    for (QPushButton* b : {btnCollection, btnSingle, btnCancel})
        col->addWidget(b);
    connect(btnCollection, &QPushButton::clicked, this, [this] { done(mrCollection); });
    connect(btnSingle, &QPushButton::clicked, this, [this] { done(mrSingle); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

void OpenSaveChoice::useOpenCaptions()
{
    btnCollection->setText("Open a data set collection file(*.rec)");
    const bool comma = QLocale().decimalPoint() == QStringLiteral(",");
    btnSingle->setText(comma ? "Open single data flle(*.TXT,*.GHF)" : "Open single data file(*.TXT,*.CSV,*.GHF)");
}

void OpenSaveChoice::setRunner(Runner r) { ModalSeam<OpenSaveChoice>::set(std::move(r)); }

int OpenSaveChoice::runModal(OpenSaveChoice& dialog)
{
    return ModalSeam<OpenSaveChoice>::run(dialog, [](QDialog& d) {
        const int r = d.exec();
        // The close box counts as Cancel.
        return r == QDialog::Rejected ? int(mrCancel) : r;
    });
}

} // namespace quedral
