// The graph window's sampling-rate box, the whole-graph boxes a recording fills, zoom and the
// statistic panels' toggles.
#include "graph/ui/graphwindow.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/prompter.h"
#include "graph/chartsetup.h"
#include "graph/graphformat.h"
#include "chart/ui/chartwidget.h"
#include "graph/ui/annotationtools.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphunit.h"
#include "graph/ui/noisepanel.h"

namespace quedral {

void GraphWindow::showSamplingRate(const QString& text)
{
    m_settingRate = true;
    txtSamplingRate->setEditText(text);
    if (!txtSamplingRate->isEditable()) {
        txtSamplingRate->setEditable(true);
        txtSamplingRate->setEditText(text);
    }
    m_settingRate = false;
}

void GraphWindow::offerSamplingRates(const QStringList& items)
{
    m_settingRate = true;
    txtSamplingRate->clear();
    txtSamplingRate->addItems(items);
    txtSamplingRate->setCurrentIndex(-1);
    txtSamplingRate->setEditable(false);
    m_settingRate = false;
    pnlSamplingRate->setEnabled(true);
}

void GraphWindow::selectSamplingRateItem(int item)
{
    m_settingRate = true;
    txtSamplingRate->setCurrentIndex(item);
    m_settingRate = false;
}

int GraphWindow::selectedSamplingRateItem() const
{
    return txtSamplingRate->currentIndex();
}

QString GraphWindow::samplingRateText() const
{
    return txtSamplingRate->currentText();
}

void GraphWindow::clearPlacedAnnotations()
{
    m_annotations->clearPlaced();
}

void GraphWindow::onZoomedIn()
{
    actUndoZoom->setEnabled(true);
}

void GraphWindow::undoZoom()
{
    chtGraph->undoZoom();
    chtGraph->resetImage();
    actUndoZoom->setEnabled(false);
}

void GraphWindow::toggleGraphStatistics()
{
    pnlGraphStatistic->setVisible(actGraphStatistic->isChecked());
    placeReadout();
}

void GraphWindow::toggleCursorStatistics()
{
    pnlStatistic->setVisible(actCursorStatistic->isChecked());
    chtGraph->model().showVertLineAnnotations = actCursorStatistic->isChecked();
    refreshChart();
}

void GraphWindow::toggleNoiseStatistics()
{
    m_noisePanel->setVisible(actNoiseStatistics->isChecked());
}

void GraphWindow::clearStatisticBoxes()
{
    for (QLineEdit* e : {txtAvgAll, txtMax, txtMin, txtMaxTime, txtMinTime, txtCursorA, txtCursorATime, txtCursorB,
                         txtCursorBTime, txtMaxAB, txtMaxABTime, txtMinAB, txtMinABTime, txtAvgAB})
        e->clear();
}

void GraphWindow::showRecordingStart(double time)
{
    txtStartTime->setText(formatDateTime(time));
}

void GraphWindow::showRecordingStart(const QString& text)
{
    txtStartTime->setText(text);
}

void GraphWindow::showDataCount(int count)
{
    txtDataNo->setText(QString::number(count));
    m_noisePanel->chartChanged(); // a recording took a sample
}

void GraphWindow::showMaximum(float level, double time)
{
    txtMax->setText(formatLevel(level));
    txtMaxTime->setText(formatDateTime(time));
}

void GraphWindow::showMinimum(float level, double time)
{
    txtMin->setText(formatLevel(level));
    txtMinTime->setText(formatDateTime(time));
}

void GraphWindow::showAverage(double level)
{
    txtAvgAll->setText(formatLevel(level));
}


} // namespace quedral
