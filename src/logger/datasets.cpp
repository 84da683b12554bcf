#include "logger/datasets.h"

#include <QLocale>
#include <cmath>
#include <algorithm>

#include "base/datetime.h"
#include "files/collectionfile.h"
#include "graph/stats/statistics.h"
#include "meter/reading.h"

namespace quedral {

namespace {

// The image's bytes, with every read checked against its length.
class Bytes {
public:
    explicit Bytes(const MemoryImage& image)
        : m_data(reinterpret_cast<const std::uint8_t*>(image.constData())), m_size(image.size())
    {
    }
    qsizetype size() const { return m_size; }
    bool has(std::int64_t p) const { return p >= 0 && p < m_size; }
    // The byte at p, or -1 outside the image.
    int at(std::int64_t p) const { return has(p) ? m_data[p] : -1; }
    // A byte of a number field: outside the image it counts as 0.
    int value(std::int64_t p) const { return has(p) ? m_data[p] : 0; }
    std::int64_t be24(std::int64_t p) const { return (value(p) << 16) | (value(p + 1) << 8) | value(p + 2); }
    const std::uint8_t* data() const { return m_data; }

private:
    const std::uint8_t* m_data;
    qsizetype m_size;
};

struct Header {
    std::int64_t H = 0;
    std::int64_t E = 0;
    std::int64_t count = 0;
};

} // namespace

DataSetInfo DataSetStore::info(int n) const
{
    DataSetInfo i;
    i.StartTime = StartTimes[n];
    i.StartReadable = startReadable(n);
    i.Interval = Intervals[n];
    i.Count = Counts[n];
    i.Mode = Modes[n];
    i.HeaderOffset = HeaderOffsets[n];
    i.EndOffset = EndOffsets[n];
    i.MaxIndex = MaxIndexes[n];
    i.MinIndex = MinIndexes[n];
    i.Average = Averages[n];
    return i;
}

std::int64_t DataSetStore::FirstSample(int n) const
{
    std::int64_t first = 0;
    for (int i = 0; i < n; ++i)
        first += Counts[i];
    return first;
}

DataSetSpan DataSetStore::Span(int n) const
{
    DataSetSpan s;
    const auto total = static_cast<std::int64_t>(Levels.size());
    s.first = std::min(FirstSample(n), total);
    s.count = std::min<std::int64_t>(Counts[n], total - s.first);
    s.start = StartTimes[n];
    s.end = s.start + Counts[n] * (Intervals[n] / 86400.0);
    return s;
}

void DataSetStore::SetStartTime(int n, double start)
{
    StartTimes[n] = start;
    if (n < static_cast<int>(StartUnreadable.size()))
        StartUnreadable[n] = 0;
    const DataSetSpan s = Span(n);
    const double dt = Intervals[n] / 86400.0;
    for (std::int64_t k = 0; k < s.count; ++k)
        SampleTimes[static_cast<size_t>(s.first + k)] = start + k * dt;
}

int lastAddressOf(const MemoryImage& image)
{
    return static_cast<int>(Bytes(image).be24(11));
}

int dataSetCountOf(const MemoryImage& image)
{
    const Bytes b(image);
    return b.value(9) * 256 + b.value(10);
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
    const std::array<char, 8>& w = result.waves[n];
    const int len = result.waveLengths[n];
    if (len >= 2 && w[0] == '0' && w[1] == '0')
        return {};
    return QString::fromLatin1(w.data(), len);
}

QStringList dataSetRow(const DecodeResult& result, int n)
{
    const DataSetStore& store = *result.store;
    const std::uint8_t mode = store.Modes[n];
    // No date is made up for a set whose header's start cannot be read.
    QString date = QStringLiteral("unreadable");
    QString time = QStringLiteral("--:--:--");
    if (store.startReadable(n)) {
        const double days = store.StartTimes[n];
        const double whole = std::floor(days);
        const int secs = static_cast<int>(std::llround((days - whole) * 86400.0)) % 86400;
        date = QLocale().toString(QDate(1899, 12, 30).addDays(static_cast<qint64>(whole)), QLocale::ShortFormat);
        time = QString::asprintf("%02d:%02d:%02d", secs / 3600, secs / 60 % 60, secs % 60);
    }
    return {QString::number(n + 1),
            date,
            time,
            intervalText(store.Intervals[n]),
            QString::number(store.Counts[n]),
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

// The six date and time bytes of a header as hexadecimal text ("26 02 31 08 15 00"); "--" for
// a byte beyond the image.
QString dateBytesText(const Bytes& b, std::int64_t H)
{
    QStringList t;
    for (int i = 0; i < 6; ++i)
        t << (b.has(H + 3 + i) ? QStringLiteral("%1").arg(b.at(H + 3 + i), 2, 16, QLatin1Char('0')).toUpper()
                               : QStringLiteral("--"));
    return t.join(' ');
}

} // namespace

DecodeResult DecodeMemoryImage(const MemoryImage& image, int lastAddress)
{
    DecodeResult result;
    const Bytes b(image);
    const int n = dataSetCountOf(image);
    if (n == 0) {
        result.code = DecodeCode::NoDataSets;
        return result;
    }
    if (n > kMaxDataSets) {
        result.code = DecodeCode::TooManyDataSets;
        return result;
    }

    DataSetStore store;
    store.StartTimes.reserve(n);
    store.StartUnreadable.reserve(n);
    store.Intervals.reserve(n);
    store.Counts.reserve(n);
    store.Modes.reserve(n);
    store.HeaderOffsets.reserve(n);
    store.EndOffsets.reserve(n);
    int code = DecodeCode::Ok;
    // A last address beyond the memory is no address of the meter's (a garbled reply): the
    // data end at the memory's end at the latest, and a set running past it has code 34.
    const std::int64_t last = std::min<std::int64_t>(lastAddress, kLoggedMemoryBytes - 1);
    // The end of the data: the last byte that exists and lies within the last address.
    const std::int64_t searchEnd = std::min<std::int64_t>(last, b.size() - 2);

    std::int64_t H = kFirstHeaderOffset;
    for (int s = 0; s < n; ++s) {
        std::int64_t C = b.be24(H + 11);
        std::int64_t E = H + 25 + BytesPerSample * C;
        if (E > last || b.at(E - 1) != 0x5A || b.at(E) != 0xA5) {
            // The count does not lead to the end marker: look for the marker itself.
            for (std::int64_t p = H + 24; p <= searchEnd; p += 2) {
                if (b.at(p) == 0x5A && b.at(p + 1) == 0xA5) {
                    E = p + 1;
                    C = std::max<std::int64_t>(0, (E - H - 25) / 2);
                    break;
                }
            }
        }
        // Only the samples that are in the image are read: a set cut short keeps those.
        const std::int64_t inImage = std::max<std::int64_t>(0, (b.size() - (H + 24)) / 2);
        const bool cutShort = C > inImage || !b.has(E);
        if (C > inImage)
            C = inImage;

        auto raise = [&](int c, QString what) {
            code = c;
            result.problems.push_back({s + 1, c, std::move(what)});
        };
        if (b.at(H) != 0xA5 || b.at(H + 1) != 0x5A)
            raise(DecodeCode::MarkerMisplaced, QStringLiteral("no start marker at offset %1").arg(H));
        else if (b.at(E - 1) != 0x5A || b.at(E) != 0xA5)
            raise(DecodeCode::MarkerMisplaced, QStringLiteral("no end marker after the samples (offset %1)").arg(E - 1));
        if (E > last || cutShort)
            raise(DecodeCode::BeyondLastAddress,
                  QStringLiteral("ends at offset %1, beyond the last address %2").arg(E).arg(lastAddress));

        store.Counts.push_back(static_cast<std::int32_t>(C));
        store.HeaderOffsets.push_back(static_cast<std::int32_t>(std::min<std::int64_t>(H, INT32_MAX)));
        store.EndOffsets.push_back(static_cast<std::int32_t>(std::min<std::int64_t>(E, INT32_MAX)));
        store.Modes.push_back(static_cast<std::uint8_t>(b.value(H + 14)));

        // Date and time: every field must read as two decimal digits and together make a
        // real date and time; otherwise the set's start is unknown, and nothing is filled in.
        int f[6];
        for (int i = 0; i < 6; ++i)
            f[i] = b.has(H + 3 + i) ? bcdValue(static_cast<std::uint8_t>(b.at(H + 3 + i))) : -1;
        const bool digits = std::all_of(std::begin(f), std::end(f), [](int v) { return v >= 0; });
        const QDate date = digits ? QDate(f[0] + 2000, f[1], f[2]) : QDate();
        const QTime time = digits ? QTime(f[3], f[4], f[5]) : QTime();
        if (date.isValid() && time.isValid()) {
            store.StartTimes.push_back(toDays(date, time));
            store.StartUnreadable.push_back(0);
        } else {
            store.StartTimes.push_back(0.0);
            store.StartUnreadable.push_back(1);
            raise(DecodeCode::StartUnreadable,
                  QStringLiteral("unreadable start date and time (header bytes %1)").arg(dateBytesText(b, H)));
        }

        const int interval = b.value(H + 10);
        store.Intervals.push_back(interval > kMaxIntervalSeconds ? 2 : interval);
        H = E + 1;
    }

    // Samples and statistics.
    std::int64_t total = 0;
    for (const std::int32_t c : store.Counts)
        total += c;
    store.Levels.reserve(static_cast<size_t>(total));
    store.SampleTimes.reserve(static_cast<size_t>(total));
    store.MaxIndexes.reserve(n);
    store.MinIndexes.reserve(n);
    store.Averages.reserve(n);
    const std::uint8_t* data = b.data();
    for (int s = 0; s < n; ++s) {
        const double dt = store.Intervals[s] / 86400.0;
        const double start = store.StartTimes[s];
        const size_t first = store.Levels.size();
        const std::int64_t p0 = static_cast<std::int64_t>(store.HeaderOffsets[s]) + 24;
        const std::int32_t count = store.Counts[s];
        for (std::int32_t k = 0; k < count; ++k) {
            const std::int64_t p = p0 + 2 * static_cast<std::int64_t>(k);
            const double tenths = (data[p] & 0x0F) * 256 + data[p + 1];
            float level = static_cast<float>(tenths * 0.1);
            if (level < 20.0f || level > 140.0f)
                level = 0.0f;
            store.Levels.push_back(level);
            store.SampleTimes.push_back(k * dt + start);
        }
        // The extremes (the first of equal ones) and the mean, as a graph's statistics have them.
        const GraphStats stats = computeGraphStatistics(std::span(store.SampleTimes).subspan(first),
                                                        std::span(store.Levels).subspan(first));
        store.MaxIndexes.push_back(stats.maximumIndex);
        store.MinIndexes.push_back(stats.minimumIndex);
        store.Averages.push_back(stats.hasAverage ? stats.average : 0.0);
    }

    // The wave file names, as the header holds them.
    result.waves.resize(n);
    result.waveLengths.resize(n);
    for (int s = 0; s < n; ++s) {
        const std::int64_t w = static_cast<std::int64_t>(store.HeaderOffsets[s]) + 15;
        std::array<char, 8>& name = result.waves[s];
        name.fill(0);
        int len = 0;
        while (len < 8 && b.has(w + len)) {
            name[len] = static_cast<char>(b.at(w + len));
            ++len;
        }
        result.waveLengths[s] = static_cast<std::uint8_t>(len);
    }
    result.code = code;
    result.store = std::move(store);
    return result;
}

} // namespace quedral
