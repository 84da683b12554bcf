#include "report/evidencereport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <algorithm>

#include "base/filewrite.h"
#include "base/inputfile.h"
#include "chart/chartmodel.h"
#include "logger/datasets.h"
#include "report/levelplot.h"
#include "report/reportpages.h"
#include "report/reporttext.h"
#include "stats/noisestats.h"

namespace quedral {

ReportMeterInfo reportMeterInfoOf(const DataSet& set, int number)
{
    ReportMeterInfo info;
    info.dataSet = number;
    info.weighting = (set.mode & ModeAWeighting) ? QStringLiteral("dBA") : QStringLiteral("dBC");
    info.response = (set.mode & ModeFast) ? QStringLiteral("FAST") : QStringLiteral("SLOW");
    info.range = rangeTextOfMode(set.mode) + QStringLiteral(" dB");
    info.interval = set.interval;
    if (set.startReadable())
        info.start = set.start;
    return info;
}

void setReportSamples(ReportInput& input, const ChartModel& chart)
{
    setReportSamples(input, LevelSeries{chart.xValues(0), chart.yValues(0)});
}

void setReportSamples(ReportInput& input, const LevelSeries& series)
{
    input.times.assign(series.times.begin(), series.times.end());
    input.levels.assign(series.levels.begin(), series.levels.end());
}

std::optional<SourceDigest> digestOf(const ReportSource& source, QString* error)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    SourceDigest digest;
    if (!source.bytes.isEmpty() || source.path.isEmpty()) {
        hash.addData(source.bytes);
        digest.size = source.bytes.size();
    } else {
        QFile f;
        QString why;
        if (!openInputFile(f, source.path, kAnySize, &why) || !hash.addData(&f) || f.error() != QFileDevice::NoError) {
            if (error)
                *error = QStringLiteral("%1: %2").arg(source.path, why.isEmpty() ? f.errorString() : why);
            return std::nullopt;
        }
        digest.size = f.size();
    }
    digest.sha256 = QString::fromLatin1(hash.result().toHex());
    return digest;
}

namespace {

constexpr double kLabelWidth = 130; // points

QString titleOf(const ReportInput& in) { return in.title.isEmpty() ? QStringLiteral("Noise measurement report") : in.title; }

// The figures the report shows, all from the statistics engine.
struct Figures {
    LevelSeries series;
    NoiseStatistics whole;
    std::optional<SampleSpan> between; // samples between the cursors
    std::optional<NoiseStatistics> betweenStats;
    std::vector<NoiseEvent> events;
};

// The samples whose time lies between the cursors, both ends included.
SampleSpan cursorSpan(std::span<const double> times, std::pair<double, double> cursors)
{
    const auto [from, to] = std::minmax(cursors.first, cursors.second);
    const auto begin = std::lower_bound(times.begin(), times.end(), from);
    const auto end = std::upper_bound(begin, times.end(), to);
    return {static_cast<std::size_t>(begin - times.begin()), static_cast<std::size_t>(end - times.begin())};
}

Figures figuresOf(const ReportInput& in)
{
    Figures f;
    const std::size_t n = std::min(in.times.size(), in.levels.size());
    f.series.times = std::span<const double>(in.times.data(), n);
    f.series.levels = std::span<const float>(in.levels.data(), n);
    f.series.interval = in.interval.value_or(typicalInterval(f.series.times));
    if (!(f.series.interval > 0))
        f.series.interval = 1.0;
    f.whole = computeNoiseStatistics(f.series);
    if (in.cursors) {
        f.between = cursorSpan(f.series.times, *in.cursors);
        f.betweenStats = computeNoiseStatistics(f.series, *f.between);
    }
    if (in.events)
        f.events = findEvents(f.series, {}, in.events->threshold, in.events->minDuration);
    return f;
}

QString timeOf(const std::optional<LevelAt>& at)
{
    return at ? reportTimeText(at->time) : QStringLiteral("-");
}

// The statistics of one span, one text per row of statisticsRows.
QStringList statisticsColumn(const Figures& f, const NoiseStatistics& s, SampleSpan span,
                             const std::optional<ReportEventCriteria>& events)
{
    const std::size_t end = std::min(span.end, f.series.times.size());
    const bool any = span.begin < end;
    QStringList column{
        any ? reportTimeText(f.series.times[span.begin]) : QStringLiteral("-"),
        any ? reportTimeText(f.series.times[end - 1]) : QStringLiteral("-"),
        reportDurationText(s.duration()),
        reportCountText(s.samples),
        reportCountText(s.missing),
        reportLevelText(s.leq),
        reportLevelText(s.le),
        reportLevelText(s.lmax ? std::optional(s.lmax->level) : std::nullopt),
        timeOf(s.lmax),
        reportLevelText(s.lmin ? std::optional(s.lmin->level) : std::nullopt),
        timeOf(s.lmin),
        reportLevelText(s.mean),
        reportLevelText(s.l5),
        reportLevelText(s.l10),
        reportLevelText(s.l50),
        reportLevelText(s.l90),
        reportLevelText(s.l95),
    };
    if (events)
        column << reportDurationText(timeAbove(f.series, span, events->threshold));
    return column;
}

void statisticsSection(ReportPages& pages, const ReportInput& in, const Figures& f)
{
    QStringList labels{QStringLiteral("First sample"), QStringLiteral("Last sample"), QStringLiteral("Duration"),
                       QStringLiteral("Samples counted"), QStringLiteral("Samples missing"), QStringLiteral("Leq"),
                       QStringLiteral("LE (SEL)"), QStringLiteral("Lmax"), QStringLiteral("Time of Lmax"),
                       QStringLiteral("Lmin"), QStringLiteral("Time of Lmin"),
                       QStringLiteral("Mean (arithmetic)"), QStringLiteral("L5"), QStringLiteral("L10"),
                       QStringLiteral("L50"), QStringLiteral("L90"), QStringLiteral("L95")};
    if (in.events)
        labels << QStringLiteral("Time above %1").arg(reportLevelText(in.events->threshold));
    const QStringList whole = statisticsColumn(f, f.whole, {}, in.events);
    QStringList between;
    QStringList header{QString(), QStringLiteral("Whole graph")};
    if (f.betweenStats) {
        between = statisticsColumn(f, *f.betweenStats, *f.between, in.events);
        header << QStringLiteral("Between cursors A and B");
    }
    std::vector<QStringList> rows;
    for (qsizetype r = 0; r < labels.size(); ++r) {
        rows.push_back({labels[r], whole[r]});
        if (!between.isEmpty())
            rows.back() << between[r];
    }
    const double valueWidth = (pages.width() - kLabelWidth) / 2;
    const std::vector<double> widths{kLabelWidth, valueWidth, valueWidth};
    pages.heading(QStringLiteral("Noise statistics"), pages.tableHeight(header, rows, widths));
    pages.table(header, rows, widths, true);
    pages.paragraph(QStringLiteral(
                        "Interval %1 per sample. Leq = 10 log10 of the mean of 10^(L/10) over the samples counted; "
                        "LE = Leq + 10 log10(T / 1 s), T = samples counted x interval. Ln is the level exceeded n % "
                        "of the time: the lowest 0.1 dB class level x such that the share of samples above x is at "
                        "most n %. Missing: empty samples and levels outside the meter's range, left out of every "
                        "figure.")
                        .arg(reportDurationText(f.series.interval)),
                    8);
}

void eventsSection(ReportPages& pages, const ReportInput& in, const Figures& f)
{
    pages.heading(QStringLiteral("Events"));
    if (!in.events) {
        pages.paragraph(QStringLiteral("No threshold was given: events were not looked for."));
        return;
    }
    const QString criteria = QStringLiteral("Above %1 for at least %2, over the whole graph:")
                                 .arg(reportLevelText(in.events->threshold), reportDurationText(in.events->minDuration));
    if (f.events.empty()) {
        pages.paragraph(criteria + QStringLiteral(" none."));
        return;
    }
    pages.paragraph(criteria + QStringLiteral(" %1 event%2.").arg(f.events.size()).arg(f.events.size() == 1 ? "" : "s"));
    std::vector<QStringList> rows;
    rows.reserve(f.events.size());
    for (std::size_t i = 0; i < f.events.size(); ++i) {
        const NoiseEvent& e = f.events[i];
        rows.push_back({QString::number(i + 1), reportTimeText(e.start), reportDurationText(e.duration),
                        reportLevelText(e.lmax), reportLevelText(e.leq), reportLevelText(e.le)});
    }
    const double level = 72;
    pages.table({QStringLiteral("#"), QStringLiteral("Start"), QStringLiteral("Duration"), QStringLiteral("Lmax"),
                 QStringLiteral("Leq"), QStringLiteral("LE")},
                rows, {34, 130, pages.width() - 34 - 130 - 3 * level, level, level, level});
}

void meterSection(ReportPages& pages, const ReportInput& in)
{
    pages.heading(QStringLiteral("Meter"));
    std::vector<ReportPages::Fact> facts;
    if (in.meter) {
        const ReportMeterInfo& m = *in.meter;
        const auto add = [&](const QString& label, const QString& value) {
            if (!value.isEmpty())
                facts.push_back({label, value});
        };
        add(QStringLiteral("Data set"), m.dataSet > 0 ? QString::number(m.dataSet) : QString());
        add(QStringLiteral("Weighting"), m.weighting);
        add(QStringLiteral("Response"), m.response);
        add(QStringLiteral("Range"), m.range);
        add(QStringLiteral("Interval"), m.interval ? reportDurationText(*m.interval) : QString());
        add(QStringLiteral("Start"), m.start ? reportTimeText(*m.start) : QString());
        add(QStringLiteral("Serial number"), m.serialNumber);
    }
    if (facts.empty())
        pages.paragraph(QStringLiteral("Not known for this data."));
    else
        pages.facts(facts, kLabelWidth);
}

void chartSection(ReportPages& pages, const ReportInput& in, const Figures& f)
{
    constexpr double kPlotHeight = 230, kPictureHeight = 280, kLegend = 24; // points
    if (!in.chart.isNull()) {
        const double height = std::min(kPictureHeight, pages.width() * in.chart.height() / in.chart.width());
        pages.heading(QStringLiteral("Level over time"), height);
        pages.picture(in.chart, kPictureHeight);
        return;
    }
    pages.heading(QStringLiteral("Level over time"), kPlotHeight + kLegend);
    LevelPlotOptions options;
    options.font = pages.font(7.5);
    options.span = in.cursors;
    if (in.events)
        options.threshold = in.events->threshold;
    pages.block(kPlotHeight, [&](QPainter& p, const QRectF& area) { drawLevelPlot(p, area, f.series, options); });
    QString legend = QStringLiteral("The level in dB over the samples' own clock time; the line is broken where samples are missing.");
    if (options.threshold)
        legend += QStringLiteral(" Dashed: the threshold, %1.").arg(reportLevelText(options.threshold));
    if (options.span)
        legend += QStringLiteral(" Shaded: between cursors A and B.");
    pages.paragraph(legend, 8);
}

void writeReportPages(QPdfWriter& writer, const ReportInput& in, const SourceDigest& digest)
{
    const QString version = in.version.isEmpty() ? QStringLiteral(QUEDRAL_VERSION) : in.version;
    const QString name = in.source.name.isEmpty() ? in.caption : in.source.name;
    QPainter painter(&writer);
    ReportPages pages(writer, painter,
                      QStringLiteral("Quedral %1 - %2 - SHA-256 %3").arg(version, name, digest.sha256.left(16) + "..."));
    const Figures figures = figuresOf(in);
    pages.title(titleOf(in));
    pages.facts({{QStringLiteral("Graph"), in.caption},
                 {QStringLiteral("Report made"), in.madeAt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss t"))},
                 {QStringLiteral("Program"), QStringLiteral("Quedral %1").arg(version)},
                 {QStringLiteral("Data file"), name},
                 {QStringLiteral("Size"), reportCountText(digest.size) + QStringLiteral(" bytes")},
                 {QStringLiteral("SHA-256"), digest.sha256, true}},
                kLabelWidth);
    meterSection(pages, in);
    // The figures first, on the first page with what they are of; the picture after them.
    statisticsSection(pages, in, figures);
    chartSection(pages, in, figures);
    eventsSection(pages, in, figures);
    painter.end();
}

} // namespace

QString writeEvidenceReport(const ReportInput& input, const QString& path)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QStringLiteral("%1: a report needs the graphical application object (fonts)").arg(path);
    QString error;
    const std::optional<SourceDigest> digest = digestOf(input.source, &error);
    if (!digest)
        return error;
    const auto fill = [&](QIODevice& out, QString*) {
        QPdfWriter writer(&out);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setResolution(300);
        writer.setTitle(titleOf(input));
        writer.setCreator(QStringLiteral("Quedral"));
        writeReportPages(writer, input, *digest);
        return true;
    };
    if (!writeFileWhole(path, fill, &error))
        return QStringLiteral("%1: %2").arg(path, error);
    return {};
}

} // namespace quedral
