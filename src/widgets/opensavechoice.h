#pragma once
// The choice before Open and Save: a data set collection, or one graph.
#include <QDialog>
#include <functional>

class QPushButton;

namespace quedral {

class OpenSaveChoice : public QDialog {
    Q_OBJECT
public:
    // The results: the collection (1), a single data set or graph (7), Cancel (2).
    enum Result { mrCollection = 1, mrCancel = 2, mrSingle = 7 };

    explicit OpenSaveChoice(QWidget* parent = nullptr);
    // The Open command's captions ("Open a data set collection file(*.rec)" and the single
    // file text for the user's decimal separator).
    void useOpenCaptions();

    QPushButton* btnCollection = nullptr;
    QPushButton* btnSingle = nullptr;
    QPushButton* btnCancel = nullptr;

    // How the dialog is run; tests replace it to press a button.
    using Runner = std::function<int(OpenSaveChoice&)>;
    static void setRunner(Runner runner);
    static int runModal(OpenSaveChoice& dialog);
};

} // namespace quedral
