#pragma once
// A main window stand-in for graph window tests: records what the window asks of it.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>

#include "graph/window/graphhost.h"
#include "graph/window/tfrmgraph.h"
#include "graph/window/graphunit.h"

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
    void showGraphWindow(TfrmGraph& w) override
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
    void restoreGraphWindow(TfrmGraph&) override {}
    bool saveCommand(TfrmGraph& w) override
    {
        saves << "command:" + w.caption();
        return saveSucceeds;
    }
    bool saveGraphAs(TfrmGraph& w) override
    {
        saves << "as:" + w.caption();
        return saveSucceeds;
    }
    void setRunEnabled(bool on) override { runEnabled = on; }
    void setStopEnabled(bool on) override { stopEnabled = on; }
    void setRealTimeGraphChecked(bool on) override { realTimeChecked = on; }
    void setOutputToGraphEnabled(bool on) override { outputToGraphEnabled = on; }
};

} // namespace quedral::test
