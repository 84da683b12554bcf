#pragma once
// The text entry of the "Text" tool: one line of text for a new annotation, OK or Cancel.
#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

namespace quedral {

class AnnotationTextDialog : public QDialog {
    Q_OBJECT
public:
    explicit AnnotationTextDialog(QWidget* parent = nullptr);

    QLineEdit* edtText = nullptr;
    QString text() const;

    // How the dialog is run; tests replace it to type a text and press a button. Returns
    // Accepted or Rejected.
    using Runner = std::function<int(AnnotationTextDialog&)>;
    static void setRunner(Runner runner);
    static int runModal(AnnotationTextDialog& dialog);

private:
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};

} // namespace quedral
