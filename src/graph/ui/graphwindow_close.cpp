// The graph window's close: the "Save ... ?" question of the real-time and data logger windows,
// and what a closed window leaves behind (none of its references, none of its owned windows).
#include "graph/ui/graphwindow.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

#include <utility>

#include "base/prompter.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphunit.h"

namespace quedral {

void GraphWindow::closeEvent(QCloseEvent* e)
{
    if (m_closed) {
        e->accept();
        return;
    }
    if (!mayClose()) {
        e->ignore();
        return;
    }
    onClosed();
    e->accept();
}

bool GraphWindow::mayClose()
{
    GraphState& st = state();
    if (st.DataLoggerUnsaved && m_kind == GraphKind::DataLogger) {
        switch (Prompter::instance().ask("Save DataLogger Data ?", Buttons::YesNoCancel)) {
        case Answer::Yes:
            st.DataLoggerUnsaved = false;
            if (!m_host.saveBeforeClose(*this)) {
                // Not saved after all: keep the window and its data.
                st.DataLoggerUnsaved = true;
                return false;
            }
            break;
        case Answer::No:
            break;
        default:
            return false;
        }
    }
    if (st.RealTimeUnsaved && m_kind == GraphKind::RealTime) {
        switch (Prompter::instance().ask("Save Real-Time Graph ?", Buttons::YesNoCancel)) {
        case Answer::Yes:
            st.RealTimeUnsaved = false;
            if (!m_host.saveBeforeClose(*this)) {
                st.RealTimeUnsaved = true;
                return false;
            }
            break;
        case Answer::No:
            st.RealTimeUnsaved = false;
            break;
        default:
            return false;
        }
    }
    return true;
}

void GraphWindow::markSaved()
{
    GraphState& st = state();
    if (m_kind == GraphKind::DataLogger)
        st.DataLoggerUnsaved = false;
    if (m_kind == GraphKind::RealTime)
        st.RealTimeUnsaved = false;
}

void GraphWindow::onClosed()
{
    if (m_closed)
        return;
    m_closed = true;
    // The windows made from this one go with it.
    const QList<QPointer<GraphWindow>> owned = std::exchange(m_ownedWindows, {});
    for (const QPointer<GraphWindow>& w : owned)
        if (w)
            closeOwnedWindow(*w);
    GraphState& st = state();
    st.DataLoggerUnsaved = false;
    switch (m_kind) {
    case GraphKind::DataLogger:
        if (st.DataLoggerWindow == this)
            st.DataLoggerWindow = nullptr;
        break;
    case GraphKind::RealTime:
        m_host.setRealTimeGraphChecked(false);
        if (st.RealTimeGraphWindow == this)
            st.RealTimeGraphWindow = nullptr;
        if (m_host.connected())
            m_host.setRunEnabled(true);
        m_host.setStopEnabled(false);
        st.RealTimeRunning = false;
        st.RealTimeCount = 0;
        break;
    case GraphKind::Leq:
        if (m_host.graphUnit().LeqGraphWindow == this)
            m_host.graphUnit().LeqGraphWindow = nullptr;
        break;
    case GraphKind::File:
        break;
    }
    // Never leave a reference to a closed window, whatever its kind.
    if (st.RealTimeGraphWindow == this)
        st.RealTimeGraphWindow = nullptr;
    if (st.DataLoggerWindow == this)
        st.DataLoggerWindow = nullptr;
}

void GraphWindow::closeOwnedWindow(GraphWindow& window)
{
    // In the main window's child-window area the frame closes, and closes the window in it.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(window.parentWidget()))
        frame->close();
    else
        window.close();
}

} // namespace quedral
