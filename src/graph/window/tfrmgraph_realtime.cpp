// The graph window's sampling-rate box, "Clear" and the whole-graph boxes a recording fills.
#include "graph/window/tfrmgraph.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/prompter.h"
#include "graph/core/chartsetup.h"
#include "graph/core/graphformat.h"
#include "graph/pesgraph.h"
#include "graph/window/annotationtools.h"
#include "graph/window/graphhost.h"
#include "graph/window/graphunit.h"

namespace quedral {

void TfrmGraph::showSamplingRate(const QString& text)
{
    m_settingRate = true;
    txtSamplingRate->setEditText(text);
    if (!txtSamplingRate->isEditable()) {
        txtSamplingRate->setEditable(true);
        txtSamplingRate->setEditText(text);
    }
    m_settingRate = false;
}

void TfrmGraph::selectSamplingRate(double rate)
{
    const int item = samplingRateItem(rate);
    if (item < 0)
        return;
    m_settingRate = true;
    txtSamplingRate->setCurrentIndex(item);
    m_settingRate = false;
}

int TfrmGraph::selectedRateItem() const
{
    return txtSamplingRate->currentIndex();
}

QString TfrmGraph::samplingRateText() const
{
    return txtSamplingRate->currentText();
}

void TfrmGraph::makeRealTimeWindow()
{
    sepClr->setVisible(true);
    actClr->setVisible(true);
    m_settingRate = true;
    txtSamplingRate->setEditable(false);
    m_settingRate = false;
    pnlSamplingRate->setEnabled(true);
}

void TfrmGraph::txtSamplingRateChange()
{
    GraphState& st = state();
    if (!st.RealTimeRunning) {
        double v = 0;
        if (parseNumber(txtSamplingRate->currentText(), v))
            st.RealTimeRate = static_cast<float>(v);
        return;
    }
    selectSamplingRate(st.RealTimeRate);
    Prompter::instance().message("Can not change Sampling Rate while Real-Time is running.");
}

void TfrmGraph::chtGraphZoomIn()
{
    actUndoZoom->setEnabled(true);
}

void TfrmGraph::btnUndoZoomClick()
{
    chtGraph->undoZoom();
    chtGraph->resetImage();
    actUndoZoom->setEnabled(false);
}

void TfrmGraph::tbntGraphStatisticClick()
{
    pnlGraphStatistic->setVisible(actGraphStatistic->isChecked());
    placeReadout();
}

void TfrmGraph::tbntCursorStatisticClick()
{
    pnlStatistic->setVisible(actCursorStatistic->isChecked());
    chtGraph->model().showVertLineAnnotations = actCursorStatistic->isChecked();
    refreshChart();
}

void TfrmGraph::clearStatisticBoxes()
{
    for (QLineEdit* e : {txtAvgAll, txtMax, txtMin, txtMaxTime, txtMinTime, txtCursorA, txtCursorATime, txtCursorB,
                         txtCursorBTime, txtMaxAB, txtMaxABTime, txtMinAB, txtMinABTime, txtAvgAB})
        e->clear();
}

void TfrmGraph::showRecordingStart(double time)
{
    txtStartTime->setText(formatDateTime(time));
}

void TfrmGraph::showRecordingStart(const QString& text)
{
    txtStartTime->setText(text);
}

void TfrmGraph::showDataCount(int count)
{
    txtDataNo->setText(QString::number(count));
}

void TfrmGraph::showMaximum(float level, double time)
{
    txtMax->setText(formatLevel(level));
    txtMaxTime->setText(formatDateTime(time));
}

void TfrmGraph::showMinimum(float level, double time)
{
    txtMin->setText(formatLevel(level));
    txtMinTime->setText(formatDateTime(time));
}

void TfrmGraph::showAverage(double level)
{
    txtAvgAll->setText(formatLevel(level));
}

void TfrmGraph::setClearEnabled(bool enabled)
{
    actClr->setEnabled(enabled);
}

void TfrmGraph::hideWavPlayer()
{
    actOpenWav->setVisible(false);
    actPlay->setVisible(false);
}

void TfrmGraph::tbntClrClick()
{
    GraphState& st = state();
    setCaption(kRealTimeCaption);
    m_host.setRealTimeGraphChecked(true);
    makeRealTimeWindow();
    const double now = toDays(Clock::instance().now());
    ResetChart(chtGraph->model(), 1, 200, now, now + 30 * kSecondInDays, 30, 130);
    st.RealTimeCount = 0;
    m_annotations->clearPlaced();
    refreshChart();
}

} // namespace quedral
