#include "serve/exposition.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace quedral {

namespace {

QString db1(double v) { return QString::number(v, 'f', 1); }
QString db2(double v) { return QString::number(v, 'f', 2); }

QString isoTime(const QDateTime& t)
{
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate);
}

QString labels(const MeterMetrics& m, bool withMode, const char* period = nullptr)
{
    QString s = QStringLiteral("meter=\"%1\"").arg(escapePrometheusLabel(m.serial));
    if (withMode)
        s += QStringLiteral(",weighting=\"%1\",response=\"%2\"").arg(weightingText(m.weightingA), responseText(m.fast));
    if (period)
        s += QStringLiteral(",period=\"%1\"").arg(QLatin1String(period));
    return "{" + s + "}";
}

struct Metric {
    const char* name;
    const char* type;
    const char* help;
    // The sample's labels and value for a meter, or nothing when it has none.
    std::optional<std::pair<QString, QString>> (*sample)(const MeterMetrics& m);
};

const Metric kMetrics[] = {
    {"quedral_level_db", "gauge", "The last level the meter showed, in dB.",
     [](const MeterMetrics& m) -> std::optional<std::pair<QString, QString>> {
         if (!m.level)
             return std::nullopt;
         return std::pair{labels(m, true), db1(*m.level)};
     }},
    {"quedral_leq_db", "gauge", "The equivalent continuous level of the last whole minute, in dB.",
     [](const MeterMetrics& m) -> std::optional<std::pair<QString, QString>> {
         if (!m.minute)
             return std::nullopt;
         return std::pair{labels(m, true, "1m"), db2(m.minute->leq)};
     }},
    {"quedral_lmax_db", "gauge", "The highest level of the last whole minute, in dB.",
     [](const MeterMetrics& m) -> std::optional<std::pair<QString, QString>> {
         if (!m.minute)
             return std::nullopt;
         return std::pair{labels(m, true, "1m"), db1(m.minute->lmax)};
     }},
    {"quedral_up", "gauge", "1 while the last poll of the meter succeeded, else 0.",
     [](const MeterMetrics& m) -> std::optional<std::pair<QString, QString>> {
         return std::pair{labels(m, false), QString(m.up ? "1" : "0")};
     }},
    {"quedral_readings_total", "counter", "Readings taken from the meter.",
     [](const MeterMetrics& m) -> std::optional<std::pair<QString, QString>> {
         return std::pair{labels(m, false), QString::number(m.readings)};
     }},
    {"quedral_read_failures_total", "counter", "Polls of the meter that failed.",
     [](const MeterMetrics& m) -> std::optional<std::pair<QString, QString>> {
         return std::pair{labels(m, false), QString::number(m.failures)};
     }},
};

} // namespace

QString escapePrometheusLabel(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == '\\')
            out += QStringLiteral("\\\\");
        else if (c == '"')
            out += QStringLiteral("\\\"");
        else if (c == '\n')
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

QString prometheusText(const std::vector<MeterMetrics>& meters)
{
    QString text;
    for (const Metric& metric : kMetrics) {
        text += QStringLiteral("# HELP %1 %2\n# TYPE %1 %3\n")
                    .arg(QLatin1String(metric.name), QLatin1String(metric.help), QLatin1String(metric.type));
        for (const MeterMetrics& m : meters)
            if (const auto sample = metric.sample(m))
                text += QLatin1String(metric.name) + sample->first + ' ' + sample->second + '\n';
    }
    return text;
}

QString escapeInfluxTag(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == ',' || c == '=' || c == ' ' || c == '\\')
            out += '\\';
        out += (c == '\n' || c == '\r') ? QChar(' ') : c;
    }
    return out;
}

QString influxLine(const QString& serial, bool weightingA, bool fast, const PeriodFigures& p)
{
    QStringList fields{"leq=" + db2(p.leq), "lmax=" + db1(p.lmax), "lmin=" + db1(p.lmin)};
    if (p.l10)
        fields << "l10=" + db1(*p.l10);
    if (p.l90)
        fields << "l90=" + db1(*p.l90);
    fields << QStringLiteral("readings=%1i").arg(p.readings);
    const qint64 nanoseconds = p.start.toMSecsSinceEpoch() * 1000000;
    return QStringLiteral("quedral,meter=%1,weighting=%2,response=%3,period=%4 %5 %6\n")
        .arg(escapeInfluxTag(serial), weightingText(weightingA), responseText(fast),
             p.seconds == 60 ? QStringLiteral("1m") : QStringLiteral("1s"), fields.join(','),
             QString::number(nanoseconds));
}

QString logHeader()
{
    return QStringLiteral("time,meter,weighting,response,leq,lmax,lmin,readings\n");
}

QString logLine(const QString& serial, bool weightingA, bool fast, const PeriodFigures& s)
{
    QString meter = serial;
    meter.replace(',', ' ').replace('\n', ' ').replace('\r', ' ').replace('"', ' ');
    return QStringList{isoTime(s.start), meter,
                       weightingText(weightingA), responseText(fast), db2(s.leq), db1(s.lmax), db1(s.lmin),
                       QString::number(s.readings)}
               .join(',')
           + '\n';
}

std::optional<LoggedSecond> parseLogLine(const QString& line)
{
    const QStringList f = line.trimmed().split(',');
    if (f.size() != 8)
        return std::nullopt;
    LoggedSecond s;
    s.second.start = QDateTime::fromString(f[0], Qt::ISODate);
    bool ok[4] = {};
    s.second.leq = f[4].toDouble(&ok[0]);
    s.second.lmax = f[5].toDouble(&ok[1]);
    s.second.lmin = f[6].toDouble(&ok[2]);
    s.second.readings = f[7].toLongLong(&ok[3]);
    const bool modeOk = (f[2] == "A" || f[2] == "C") && (f[3] == "FAST" || f[3] == "SLOW");
    if (!s.second.start.isValid() || !modeOk || !(ok[0] && ok[1] && ok[2] && ok[3]))
        return std::nullopt;
    s.serial = f[1];
    s.weightingA = f[2] == "A";
    s.fast = f[3] == "FAST";
    s.second.seconds = 1;
    return s;
}

QByteArray periodJson(const QString& serial, bool weightingA, bool fast, const PeriodFigures& p, bool late)
{
    // The figures are rounded as the log and /metrics round them.
    QJsonObject o{{"time", isoTime(p.start)},
                  {"meter", serial},
                  {"weighting", weightingText(weightingA)},
                  {"response", responseText(fast)},
                  {"period", p.seconds == 60 ? "1m" : "1s"},
                  {"leq", db2(p.leq).toDouble()},
                  {"lmax", db1(p.lmax).toDouble()},
                  {"lmin", db1(p.lmin).toDouble()},
                  {"readings", qint64(p.readings)}};
    if (p.l10)
        o.insert("l10", db1(*p.l10).toDouble());
    if (p.l90)
        o.insert("l90", db1(*p.l90).toDouble());
    if (late)
        o.insert("late", true);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

} // namespace quedral
