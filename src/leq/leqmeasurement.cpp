#include "leq/leqmeasurement.h"

#include <QLocale>

#include "base/datetime.h"
#include "base/filewrite.h"
#include "files/textfiles.h"
#include "chart/chartmodel.h"
#include "graph/graphformat.h"
#include "graph/leqchart.h"
#include "stats/leqmath.h"
#include "meter/reading.h"

namespace quedral {

void LeqMeasurement::start(int durationSeconds)
{
    m_state = LeqState{};
    m_state.SecondsLeft = durationSeconds;
}

void LeqMeasurement::readingTexts(const LeqReply& reply, const QDateTime& now, QString& date, QString& time,
                                  double* when)
{
    const int year = bcdValue(reply[21]), month = bcdValue(reply[19]), day = bcdValue(reply[20]);
    const int hour = bcdValue(reply[17]), minute = bcdValue(reply[16]), second = bcdValue(reply[15]);
    const QDate d(2000 + year, month, day);
    const QTime t(hour, minute, second);
    const bool readable = year >= 0 && month >= 0 && day >= 0 && hour >= 0 && minute >= 0 && second >= 0;
    if (readable && d.isValid() && t.isValid()) {
        date = formatShortDate(d);
        time = formatLongTime(t);
        if (when)
            *when = toDays(d, t);
    } else {
        const QTime whole(now.time().hour(), now.time().minute(), now.time().second());
        date = formatShortDate(now.date());
        time = formatLongTime(whole);
        if (when)
            *when = toDays(now.date(), whole);
    }
}

QString leqRowText(const LeqRow& row, int column, const QLocale& locale)
{
    QLocale numbers(locale);
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    switch (column) {
    case 0: return QString::number(row.row);
    case 1: return row.date;
    case 2: return row.time;
    case 3: return row.hasLevels ? numbers.toString(double(row.spl), 'f', 1) : QString();
    case 4: return row.hasLevels ? numbers.toString(double(row.leq), 'f', 1) : QString();
    default: return {};
    }
}

std::int64_t writeLeqTable(QIODevice& out, const std::vector<LeqRow>& rows, const QLocale& locale)
{
    const auto cell = [&](int r, int c) { return leqRowText(rows[static_cast<size_t>(r - 1)], c, locale); };
    return writeGridText(out, cell, 4, TextRange{1, static_cast<int>(rows.size())}, QLatin1Char('\t'));
}

bool saveLeqTable(const QString& fileName, const std::vector<LeqRow>& rows, QString* error)
{
    const auto fill = [&rows](QIODevice& out, QString*) {
        writeLeqTable(out, rows);
        return true;
    };
    return writeFileWhole(fileName, fill, error);
}

void putLeqTable(ChartModel& chart, const std::vector<LeqRow>& rows)
{
    const int n = static_cast<int>(rows.size());
    newSplLeqChart(chart, n, rows.front().when, rows.back().when);
    for (int r = 0; r < n; ++r) {
        chart.setXDataII(0, r, rows[r].when);
        chart.setXDataII(1, r, rows[r].when);
        if (rows[r].hasLevels) {
            chart.setYData(0, r, rows[r].spl);
            chart.setYData(1, r, rows[r].leq);
        }
    }
}

QString LeqMeasurement::timeLeftText(int seconds)
{
    return QStringLiteral("%1:%2:%3").arg(seconds / 3600).arg((seconds / 60) % 60).arg(seconds % 60);
}

LeqTick LeqMeasurement::tick(bool readOk, const LeqReply& reply, const QDateTime& now)
{
    LeqTick out;
    LeqState& s = m_state;
    const int raw = reply[5] * 256 + reply[6];
    // A level the meter cannot show is a garbled reply: a failed read, neither logged nor averaged.
    if (!readOk || !isPossibleLevel(raw)) {
        out.readFailed = true;
        ++s.ReadFailures;
        out.failedOut = s.ReadFailures > kFailureLimit;
        return out;
    }
    QString date, time;
    double when = 0;
    readingTexts(reply, now, date, time, &when);
    const std::uint8_t tag = reply[15];
    const float level = static_cast<float>(raw) * 0.1f;
    out.logLine = time + QLatin1Char('\t') + QString::number(level, 'f', 1);

    if (!s.Started) {
        // The first reading only starts the measurement; it counts in no second.
        s.Started = true;
        s.LastSecondTag = tag;
        s.LastDateText = date;
        s.LastTimeText = time;
        s.LastWhen = when;
        s.SecondReadings = 0;
        s.SecondTotal = 0;
        s.LastLeq = level;
        return out;
    }
    if (tag == s.LastSecondTag) {
        ++s.SecondReadings;
        s.SecondTotal += raw;
        return out;
    }

    // A new second: finish the previous one. The reading that opened the new second is not
    // counted in it.
    ++s.SecondsCounted;
    LeqRow row;
    row.row = s.Row;
    row.date = s.LastDateText;
    row.time = s.LastTimeText;
    row.when = s.LastWhen;
    if (s.SecondReadings > 0) {
        row.hasLevels = true;
        row.readings = s.SecondReadings;
        row.spl = secondSpl(s.SecondTotal, s.SecondReadings);
        row.leq = leqStep(s.LastLeq, row.spl, s.SecondsCounted);
        s.LastLeq = row.leq;
        s.SecondReadings = 0;
        s.SecondTotal = 0;
    }
    ++s.Row;
    out.row = row;
    --s.SecondsLeft;
    out.durationReached = s.SecondsLeft < 1;
    s.LastSecondTag = tag;
    s.LastDateText = date;
    s.LastTimeText = time;
    s.LastWhen = when;
    out.secondsLeft = s.SecondsLeft;
    return out;
}

} // namespace quedral
