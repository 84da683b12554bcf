#include "graph/ui/eraseannotationsdialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include <set>

#include "graph/graphformat.h"

#include "base/modalseam.h"

namespace quedral {

EraseAnnotationsDialog::EraseAnnotationsDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmDelAnno");
    setWindowTitle("Erase Annotation");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint
                   | Qt::WindowCloseButtonHint);
    auto* outer = new QVBoxLayout(this);
    grdAnnotations = new QTableWidget(0, 3, this);
    grdAnnotations->setObjectName("grdAnnotations");
    grdAnnotations->setHorizontalHeaderLabels({"NO", "Time", "Contents"});
    grdAnnotations->setColumnWidth(0, 50);
    grdAnnotations->setColumnWidth(1, 120);
    grdAnnotations->setColumnWidth(2, 200);
    grdAnnotations->verticalHeader()->hide();
    grdAnnotations->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdAnnotations->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grdAnnotations->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdAnnotations->setWordWrap(false);
    outer->addWidget(grdAnnotations, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnDelete = new QPushButton("Delete", this);
    btnDelete->setObjectName("btnDelete");
    btnDelete->setEnabled(false);
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    buttons->addWidget(btnDelete);
    buttons->addWidget(btnCancel);
    outer->addLayout(buttons);
    connect(btnDelete, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(375, 314);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void EraseAnnotationsDialog::addAnnotation(int index, double x, const QString& contents)
{
    const int row = grdAnnotations->rowCount();
    grdAnnotations->setRowCount(row + 1);
    auto* no = new QTableWidgetItem(QString::number(row + 1));
    no->setData(Qt::UserRole, index);
    grdAnnotations->setItem(row, 0, no);
    grdAnnotations->setItem(row, 1, new QTableWidgetItem(formatDateTime(x)));
    grdAnnotations->setItem(row, 2, new QTableWidgetItem(contents));
    if (row == 0)
        selectRows(0, 0);
    btnDelete->setEnabled(true);
}

int EraseAnnotationsDialog::annotationIndex(int row) const
{
    const QTableWidgetItem* no = grdAnnotations->item(row, 0);
    return no ? no->data(Qt::UserRole).toInt() : -1;
}

std::vector<int> EraseAnnotationsDialog::selectedAnnotations() const
{
    std::set<int> rows;
    for (const QTableWidgetSelectionRange& r : grdAnnotations->selectedRanges())
        for (int row = r.topRow(); row <= r.bottomRow(); ++row)
            rows.insert(row);
    std::vector<int> indices;
    for (int row : rows)
        if (const int i = annotationIndex(row); i >= 0)
            indices.push_back(i);
    return indices;
}

void EraseAnnotationsDialog::selectRows(int first, int last)
{
    grdAnnotations->clearSelection();
    grdAnnotations->setCurrentCell(first, 0, QItemSelectionModel::NoUpdate);
    grdAnnotations->setRangeSelected(QTableWidgetSelectionRange(first, 0, last, 2), true);
}

void EraseAnnotationsDialog::setRunner(Runner r) { ModalSeam<EraseAnnotationsDialog>::set(std::move(r)); }

int EraseAnnotationsDialog::runModal(EraseAnnotationsDialog& dialog) { return ModalSeam<EraseAnnotationsDialog>::run(dialog); }

} // namespace quedral
