#pragma once
// The graph window: one measurement's chart with its statistics, cursors and tool bar.
// What an instance is (real-time graph, data logger, Leq graph, a file) is told by its caption.
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;
class QToolBar;
class QToolButton;
class QAction;

namespace quedral {

class GraphHost;
class PESGraph;
struct AppState;

class TfrmGraph : public QWidget {
    Q_OBJECT
public:
    // Window kinds, by caption.
    static constexpr const char* kRealTimeCaption = "Real-Time Graph";
    static constexpr const char* kDataLoggerCaption = "DataLogger";
    static constexpr const char* kLeqCaption = "LEQ";

    explicit TfrmGraph(GraphHost& host, QWidget* parent = nullptr);
    ~TfrmGraph() override;

    GraphHost& host() { return m_host; }
    QString caption() const { return windowTitle(); }
    void setCaption(const QString& c) { setWindowTitle(c); }

    // ---- Statistics and cursors (read back from the chart, subset 0) ----
    void GraphStatistics();
    void ResetCursors();
    void CursorStatistics();
    // The sample nearest to the pointer; cursor A's sample when the pointer is outside the
    // plotting area. Always within 0 .. n - 1 (0 for an empty chart).
    int SnapToSample();
    // The eleven lines "Export Statistic" puts on the clipboard.
    QString statisticText() const;

    // ---- Real-time window ----
    // Selects the sampling-rate item for a rate (-1: leaves the selection alone).
    void selectSamplingRate(double rate);
    // Turns this window into the real-time window's look: "Clear" shown, the sampling-rate
    // box a drop-down list and enabled.
    void makeRealTimeWindow();
    // Empties every whole-graph and cursor value box but the start time and data count.
    void clearStatisticBoxes();

    // Chart refresh (model into the plot, repaint); a failing refresh is swallowed.
    void refreshChart();
    // Asks for a file name and saves the chart as a graph file; false when cancelled or failed
    // (a failure is reported).
    bool saveGraphAs();

    // ---- Event handlers ----
    void FormCreate();
    void FormShow();
    void FormActivate();
    // The close query: true lets the window close.
    bool FormCloseQuery();
    void FormClose();
    void Grid2Click(int row);
    void txtSamplingRateChange();
    void PESGraph1ZoomIn();
    void btnUndoZoomClick();
    void ToolButton1Click();
    void ToolButton2Click();
    void PESGraph1MouseMove();
    void PESGraph1VertLineAnnotHotSpot(int index);
    void PESGraph1MouseUp();
    void tbntClrClick();
    void btnExportStatisticClick();

    // ---- Controls ----
    QWidget* pnlDataSets = nullptr;
    QTableWidget* Grid2 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolButton *ToolButton1 = nullptr, *ToolButton2 = nullptr, *ToolButton4 = nullptr, *ToolButton5 = nullptr,
                *ToolButton9 = nullptr, *ToolButton13 = nullptr, *tbntClr = nullptr;
    QAction* sepClr = nullptr; // the separator before "Clear"
    QAction* actClr = nullptr; // "Clear" on the tool bar
    QToolButton *btnUndoZoom = nullptr, *btnGraphOption = nullptr, *btnExportStatistic = nullptr,
                *btnCALLeq = nullptr, *Button3 = nullptr;
    QWidget* MediaPlayer1 = nullptr;
    QToolButton *btnPlay = nullptr, *btnPause = nullptr, *btnStopPlay = nullptr;
    QAction *actOpenWav = nullptr, *actMediaPlayer = nullptr;

    QWidget* pnlGraphStatistic = nullptr;
    QLineEdit* txtStartTime = nullptr;
    QWidget* pnlSamplingRate = nullptr; // the panel holding the sampling-rate box
    QComboBox* txtSamplingRate = nullptr;
    QLineEdit *txtDataNo = nullptr, *txtAvgAll = nullptr, *txtMax = nullptr, *txtMaxTime = nullptr,
              *txtMin = nullptr, *txtMinTime = nullptr, *txtPlayOffset = nullptr, *txtLeq = nullptr;
    QWidget* pnlLeq = nullptr;

    PESGraph* PESGraph1 = nullptr;
    QLabel* Panel12 = nullptr;

    QWidget* pnlStatistic = nullptr;
    QLineEdit *txtCursorA = nullptr, *txtCursorATime = nullptr, *txtCursorB = nullptr, *txtCursorBTime = nullptr,
              *txtMaxAB = nullptr, *txtMaxABTime = nullptr, *txtMinAB = nullptr, *txtMinABTime = nullptr,
              *txtAvgAB = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildLayout();
    void placeReadout();
    void moveLine(int line, double x);
    AppState& state();

    GraphHost& m_host;
    bool m_closed = false;
    bool m_settingRate = false;
};

} // namespace quedral
