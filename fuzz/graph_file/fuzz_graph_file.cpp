// The graph file (.ghf, also the chart template) read as File > Open, `graph-info`, `leq` and
// `export` read it: the length field and the chart state block, then what is done with a chart
// that loaded: its summary, its text export, and saving it again (a chart that loaded must
// save to a file that loads).
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>

#include <unistd.h>

#include <cmath>

#include "files/graphfile.h"
#include "files/graphinfo.h"
#include "files/textfiles.h"
#include "fuzz/support/fuzzsupport.h"
#include "chart/chartmodel.h"

using namespace quedral;

namespace {
QString scratchFile(const char* name)
{
    static const QString dir = [] {
        const QString d = QDir::temp().filePath(QStringLiteral("quedral-fuzz-%1").arg(::getpid()));
        QDir().mkpath(d);
        return d;
    }();
    return dir + QLatin1Char('/') + QLatin1String(name);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::fuzzClock();
    const QString in = scratchFile("in.ghf");
    {
        QFile f(in);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    ChartModel chart;
    const QByteArray before = chart.serialize();
    QString error;
    if (!loadChartState(chart, in, &error)) {
        if (error.isEmpty())
            fuzz::violated("a refused graph file without a reason");
        if (chart.serialize() != before)
            fuzz::violated("a refused graph file changed the chart");
        return 0;
    }
    (void)graphInfoJson(chart);
    (void)liveAnnotationCount(chart);
    // Loading refuses times no date can have, so every chart that loaded exports as text.
    QBuffer text;
    text.open(QIODevice::WriteOnly);
    writeGraphText(text, chart, TextRange{1, std::min(chart.points(), 2000)}, QLatin1Char(','), {}, QLocale::c());

    const QString out = scratchFile("out.ghf");
    if (!saveChartState(chart, out, &error))
        return 0;
    ChartModel again;
    if (!loadChartState(again, out, &error))
        fuzz::violated("a chart that loaded did not load again after saving");
    return 0;
}
