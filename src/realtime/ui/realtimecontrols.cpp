#include "realtime/ui/realtimecontrols.h"

#include <QAction>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/prompter.h"
#include "graph/chartsetup.h"
#include "graph/graphformat.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphwindow.h"

namespace quedral {

RealTimeControls::RealTimeControls(GraphWindow& window, GraphHost& host)
    : QObject(&window), m_window(window), m_host(host)
{
    setObjectName("realTimeControls");
    auto* separator = new QAction(this);
    separator->setObjectName("sepClr");
    separator->setSeparator(true);
    m_window.addPartTool(separator);
    m_clear = new QAction("Clear", this);
    m_clear->setObjectName("actClr");
    m_window.addPartTool(m_clear, "tbntClr");
    connect(m_clear, &QAction::triggered, this, [this] { clear(); });

    m_window.offerSamplingRates(samplingRateItems());
    connect(&m_window, &GraphWindow::samplingRateChosen, this,
            [this](const QString& text) { applyChosenRate(text); });
}

RealTimeControls* RealTimeControls::of(const GraphWindow& window)
{
    return window.findChild<RealTimeControls*>(QString(), Qt::FindDirectChildrenOnly);
}

void RealTimeControls::selectRate(double rate)
{
    const int item = samplingRateItem(rate);
    if (item >= 0)
        m_window.selectSamplingRateItem(item);
}

int RealTimeControls::selectedRateItem() const
{
    return m_window.selectedSamplingRateItem();
}

QString RealTimeControls::rateText() const
{
    return m_window.samplingRateText();
}

void RealTimeControls::setClearEnabled(bool enabled)
{
    m_clear->setEnabled(enabled);
}

void RealTimeControls::applyChosenRate(const QString& text)
{
    GraphState& st = m_host.graphState();
    if (!st.RealTimeRunning) {
        double v = 0;
        if (parseNumber(text, v))
            st.RealTimeRate = static_cast<float>(v);
        return;
    }
    selectRate(st.RealTimeRate);
    Prompter::instance().message("Can not change Sampling Rate while Real-Time is running.");
}

void RealTimeControls::clear()
{
    GraphState& st = m_host.graphState();
    m_window.setCaption(GraphWindow::kRealTimeCaption);
    m_host.setRealTimeGraphChecked(true);
    const double now = toDays(Clock::instance().now());
    resetChart(m_window.model(), 1, 200, now, now + 30 * kSecondInDays, 30, 130);
    st.RealTimeCount = 0;
    m_window.clearPlacedAnnotations();
    m_window.refreshChart();
}

} // namespace quedral
