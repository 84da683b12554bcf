#include "logger/datasets.h"

#include <QLocale>
#include <cmath>
#include <algorithm>

#include "base/datetime.h"
#include "stats/statistics.h"

namespace quedral {

std::int64_t DataSetStore::firstSample(int n) const
{
    std::int64_t first = 0;
    for (int i = 0; i < n; ++i)
        first += sets[static_cast<size_t>(i)].count;
    return first;
}

DataSetSpan DataSetStore::Span(int n) const
{
    const DataSet& set = info(n);
    DataSetSpan s;
    const auto total = static_cast<std::int64_t>(Levels.size());
    s.first = std::min(firstSample(n), total);
    s.count = std::min<std::int64_t>(set.count, total - s.first);
    s.start = set.start;
    s.end = s.start + set.count * (set.interval / 86400.0);
    return s;
}

void DataSetStore::setStartTime(int n, double start)
{
    DataSet& set = sets[static_cast<size_t>(n)];
    set.start = start;
    set.startUnreadable = false;
    const DataSetSpan s = Span(n);
    const double dt = set.interval / 86400.0;
    for (std::int64_t k = 0; k < s.count; ++k)
        SampleTimes[static_cast<size_t>(s.first + k)] = start + k * dt;
}

QString rangeTextOfMode(std::uint8_t mode)
{
    static const char* const texts[4] = {"30-90", "50-110", "70-130", "30-130"};
    return QString::fromLatin1(texts[(mode & ModeRangeMask) >> 2]);
}

QString intervalText(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60, 2, 10, QLatin1Char('0')).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString waveText(const DecodeResult& result, int n)
{
    const WaveFileName& w = result.store->info(n).wave;
    if (w.length >= 2 && w.bytes[0] == '0' && w.bytes[1] == '0')
        return {};
    return QString::fromLatin1(w.bytes.data(), w.length);
}

QStringList dataSetRow(const DecodeResult& result, int n)
{
    const DataSet& set = result.store->info(n);
    const std::uint8_t mode = set.mode;
    // No date is made up for a set whose header's start cannot be read.
    QString date = QStringLiteral("unreadable");
    QString time = QStringLiteral("--:--:--");
    if (!set.startUnreadable) {
        const double days = set.start;
        const double whole = std::floor(days);
        const int secs = static_cast<int>(std::llround((days - whole) * 86400.0)) % 86400;
        date = QLocale().toString(QDate(1899, 12, 30).addDays(static_cast<qint64>(whole)), QLocale::ShortFormat);
        time = QString::asprintf("%02d:%02d:%02d", secs / 3600, secs / 60 % 60, secs % 60);
    }
    return {QString::number(n + 1),
            date,
            time,
            intervalText(set.interval),
            QString::number(set.count),
            (mode & ModeAWeighting) ? QStringLiteral("dBA") : QStringLiteral("dBC"),
            (mode & ModeFast) ? QStringLiteral("FAST") : QStringLiteral("SLOW"),
            rangeTextOfMode(mode),
            waveText(result, n)};
}

QString damagedSetsText(const DecodeResult& result)
{
    QStringList sets;
    for (const DecodeProblem& p : result.problems) {
        const QString n = QString::number(p.set);
        if (sets.isEmpty() || sets.last() != n)
            sets << n;
    }
    return sets.join(QStringLiteral(", "));
}

QString decodeProblemsText(const DecodeResult& result, int maxProblems)
{
    if (result.problems.empty())
        return {};
    QStringList lines;
    lines << QStringLiteral("decode code %1: damaged data sets %2").arg(result.code).arg(damagedSetsText(result));
    const auto total = static_cast<int>(result.problems.size());
    const int shown = maxProblems >= 0 ? std::min(maxProblems, total) : total;
    for (int i = 0; i < shown; ++i) {
        const DecodeProblem& p = result.problems[i];
        lines << QStringLiteral("data set %1: %2 (code %3)").arg(p.set).arg(p.what).arg(p.code);
    }
    if (shown < total)
        lines << QStringLiteral("... and %1 more").arg(total - shown);
    return lines.join('\n');
}

namespace {

// A set of the store from its record; the statistics follow with the samples.
DataSet dataSetOf(const SetRecord& record)
{
    DataSet set;
    set.startUnreadable = !record.startReadable();
    set.start = set.startUnreadable ? 0.0 : toDays(record.startDate, record.startTime);
    set.interval = record.interval;
    set.count = record.count;
    set.mode = record.mode;
    set.headerOffset = record.headerOffset;
    set.endOffset = record.endOffset;
    set.wave = record.wave;
    return set;
}

// Appends the set's samples (levels in dB, 0.0 outside 20.0 .. 140.0, and their times) to the
// store and fills in its extremes and mean, as a graph's statistics have them (the first of
// equal extremes).
void appendSamples(DataSetStore& store, DataSet& set, const std::uint8_t* data)
{
    const double dt = set.interval / 86400.0;
    const double start = set.start;
    const size_t first = store.Levels.size();
    const std::uint8_t* p = data + static_cast<std::int64_t>(set.headerOffset) + SetField::Samples;
    const std::int32_t count = set.count;
    for (std::int32_t k = 0; k < count; ++k, p += BytesPerSample) {
        const double tenths = sampleTenths(p);
        float level = static_cast<float>(tenths * 0.1);
        if (level < 20.0f || level > 140.0f)
            level = 0.0f;
        store.Levels.push_back(level);
        store.SampleTimes.push_back(k * dt + start);
    }
    const GraphStats stats = computeGraphStatistics(std::span(store.SampleTimes).subspan(first),
                                                    std::span(store.Levels).subspan(first));
    set.maxIndex = stats.maximumIndex;
    set.minIndex = stats.minimumIndex;
    set.average = stats.hasAverage ? stats.average : 0.0;
}

} // namespace

DecodeResult decodeMemoryImage(const MemoryImage& image, int lastAddress)
{
    LoggedMemory memory = decodeLoggedMemory(image, lastAddress);
    DecodeResult result;
    result.code = memory.code;
    result.problems = std::move(memory.problems);
    if (!replacesDataSets(memory.code))
        return result;

    DataSetStore store;
    store.sets.reserve(memory.sets.size());
    std::int64_t total = 0;
    for (const SetRecord& record : memory.sets) {
        store.sets.push_back(dataSetOf(record));
        total += record.count;
    }
    store.Levels.reserve(static_cast<size_t>(total));
    store.SampleTimes.reserve(static_cast<size_t>(total));
    const auto* data = reinterpret_cast<const std::uint8_t*>(image.constData());
    for (DataSet& set : store.sets)
        appendSamples(store, set, data);
    result.store = std::move(store);
    return result;
}

} // namespace quedral
