#pragma once
#include <QList>
#include <QObject>
#include <QSize>
#include <Qt>
#include <functional>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QWidget;

namespace quedral {

class AboutDialog;
class LeqWindow;
class PanelWindow;
class SetupWindow;

// The windows the main window keeps one of at most. Non-owning: each entry is cleared when
// its window closes.
struct SingleWindows {
    PanelWindow* panel = nullptr;
    LeqWindow* leq = nullptr;
    AboutDialog* about = nullptr;
    SetupWindow* setup = nullptr;
};

// The child windows in the main window's area: where new ones go, the Window menu's list,
// Tile and Cascade, and the View menu's check marks.
class WindowManager : public QObject {
    Q_OBJECT
public:
    explicit WindowManager(QMdiArea& area, QObject* parent = nullptr);

    QMdiArea& area() const { return m_area; }
    SingleWindows& singles() { return m_singles; }
    const SingleWindows& singles() const { return m_singles; }

    // Adds a child window to the area and returns its frame.
    QMdiSubWindow* addChild(QWidget* w, Qt::WindowFlags flags = {});
    // The frame a child window sits in (nullptr for a widget outside the area).
    static QMdiSubWindow* frameOf(QWidget* w);
    // Adds and shows a new child window of this size, placed inside the area a step from the last.
    QMdiSubWindow* showNewChild(QWidget* w, QSize size);
    // Shows a child window's frame at this size (at most the area's) in the middle of the area.
    void showCentred(QMdiSubWindow* sub, QSize size);
    // Adds and shows a new child window across the top of the area: the area's width, its height
    // less heightLess (at least 200).
    QMdiSubWindow* showAtTop(QWidget* w, int heightLess);
    // Brings back a child window that is already open: restored and made the active one.
    void restoreChild(QWidget& window);
    void tile();
    void cascade();

    // The Window menu: its list of child windows is made anew each time it opens.
    void attachWindowMenu(QMenu& menu);
    // The View menu's check marks follow the windows, not the clicks.
    void setViewChecks(QAction& panel, QAction& realTimeGraph, std::function<bool()> realTimeGraphOpen);
    void syncViewChecks();
    void setPanelChecked(bool checked);
    void setRealTimeGraphChecked(bool checked);

private:
    void rebuildWindowMenu(QMenu& menu);

    QMdiArea& m_area;
    SingleWindows m_singles;
    // The Window menu's list of child windows (below Tile and Cascade).
    QList<QAction*> m_windowListActions;
    QAction* m_panelCheck = nullptr;
    QAction* m_realTimeGraphCheck = nullptr;
    std::function<bool()> m_realTimeGraphOpen;
};

} // namespace quedral
