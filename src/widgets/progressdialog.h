#pragma once
// The small window of the long file and meter jobs, in three roles: the range dialog of the
// exports (All, or Select from .. to), the progress window with its text line and Cancel, and
// the download's byte counts. Created for one use.
#include <QDialog>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace quedral {

class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(QWidget* parent = nullptr);

    // ---- Progress ----
    // The download's look: "bytes received" and "total bytes" with their counts, the bar from
    // 0 to total.
    void showByteCounts(int total);
    void setBytesReceived(int received);
    int totalBytes() const;
    int bytesReceived() const;
    // A job's look: a text line and the bar from 0 to maximum.
    void showProgress(const QString& text, int maximum);
    void setProgress(int position);
    void setProgressText(const QString& text);
    bool cancelRequested() const { return m_cancelled; }

    // ---- Range ----
    // The range dialog: All (selected) or Select from .. to, OK and Cancel.
    void showRange(int from, int to);
    bool allSelected() const;
    QString fromText() const;
    QString toText() const;
    // Runs the range dialog modally (through the runner tests may set): true for OK.
    using Runner = std::function<bool(ProgressDialog&)>;
    static void setRangeRunner(Runner runner);
    bool runRange();
    // Sets the range fields and choice as a user would (tests).
    void chooseRange(bool all, const QString& from, const QString& to);

signals:
    // Cancel was pressed (once) while showing progress.
    void cancelPressed();

private:
    QProgressBar* prgProgress = nullptr;
    QLabel* lblProgressText = nullptr; // "bytes received", or the job's text line
    QLabel* lblBytesReceived = nullptr;
    QLabel* lblTotalText = nullptr;    // "total bytes"
    QLabel* lblTotalBytes = nullptr;
    QGroupBox* grpRange = nullptr;
    QRadioButton* radAll = nullptr;
    QRadioButton* radNo = nullptr;     // "Select"
    QLineEdit* edtSelFrom = nullptr;
    QLineEdit* edtSelTo = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    bool m_cancelled = false;
    bool m_rangeRole = false;
};

} // namespace quedral
