// The main window's file commands (Open, Save) and its side of the data logger's commands.
#include <QAction>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>

#include "base/datadir.h"
#include "base/prompter.h"
#include "files/graphfile.h"
#include "files/tfrmopensave.h"
#include "graph/chartmodel.h"
#include "graph/pesgraph.h"
#include "graph/window/tfrmgraph.h"
#include "leq/tfrmleq.h"
#include "shell/tfrmmain.h"

namespace quedral {

void TfrmMain::LEQ1Click()
{
    if (m_state.MeterRecording) {
        Prompter::instance().message("The meter is recording data, please stop recording first .");
        return;
    }
    if (auto* existing = qobject_cast<TfrmLEQ*>(m_state.LeqWindow)) {
        if (QMdiSubWindow* sub = frameOf(existing)) {
            sub->showNormal();
            m_mdi->setActiveSubWindow(sub);
        }
        return;
    }
    auto* w = new TfrmLEQ(*m_leqRunner, *this);
    m_state.LeqWindow = w;
    connect(w, &TfrmLEQ::closed, this, [this, w] {
        if (m_state.LeqWindow == w)
            m_state.LeqWindow = nullptr;
    });
    QMdiSubWindow* sub = addChild(w);
    const QSize size(std::min(m_mdi->width(), 982 + 10), std::min(m_mdi->height(), 580 + 30));
    sub->resize(size);
    sub->move(std::max(0, (m_mdi->width() - size.width()) / 2), std::max(0, (m_mdi->height() - size.height()) / 2));
    sub->show();
}

void TfrmMain::showDataSet(TfrmGraph&, int index) { m_dataLogger->ShowDataSet(index); }
void TfrmMain::changeDataSetStart(TfrmGraph&, int index) { m_dataLogger->ChangeDataSetStart(index); }

void TfrmMain::showDataLoggerWindow(TfrmGraph& window)
{
    QMdiSubWindow* sub = addChild(&window);
    sub->setGeometry(0, 0, m_mdi->width(), std::max(200, m_mdi->height() - 60));
    sub->show();
}

void TfrmMain::setLoggerCommandsEnabled(bool enabled)
{
    LoadData1->setEnabled(enabled);
    EraseMemory1->setEnabled(enabled);
    btnDataLogger->setEnabled(enabled && m_connected);
}

bool TfrmMain::saveCommand(TfrmGraph& window)
{
    if (window.kind() != GraphKind::DataLogger)
        return window.saveGraphAs();
    TfrmOpenSave choice(this);
    choice.setWindowTitle("Save File");
    switch (TfrmOpenSave::runModal(choice)) {
    case TfrmOpenSave::mrCollection:
        m_dataLogger->SaveCollectionFile();
        // The collection is the data logger's data: saved unless the copy failed.
        return !m_state.DataLoggerUnsaved;
    case TfrmOpenSave::mrSingle:
        return window.saveGraphAs();
    default:
        return false;
    }
}

void TfrmMain::Save1Click()
{
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    if (!active)
        return;
    if (auto* graph = qobject_cast<TfrmGraph*>(active->widget()))
        saveCommand(*graph);
}

void TfrmMain::Open1Click()
{
    TfrmOpenSave choice(this);
    choice.setWindowTitle("Open File");
    choice.useOpenCaptions();
    switch (TfrmOpenSave::runModal(choice)) {
    case TfrmOpenSave::mrCollection:
        m_dataLogger->OpenCollectionFile();
        break;
    case TfrmOpenSave::mrSingle: {
        const bool comma = QLocale().decimalPoint() == QStringLiteral(",");
        const QString filter = comma ? "Graph file(*.ghf,only for KV4471)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT"
                                     : "Graph file(*.ghf,only for KV4471)|*.GHF|TXT file(*.txt,data seperated by tab)|"
                                       "*.TXT|EXCEL file format(*.CSV,seperated by comma)|*.CSV";
        const QString file = Prompter::instance().openFileName(filter, QString(), DataDir::path());
        if (file.isEmpty())
            return;
        const QString ext = file.section(QLatin1Char('.'), -1).toLower();
        if (ext == "ghf")
            OpenGraphFile(file);
        else if (ext == "txt" || ext == "csv")
            placeholderCommand("Opening text files");
        break;
    }
    default:
        break;
    }
}

bool TfrmMain::OpenGraphFile(const QString& fileName)
{
    ChartModel loaded;
    QString error;
    if (!LoadChartState(loaded, fileName, &error)) {
        showStatusMessage(QStringLiteral("%1 was not opened: %2").arg(fileName, error));
        return false;
    }
    auto* w = new TfrmGraph(*this, GraphKind::File);
    w->setCaption(fileName);
    w->chart().setModel(std::move(loaded));
    QMdiSubWindow* sub = addChild(w);
    sub->setGeometry(0, 0, m_mdi->width(), std::max(200, m_mdi->height() - 40));
    sub->show();
    w->GraphStatistics();
    w->refreshChart();
    return true;
}

} // namespace quedral
