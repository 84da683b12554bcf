#pragma once
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

#include "meter/reading.h"

class QLabel;
class QStatusBar;
class QTimer;

namespace quedral {

struct PollReport;
class PanelWindow;

// Shows what the meter says: the poll report in the status panels and on the control panel,
// why the meter cannot be reached, the MAX/MIN blink, the passing notes of the commands and
// the outcome of a meter key.
class ReadingPresenter : public QObject {
    Q_OBJECT
public:
    // What the presenter drives besides its own labels.
    struct Hooks {
        std::function<PanelWindow*()> panel;                 // the open control panel, if any
        std::function<void(bool)> connectionChanged;       // the meter came or went
        std::function<void(const MeterReading&, double)> readingShown;  // a reading, at its time
    };

    // Adds the status panels and the two text labels to the bar.
    ReadingPresenter(QStatusBar& bar, Hooks hooks, QObject* parent = nullptr);

    // Applies one poll tick's report; true when a reading was shown on the panel.
    bool showPollReport(const PollReport& report);
    // The connection text and the panel's connected look.
    void showConnection(bool connected);
    // A meter key has gone out (ok) or not; says why when it did not reach a connected meter.
    void showKeySent(std::uint8_t letter, bool ok, bool connected);
    // A passing note beside the status panels, cleared after a while.
    void showMessage(const QString& text);

    // Status bar panel texts (0 .. 2).
    QString statusText(int panel) const;
    void setStatusText(int panel, const QString& text);

    // One step of the MAX/MIN blink (the blink timer's tick).
    void blink();
    void stopBlink();
    bool blinkPhase() const { return m_blinkPhase; }
    QTimer& blinkTimer() { return *m_blinkTimer; }

    // The last reading applied (meaningful once a reading arrived).
    const MeterReading& lastReading() const { return m_lastReading; }
    // The clock state the panel reported with the last reading.
    std::uint8_t clockShown() const { return m_clockShown; }

    QLabel& linkProblemLabel() { return *m_linkProblem; }
    QLabel& messageLabel() { return *m_message; }

private:
    void buildLabels(QStatusBar& bar);
    void showConnectedNow();
    void showConnectionLost();
    void showReading(double readingTime);
    void showLinkProblem(const QString& problem);

    Hooks m_hooks;
    QLabel* m_status[3] = {nullptr, nullptr, nullptr};
    // Why the meter could not be opened (shown beside the status panels; empty when it could).
    QLabel* m_linkProblem = nullptr;
    // Passing notes of the commands (a cancelled download, a file not saved).
    QLabel* m_message = nullptr;
    QTimer* m_messageTimer = nullptr;
    QTimer* m_blinkTimer = nullptr;
    bool m_blinkPhase = false;
    std::uint8_t m_clockShown = 0;
    MeterReading m_lastReading;
};

} // namespace quedral
