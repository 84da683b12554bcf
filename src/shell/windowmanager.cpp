#include "shell/windowmanager.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <algorithm>
#include <utility>

namespace quedral {

WindowManager::WindowManager(QMdiArea& area, QObject* parent) : QObject(parent), m_area(area) {}

QMdiSubWindow* WindowManager::addChild(QWidget* w, Qt::WindowFlags flags)
{
    QMdiSubWindow* sub = m_area.addSubWindow(w, flags);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    return sub;
}

QMdiSubWindow* WindowManager::frameOf(QWidget* w)
{
    for (QWidget* p = w; p; p = p->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(p))
            return sub;
    return nullptr;
}

QMdiSubWindow* WindowManager::showNewChild(QWidget* w, QSize size)
{
    QMdiSubWindow* sub = addChild(w);
    // Inside the child-window area, each new window a step down and right of the last.
    const QSize area = m_area.size();
    size = size.boundedTo(area);
    sub->resize(size);
    const int step = 30 * (m_area.subWindowList().size() % 8);
    sub->move(std::max(0, std::min(step, area.width() - size.width())),
              std::max(0, std::min(step, area.height() - size.height())));
    sub->show();
    return sub;
}

void WindowManager::showCentred(QMdiSubWindow* sub, QSize size)
{
    size = size.boundedTo(m_area.size());
    sub->resize(size);
    sub->move(std::max(0, (m_area.width() - size.width()) / 2), std::max(0, (m_area.height() - size.height()) / 2));
    sub->show();
}

QMdiSubWindow* WindowManager::showAtTop(QWidget* w, int heightLess)
{
    QMdiSubWindow* sub = addChild(w);
    sub->setGeometry(0, 0, m_area.width(), std::max(200, m_area.height() - heightLess));
    sub->show();
    return sub;
}

void WindowManager::restoreChild(QWidget& window)
{
    if (QMdiSubWindow* sub = frameOf(&window)) {
        sub->showNormal();
        m_area.setActiveSubWindow(sub);
    }
}

void WindowManager::tile() { m_area.tileSubWindows(); }
void WindowManager::cascade() { m_area.cascadeSubWindows(); }

void WindowManager::attachWindowMenu(QMenu& menu)
{
    connect(&menu, &QMenu::aboutToShow, this, [this, &menu] { rebuildWindowMenu(menu); });
}

void WindowManager::rebuildWindowMenu(QMenu& menu)
{
    // Tile and Cascade stay; the list of windows below them is made anew each time.
    for (QAction* a : std::exchange(m_windowListActions, {})) {
        menu.removeAction(a);
        delete a;
    }
    const auto windows = m_area.subWindowList();
    if (!windows.isEmpty())
        m_windowListActions << menu.addSeparator();
    int n = 1;
    for (QMdiSubWindow* w : windows) {
        QString title = w->windowTitle();
        if (title.isEmpty() && w->widget())
            title = w->widget()->windowTitle();
        QAction* a = menu.addAction(QStringLiteral("&%1 %2").arg(n++).arg(title));
        m_windowListActions << a;
        a->setCheckable(true);
        a->setChecked(w == m_area.activeSubWindow());
        const QPointer<QMdiSubWindow> window(w);
        connect(a, &QAction::triggered, this, [this, window] {
            if (!window)
                return;
            if (window->isMinimized())
                window->showNormal();
            m_area.setActiveSubWindow(window);
        });
    }
}

void WindowManager::setViewChecks(QAction& panel, QAction& realTimeGraph, std::function<bool()> realTimeGraphOpen)
{
    m_panelCheck = &panel;
    m_realTimeGraphCheck = &realTimeGraph;
    m_realTimeGraphOpen = std::move(realTimeGraphOpen);
    for (QAction* a : {m_panelCheck, m_realTimeGraphCheck})
        connect(a, &QAction::triggered, this, &WindowManager::syncViewChecks);
}

void WindowManager::syncViewChecks()
{
    m_panelCheck->setChecked(m_singles.panel != nullptr);
    m_realTimeGraphCheck->setChecked(m_realTimeGraphOpen());
}

void WindowManager::setPanelChecked(bool checked) { m_panelCheck->setChecked(checked); }
void WindowManager::setRealTimeGraphChecked(bool checked) { m_realTimeGraphCheck->setChecked(checked); }

} // namespace quedral
