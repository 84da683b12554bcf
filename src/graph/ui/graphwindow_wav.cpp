// The graph window's WAV player: the chart's play line for it and the data set "open wav"
// opens. The player itself is wav::WavPlayerBar's.
#include <QStringList>

#include "chart/chartmodel.h"
#include "graph/graphformat.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphplayback.h"
#include "graph/ui/graphunit.h"

namespace quedral {

// ---- The chart as the player sees it ----

int GraphWindow::ChartPlayLine::points() const { return m_w.model().points(); }
double GraphWindow::ChartPlayLine::xAt(int index) const { return m_w.model().xDataII(0, index); }
int GraphWindow::ChartPlayLine::playLineIndex() const { return m_w.m_host.graphUnit().PlayLineIndex; }
void GraphWindow::ChartPlayLine::setPlayLineIndex(int index) { m_w.m_host.graphUnit().PlayLineIndex = index; }

void GraphWindow::ChartPlayLine::setPlayLine(double x, double textX)
{
    m_w.moveLine(0, x);
    m_w.model().vertLines[0].text = formatTimeOfDay(textX);
}

void GraphWindow::ChartPlayLine::refresh() { m_w.refreshChart(); }

// ---- The window ----

namespace {

// "mm:ss" of the data set table's "Rate" column in seconds; 0 when it does not read.
int intervalSeconds(const QString& text)
{
    const QStringList parts = text.split(':');
    if (parts.size() != 2)
        return 0;
    return parts[0].toInt() * 60 + parts[1].toInt();
}

} // namespace

void GraphWindow::makeWavPlayer()
{
    m_playLine = std::make_unique<ChartPlayLine>(*this);
    m_wavPlayer = std::make_unique<wav::WavPlayerBar>(
        *this, *m_playLine, wav::PlaybackFlags{state().WavPlaying, m_host.graphUnit().WavPaused}, [this] {
            // The side panel's selected row: its name, start, rate and count columns.
            const QStringList row = dataSetRowTexts(selectedDataSetRow());
            wav::SeriesChoice set;
            set.isDataSet = !row.value(1).isEmpty();
            set.name = row.value(8);
            set.intervalSeconds = intervalSeconds(row.value(3));
            set.count = row.value(4).toInt();
            return set;
        });
}

} // namespace quedral
