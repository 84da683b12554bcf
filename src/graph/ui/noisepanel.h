#pragma once
// The graph window's "Noise statistics" panel: energy-based figures and percentile levels of
// the whole graph and between cursors A and B, a table of clock-aligned blocks with the
// day-evening-night level, and the events above a threshold. It stands right of the chart,
// hidden until the window's "Noise Statistics" command shows it, and works only while shown.
#include <QWidget>

#include <vector>

#include "stats/noiseperiods.h"
#include "stats/noisestats.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QTableView;
class QTableWidget;
class QTabWidget;
class QTimer;

namespace quedral {

class GraphHost;
class GraphWindow;
class TextTableModel;

class NoisePanel : public QWidget {
    Q_OBJECT
public:
    NoisePanel(GraphWindow& window, GraphHost& host);
    ~NoisePanel() override;

    // The samples changed: everything is worked out anew (once the event loop is free).
    void chartChanged();
    // Cursor A or B moved: the figures between them are worked out anew.
    void cursorsMoved();

    // What the panel shows now (worked out on demand when hidden).
    const NoiseStatistics& wholeGraph();
    const NoiseStatistics& betweenCursors();
    const std::vector<NoiseBlock>& blocks();
    const std::vector<NoiseEvent>& events();
    double threshold() const;
    double minimumDuration() const;
    BlockLength blockLength() const;
    // The text of a statistics table cell (row, column 0 the whole graph, 1 between A and B).
    QString statisticCell(int row, int column) const;

    // The event list's row selected: the cursors stand around the event, and the play line at
    // its start when a WAV series is open.
    void selectEvent(int row);
    // The block table as a graph of its own (Leq, Lmax and Lmin per block) in a new window.
    void graphBlocks();
    // The block or event table through the host's Save and Print.
    void saveBlocks();
    void printBlocks();
    void saveEvents();
    void printEvents();

    // The samples the figures count: the chart's subset 0, of a recording still running only
    // the points taken so far (the report takes the same).
    LevelSeries series() const;

protected:
    void showEvent(QShowEvent* e) override;

private:
    QWidget* buildStatisticsTab();
    QWidget* buildBlocksTab();
    QWidget* buildEventsTab();
    void scheduleUpdate(bool whole);
    void refreshFigures();
    // The samples from cursor A to B, B included; none without samples.
    std::optional<SampleSpan> cursorSpan() const;
    void computeWhole();
    void computeCursors();
    void computeBlocks();
    void computeEvents();
    void showStatistics();
    void showBlocks();
    void showEvents();

    GraphWindow& m_window;
    GraphHost& m_host;
    QTimer* m_timer = nullptr;
    bool m_wholeStale = true, m_cursorsStale = true, m_blocksStale = true, m_eventsStale = true;
    NoiseStatistics m_whole, m_cursors;
    std::vector<NoiseBlock> m_blocks;
    std::vector<NoiseEvent> m_events;
    std::optional<LdenResult> m_lden;

    QTabWidget* m_tabs = nullptr;
    QTableWidget* m_statistics = nullptr;
    QDoubleSpinBox* m_n = nullptr;         // the n of the user's Ln
    QDoubleSpinBox* m_threshold = nullptr; // events and the time above
    QDoubleSpinBox* m_minDuration = nullptr;
    QComboBox* m_blockLength = nullptr;
    QSpinBox *m_dayStart = nullptr, *m_eveningStart = nullptr, *m_nightStart = nullptr;
    QLabel* m_ldenText = nullptr;
    QTableView* m_blockTable = nullptr;
    QTableView* m_eventTable = nullptr;
    TextTableModel* m_blockModel = nullptr;
    TextTableModel* m_eventModel = nullptr;
};

} // namespace quedral
