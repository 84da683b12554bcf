// Graph text files read back by the one text reader: the separator by extension, and a table of
// lines as the graph text export writes them (and some it never would); the fast reading of a
// row's cells agrees with the field readers.
#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>
#include <QTime>

#include <bit>
#include <cmath>
#include <cstdint>

#include "base/datetime.h"
#include "files/graphtext.h"
#include "files/textpoints.h"
#include "support/sourcedevice.h"
#include "support/testenv.h"

using namespace quedral;

using test::days;
using test::kDe;
using test::kUs;

TEST(GraphText, SeparatorFollowsTheExtensionInAnyCase)
{
    EXPECT_EQ(graphTextSeparator("a/b.txt"), QChar('\t'));
    EXPECT_EQ(graphTextSeparator("B.TXT"), QChar('\t'));
    EXPECT_EQ(graphTextSeparator("x.Csv"), QChar(','));
    EXPECT_EQ(graphTextSeparator("x.ghf"), std::nullopt);
    EXPECT_EQ(graphTextSeparator("csv"), std::nullopt);
    EXPECT_EQ(graphTextSeparator("x.txt.bak"), std::nullopt);
}

TEST(GraphText, LinesAsTheExportWritesThem)
{
    struct Case {
        const char* what;
        QByteArray line;
        QChar separator;
        QLocale locale;
        double time; // expected, days
        float level;
    };
    const Case cases[] = {
        {"tab", "3/14/24\t13:05:07.0\t65.3", '\t', kUs, days(2024, 3, 14, 13, 5, 7), 65.3f},
        {"csv with blanks after the first two commas", "3/14/24, 13:05:07.0, 65.3", ',', kUs,
         days(2024, 3, 14, 13, 5, 7), 65.3f},
        {"csv with a second level, no blank", "3/14/24, 13:05:07.0, 65.3,61.2", ',', kUs, days(2024, 3, 14, 13, 5, 7),
         65.3f},
        {"tab with a second level", "3/14/24\t13:05:07.0\t65.3\t61.2", '\t', kUs, days(2024, 3, 14, 13, 5, 7), 65.3f},
        // Milliseconds are a count without leading zeros: ".500" is half a second, ".5" 5 ms.
        {"half a second", "1/2/26\t09:03:00.500\t70.0", '\t', kUs, days(2026, 1, 2, 9, 3, 0, 500), 70.0f},
        {"five milliseconds", "1/2/26\t09:03:00.5\t70.0", '\t', kUs, days(2026, 1, 2, 9, 3, 0, 5), 70.0f},
        {"no fraction", "1/2/26\t23:59:59\t0.0", '\t', kUs, days(2026, 1, 2, 23, 59, 59), 0.0f},
        {"two-digit year of the last century", "12/31/99\t00:00:00.0\t30.5", '\t', kUs, days(1999, 12, 31, 0, 0, 0),
         30.5f},
        {"CR LF", "3/14/24\t13:05:07.0\t65.3\r\n", '\t', kUs, days(2024, 3, 14, 13, 5, 7), 65.3f},
        {"the chart's null", "3/14/24\t13:05:07.0\t9999.0", '\t', kUs, days(2024, 3, 14, 13, 5, 7), 9999.0f},
        {"German date and decimal comma", "14.03.24\t13:05:07.0\t65,3", '\t', kDe, days(2024, 3, 14, 13, 5, 7), 65.3f},
        {"German full stop is no grouping", "14.03.24\t13:05:07.0\t65.3", '\t', kDe, days(2024, 3, 14, 13, 5, 7), 65.3f},
        // A CSV written with decimal commas splits every level in two.
        {"decimal commas in csv", "14.03.24, 13:05:07.0, 65,3", ',', kDe, days(2024, 3, 14, 13, 5, 7), 65.3f},
        {"decimal commas in csv, two levels", "14.03.24, 13:05:07.0, 65,3,61,0", ',', kDe, days(2024, 3, 14, 13, 5, 7),
         65.3f},
        // As the import reads a list: fields after the level are never looked at.
        {"fields after the second level", "3/14/24\t13:05:07.0\t65.3\t61.2\t1.0", '\t', kUs, days(2024, 3, 14, 13, 5, 7),
         65.3f},
        {"a second level that is no number", "3/14/24\t13:05:07.0\t65.3\tx", '\t', kUs, days(2024, 3, 14, 13, 5, 7),
         65.3f},
        {"a decimal comma level, the second cut short", "14.03.24, 13:05:07.0, 65,3,61", ',', kDe,
         days(2024, 3, 14, 13, 5, 7), 65.3f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TextPoints r = readTextPoints(c.line, c.separator, c.locale);
        ASSERT_EQ(r.wholeFileProblem().line, 0) << r.wholeFileProblem().why.toStdString();
        ASSERT_EQ(r.levels.size(), 1u);
        EXPECT_NEAR(r.times[0], c.time, 1e-9);
        EXPECT_FLOAT_EQ(r.levels[0], c.level);
    }
}

// A bad row is left out and the lines after it are read; a line without a separator or too long
// ends reading. Either way the file is not whole, and the first such line is named.
TEST(GraphText, BadLinesAreFoundWithTheirNumber)
{
    // Lines 1, 2 and 4 are good lines of the same kind.
    const QByteArray goodTab = "3/14/24\t13:05:07.0\t65.3\n";
    const QByteArray goodCsv = "14.03.24, 13:05:07.0, 65,3\n";
    struct Case {
        const char* what;
        QByteArray bad;
        QChar separator;
        QLocale locale;
        std::size_t points; // read in all
    };
    const Case cases[] = {
        {"wrong separator", "3/14/24, 13:05:07.0, 65.3", '\t', kUs, 2},
        {"two fields", "3/14/24\t13:05:07.0", '\t', kUs, 3},
        {"no date", "hello\t13:05:07.0\t65.3", '\t', kUs, 3},
        {"a date in another order", "14/3/24\t13:05:07.0\t65.3", '\t', kUs, 3},
        {"hour 24", "3/14/24\t24:00:00.0\t65.3", '\t', kUs, 3},
        {"one-digit hour", "3/14/24\t9:05:07.0\t65.3", '\t', kUs, 3},
        {"four digits of milliseconds", "3/14/24\t13:05:07.1234\t65.3", '\t', kUs, 3},
        {"no level", "3/14/24\t13:05:07.0\tdB", '\t', kUs, 3},
        {"empty level", "3/14/24\t13:05:07.0\t", '\t', kUs, 3},
        {"a decimal comma level without its decimals", "14.03.24, 13:05:07.0, 65,", ',', kDe, 3},
        {"an infinite level", "3/14/24\t13:05:07.0\tinf", '\t', kUs, 3},
        {"a level that is not a number", "3/14/24\t13:05:07.0\tnan", '\t', kUs, 3},
        {"a level past the largest float", "3/14/24\t13:05:07.0\t1e39", '\t', kUs, 3},
        {"a line far longer than a graph line", "3/14/24\t13:05:07.0\t65.3\t" + QByteArray(800, ' '), '\t', kUs, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray good = c.separator == '\t' ? goodTab : goodCsv;
        const TextPoints r = readTextPoints(good + good + c.bad + "\n" + good, c.separator, c.locale);
        const TextPoints::Problem p = r.wholeFileProblem();
        EXPECT_EQ(p.line, 3);
        EXPECT_FALSE(p.why.isEmpty());
        EXPECT_EQ(r.levels.size(), c.points);
    }
}

TEST(GraphText, ReadingEndsAtTheFirstEmptyLine)
{
    const QByteArray text = "3/14/24\t13:05:07.0\t65.3\r\n"
                            "3/14/24\t13:05:08.0\t66.0\r\n"
                            "\r\n"
                            "3/14/24\t13:05:09.0\t67.0\r\n";
    const TextPoints r = readTextPoints(text, '\t', kUs);
    EXPECT_EQ(r.wholeFileProblem().line, 0);
    EXPECT_EQ(r.levels, (std::vector<float>{65.3f, 66.0f}));
    EXPECT_NEAR(r.times[1] - r.times[0], kSecondInDays, 1e-9);
    EXPECT_EQ(r.emptyLine(), 3) << "the line that ended reading, with more after it";
    EXPECT_TRUE(readTextPoints(QByteArray(), '\t', kUs).levels.empty());
    EXPECT_EQ(readTextPoints("\n", '\t', kUs).wholeFileProblem().line, 0);
    // Empty lines at the very end lose nothing.
    EXPECT_EQ(readTextPoints("3/14/24\t13:05:07.0\t65.3\r\n\r\n\n", '\t', kUs).emptyLine(), 0);
}

// A line that never ends is found after a bounded read; more lines than a graph holds are
// refused, never cut.
TEST(GraphText, LimitsAreProblemsFoundAtOnce)
{
    test::SourceDevice endless("3/14/24\t13:05:07.0\t65.3\n3/14/24\t", '7', qint64(64) << 20);
    TextPoints r = readTextPoints(endless, '\t', kUs);
    EXPECT_EQ(r.wholeFileProblem().line, 2);
    EXPECT_TRUE(r.wholeFileProblem().why.contains("longer than")) << r.wholeFileProblem().why.toStdString();
    EXPECT_LE(endless.served(), qint64(2) << 20) << "read far past where the line was too long";

    const QByteArray three = "3/14/24\t13:05:07.0\t65.3\n3/14/24\t13:05:08.0\t65.3\n3/14/24\t13:05:09.0\t65.3\n";
    ImportLimits limits;
    limits.maxRows = 3;
    r = readTextPoints(three, '\t', kUs, limits);
    EXPECT_EQ(r.wholeFileProblem().line, 0) << r.wholeFileProblem().why.toStdString();
    limits.maxRows = 2;
    r = readTextPoints(three, '\t', kUs, limits);
    EXPECT_TRUE(r.stop.refused());
    EXPECT_EQ(r.wholeFileProblem().line, 3);
    EXPECT_TRUE(r.wholeFileProblem().why.contains("more than 2 lines")) << r.wholeFileProblem().why.toStdString();

    test::SourceDevice failing("3/14/24\t13:05:07.0\t65.3\n", '\n', 30, true);
    r = readTextPoints(failing, '\t', kUs);
    EXPECT_TRUE(r.stop.refused());
    EXPECT_TRUE(r.wholeFileProblem().why.contains("Input/output error")) << r.wholeFileProblem().why.toStdString();
}

// What the user's own short date format writes, it reads back.
TEST(GraphText, DatesRoundTripInTheUsersFormat)
{
    for (const QLocale& loc : {kUs, kDe, QLocale(QLocale::English, QLocale::UnitedKingdom), QLocale(QLocale::Japanese),
                               QLocale::system()}) {
        SCOPED_TRACE(loc.name().toStdString());
        for (const QDate d : {QDate(2026, 1, 2), QDate(2024, 12, 31), QDate(2001, 7, 4)}) {
            const QByteArray line = (loc.toString(d, QLocale::ShortFormat) + "\t07:08:09.10\t" + loc.toString(55.5, 'f', 1))
                                        .toLocal8Bit();
            const TextPoints r = readTextPoints(line, '\t', loc);
            ASSERT_EQ(r.wholeFileProblem().line, 0) << line.toStdString() << ": " << r.wholeFileProblem().why.toStdString();
            EXPECT_NEAR(r.times[0], days(d.year(), d.month(), d.day(), 7, 8, 9, 10), 1e-9);
            EXPECT_FLOAT_EQ(r.levels[0], 55.5f);
        }
    }
}

// The row reader takes the common cells straight from their bytes; whatever it reads, it reads
// as the field readers do, and what it cannot take the quick way it hands to them.
TEST(GraphText, RowCellsReadAsTheFieldReadersReadThem)
{
    const char* levels[] = {"65.3", " 65.3 ", "-4.5", "70", "0.0", "9999.0", "65,3", "1.", ".5", "-", "", "65.3.1",
                            "1e3", "inf", "nan", "1,234.5", "12345678901234567890", "6 5", "\t42.1\t", "x"};
    const char* times[] = {"13:05:07", "13:05:07.0", "13:05:07.5", "13:05:07.500", " 09:03:00.50 ", "24:00:00.0",
                           "13:60:00.0", "13:05:07.", "13:05:07.1234", "13:05:07.0123", "13:05:07.5x", "9:05:07.0", "1:05:07 PM", "13:05", "", "x"};
    for (const QLocale& loc : {kUs, kDe}) {
        SCOPED_TRACE(loc.name().toStdString());
        TextRowReader reader(loc);
        for (const char* l : levels) {
            SCOPED_TRACE(l);
            EXPECT_EQ(reader.level(QByteArrayView(l)), readLevel(QString::fromUtf8(l), loc));
        }
        const QString date = loc.toString(QDate(2024, 3, 14), QLocale::ShortFormat);
        for (const char* t : times) {
            SCOPED_TRACE(t);
            const std::optional<QTime> expected = readTimeOfDay(QString::fromUtf8(t), loc);
            const std::optional<double> got = reader.time(date.toUtf8(), QByteArrayView(t));
            ASSERT_EQ(got.has_value(), expected.has_value());
            if (expected)
                EXPECT_EQ(*got, toDays(QDate(2024, 3, 14), *expected));
        }
        // Every level a meter or a file of ours writes, and numbers of many digits, to the bit.
        QStringList many;
        for (int tenths = -2000; tenths <= 20000; ++tenths)
            many << QString::number(tenths / 10) + "." + QString::number(std::abs(tenths % 10));
        many << "123456789012.345" << "0.000000000000001" << "999999999999999" << "1234567890123456"
             << "-0.0" << "0.30000000000000004" << "16777217" << "3.4028235e38";
        for (const QString& l : many) {
            const std::optional<float> expected = readLevel(l, loc);
            const std::optional<float> got = reader.level(l.toUtf8());
            ASSERT_EQ(got.has_value(), expected.has_value()) << l.toStdString();
            if (got)
                ASSERT_EQ(std::bit_cast<std::uint32_t>(*got), std::bit_cast<std::uint32_t>(*expected)) << l.toStdString();
        }
        EXPECT_FALSE(reader.time("not a date", "13:05:07.0"));
        EXPECT_TRUE(reader.time(date.toUtf8(), "13:05:07.0")) << "a good date after a bad one";
    }
}
