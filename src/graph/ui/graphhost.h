#pragma once
// What a graph window needs from the main window. MainWindow implements it; tests use a small
// fake. Every method but graphState() and connected() has a harmless default.
#include <QString>

#include <functional>

#include "graph/ui/graphunit.h"

class QWidget;

namespace quedral {

class GraphWindow;

class GraphHost {
public:
    virtual ~GraphHost() = default;

    // The values the graph windows share with the main window (its AppState derives from it).
    virtual GraphState& graphState() = 0;
    // The meter answers the poll (Connected).
    virtual bool connected() const = 0;
    // The values every graph window of this host shares: the cursors, the annotation counter,
    // the placement tool and the last "LEQ" window.
    GraphUnit& graphUnit() { return m_graphUnit; }

    // Adds a new graph window to the main window's child-window area and shows it.
    virtual void showGraphWindow(GraphWindow& window);
    // Brings an existing graph window back to its normal state and to the front.
    virtual void restoreGraphWindow(GraphWindow& window);

    // The main window's Save command run with this window active (the close questions' Yes).
    // The default saves the chart as a graph file (GraphWindow::saveGraphAs).
    // Returns false when nothing was saved (cancelled or failed).
    virtual bool saveCommand(GraphWindow& window);
    // The save a close question's Yes asks for: true only once the data is safely written, so
    // that the window may go. The default is saveCommand; a host whose saves finish later
    // answers false meanwhile and closes the window itself once its file is whole.
    virtual bool saveBeforeClose(GraphWindow& window) { return saveCommand(window); }
    // saveGraphFileAs with the window's chart (Run's question). Same default.
    virtual bool saveGraphAs(GraphWindow& window);

    // btnRun and Real Time > Run; btnStop and Real Time > Stop.
    virtual void setRunEnabled(bool) {}
    virtual void setStopEnabled(bool) {}
    // View > "Real Time &Graph" check mark.
    virtual void setRealTimeGraphChecked(bool) {}
    // The main window's "Output Tabular to graph" button.
    virtual void setOutputToGraphEnabled(bool) {}

    // A table a graph window offers (the noise statistics' blocks and events): row 0 its
    // header row, column 0 the row number; the cells are the table's own copy.
    struct TableText {
        int rows = 0;
        int columns = 0;
        std::function<QString(int row, int column)> cell;
        // The table of rows x columns cells read from cell now, held in a copy of its own.
        static TableText copyOf(int rows, int columns, const std::function<QString(int row, int column)>& cell);
    };
    // Save and Print of such a table, as the main window saves and prints a list's table.
    virtual void saveTable(const TableText&) {}
    virtual void printTable(const TableText&) {}

private:
    GraphUnit m_graphUnit;
};

} // namespace quedral
