#pragma once
// The graph window: one measurement's chart with its statistics, cursors and tool bar.
// What an instance is (real-time graph, data logger, Leq graph, a file) is its kind, given
// when it is made; the caption only shows it.
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "stats/statistics.h"

class QAction;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;

namespace quedral {

class AnnotationTools;
class NoisePanel;
class ChartModel;
class FlowLayout;
namespace wav {
class WavPlayerBar;
} // namespace wav
class GraphHost;
class ChartWidget;
struct GraphState;

enum class GraphKind {
    RealTime,   // "Real-Time Graph": the one real-time recording window
    DataLogger, // "DataLogger": the meter's data sets
    Leq,        // "LEQ": the Leq of another graph
    File,       // a graph file, a list's or the Leq window's graph: captioned by its creator
};

// The caption a window of this kind is made with ("Graph" for File).
QString graphKindCaption(GraphKind kind);

class GraphWindow : public QWidget {
    Q_OBJECT
public:
    // Closes a window another one owns, with its frame when it has one.
    static void closeOwnedWindow(GraphWindow& window);
    // Its data has been written: the close question no longer asks about it.
    void markSaved();
    static constexpr const char* kRealTimeCaption = "Real-Time Graph";
    static constexpr const char* kDataLoggerCaption = "DataLogger";
    static constexpr const char* kLeqCaption = "LEQ";

    // Whether the window has a WAV player (every window but the real-time one made at start-up).
    enum class WavPlayerPart { With, Without };
    explicit GraphWindow(GraphHost& host, GraphKind kind = GraphKind::File, QWidget* parent = nullptr,
                         WavPlayerPart wav = WavPlayerPart::With);
    ~GraphWindow() override;

    GraphHost& host() { return m_host; }
    GraphKind kind() const { return m_kind; }
    QString caption() const { return windowTitle(); }
    void setCaption(const QString& c) { setWindowTitle(c); }

    // The chart and what it holds.
    ChartWidget& chart() { return *chtGraph; }
    ChartModel& model();

    // ---- Statistics and cursors (read back from the chart, subset 0) ----
    void updateGraphStatistics();
    void resetCursors();
    void updateCursorStatistics();
    // The sample nearest to the pointer; cursor A's sample when the pointer is outside the
    // plotting area. Always within 0 .. n - 1 (0 for an empty chart).
    int snapToSample();
    // What the statistic boxes show now.
    StatisticTexts statisticTexts() const;
    // The eleven lines "Export Statistic" puts on the clipboard.
    QString statisticText() const;

    // ---- Parts a kind of window adds (the real-time controls) ----
    // A part's command: a button on the tool bar after the annotation tools and an item of the
    // chart's menu at the same place. A separator action stands as a line.
    void addPartTool(QAction* action, const char* buttonName = nullptr);
    // The sampling-rate box becomes a list of these choices, enabled; a choice the user makes
    // is reported by samplingRateChosen.
    void offerSamplingRates(const QStringList& items);
    // Selects a choice (-1: none) without reporting it.
    void selectSamplingRateItem(int item);
    // The sampling-rate box: its selected choice (-1: none) and its text.
    int selectedSamplingRateItem() const;
    QString samplingRateText() const;
    // Removes the crosses and texts placed on the chart; the next one takes the first index.
    void clearPlacedAnnotations();

    // ---- Statistic boxes a recording fills ----
    // Empties every whole-graph and cursor value box but the start time and data count.
    void clearStatisticBoxes();
    // The whole-graph boxes while recording: the start time, the number of points, the
    // maximum and minimum with their times, the average.
    void showRecordingStart(double time);
    // A start that is not a time, e.g. "unreadable".
    void showRecordingStart(const QString& text);
    void showDataCount(int count);
    void showMaximum(float level, double time);
    void showMinimum(float level, double time);
    void showAverage(double level);

    // ---- Side panel ----
    // Puts a panel left of the chart, e.g. the data logger's data sets; the window owns it.
    // A panel that lists data sets (DataSetRows) tells "open wav" the selected set.
    void setSidePanel(QWidget* panel);
    QWidget* sidePanel() const { return m_sidePanel; }

    // ---- Data logger window ----
    // The sampling-rate box's text (the data logger shows a set's interval there).
    void showSamplingRate(const QString& text);
    // A new data set is shown: the player stops and its buttons are disabled, the zoom is
    // undone and "Undo Zoom" disabled.
    void resetViewForNewData();

    // ---- WAV playback ----
    // The WAV player ("open wav", Play, Pause, Stop and the offset box); null without one.
    wav::WavPlayerBar* wavPlayer() const { return m_wavPlayer.get(); }

    // ---- Noise statistics ----
    // The panel right of the chart ("Noise Statistics" on the tool bar shows it).
    NoisePanel& noisePanel() const { return *m_noisePanel; }
    // The samples under cursor lines A and B, the earlier first; none without samples.
    std::optional<std::pair<int, int>> cursorLineSamples() const;
    // Cursors A and B stand on these samples (e.g. around an event).
    void placeCursors(int a, int b);
    // With a WAV series open, the play line goes to this sample: Play starts there.
    void placePlayLineForWav(int index);

    // "CAL Leq" on the tool bar (disabled in windows that show a Leq already).
    void setCalLeqEnabled(bool enabled);

    // Chart refresh (model into the plot, repaint); a failing refresh is swallowed. Cursors
    // that moved since the cursor panel was last filled fill it anew.
    void refreshChart();

    // The chart's right-click menu: the tool bar's commands, the same actions.
    QMenu* contextMenu() const { return mnuGraph; }
    // The tool bar's area (its buttons wrap onto more rows in a narrow window).
    QWidget* toolArea() const { return tbrGraph; }
    // Asks for a file name and saves the chart as a graph file; false when cancelled or failed
    // (a failure is reported).
    bool saveGraphAs();

    // ---- Event handlers ----
    void onShown();
    void onActivated();
    // The close query: true lets the window close.
    bool mayClose();
    void onClosed();
    void onZoomedIn();
    void undoZoom();
    void toggleGraphStatistics();
    void toggleCursorStatistics();
    void toggleNoiseStatistics();
    void followPointer();
    void startLineDrag(int index);
    void endLineDrag();
    void exportStatistics();
    // "CAL Leq": a new "LEQ" window, owned by this one, with the levels and their running Leq.
    void calculateLeq();

    // ---- Annotations ----
    // The placement tools: the pointer over the chart and PlacementTool (-99, 2, 0).
    void useNormalPointer();
    void useCrossTool();
    void useTextTool();
    // A click on the chart with a tool chosen places a cross or (after the text entry) a text.
    void placeAnnotation();
    // A data hot spot labels the sample with its time and level (annotation 2).
    void labelSample(int subset, int point);
    // "Erase Annotation": lists the crosses and texts, erases the chosen range.
    void eraseAnnotations();

    // ---- Customisation and template ----
    // "Graph Option": the chart's customisation dialog.
    void customiseChart();
    // Print: the chart's customisation dialog without its titles, axes, subsets and fonts
    // pages (what is left is the style to print in), then the chart's print dialog.
    void printChart();
    // The customisation dialog closed: accepted changes may be kept as the template.
    void customizeDialogClosed();

signals:
    // The user chose a sampling rate from the list (offerSamplingRates).
    void samplingRateChosen(const QString& text);

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildLayout();
    QWidget* buildGraphStatisticPanel(QWidget* right);
    ChartWidget* buildChart(QWidget* right);
    QWidget* buildCursorPanel(QWidget* right);
    void connectChart();
    void placeReadout();
    void moveLine(int line, double x);
    GraphState& state();
    // The tool bar and the chart's right-click menu, both over the same actions.
    void buildTools(QWidget* parent);
    void createActions();
    void placeTools();
    void connectActions();
    QToolButton* addTool(QAction* action, const char* buttonName);
    void addToolSeparator(QAction* separator);
    // Puts a tool at a place of the flow and before an item of the menu (null: at the end).
    void placeTool(QWidget* tool, QAction* action, int index, QAction* before);
    // Cursor A and B take the samples under this window's own lines (the indices are shared
    // with the other graph windows); false when the chart has no samples to stand on yet.
    bool seatCursorsOnLines(bool keepA, bool keepB);
    // Fills the cursor panel when cursor A or B has moved since it was last filled.
    void followCursors();

    // The side panel's selected data set and a row's texts (none without a panel of data sets).
    int selectedDataSetRow() const;
    QStringList dataSetRowTexts(int row) const;
    // The WAV player, made for this window; its controls are placed as the tools and
    // statistics are built.
    void makeWavPlayer();

    GraphHost& m_host;
    const GraphKind m_kind;
    class ChartPlayLine;
    std::unique_ptr<ChartPlayLine> m_playLine;
    std::unique_ptr<wav::WavPlayerBar> m_wavPlayer; // after the play line: goes before it
    std::unique_ptr<AnnotationTools> m_annotations;
    NoisePanel* m_noisePanel = nullptr;
    bool m_closed = false;
    bool m_settingRate = false;
    bool m_printCustomize = false;  // the customisation dialog runs for Print
    // Where cursor A and B stood when the cursor panel was last filled (NaN: never).
    std::array<double, 2> m_filledCursorX;
    // Windows made from this one that close with it (the "LEQ" windows of CAL Leq).
    QList<QPointer<GraphWindow>> m_ownedWindows;

    // ---- Controls ----
    QHBoxLayout* m_outer = nullptr; // the side panel, then the chart's column
    QPointer<QWidget> m_sidePanel;
    QWidget* tbrGraph = nullptr; // the tool bar: a flow of buttons that wraps onto more rows
    FlowLayout* m_tools = nullptr;
    QMenu* mnuGraph = nullptr;   // the chart's right-click menu
    QAction *actGraphStatistic = nullptr, *actCursorStatistic = nullptr, *actNormalCursor = nullptr,
            *actDrawCross = nullptr, *actText = nullptr, *actEraseAnnotation = nullptr;
    // Where parts' tools go: their place in the flow and the menu item they stand before.
    int m_partToolIndex = 0;
    QAction* m_partToolsEnd = nullptr;
    QAction *actUndoZoom = nullptr, *actGraphOption = nullptr, *actExportStatistic = nullptr, *actCALLeq = nullptr,
            *actNoiseStatistics = nullptr;
    QToolButton *tbntGraphStatistic = nullptr, *tbntCursorStatistic = nullptr, *tbntNormalCursor = nullptr,
                *tbntDrawCross = nullptr, *tbntText = nullptr, *tbntEraseAnnotation = nullptr;
    QToolButton *btnUndoZoom = nullptr, *btnGraphOption = nullptr, *btnExportStatistic = nullptr,
                *btnCALLeq = nullptr;

    QWidget* pnlGraphStatistic = nullptr;
    QLineEdit* txtStartTime = nullptr;
    QWidget* pnlSamplingRate = nullptr; // the panel holding the sampling-rate box
    QComboBox* txtSamplingRate = nullptr;
    QLineEdit *txtDataNo = nullptr, *txtAvgAll = nullptr, *txtMax = nullptr, *txtMaxTime = nullptr,
              *txtMin = nullptr, *txtMinTime = nullptr, *txtLeq = nullptr;
    QWidget* pnlLeq = nullptr;

    ChartWidget* chtGraph = nullptr;
    QLabel* pnlReadout = nullptr; // the pointer read-out over the chart's top-left corner

    QWidget* pnlStatistic = nullptr;
    QLineEdit *txtCursorA = nullptr, *txtCursorATime = nullptr, *txtCursorB = nullptr, *txtCursorBTime = nullptr,
              *txtMaxAB = nullptr, *txtMaxABTime = nullptr, *txtMinAB = nullptr, *txtMinABTime = nullptr,
              *txtAvgAB = nullptr;
};

} // namespace quedral
