#pragma once
// "Real-Time Setup": how many points to record and how often; shows the resulting period.
#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quedral {

class RealTimeSetupDialog : public QDialog {
    Q_OBJECT
public:
    // Modal results: Start closes with mrOk, Cancel with mrCancel (the title bar's close with 0).
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    explicit RealTimeSetupDialog(QWidget* parent = nullptr);

    QLabel *lblPointCount = nullptr, *lblPointCountHint = nullptr, *lblRate = nullptr, *lblRateUnit = nullptr,
           *lblPeriod = nullptr, *lblPeriodFormat = nullptr;
    QLineEdit* edtRealTimeNo = nullptr;
    QComboBox* txtRate = nullptr;
    QLineEdit* edtPeriod = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnCancel = nullptr;

    // The count field holds up to five digits kept to the right, blanks shown as "_" on the
    // left (" 2000" shows as "_2000"). Its text as entered, blanks as blanks (" 2000").
    QString countText() const;
    // Sets the count field as if typed: digits and blanks, kept to the right.
    void setCountText(const QString& text);

    void onShown();
    // Recomputes the period from the count and the rate (also done when the dialog opens, so
    // that it never shows a period its fields do not give).
    void pointCountChanged();

    // How Run shows the dialog modally. The default calls exec(); tests install one that fills
    // the dialog in and returns its result. Passing an empty function restores the default.
    using Runner = std::function<int(RealTimeSetupDialog&)>;
    static void setRunner(Runner runner);
    static int runModal(RealTimeSetupDialog& dialog);

protected:
    void showEvent(QShowEvent* e) override;

private:
    // A rate that is no number leaves the period as it is; the user is told when asked to.
    void updatePeriod(bool reportBadRate);
};

} // namespace quedral
