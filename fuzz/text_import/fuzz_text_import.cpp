// Text and CSV files as File > Open, `import` and `leq` read them: the points as `leq` and
// `stats` read them, the import into a list table, Output to graph, then the summary, the
// running Leq and the text export of that graph.
// Input byte 0 chooses the separator (bit 0: comma, else tab) and the number format (bit 1:
// decimal comma, else full stop); the rest is the file.
#include <QBuffer>
#include <QLocale>

#include <cmath>

#include "files/graphinfo.h"
#include "files/textfiles.h"
#include "files/textpoints.h"
#include "fuzz/support/fuzzsupport.h"
#include "chart/chartmodel.h"
#include "graph/listgraph.h"
#include "stats/leqmath.h"

using namespace quedral;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::fuzzClock();
    if (size < 1)
        return 0;
    const QChar separator = (data[0] & 1) ? QLatin1Char(',') : QLatin1Char('\t');
    static const QLocale comma(QLocale::German, QLocale::Germany);
    const QLocale& locale = (data[0] & 2) ? comma : QLocale::c();
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const TextPoints points = readTextPoints(bytes, separator, locale);
    if (points.times.size() != points.levels.size())
        fuzz::violated("the points' times and levels differ in number");
    if (points.times.size() > size)
        fuzz::violated("more points than the file has bytes");
    (void)points.wholeFileProblem();

    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);

    std::int64_t lastDone = 0;
    const ListTable table = importListTable(in, separator, [&](std::int64_t done) {
        if (done < lastDone)
            fuzz::violated("the import's progress went backwards");
        lastDone = done;
        return true;
    });
    const int rows = table.rowCount();
    if (rows < 0 || static_cast<std::size_t>(rows) > size)
        fuzz::violated("more rows than the file has bytes");
    for (int row = 0; row < std::min(rows, 50); ++row)
        for (int column = 0; column < ListTable::kColumns; ++column)
            (void)table.cell(row, column);

    ChartModel chart;
    const QString problem = listToGraph(table, chart, {}, locale);
    if (!problem.isEmpty())
        return 0;
    (void)graphInfoJson(chart);
    const std::span<const float> y = chart.yValues(0);
    (void)runningLeq(y.data(), static_cast<std::int64_t>(y.size()));
    QBuffer text;
    text.open(QIODevice::WriteOnly);
    writeGraphText(text, chart, TextRange{1, chart.points()}, separator, {}, locale);
    return 0;
}
