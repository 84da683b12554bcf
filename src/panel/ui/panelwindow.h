#pragma once
// The control panel: a picture of the meter's front that mirrors each reading
// and carries the meter's keys.
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

#include "meter/reading.h"
#include "resources/artwork.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;

namespace quedral {

class PanelKeyArea;

class PanelWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 220;
    static constexpr int ClientHeight = 641;

    // Elements whose visibility the display drives.
    enum class Indicator { REC, FULL, dBA, dBC, FAST, SLOW, UNDER, OVER, MAX, MIN, NoConnection };

    explicit PanelWindow(const GlyphTables& glyphs, QWidget* parent = nullptr);
    ~PanelWindow() override;

    // Puts the panel into a frameless sub-window of the area at (0, 0); the
    // sub-window deletes itself (and the panel) when closed.
    static QMdiSubWindow* addToArea(QMdiArea* area, PanelWindow* panel);

    // Display update: indicators, clock, level digits, range. The MAX/MIN labels
    // are left to setMaxVisible/setMinVisible.
    void showReading(const MeterReading& reading);
    // 1, 8, 8, point, 8 on the level digits.
    void showTestPattern();
    // Hides the red "No Connection" label when connected, shows it otherwise.
    void setConnected(bool connected);

    // A key press is waiting for the meter (begin) / has been sent or given up (end): while any
    // is waiting, the panel and its keys show the wait cursor. Unmatched ends are ignored.
    void beginKeyWait();
    void endKeyWait();
    bool keyWaitShown() const { return m_keysWaiting > 0; }

    void setMaxVisible(bool visible);
    void setMinVisible(bool visible);
    bool maxVisible() const;
    bool minVisible() const;

    // Seconds byte of the clock last drawn (0 for a new panel).
    std::uint8_t clockShown() const { return m_clockShown; }
    void setClockShown(std::uint8_t value) { m_clockShown = value; }

    // Closes the panel and the sub-window holding it.
    void requestClose();
    // Minimises the sub-window holding the panel (or the panel itself).
    void requestMinimise();

    // Read-only views of what is on the face.
    int levelGlyph(int index) const;   // MainD1..MainD4 as 0..3; -1 = empty
    int clockGlyph(int index) const;   // LCDT1..LCDT8 as 0..7; -1 = empty
    bool indicatorShown(Indicator which) const;
    int colorBarWidth() const;
    QString rangeLowText() const;
    QString rangeHighText() const;

signals:
    // 'R', 'L', 'M', 'C', 'F' for a click on a key area, 'N' for a double
    // click on MAX/MIN.
    void keyClicked(char letter);
    // Emitted once when the panel has agreed to close.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* picture(const QString& objectName, const QString& artwork, int x, int y);
    QLabel* label(const QString& objectName, const QString& text, int x, int y, int pixelSize);
    PanelKeyArea* keyArea(const QString& objectName, int x, int y, int w, int h);
    QWidget* moveTarget();
    void setLevelGlyph(int index, int glyph);
    void setClockGlyph(int index, int glyph);

    GlyphTables m_glyphs;
    std::uint8_t m_clockShown = 0;
    bool m_closedEmitted = false;
    int m_keysWaiting = 0;
    void showKeyWaitCursor(bool waiting);

    QLabel* imgPanel = nullptr;
    std::array<QLabel*, 4> MainD{};
    std::array<int, 4> m_levelGlyphs{-1, -1, -1, -1};
    std::array<QLabel*, 8> LCDT{};
    std::array<int, 8> m_clockGlyphs{-1, -1, -1, -1, -1, -1, -1, -1};
    QLabel* imgPoint = nullptr;
    QLabel* imgHourMinuteSeparator = nullptr;   // between small digits 4 and 5
    QLabel* imgMinuteSecondSeparator = nullptr; // between small digits 6 and 7
    QLabel* lblRangeLow = nullptr;
    QLabel* lblRangeHigh = nullptr;
    QLabel* imgColorBar = nullptr;
    QLabel* lblFAST = nullptr;
    QLabel* lblSLOW = nullptr;
    QLabel* lbldBA = nullptr;
    QLabel* lbldBC = nullptr;
    QLabel* lblMAX = nullptr;
    QLabel* lblMIN = nullptr;
    QLabel* imgUNDER = nullptr;
    QLabel* imgOVER = nullptr;
    QLabel* lblREC = nullptr;
    QLabel* lblFULL = nullptr;
    QLabel* imgBat = nullptr;
    QLabel* imgAutoOff = nullptr;
    QLabel* lblNoConnection = nullptr;
    PanelKeyArea* btnPower = nullptr;
    PanelKeyArea* btnAC = nullptr;
    PanelKeyArea* btnMaxMin = nullptr;
    PanelKeyArea* btnFast = nullptr;
    PanelKeyArea* btnREC = nullptr;
    PanelKeyArea* btnLevel = nullptr;
    PanelKeyArea* btnMinimise = nullptr; // small flat button at the top right
    PanelKeyArea* btnClose = nullptr;    // its neighbour

    // dragging the panel by its picture
    bool m_dragging = false;
    QPoint m_dragStartGlobal;
    QPoint m_dragStartPos;
};

// A transparent hot area over a pictured key: hand cursor, click and double
// click. A double click reports doubleClicked() instead of a second click.
class PanelKeyArea : public QWidget {
    Q_OBJECT
public:
    explicit PanelKeyArea(QWidget* parent = nullptr);

signals:
    void clicked();
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_pressed = false;
    bool m_inDoubleClick = false;
};

} // namespace quedral
