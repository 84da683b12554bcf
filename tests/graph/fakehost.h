#pragma once
// A main window stand-in for graph window tests: records what the window asks of it.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "graph/ui/datasetrows.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphwindow.h"
#include "graph/ui/graphunit.h"

namespace quedral::test {

class FakeHost : public GraphHost {
public:
    GraphState state;
    bool isConnected = true;
    bool runEnabled = false;
    bool stopEnabled = false;
    bool realTimeChecked = false;
    bool outputToGraphEnabled = true;
    bool saveSucceeds = true;
    QStringList saves; // "command:<caption>" or "as:<caption>"
    QMdiArea* mdi = nullptr; // when set, windows are shown in frames of this area


    GraphState& graphState() override { return state; }
    bool connected() const override { return isConnected; }
    void showGraphWindow(GraphWindow& w) override
    {
        w.resize(1400, 700);
        if (mdi) {
            QMdiSubWindow* frame = mdi->addSubWindow(&w);
            frame->setAttribute(Qt::WA_DeleteOnClose);
            frame->show();
            return;
        }
        w.show();
    }
    void restoreGraphWindow(GraphWindow&) override {}
    bool saveCommand(GraphWindow& w) override
    {
        saves << "command:" + w.caption();
        return saveSucceeds;
    }
    bool saveGraphAs(GraphWindow& w) override
    {
        saves << "as:" + w.caption();
        return saveSucceeds;
    }
    void setRunEnabled(bool on) override { runEnabled = on; }
    void setStopEnabled(bool on) override { stopEnabled = on; }
    void setRealTimeGraphChecked(bool on) override { realTimeChecked = on; }
    void setOutputToGraphEnabled(bool on) override { outputToGraphEnabled = on; }
    // The tables given to Save and Print, as "save:" or "print:" + their rows, cells joined by '|'.
    QStringList tables;
    void saveTable(const TableText& t) override { tables << "save:" + rowsOf(t); }
    void printTable(const TableText& t) override { tables << "print:" + rowsOf(t); }
    static QString rowsOf(const TableText& t)
    {
        QStringList rows;
        for (int r = 0; r < t.rows; ++r) {
            QStringList cells;
            for (int c = 0; c < t.columns; ++c)
                cells << t.cell(r, c);
            rows << cells.join('|');
        }
        return rows.join('\n');
    }
};

// A side panel of data sets as the data logger's grid offers them: rows and a selected row.
class FakeDataSets : public QWidget, public DataSetRows {
public:
    std::vector<QStringList> rows;
    int selected = 0;
    int selectedRow() const override { return selected; }
    QStringList rowTexts(int row) const override
    {
        return row >= 0 && row < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(row)] : QStringList();
    }
};

} // namespace quedral::test
