#pragma once
// The real-time window's own controls, which the real-time side adds to its graph window: the
// sampling-rate list (the rate of the next recording) and "Clear".
#include <QObject>
#include <QString>

class QAction;

namespace quedral {

class GraphHost;
class GraphWindow;

class RealTimeControls : public QObject {
    Q_OBJECT
public:
    // Adds the controls to the window, which owns them from then on.
    RealTimeControls(GraphWindow& window, GraphHost& host);
    // A window's controls; null for a window without them.
    static RealTimeControls* of(const GraphWindow& window);

    // Selects the list's choice for a rate (one the list does not hold leaves it alone).
    void selectRate(double rate);
    // The selected choice (-1: none) and its text.
    int selectedRateItem() const;
    QString rateText() const;
    // "Clear" is enabled while no recording runs.
    void setClearEnabled(bool enabled);
    // "Clear": the window's caption back, an empty 30 s graph from now, the count reset and
    // the placed crosses and texts gone.
    void clear();

private:
    // A choice of the user: the rate of the next recording, refused while one runs.
    void applyChosenRate(const QString& text);

    GraphWindow& m_window;
    GraphHost& m_host;
    QAction* m_clear = nullptr;
};

} // namespace quedral
