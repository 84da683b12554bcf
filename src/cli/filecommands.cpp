#include "cli/filecommands.h"

#include "cli/arguments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "files/graphinfo.h"
#include "base/clock.h"
#include "base/filewrite.h"
#include "base/datetime.h"
#include "base/inputfile.h"
#include "files/collectionfile.h"
#include "files/graphfile.h"
#include "files/graphtext.h"
#include "files/textfiles.h"
#include "files/textpoints.h"
#include "graph/listgraph.h"
#include "chart/chartmodel.h"
#include "graph/chartsetup.h"
#include "stats/leqmath.h"
#include "logger/datasetchart.h"
#include "wav/wavseries.h"

namespace quedral::cli {

int cmdDecode(Context& ctx, const Arguments& a)
{
    const QString file = a.positional(0);
    const bool samples = a.has("--samples");
    QByteArray image;
    QString error;
    if (!readCollectionFile(file, image, &error)) {
        ctx.err << file << ": " << error << "\n";
        return 1;
    }
    const int last = lastAddressOf(image);
    const DecodeResult d = decodeMemoryImage(image, last);
    ctx.out << decodeJson(d, last, samples) << "\n";
    // Damaged sets (33 to 35) are printed as far as they were read, and the decode fails.
    if (!d.problems.empty())
        ctx.err << file << ": " << decodeProblemsText(d) << "\n";
    return d.code == DecodeCode::Ok ? 0 : 1;
}

int cmdGraphInfo(Context& ctx, const Arguments& args)
{
    QByteArray json;
    QString error;
    if (!graphInfoFromFile(args.positional(0), json, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    ctx.out << QString::fromUtf8(json) << "\n";
    return 0;
}

// Reads and decodes a collection file that must hold data set n (counting from 1); false with
// the reason otherwise.
static bool loadDataSet(const QString& file, int n, DecodeResult& d, QString& error)
{
    QByteArray image;
    if (!readCollectionFile(file, image, &error)) {
        error = file + ": " + error;
        return false;
    }
    d = decodeMemoryImage(image, lastAddressOf(image));
    if (!d.store || d.store->empty()) {
        error = QStringLiteral("%1: no data sets (decode code %2)").arg(file).arg(d.code);
        return false;
    }
    if (n < 1 || n > d.store->size()) {
        error = QStringLiteral("%1: no data set %2 (the file holds %3)").arg(file).arg(n).arg(d.store->size());
        return false;
    }
    // Without its start a set's samples have no times to give.
    if (!d.store->startReadable(n - 1)) {
        const auto p = std::find_if(d.problems.begin(), d.problems.end(), [n](const DecodeProblem& q) {
            return q.set == n && q.code == DecodeCode::StartUnreadable;
        });
        error = QStringLiteral("%1: data set %2 has an %3 (decode code %4)")
                    .arg(file)
                    .arg(n)
                    .arg(p != d.problems.end() ? p->what : QStringLiteral("unreadable start date and time"))
                    .arg(DecodeCode::StartUnreadable);
        return false;
    }
    return true;
}

// The chart of a collection's data set N (as the DataLogger window shows it) or of a graph file;
// false with the reason when the file gives none (expected: the types the command takes).
static bool loadChartFile(const QString& file, std::optional<int> set, ChartModel& chart, QString& error,
                   const char* expected = ".rec or .ghf", std::optional<DataSet>* header = nullptr)
{
    if (!QFileInfo::exists(file)) { // what exists but is no regular file, its reader refuses
        error = file + ": no such file";
        return false;
    }
    const QString ext = QFileInfo(file).suffix().toLower();
    if (set && ext != QLatin1String("rec")) {
        error = "--set applies to collection files (.rec) only";
        return false;
    }
    if (ext == QLatin1String("rec")) {
        DecodeResult d;
        const int n = set.value_or(1);
        if (!loadDataSet(file, n, d, error))
            return false;
        const DataSetSpan span = d.store->Span(n - 1);
        newChart(chart, 1, static_cast<int>(span.count), span.start, span.end, 30.0f, 130.0f);
        putDataSet(chart, *d.store, n - 1);
        if (header)
            *header = d.store->info(n - 1);
        return true;
    }
    if (ext == QLatin1String("ghf")) {
        if (!loadChartState(chart, file, &error)) {
            error = file + ": " + error;
            return false;
        }
        return true;
    }
    error = QStringLiteral("%1: unknown file type (expected %2)").arg(file, QLatin1String(expected));
    return false;
}

// The times and levels `leq` and `stats` work on: graph text read by the one text reader (the
// whole file or an error), a collection's data set or a graph file through its chart. False
// with the reason when the file gives none.
bool loadLeqSeries(const QString& file, std::optional<int> set, LeqSeries& series, QString& error, QStringList* notes)
{
    if (const std::optional<QChar> separator = graphTextSeparator(file);
        separator && !set && QFileInfo(file).exists()) {
        QFile f;
        if (!openInputFile(f, file, kAnySize, &error)) {
            error = file + ": " + error;
            return false;
        }
        TextPoints text = readTextPoints(f, *separator);
        // A level of evidence comes from the whole file or from none of it.
        if (const TextPoints::Problem p = text.wholeFileProblem(); p.line > 0) {
            error = QStringLiteral("%1:%2: %3").arg(file).arg(p.line).arg(p.why);
            return false;
        }
        if (text.emptyLine() > 0 && notes)
            *notes << QStringLiteral("%1:%2: reading stopped at this empty line; the lines after it were not read")
                          .arg(file)
                          .arg(text.emptyLine());
        series.times = std::move(text.times);
        series.levels = std::move(text.levels);
        return true;
    }
    ChartModel chart;
    if (!loadChartFile(file, set, chart, error, ".rec, .ghf, .txt or .csv", &series.dataSet))
        return false;
    const auto x = chart.xValues(0);
    const auto y = chart.yValues(0);
    series.times.assign(x.begin(), x.end());
    series.levels.assign(y.begin(), y.end());
    return true;
}

bool loadSeriesForCommand(Context& ctx, const QString& file, std::optional<int> set, LeqSeries& series)
{
    QString error;
    QStringList notes;
    if (!loadLeqSeries(file, set, series, error, &notes)) {
        ctx.err << error << "\n";
        return false;
    }
    for (const QString& note : notes)
        ctx.err << note << "\n";
    return true;
}

int cmdLeq(Context& ctx, const Arguments& a)
{
    std::optional<int> set;
    if (!dataSetOption(ctx, a, set))
        return 2;
    const QString file = a.positional(0);
    const bool series = a.has("--series");
    LeqSeries data;
    if (!loadSeriesForCommand(ctx, file, set, data))
        return 1;
    const std::vector<float> leq = runningLeq(data.levels.data(), static_cast<std::int64_t>(data.levels.size()));
    if (leq.empty()) {
        ctx.err << file << ": no data (the first sample is empty)\n";
        return 1;
    }
    if (series)
        ctx.out << leqSeriesText(data.times, data.levels, leq);
    ctx.out << QString::number(leq.back(), 'f', 1) << "\n";
    return 0;
}

// Writes a chart to a graph file (.ghf) or as graph text (.txt tab, .csv comma), by the name.
// Without --force (existing Keep), a file that appeared since the command looked is not replaced.
static bool writeChartFile(const ChartModel& chart, const QString& file, QString& error, ExistingFile existing)
{
    if (QFileInfo(file).suffix().toLower() == QLatin1String("ghf")) {
        if (!saveChartState(chart, file, &error, existing)) {
            error = file + ": " + error;
            return false;
        }
        return true;
    }
    const std::optional<QChar> separator = graphTextSeparator(file);
    if (!separator) {
        error = file + ": unknown file type (expected .ghf, .txt or .csv)";
        return false;
    }
    const auto fill = [&](QIODevice& out, QString*) {
        writeGraphText(out, chart, TextRange{1, chart.points()}, *separator);
        return true;
    };
    if (!writeFileWhole(file, fill, &error, existing)) {
        error = file + ": " + error;
        return false;
    }
    return true;
}

static bool isWritableChartType(const QString& file)
{
    return QFileInfo(file).suffix().toLower() == QLatin1String("ghf") || graphTextSeparator(file).has_value();
}

int cmdExport(Context& ctx, const Arguments& a)
{
    std::optional<int> set;
    if (!dataSetOption(ctx, a, set))
        return 2;
    const QString file = a.positional(0);
    const QString out = a.value("-o");
    const bool force = a.has("--force");
    if (!isWritableChartType(out)) {
        ctx.err << out << ": unknown file type (expected .ghf, .txt or .csv)\n";
        return 1;
    }
    if (refusesToReplace(ctx, out, force))
        return 1;
    ChartModel chart;
    QString error;
    if (!loadChartFile(file, set, chart, error) || !writeChartFile(chart, out, error, force ? ExistingFile::Replace : ExistingFile::Keep)) {
        ctx.err << error << "\n";
        return 1;
    }
    return 0;
}

int cmdWavCheck(Context& ctx, const Arguments& a)
{
    const QString file = a.positional(0);
    const QString dir = a.value("--dir", ".");
    const int set = a.value("--set").toInt();
    if (set < 1) {
        return usageError(ctx);
    }
    DecodeResult d;
    QString error;
    if (!loadDataSet(file, set, d, error)) {
        ctx.err << error << "\n";
        return 1;
    }
    const int n = set - 1;
    const QString wave = waveText(d, n);
    if (!wav::namesWaveFile(wave)) {
        ctx.err << "no related WAV file\n";
        return 1;
    }
    const int interval = d.store->info(n).interval;
    if (interval <= 0) {
        ctx.err << "data set " << set << " has no recording interval: its WAV segments cannot be reckoned\n";
        return 1;
    }
    ctx.out << wavCheckText(wave, interval, d.store->info(n).count, dir);
    return 0;
}

int cmdImport(Context& ctx, const Arguments& a)
{
    const QString file = a.positional(0);
    const QString out = a.value("-o");
    const bool force = a.has("--force");
    const std::optional<QChar> separator = graphTextSeparator(file);
    if (!separator) {
        ctx.err << file << ": unknown file type (expected .txt or .csv)\n";
        return 1;
    }
    if (QFileInfo(out).suffix().toLower() != QLatin1String("ghf")) {
        ctx.err << out << ": the graph is written as a graph file (.ghf)\n";
        return 1;
    }
    if (refusesToReplace(ctx, out, force))
        return 1;
    QFile in;
    QString why;
    if (!openInputFile(in, file, kAnySize, &why)) {
        ctx.err << file << ": " << why << "\n";
        return 1;
    }
    // Rows are never dropped unseen: a file past the limits is refused, where reading stopped
    // early and the rows left out of the graph are said on stderr.
    ImportStop stop;
    const ListTable table = importListTable(in, *separator, {}, &stop);
    if (stop.refused()) {
        ctx.err << file << ": " << stop.message() << "; nothing was written\n";
        return 1;
    }
    if (!stop.message().isEmpty())
        ctx.err << file << ": " << stop.message() << "\n";
    ChartModel chart;
    ListGraphReport report;
    const QString problem = listToGraph(table, chart, {}, QLocale(), &report);
    if (!problem.isEmpty()) {
        ctx.err << file << ": " << problem << "\n";
        return 1;
    }
    if (!report.message().isEmpty())
        ctx.err << file << ": " << report.message() << "\n";
    if (report.graphed == 0) {
        ctx.err << file << ": no row could be read as a point; nothing was written\n";
        return 1;
    }
    QString error;
    if (!saveChartState(chart, out, &error, force ? ExistingFile::Replace : ExistingFile::Keep)) {
        ctx.err << out << ": " << error << "\n";
        return 1;
    }
    return 0;
}

QString decodeJson(const DecodeResult& d, int lastAddress, bool samples)
{
    QStringList sets;
    if (d.store) {
        const DataSetStore& s = *d.store;
        for (int n = 0; n < s.size(); ++n) {
            const DataSetInfo i = s.info(n);
            const auto quoted = [](const QString& t) {
                QString e = t;
                e.replace('\\', "\\\\").replace('"', "\\\"");
                for (QChar& c : e)
                    if (c.unicode() < 0x20 || c.unicode() >= 0x7F)
                        c = QLatin1Char('?');
                return "\"" + e + "\"";
            };
            QStringList f;
            f << "\"set\":" + QString::number(n + 1)
              << "\"start\":" + (i.startReadable() ? quoted(fromDays(i.start).toString("yyyy-MM-ddThh:mm:ss"))
                                                  : QStringLiteral("null"))
              << "\"interval\":" + QString::number(i.interval) << "\"count\":" + QString::number(i.count)
              << "\"mode\":" + QString::number(i.mode)
              << "\"weighting\":" + quoted((i.mode & ModeAWeighting) ? "dBA" : "dBC")
              << "\"time_weighting\":" + quoted((i.mode & ModeFast) ? "FAST" : "SLOW")
              << "\"range\":" + quoted(rangeTextOfMode(i.mode)) << "\"wave\":" + quoted(waveText(d, n))
              << "\"header_offset\":" + QString::number(i.headerOffset)
              << "\"end_offset\":" + QString::number(i.endOffset) << "\"max_index\":" + QString::number(i.maxIndex)
              << "\"min_index\":" + QString::number(i.minIndex)
              << "\"average\":" + QString::number(i.average, 'g', 17);
            if (samples) {
                QStringList levels;
                const std::int64_t first = s.firstSample(n);
                for (std::int64_t k = 0; k < i.count; ++k)
                    levels << QString::number(s.Levels[static_cast<size_t>(first + k)], 'f', 1);
                f << "\"levels\":[" + levels.join(',') + "]";
            }
            sets << "{" + f.join(',') + "}";
        }
    }
    return QStringLiteral("{\"code\":%1,\"last_address\":%2,\"sets\":[%3]}")
        .arg(d.code)
        .arg(lastAddress)
        .arg(sets.join(','));
}



QString leqSeriesText(const std::vector<double>& times, const std::vector<float>& levels, const std::vector<float>& leq)
{
    const size_t n = std::min({times.size(), levels.size(), leq.size()});
    // Milliseconds only where the times need them (rates below a second).
    bool millis = false;
    for (size_t i = 0; i < n && !millis; ++i)
        millis = fromDays(times[i]).time().msec() != 0;
    const QString format = millis ? QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz") : QStringLiteral("yyyy-MM-ddTHH:mm:ss");
    QString text;
    for (size_t i = 0; i < n; ++i)
        text += fromDays(times[i]).toString(format) + '\t' + QString::number(levels[i], 'f', 1) + '\t'
            + QString::number(leq[i], 'f', 1) + '\n';
    return text;
}

QString wavCheckText(const QString& waveName, int interval, int count, const QString& dir)
{
    QString text;
    const QString first = waveName + ".WAV";
    const int files = std::max(1, wav::FileCount(interval, count));
    for (int f = 0; f < files; ++f) {
        const QString name = wav::seriesFileName(first, f);
        const std::optional<wav::Segment> seg = wav::segmentOf(f, interval, count);
        if (!seg)
            break;
        text += QString("%1\t%2\t%3\t%4\n")
                    .arg(name)
                    .arg(seg->start)
                    .arg(seg->end)
                    .arg(QFileInfo(QDir(dir).filePath(name)).isFile() ? "present" : "missing");
    }
    return text;
}

} // namespace quedral::cli
