#pragma once
// The small window that shows how far a long job has got (a download, an export) and lets the
// user stop it. It stays on top and never blocks the windows behind it.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quedral {

class TfrmScope : public QDialog {
    Q_OBJECT
public:
    explicit TfrmScope(QWidget* parent = nullptr);

    // The download's look: "bytes received" and "total bytes" with their counts, the bar from
    // 0 to total.
    void showByteCounts(int total);
    void setBytesReceived(int received);

    int totalBytes() const;
    int bytesReceived() const;
    bool cancelRequested() const { return m_cancelled; }

signals:
    // Cancel was pressed (once).
    void cancelPressed();

private:
    QProgressBar* prgProgress = nullptr;
    QLabel* lblProgressText = nullptr; // "bytes received", or the job's text line
    QLabel* lblBytesReceived = nullptr;
    QLabel* lblTotalText = nullptr;    // "total bytes"
    QLabel* lblTotalBytes = nullptr;
    QPushButton* btnCancel = nullptr;
    bool m_cancelled = false;
};

} // namespace quedral
