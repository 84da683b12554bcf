#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

namespace quedral {

// The About box, used as the start-up splash and from Help > About.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    QLabel* lblStartupNote = nullptr; // empty; the splash clears it when start-up ends
    QPushButton* btnOK = nullptr;     // OK
    QLabel* lblVersion = nullptr;
};

} // namespace quedral
