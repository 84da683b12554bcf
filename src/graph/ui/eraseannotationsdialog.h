#pragma once
// "Erase Annotation": the crosses and texts of a graph, one row each ("NO", "Time",
// "Contents"); "Delete" erases the rows of the selected range.
#include <QDialog>
#include <functional>
#include <vector>

class QPushButton;
class QTableWidget;

namespace quedral {

class EraseAnnotationsDialog : public QDialog {
    Q_OBJECT
public:
    explicit EraseAnnotationsDialog(QWidget* parent = nullptr);

    QTableWidget* grdAnnotations = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnCancel = nullptr;

    // Lists an annotation: its row number, its X as date and time, the contents; the row
    // remembers the annotation's index. The first row listed is selected, and "Delete" enabled.
    void addAnnotation(int index, double x, const QString& contents);
    // The annotation index of a row.
    int annotationIndex(int row) const;
    // The annotation indices of every selected row, top to bottom.
    std::vector<int> selectedAnnotations() const;
    // Selects the rows first .. last (a range, as the user drags or shift-clicks it).
    void selectRows(int first, int last);

    // How the dialog is run; tests replace it to select rows and press a button. Returns
    // Accepted ("Delete") or Rejected ("Cancel").
    using Runner = std::function<int(EraseAnnotationsDialog&)>;
    static void setRunner(Runner runner);
    static int runModal(EraseAnnotationsDialog& dialog);
};

} // namespace quedral
