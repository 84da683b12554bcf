#pragma once
// The texts the service gives out: the Prometheus text exposition of /metrics, the InfluxDB
// line protocol and the local log's CSV lines. Pure functions.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "serve/levelaggregator.h"

namespace quedral {

// What a meter looks like to the outside at one moment.
struct MeterMetrics {
    QString serial;
    bool up = false;                 // the last poll succeeded
    std::uint64_t readings = 0;      // readings taken since the start
    std::uint64_t failures = 0;      // polls that failed since the start
    // From the last reading (absent before the first one):
    std::optional<double> level;
    bool weightingA = true;
    bool fast = true;
    std::optional<PeriodFigures> minute; // the last whole minute
};

// "A" or "C"; "FAST" or "SLOW".
inline QString weightingText(bool a) { return a ? QStringLiteral("A") : QStringLiteral("C"); }
inline QString responseText(bool fast) { return fast ? QStringLiteral("FAST") : QStringLiteral("SLOW"); }

// A label value escaped for the exposition format: backslash, double quote and line feed.
QString escapePrometheusLabel(const QString& value);

// The text exposition (version 0.0.4) of every meter: each metric once with its HELP and TYPE
// lines, then one sample per meter. The levels carry meter, weighting and response; up and
// the counters only meter, so a key pressed on the meter does not start a new counter.
QString prometheusText(const std::vector<MeterMetrics>& meters);

// A tag key or value escaped for the line protocol: comma, equals sign and space.
QString escapeInfluxTag(const QString& value);

// One line protocol line of a closed period, with its time in nanoseconds:
// quedral,meter=SN,weighting=A,response=FAST,period=1s leq=63.42,lmax=64.1,lmin=62.8,readings=2i 1767268800000000000
QString influxLine(const QString& serial, bool weightingA, bool fast, const PeriodFigures& period);

// The local log's header and one line per second, both ending in a line feed:
// time (local ISO 8601 with its offset),meter,weighting,response,leq,lmax,lmin,readings
QString logHeader();
QString logLine(const QString& serial, bool weightingA, bool fast, const PeriodFigures& second);

// One line of the local log read back; nothing for the header or a line that does not read.
struct LoggedSecond {
    QString serial;
    bool weightingA = true;
    bool fast = true;
    PeriodFigures second;
};
std::optional<LoggedSecond> parseLogLine(const QString& line);

// A closed period as the JSON object the publishers send, on one line:
// {"time":"2026-12-11T10:15:03+01:00","meter":"SN","weighting":"A","response":"FAST","period":"1s",
//  "leq":63.42,"lmax":64.1,"lmin":62.8,"readings":2}
// with "l10" and "l90" when known, and "late":true for a period sent after its time.
QByteArray periodJson(const QString& serial, bool weightingA, bool fast, const PeriodFigures& period, bool late = false);

} // namespace quedral
