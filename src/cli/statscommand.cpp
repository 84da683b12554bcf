#include "cli/statscommand.h"

#include "cli/arguments.h"
#include "cli/filecommands.h"

#include <QDateTime>
#include <QStringList>

#include <cmath>

#include "base/datetime.h"

namespace quedral::cli {

namespace {

QString number(double v, int decimals)
{
    QString t = QString::number(v, 'f', decimals);
    if (t == QLatin1String("-0.0") || t == QLatin1String("-0.00"))
        t.remove(0, 1);
    return t;
}
QString number(const std::optional<double>& v, int decimals) { return v ? number(*v, decimals) : QStringLiteral("null"); }

// Seconds: up to milliseconds, without trailing zeros.
QString seconds(double s)
{
    QString t = QString::number(s, 'f', 3);
    while (t.endsWith(QLatin1Char('0')))
        t.chop(1);
    if (t.endsWith(QLatin1Char('.')))
        t.chop(1);
    return t;
}

QString isoTime(double days)
{
    const QDateTime t = fromDays(days);
    const QString format = t.time().msec() != 0 ? QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")
                                                : QStringLiteral("yyyy-MM-ddTHH:mm:ss");
    return QLatin1Char('"') + t.toString(format) + QLatin1Char('"');
}

QString field(const char* key, const QString& value) { return QLatin1Char('"') + QLatin1String(key) + "\":" + value; }

QString eventsJson(const std::vector<NoiseEvent>& events)
{
    QStringList items;
    for (const NoiseEvent& e : events)
        items << "{" + QStringList{field("start", isoTime(e.start)), field("duration", seconds(e.duration)),
                                   field("lmax", number(e.lmax, 1)), field("leq", number(e.leq, 2)),
                                   field("le", number(e.le, 2))}
                           .join(',')
                     + "}";
    return "[" + items.join(',') + "]";
}

QString blocksJson(const std::vector<NoiseBlock>& blocks)
{
    QStringList items;
    for (const NoiseBlock& b : blocks)
        items << "{" + QStringList{field("start", isoTime(b.start)), field("leq", number(b.leq, 2)),
                                   field("lmax", number(b.lmax, 1)), field("lmin", number(b.lmin, 1)),
                                   field("l10", number(b.l10, 1)), field("l90", number(b.l90, 1))}
                           .join(',')
                     + "}";
    return "[" + items.join(',') + "]";
}

// A date and time as --from and --to take it: ISO 8601, local, the time optional.
std::optional<double> isoOption(const Arguments& a, const char* name, bool& ok)
{
    ok = true;
    if (!a.has(name))
        return std::nullopt;
    const QString text = a.value(name);
    QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!t.isValid()) {
        const QDate d = QDate::fromString(text, Qt::ISODate);
        if (d.isValid())
            t = QDateTime(d, QTime(0, 0));
    }
    ok = t.isValid();
    return ok ? std::optional<double>(toDays(t.date(), t.time())) : std::nullopt;
}

std::optional<double> numberOption(const Arguments& a, const char* name, bool& ok)
{
    ok = true;
    if (!a.has(name))
        return std::nullopt;
    const double v = a.value(name).toDouble(&ok);
    ok = ok && std::isfinite(v);
    return ok ? std::optional<double>(v) : std::nullopt;
}

struct StatsOptions {
    std::optional<int> set;
    std::optional<double> from, to, threshold, minDuration;
    std::optional<BlockLength> blocks;
};

// The options' values; false (with the message said) when one is not what it must be.
bool readStatsOptions(Context& ctx, const Arguments& a, StatsOptions& o)
{
    if (!dataSetOption(ctx, a, o.set))
        return false;
    bool ok = true;
    for (const auto& [name, value] : {std::pair{"--from", &o.from}, std::pair{"--to", &o.to}}) {
        *value = isoOption(a, name, ok);
        if (!ok) {
            ctx.err << name << " needs a date and time as YYYY-MM-DDThh:mm:ss\n";
            return false;
        }
    }
    if (a.has("--blocks")) {
        o.blocks = blockLengthNamed(a.value("--blocks").toLatin1().constData());
        if (!o.blocks) {
            ctx.err << "--blocks takes 1min, 5min, 15min, 1h or 1d\n";
            return false;
        }
    }
    o.threshold = numberOption(a, "--threshold", ok);
    if (!ok) {
        ctx.err << "--threshold needs a level in dB\n";
        return false;
    }
    o.minDuration = numberOption(a, "--min-duration", ok);
    if (!ok || (o.minDuration && *o.minDuration < 0)) {
        ctx.err << "--min-duration needs a number of seconds, 0 or more\n";
        return false;
    }
    if (o.minDuration && !o.threshold) {
        ctx.err << "--min-duration goes with --threshold\n";
        return false;
    }
    return true;
}

} // namespace

QString statsJson(const StatsReport& r)
{
    const NoiseStatistics& s = r.statistics;
    const auto levelAt = [](const std::optional<LevelAt>& l) {
        return std::pair{l ? number(l->level, 1) : QStringLiteral("null"), l ? isoTime(l->time) : QStringLiteral("null")};
    };
    const auto [lmax, lmaxTime] = levelAt(s.lmax);
    const auto [lmin, lminTime] = levelAt(s.lmin);
    QStringList f{field("leq", number(s.leq, 2)), field("le", number(s.le, 2)),     field("lmax", lmax),
                  field("lmax_time", lmaxTime),   field("lmin", lmin),              field("lmin_time", lminTime),
                  field("mean", number(s.mean, 2)), field("l5", number(s.l5, 1)),   field("l10", number(s.l10, 1)),
                  field("l50", number(s.l50, 1)), field("l90", number(s.l90, 1)), field("l95", number(s.l95, 1)),
                  field("samples", QString::number(s.samples)), field("missing", QString::number(s.missing))};
    if (r.timeAbove)
        f << field("time_above", seconds(*r.timeAbove));
    if (r.events)
        f << field("events", eventsJson(*r.events));
    if (r.blocks)
        f << field("blocks", blocksJson(*r.blocks));
    if (r.lden)
        f << field("lden", number(r.lden->lden, 2));
    return "{" + f.join(',') + "}";
}

int cmdStats(Context& ctx, const Arguments& a)
{
    StatsOptions o;
    if (!readStatsOptions(ctx, a, o))
        return 2;
    const QString file = a.positional(0);
    LeqSeries data;
    QString error;
    QStringList notes;
    if (!loadLeqSeries(file, o.set, data, error, &notes)) {
        ctx.err << error << "\n";
        return 1;
    }
    for (const QString& note : notes)
        ctx.err << note << "\n";
    const LevelSeries series{data.times, data.levels, data.interval.value_or(typicalInterval(data.times))};
    const SampleSpan span = spanOfTimes(data.times, o.from, o.to);
    StatsReport report;
    report.statistics = computeNoiseStatistics(series, span);
    if (o.threshold) {
        report.timeAbove = timeAbove(series, span, *o.threshold);
        report.events = findEvents(series, span, *o.threshold, o.minDuration.value_or(0.0));
    }
    if (o.blocks)
        report.blocks = blockStatistics(series, span, *o.blocks);
    report.lden = ldenOverWholeDays(series, span);
    ctx.out << statsJson(report) << "\n";
    return 0;
}

} // namespace quedral::cli
