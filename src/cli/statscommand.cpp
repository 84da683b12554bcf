#include "cli/statscommand.h"

#include "cli/arguments.h"
#include "cli/filecommands.h"

#include <QDate>
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

// The local date and time as written, without time-zone work (a time that a clock change
// skips stays as it is): days split as fromDays splits them.
QString isoTime(double days)
{
    if (!(std::fabs(days) < 1e8))
        return QStringLiteral("null");
    double whole = std::floor(days);
    qint64 ms = std::llround((days - whole) * 86400000.0);
    if (ms >= 86400000) {
        whole += 1;
        ms -= 86400000;
    }
    const QDate d = QDate(1899, 12, 30).addDays(static_cast<qint64>(whole));
    const int t = static_cast<int>(ms);
    QString text = QString::asprintf("\"%04d-%02d-%02dT%02d:%02d:%02d", d.year(), d.month(), d.day(), t / 3600000,
                                     t / 60000 % 60, t / 1000 % 60);
    if (t % 1000 != 0)
        text += QString::asprintf(".%03d", t % 1000);
    return text + QLatin1Char('"');
}

// Appends "key":value.
void field(QString& out, const char* key, const QString& value)
{
    if (!out.endsWith(QLatin1Char('{')))
        out += QLatin1Char(',');
    out += QLatin1Char('"');
    out += QLatin1String(key);
    out += QLatin1String("\":");
    out += value;
}

// Appends an array of one object per item, writeFields putting in its fields.
template <typename Item, typename WriteFields>
void appendObjects(QString& out, const std::vector<Item>& items, WriteFields writeFields)
{
    out += QLatin1Char('[');
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += i == 0 ? QLatin1String("{") : QLatin1String(",{");
        writeFields(items[i]);
        out += QLatin1Char('}');
    }
    out += QLatin1Char(']');
}

void appendEvents(QString& out, const std::vector<NoiseEvent>& events)
{
    appendObjects(out, events, [&out](const NoiseEvent& e) {
        field(out, "start", isoTime(e.start));
        field(out, "duration", secondsText(e.duration));
        field(out, "lmax", number(e.lmax, 1));
        field(out, "leq", number(e.leq, 2));
        field(out, "le", number(e.le, 2));
    });
}

void appendBlocks(QString& out, const std::vector<NoiseBlock>& blocks)
{
    appendObjects(out, blocks, [&out](const NoiseBlock& b) {
        field(out, "start", isoTime(b.start));
        field(out, "leq", number(b.leq, 2));
        field(out, "lmax", number(b.lmax, 1));
        field(out, "lmin", number(b.lmin, 1));
        field(out, "l10", number(b.l10, 1));
        field(out, "l90", number(b.l90, 1));
    });
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
    o.threshold = a.decimal("--threshold", ok);
    if (!ok) {
        ctx.err << "--threshold needs a level in dB\n";
        return false;
    }
    o.minDuration = a.decimal("--min-duration", ok);
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

QString statsJson(const NoiseReport& r)
{
    const NoiseStatistics& s = r.statistics;
    const QString null = QStringLiteral("null");
    QString out = QStringLiteral("{");
    out.reserve(512 + (r.events ? static_cast<qsizetype>(r.events->size()) * 100 : 0)
                + (r.blocks ? static_cast<qsizetype>(r.blocks->size()) * 100 : 0));
    field(out, "leq", number(s.leq, 2));
    field(out, "le", number(s.le, 2));
    field(out, "lmax", s.lmax ? number(s.lmax->level, 1) : null);
    field(out, "lmax_time", s.lmax ? isoTime(s.lmax->time) : null);
    field(out, "lmin", s.lmin ? number(s.lmin->level, 1) : null);
    field(out, "lmin_time", s.lmin ? isoTime(s.lmin->time) : null);
    field(out, "mean", number(s.mean, 2));
    field(out, "l5", number(s.l5, 1));
    field(out, "l10", number(s.l10, 1));
    field(out, "l50", number(s.l50, 1));
    field(out, "l90", number(s.l90, 1));
    field(out, "l95", number(s.l95, 1));
    field(out, "samples", QString::number(s.samples));
    field(out, "missing", QString::number(s.missing));
    if (r.timeAbove)
        field(out, "time_above", secondsText(*r.timeAbove));
    if (r.events) {
        field(out, "events", {});
        appendEvents(out, *r.events);
    }
    if (r.blocks) {
        field(out, "blocks", {});
        appendBlocks(out, *r.blocks);
    }
    if (r.lden)
        field(out, "lden", number(r.lden->lden, 2));
    return out + QLatin1Char('}');
}

int cmdStats(Context& ctx, const Arguments& a)
{
    StatsOptions o;
    if (!readStatsOptions(ctx, a, o))
        return 2;
    const QString file = a.positional(0);
    LeqSeries data;
    if (!loadSeriesForCommand(ctx, file, o.set, data))
        return 1;
    const LevelSeries series{data.times, data.levels, data.interval().value_or(typicalInterval(data.times))};
    NoiseReportOptions options;
    options.threshold = o.threshold;
    options.minDuration = o.minDuration.value_or(0.0);
    options.blocks = o.blocks;
    const NoiseReport report = computeNoiseReport(series, spanOfTimes(data.times, o.from, o.to), options);
    ctx.out << statsJson(report) << "\n";
    return 0;
}

} // namespace quedral::cli
