#pragma once
// The evidence report: a PDF of a graph's level over time, its noise statistics (the whole
// span and between cursors A and B), the events above a threshold, the meter's information
// where known, the program's version and the SHA-256 of the bytes the data came from.
#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "stats/noisestats.h"

namespace quedral {

class ChartModel;
struct DataSet;

// What the meter recorded the data with, as far as it is known (empty texts are not shown).
struct ReportMeterInfo {
    int dataSet = 0;                 // its number in the collection (from 1); 0: none
    QString weighting;               // "dBA", "dBC"
    QString response;                // "FAST", "SLOW"
    QString range;                   // "30-130" (dB)
    std::optional<double> interval;  // seconds
    std::optional<double> start;     // days since 30 Dec 1899
    QString serialNumber;
};
// Data set `number` (from 1) of a collection: its mode, interval and start.
ReportMeterInfo reportMeterInfoOf(const DataSet& set, int number);

// Where the data came from: the name shown and either the bytes themselves or the file that
// holds them (read when the report is written).
struct ReportSource {
    QString name;
    QByteArray bytes;
    QString path;
};

struct ReportEventCriteria {
    double threshold = 0;   // dB
    double minDuration = 0; // seconds
};

struct ReportInput {
    QString title;   // empty: "Noise measurement report"
    QString caption; // the graph: its file name or its window's caption
    QDateTime madeAt;
    // The samples (a graph's subset 0): times in days since 30 Dec 1899, levels in dB; nulls
    // and out-of-range levels count as missing.
    std::vector<double> times;
    std::vector<float> levels;
    std::optional<double> interval; // seconds per sample; else the usual step between times
    QImage chart; // the graph as shown; null: the report draws the level over time itself
    std::optional<std::pair<double, double>> cursors; // A and B (days), in either order
    std::optional<ReportEventCriteria> events;
    std::optional<ReportMeterInfo> meter;
    ReportSource source;
    QString version; // empty: this program's
};

// Subset 0 of a chart as the report's samples.
void setReportSamples(ReportInput& input, const ChartModel& chart);
// The samples of a series (a graph window's, as its noise statistics count them).
void setReportSamples(ReportInput& input, const LevelSeries& series);

// The SHA-256 of the source, in lower-case hex, and the number of bytes; the bytes given or
// else the file read. nullopt with the reason when the file cannot be read.
struct SourceDigest {
    QString sha256;
    std::int64_t size = 0;
};
std::optional<SourceDigest> digestOf(const ReportSource& source, QString* error);

// Writes the report as a PDF (A4 pages) to path. Empty on success; otherwise the reason, and
// path is as it was (the PDF is written beside it and takes its name only when whole).
QString writeEvidenceReport(const ReportInput& input, const QString& path);

} // namespace quedral
