// Text and CSV files: graph lines, the export of a chart and of a table, the export range,
// the import into a list table and reading a list row's date and time.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDate>
#include <QLocale>
#include <QTime>

#include "base/datetime.h"
#include "files/textfiles.h"
#include "chart/chartmodel.h"
#include "support/sourcedevice.h"
#include "support/testenv.h"

using namespace quedral;

namespace {
using test::kUs;
using test::kDe;
using test::days;

ListTable importText(const QByteArray& text, QChar separator, const KeepGoing& keepGoing = {})
{
    QByteArray bytes = text;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    return importListTable(in, separator, keepGoing);
}

QStringList rowOf(const ListTable& t, int row)
{
    QStringList out;
    for (int c = 0; c < ListTable::kColumns; ++c)
        out << t.cell(row, c);
    return out;
}

QStringList headersOf(const ListTable& t)
{
    QStringList out;
    for (int c = 0; c < ListTable::kColumns; ++c)
        out << t.header(c);
    return out;
}

// A chart of n points, one second apart from 13:05:07 on 14 March 2024, levels 50.0, 50.1, ...
ChartModel chartOf(int n, int subsets = 1)
{
    ChartModel chart;
    chart.setSubsets(subsets);
    chart.setPoints(n);
    for (int i = 0; i < n; ++i) {
        chart.setXDataII(0, i, days(2024, 3, 14, 13, 5, 7) + i * kSecondInDays);
        for (int s = 0; s < subsets; ++s)
            chart.setYData(s, i, 50.0f + 0.1f * i + 10.0f * s);
    }
    return chart;
}

QList<QByteArray> linesOf(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    EXPECT_TRUE(lines.last().isEmpty()) << "the last line has its line end";
    lines.removeLast();
    for (const QByteArray& l : lines)
        EXPECT_TRUE(l.endsWith('\r'));
    for (QByteArray& l : lines)
        l.chop(1);
    return lines;
}
} // namespace

TEST(GraphTextLine, FieldsTimesAndLevelsByLocaleAndSeparator)
{
    const double t = days(2024, 3, 14, 13, 5, 7);
    struct Case {
        const char* what;
        double time;
        float level;
        std::optional<float> level2;
        QChar separator;
        QLocale locale;
        QByteArray line;
    };
    const Case cases[] = {
        {"tab", t, 65.3f, {}, '\t', kUs, "3/14/24\t13:05:07.0\t65.3"},
        {"csv: blanks after the first two commas", t, 65.3f, {}, ',', kUs, "3/14/24, 13:05:07.0, 65.3"},
        {"tab, two levels", t, 65.3f, 61.25f, '\t', kUs, "3/14/24\t13:05:07.0\t65.3\t61.3"},
        {"csv, two levels: no blank before the second", t, 65.3f, 61.0f, ',', kUs, "3/14/24, 13:05:07.0, 65.3,61.0"},
        {"half a second", days(2026, 1, 2, 9, 3, 0, 500), 70.0f, {}, '\t', kUs, "1/2/26\t09:03:00.500\t70.0"},
        {"five milliseconds", days(2026, 1, 2, 9, 3, 0, 5), 70.0f, {}, '\t', kUs, "1/2/26\t09:03:00.5\t70.0"},
        {"fifty milliseconds", days(2026, 1, 2, 9, 3, 0, 50), 70.0f, {}, '\t', kUs, "1/2/26\t09:03:00.50\t70.0"},
        {"one millisecond", days(2026, 1, 2, 9, 3, 0, 1), 70.0f, {}, '\t', kUs, "1/2/26\t09:03:00.1\t70.0"},
        {"ten milliseconds: the zero after the one stays", days(2026, 1, 2, 9, 3, 0, 10), 70.0f, {}, '\t', kUs,
         "1/2/26\t09:03:00.10\t70.0"},
        {"a hundred milliseconds: both zeros stay", days(2026, 1, 2, 9, 3, 0, 100), 70.0f, {}, '\t', kUs,
         "1/2/26\t09:03:00.100\t70.0"},
        {"a hundred and ten milliseconds", days(2026, 1, 2, 9, 3, 0, 110), 70.0f, {}, '\t', kUs,
         "1/2/26\t09:03:00.110\t70.0"},
        {"a hundred and one milliseconds: the inner zero stays", days(2026, 1, 2, 9, 3, 0, 101), 70.0f, {}, '\t',
         kUs, "1/2/26\t09:03:00.101\t70.0"},
        {"midnight, level 0", days(2026, 1, 2, 0, 0, 0), 0.0f, {}, '\t', kUs, "1/2/26\t00:00:00.0\t0.0"},
        {"a hair before midnight is the next day", days(2026, 1, 3, 0, 0, 0) - 1e-10, 30.0f, {}, '\t', kUs,
         "1/3/26\t00:00:00.0\t30.0"},
        {"last millisecond of the day", days(2026, 1, 2, 23, 59, 59, 999), 130.04f, {}, '\t', kUs,
         "1/2/26\t23:59:59.999\t130.0"},
        {"null level, large, no group separator", t, 9999.0f, {}, '\t', kUs, "3/14/24\t13:05:07.0\t9999.0"},
        {"rounding half away from zero", t, 65.25f, -0.25f, '\t', kUs, "3/14/24\t13:05:07.0\t65.3\t-0.3"},
        {"beyond the hand-made digits, two levels", t, 1e16f, 1e16f, '\t', kDe,
         "14.03.24\t13:05:07.0\t10000000272564224,0\t10000000272564224,0"},
        {"German: date and decimal comma", t, 65.3f, {}, '\t', kDe, "14.03.24\t13:05:07.0\t65,3"},
        {"German, 1000 dB: no group separator", t, 1000.0f, {}, '\t', kDe, "14.03.24\t13:05:07.0\t1000,0"},
        {"German csv: the level splits at its decimal comma", t, 65.3f, 61.0f, ',', kDe,
         "14.03.24, 13:05:07.0, 65,3,61,0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(graphTextLine(c.time, c.level, c.level2, c.separator, c.locale), c.line);
    }
}

TEST(GraphTextLine, DefaultLocaleIsTheUsers)
{
    test::ScopedDefaultLocale german(kDe);
    EXPECT_EQ(graphTextLine(days(2024, 3, 14, 13, 5, 7), 65.3f, {}, '\t'), QByteArray("14.03.24\t13:05:07.0\t65,3"));
}

TEST(ExportRange, RangeDialogRules)
{
    struct Case {
        bool all;
        const char* from;
        const char* to;
        std::optional<TextRange> want;
    };
    const Case cases[] = {
        {true, "x", "y", TextRange{1, 300}},  // All ignores the fields
        {false, "10", "20", TextRange{10, 20}},
        {false, "20", "10", TextRange{10, 20}},   // swapped
        {false, "0", "5", TextRange{1, 5}},       // from 0 reads as 1
        {false, "250", "999", TextRange{250, 300}}, // beyond the end
        {false, "-3", "7", TextRange{3, 7}},      // negative: its absolute value
        {false, "7", "-3", TextRange{3, 7}},
        {false, "1", "abc", std::nullopt},        // "invalid integer"
        {false, "", "5", std::nullopt},
        {false, "1.5", "5", std::nullopt},
        {false, "1", "99999999999", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " .. " + c.to);
        const std::optional<TextRange> r = resolveTextRange(c.all, c.from, c.to, 300);
        ASSERT_EQ(r.has_value(), c.want.has_value());
        if (r) {
            EXPECT_EQ(r->from, c.want->from);
            EXPECT_EQ(r->to, c.want->to);
        }
    }
}

TEST(GraphTextExport, WritesTheRangeAndEndsAtAnUnfilledPoint)
{
    ChartModel chart = chartOf(300);
    for (int i = 200; i < 300; ++i) // the last 100 points were never filled
        chart.setXDataII(0, i, 0.0);
    struct Case {
        TextRange range;
        int lines;
        int firstPoint; // 1-based
    };
    const Case cases[] = {{{1, 300}, 200, 1}, {{10, 20}, 11, 10}, {{150, 250}, 51, 150}, {{250, 300}, 0, 0},
                          {{301, 300}, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.range.from) + " .. " + std::to_string(c.range.to));
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        EXPECT_EQ(writeGraphText(out, chart, c.range, '\t', {}, kUs), c.lines);
        const QList<QByteArray> lines = linesOf(out.data());
        ASSERT_EQ(lines.size(), c.lines);
        if (c.lines > 0) {
            const int p = c.firstPoint - 1;
            EXPECT_EQ(lines.front(), graphTextLine(chart.xDataII(0, p), chart.yData(0, p), {}, '\t', kUs));
        }
    }
}

TEST(GraphTextExport, SecondLevelOnlyWithExactlyTwoSubsets)
{
    for (int subsets : {1, 2, 3}) {
        SCOPED_TRACE(subsets);
        const ChartModel chart = chartOf(3, subsets);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        writeGraphText(out, chart, {1, 3}, ',', {}, kUs);
        const QList<QByteArray> lines = linesOf(out.data());
        ASSERT_EQ(lines.size(), 3);
        EXPECT_EQ(lines[1], subsets == 2 ? QByteArray("3/14/24, 13:05:08.0, 50.1,60.1")
                                         : QByteArray("3/14/24, 13:05:08.0, 50.1"));
    }
}

TEST(GraphTextExport, CancelKeepsTheCompleteLinesSoFar)
{
    const ChartModel chart = chartOf(100);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    std::int64_t asked = 0;
    EXPECT_EQ(writeGraphText(out, chart, {1, 100}, '\t', [&](std::int64_t done) { asked = done; return done < 7; }, kUs),
              7);
    EXPECT_EQ(asked, 7);
    EXPECT_EQ(linesOf(out.data()).size(), 7);
}

TEST(GridTextExport, EveryCellFollowedByTheSeparator)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const auto cell = [](int row, int column) { return QStringLiteral("r%1c%2").arg(row).arg(column); };
    EXPECT_EQ(writeGridText(out, cell, 6, {2, 3}, gridTextSeparator("/x/TABLE.CSV")), 2);
    EXPECT_EQ(out.data(), QByteArray("r2c1,r2c2,r2c3,r2c4,r2c5,r2c6,\r\nr3c1,r3c2,r3c3,r3c4,r3c5,r3c6,\r\n"));

    EXPECT_EQ(gridTextSeparator("a.csv"), QChar(','));
    EXPECT_EQ(gridTextSeparator("a.txt"), QChar('\t'));
    EXPECT_EQ(gridTextSeparator("a.csv.txt"), QChar('\t'));
    EXPECT_EQ(gridTextSeparator("acsv"), QChar(',')); // the last three letters decide
}

TEST(ListImport, RowsColumnsAndWhereReadingEnds)
{
    struct Case {
        const char* what;
        QByteArray text;
        QChar separator;
        std::vector<QStringList> rows; // columns 0 .. 6
    };
    const QString longField(200, QChar('x'));
    const Case cases[] = {
        {"an empty third line ends it", "a\tb\r\nc\td\r\n\r\ne\tf\r\n", '\t',
         {{"1", "a", "b", "", "", "", ""}, {"2", "c", "d", "", "", "", ""}}},
        {"a line without a separator ends it", "a\tb\nplain\nc\td\n", '\t', {{"1", "a", "b", "", "", "", ""}}},
        {"ten fields: six kept", "1\t2\t3\t4\t5\t6\t7\t8\t9\t10\n", '\t', {{"1", "1", "2", "3", "4", "5", "6"}}},
        {"trailing separator: no extra column", "a\tb\t\n", '\t', {{"1", "a", "b", "", "", "", ""}}},
        {"empty fields inside are kept", "\ta\t\tb\n", '\t', {{"1", "", "a", "", "b", "", ""}}},
        {"no trimming, no quoting", "3/14/24, 13:05:07.0, \"65.3\"\n", ',',
         {{"1", "3/14/24", " 13:05:07.0", " \"65.3\"", "", "", ""}}},
        {"a last line without its line end", "a\tb\nc\td", '\t',
         {{"1", "a", "b", "", "", "", ""}, {"2", "c", "d", "", "", "", ""}}},
        {"a tab file read with commas ends at once", "a\tb\n", ',', {}},
        {"a line over 179 characters is cut there and is the last",
         "a\t" + longField.toLatin1() + "\tz\nb\tc\n", '\t', {{"1", "a", QString(177, QChar('x')), "", "", "", ""}}},
        {"179 characters are a whole line", "a\t" + QByteArray(177, 'y') + "\nb\tc\n", '\t',
         {{"1", "a", QString(177, QChar('y')), "", "", "", ""}, {"2", "b", "c", "", "", "", ""}}},
        {"a level with a decimal comma splits in two", "14.03.24, 13:05:07.0, 65,3\n", ',',
         {{"1", "14.03.24", " 13:05:07.0", " 65", "3", "", ""}}},
        {"non-ASCII text", "Straße\tÜber\n", '\t', {{"1", "Straße", "Über", "", "", "", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ListTable t = importText(c.text, c.separator);
        ASSERT_EQ(t.rowCount(), static_cast<int>(c.rows.size()));
        for (int r = 0; r < t.rowCount(); ++r)
            EXPECT_EQ(rowOf(t, r), c.rows[r]);
    }
}

TEST(ListImport, HeadersSplAndLeqWhenTheFirstRowHasAFourthField)
{
    const QStringList plain{"No", "Date", "Time", "Value", "", "", ""};
    const QStringList leq{"No", "Date", "Time", "SPL", "Leq", "", ""};
    EXPECT_EQ(headersOf(importText("a\tb\tc\n", '\t')), plain);
    EXPECT_EQ(headersOf(importText("a\tb\tc\td\n", '\t')), leq);
    EXPECT_EQ(headersOf(importText("1\ta\tb\tc\td\n", '\t')), leq); // a fifth field: the fourth is there
    EXPECT_EQ(headersOf(importText("a\tb\tc\t\te\n", '\t')), plain); // an empty fourth field counts as none
    EXPECT_EQ(headersOf(importText("a\tb\tc\na\tb\tc\td\n", '\t')), plain); // only the first row counts
    EXPECT_EQ(headersOf(importText("", '\t')), plain);
}

TEST(ListImport, CancelKeepsTheRowsReadSoFar)
{
    QByteArray text;
    for (int i = 0; i < 50; ++i)
        text += "a\tb\n";
    const ListTable t = importText(text, '\t', [](std::int64_t rows) { return rows < 20; });
    EXPECT_EQ(t.rowCount(), 20);
}

// Where a rule ends reading early, the import says where and why; empty lines at the very end
// lose nothing and say nothing.
TEST(ListImport, SaysWhereAndWhyReadingStopped)
{
    struct Case {
        const char* what;
        QByteArray text;
        int rows;
        ImportStop::Reason reason;
        std::int64_t line;
        const char* messageContains; // "" for no message
    };
    const QByteArray longLine = "a\t" + QByteArray(300, 'x') + "\n";
    const Case cases[] = {
        {"every line", "a\tb\nc\td\n", 2, ImportStop::EndOfFile, 0, ""},
        {"no line end at the end", "a\tb\nc\td", 2, ImportStop::EndOfFile, 0, ""},
        {"empty lines at the end", "a\tb\r\n\r\n\r\n\n", 1, ImportStop::EndOfFile, 2, ""},
        {"an empty line before more", "a\tb\n\nc\td\n", 1, ImportStop::EmptyLine, 2, "line 2: it is empty"},
        {"a line without a separator", "a\tb\nc\td\nplain\ne\tf\n", 2, ImportStop::NoSeparator, 3,
         "line 3: it has no tab"},
        {"a last line without a separator", "a\tb\nplain", 1, ImportStop::NoSeparator, 2, "line 2"},
        {"a line over 179 characters", "a\tb\n" + longLine + "c\td\n", 2, ImportStop::LongLine, 2,
         "line 2: it is longer than 179 characters"},
        {"an over-long last line", "a\tb\n" + longLine, 2, ImportStop::LongLine, 2, "longer than 179"},
        {"an over-long line without a separator in its first 179 characters", "a\tb\n" + QByteArray(5000, 'x'), 1,
         ImportStop::LongLine, 2, "longer than 179"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray bytes = c.text;
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        ImportStop stop;
        const ListTable t = importListTable(in, '\t', {}, &stop);
        EXPECT_EQ(t.rowCount(), c.rows);
        EXPECT_EQ(stop.reason, c.reason);
        if (c.reason != ImportStop::EndOfFile)
            EXPECT_EQ(stop.line, c.line);
        EXPECT_FALSE(stop.refused());
        if (*c.messageContains)
            EXPECT_TRUE(stop.message().contains(c.messageContains)) << stop.message().toStdString();
        else
            EXPECT_TRUE(stop.message().isEmpty()) << stop.message().toStdString();
    }
}

// Past its limits the import stops and refuses: it never keeps part of a file as if whole.
TEST(ListImport, MoreThanTheLimitsIsRefusedNotCut)
{
    QByteArray text;
    for (int i = 0; i < 5; ++i)
        text += "1/2/26\t09:03:0" + QByteArray::number(i) + ".0\t70.0\n";
    struct Case {
        const char* what;
        ImportLimits limits;
        ImportStop::Reason reason;
        std::int64_t line;
        const char* messageContains;
    };
    const Case cases[] = {
        {"within the limits", {5, 1000}, ImportStop::EndOfFile, 0, ""},
        {"one row too many", {4, 1000}, ImportStop::TooManyRows, 5, "more than 4 lines"},
        {"too much text", {5, 60}, ImportStop::TooMuchText, 4, "more than 60 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray bytes = text;
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        ImportStop stop;
        importListTable(in, '\t', {}, &stop, c.limits);
        EXPECT_EQ(stop.reason, c.reason);
        EXPECT_EQ(stop.refused(), c.reason != ImportStop::EndOfFile);
        if (c.reason != ImportStop::EndOfFile) {
            EXPECT_EQ(stop.line, c.line);
            EXPECT_TRUE(stop.message().contains(c.messageContains)) << stop.message().toStdString();
        }
    }
    // The default limit is the number of points a graph holds.
    EXPECT_EQ(ImportLimits().maxRows, ChartModel::kMaxPoints);
}

// A line that never ends is found too long after a bounded read, not after reading it whole; a
// device that fails part-way is a refusal, not an end of file.
TEST(ListImport, AnEndlessLineOrAFailingDeviceStopsAtOnce)
{
    {
        test::SourceDevice endless("a\tb\n1\t", 'x', qint64(64) << 20);
        ImportStop stop;
        const ListTable t = importListTable(endless, '\t', {}, &stop);
        EXPECT_EQ(stop.reason, ImportStop::LongLine);
        EXPECT_EQ(stop.line, 2);
        EXPECT_EQ(t.rowCount(), 2);
        EXPECT_EQ(t.cell(1, 2), QString(177, QChar('x')));
        EXPECT_LE(endless.served(), qint64(2) << 20) << "read far past the line's first 179 characters";
    }
    {
        test::SourceDevice failing("a\tb\nc\t", 'd', 20, true);
        ImportStop stop;
        importListTable(failing, '\t', {}, &stop);
        EXPECT_EQ(stop.reason, ImportStop::ReadError);
        EXPECT_TRUE(stop.refused());
        EXPECT_TRUE(stop.message().contains("Input/output error")) << stop.message().toStdString();
    }
}

TEST(ListTableStore, CellsOutsideAreEmptyAndAppendKeepsSixFields)
{
    ListTable t;
    t.appendRow({"a", "b"});
    t.appendRow({"1", "2", "3", "4", "5", "6", "7"});
    t.appendRow({});
    EXPECT_EQ(t.rowCount(), 3);
    EXPECT_EQ(rowOf(t, 1), (QStringList{"2", "1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(rowOf(t, 2), (QStringList{"3", "", "", "", "", "", ""}));
    EXPECT_EQ(t.cell(3, 1), QString());
    EXPECT_EQ(t.cell(-1, 0), QString());
    EXPECT_EQ(t.cell(0, 7), QString());
    t.setHeader(4, "LEQ");
    EXPECT_EQ(t.header(4), "LEQ");
    EXPECT_EQ(t.header(7), QString());
}

TEST(ListDateTime, ReadsWhatTheExportWritesInAnyLocale)
{
    const double t = days(2024, 3, 14, 13, 5, 7, 250);
    for (const QLocale& loc : {kUs, kDe, QLocale(QLocale::English, QLocale::UnitedKingdom), QLocale(QLocale::French),
                               QLocale(QLocale::Japanese), QLocale::system()}) {
        for (const QChar sep : {QChar('\t'), QChar(',')}) {
            SCOPED_TRACE(loc.name().toStdString() + (sep == ',' ? " csv" : " tab"));
            const ListTable table = importText(graphTextLine(t, 65.3f, {}, sep, loc) + "\r\n", sep);
            ASSERT_EQ(table.rowCount(), 1);
            const std::optional<double> back = readListDateTime(table.cell(0, 1), table.cell(0, 2), loc);
            ASSERT_TRUE(back.has_value()) << table.cell(0, 1).toStdString() << "|" << table.cell(0, 2).toStdString();
            EXPECT_NEAR(*back, t, 1e-9);
        }
    }
}

TEST(ListDateTime, TimeForms)
{
    struct Case {
        QString time;
        std::optional<double> want;
    };
    // The long time format without its zone, as the Leq table writes times ("1:05:07 PM").
    QString longFormat = kUs.timeFormat(QLocale::LongFormat);
    longFormat.remove('t');
    const QString pm = kUs.toString(QTime(13, 5, 7), longFormat.trimmed());
    const Case cases[] = {
        {"13:05:07", days(2024, 3, 14, 13, 5, 7)},
        {"13:05:07.0", days(2024, 3, 14, 13, 5, 7)},
        {" 13:05:07.5 ", days(2024, 3, 14, 13, 5, 7, 5)},
        {"13:05:07.500", days(2024, 3, 14, 13, 5, 7, 500)},
        {pm, days(2024, 3, 14, 13, 5, 7)},
        {"13:05:07.1234", std::nullopt},
        {"25:00:00", std::nullopt},
        {"noon", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time.toStdString());
        const std::optional<double> r = readListDateTime("3/14/24", c.time, kUs);
        ASSERT_EQ(r.has_value(), c.want.has_value());
        if (r)
            EXPECT_NEAR(*r, *c.want, 1e-9);
    }
    EXPECT_FALSE(readListDateTime("14/3/24", "13:05:07", kUs).has_value());
    EXPECT_FALSE(readListDateTime("", "13:05:07", kUs).has_value());
}
