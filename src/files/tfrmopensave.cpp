#include "files/tfrmopensave.h"

#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace quedral {

namespace {
TfrmOpenSave::Runner& runner()
{
    static TfrmOpenSave::Runner r;
    return r;
}
} // namespace

TfrmOpenSave::TfrmOpenSave(QWidget* parent) : QDialog(parent)
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

void TfrmOpenSave::useOpenCaptions()
{
    btnCollection->setText("Open a data set collection file(*.rec)");
    const bool comma = QLocale().decimalPoint() == QStringLiteral(",");
    btnSingle->setText(comma ? "Open single data flle(*.TXT,*.GHF)" : "Open single data file(*.TXT,*.CSV,*.GHF)");
}

void TfrmOpenSave::setRunner(Runner r) { runner() = std::move(r); }

int TfrmOpenSave::runModal(TfrmOpenSave& dialog)
{
    if (runner())
        return runner()(dialog);
    const int r = dialog.exec();
    // The close box counts as Cancel.
    return r == QDialog::Rejected ? mrCancel : r;
}

} // namespace quedral
