// Graph text files read back: the separator by extension, and a table of lines as the graph
// text export writes them (and some it never would).
#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>
#include <QTime>

#include <cmath>

#include "base/datetime.h"
#include "files/graphtext.h"
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const GraphText r = readGraphText(c.line, c.separator, c.locale);
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        ASSERT_EQ(r.levels.size(), 1u);
        EXPECT_NEAR(r.times[0], c.time, 1e-9);
        EXPECT_FLOAT_EQ(r.levels[0], c.level);
    }
}

TEST(GraphText, BadLinesAreRefusedWithTheirNumber)
{
    // Lines 1, 2 and 4 are good lines of the same kind.
    const QByteArray goodTab = "3/14/24\t13:05:07.0\t65.3\n";
    const QByteArray goodCsv = "14.03.24, 13:05:07.0, 65,3\n";
    struct Case {
        const char* what;
        QByteArray bad;
        QChar separator;
        QLocale locale;
    };
    const Case cases[] = {
        {"wrong separator", "3/14/24, 13:05:07.0, 65.3", '\t', kUs},
        {"two fields", "3/14/24\t13:05:07.0", '\t', kUs},
        {"five fields", "3/14/24\t13:05:07.0\t65.3\t61.2\t1.0", '\t', kUs},
        {"no date", "hello\t13:05:07.0\t65.3", '\t', kUs},
        {"a date in another order", "14/3/24\t13:05:07.0\t65.3", '\t', kUs},
        {"hour 24", "3/14/24\t24:00:00.0\t65.3", '\t', kUs},
        {"one-digit hour", "3/14/24\t9:05:07.0\t65.3", '\t', kUs},
        {"four digits of milliseconds", "3/14/24\t13:05:07.1234\t65.3", '\t', kUs},
        {"no level", "3/14/24\t13:05:07.0\tdB", '\t', kUs},
        {"empty level", "3/14/24\t13:05:07.0\t", '\t', kUs},
        {"second level no number", "3/14/24\t13:05:07.0\t65.3\tx", '\t', kUs},
        {"a decimal comma level cut short", "14.03.24, 13:05:07.0, 65,3,61", ',', kDe},
        {"an infinite level", "3/14/24\t13:05:07.0\tinf", '\t', kUs},
        {"a level that is not a number", "3/14/24\t13:05:07.0\tnan", '\t', kUs},
        {"a level past the largest float", "3/14/24\t13:05:07.0\t1e39", '\t', kUs},
        {"a line far longer than a graph line", "3/14/24\t13:05:07.0\t65.3\t" + QByteArray(800, ' '), '\t', kUs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray good = c.separator == '\t' ? goodTab : goodCsv;
        const GraphText r = readGraphText(good + good + c.bad + "\n" + good, c.separator, c.locale);
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(r.errorLine, 3);
        EXPECT_FALSE(r.error.isEmpty());
    }
}

TEST(GraphText, ReadingEndsAtTheFirstEmptyLine)
{
    const QByteArray text = "3/14/24\t13:05:07.0\t65.3\r\n"
                            "3/14/24\t13:05:08.0\t66.0\r\n"
                            "\r\n"
                            "3/14/24\t13:05:09.0\t67.0\r\n";
    const GraphText r = readGraphText(text, '\t', kUs);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.levels, (std::vector<float>{65.3f, 66.0f}));
    EXPECT_NEAR(r.times[1] - r.times[0], kSecondInDays, 1e-9);
    EXPECT_EQ(r.emptyLine, 3) << "the line that ended reading, with more after it";
    EXPECT_TRUE(readGraphText({}, '\t', kUs).levels.empty());
    EXPECT_TRUE(readGraphText("\n", '\t', kUs).ok());
    // Empty lines at the very end lose nothing.
    EXPECT_EQ(readGraphText("3/14/24\t13:05:07.0\t65.3\r\n\r\n\n", '\t', kUs).emptyLine, 0);
}

// A line that never ends is refused after a bounded read; more lines than a graph holds are
// refused, never cut.
TEST(GraphText, LimitsAreErrorsFoundAtOnce)
{
    test::SourceDevice endless("3/14/24\t13:05:07.0\t65.3\n3/14/24\t", '7', qint64(64) << 20);
    GraphText r = readGraphText(endless, '\t', kUs);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.errorLine, 2);
    EXPECT_TRUE(r.error.contains("longer than")) << r.error.toStdString();
    EXPECT_LE(endless.served(), qint64(2) << 20) << "read far past where the line was too long";

    const QByteArray three = "3/14/24\t13:05:07.0\t65.3\n3/14/24\t13:05:08.0\t65.3\n3/14/24\t13:05:09.0\t65.3\n";
    r = readGraphText(three, '\t', kUs, GraphTextLimits{kMaxGraphTextLineBytes, 3});
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    r = readGraphText(three, '\t', kUs, GraphTextLimits{kMaxGraphTextLineBytes, 2});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.errorLine, 3);
    EXPECT_TRUE(r.error.contains("more than 2 lines")) << r.error.toStdString();
    // A short line limit keeps the fixture small.
    r = readGraphText(three, '\t', kUs, GraphTextLimits{20, 3});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.errorLine, 1);

    test::SourceDevice failing("3/14/24\t13:05:07.0\t65.3\n", '\n', 30, true);
    r = readGraphText(failing, '\t', kUs);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains("Input/output error")) << r.error.toStdString();
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
            const GraphText r = readGraphText(line, '\t', loc);
            ASSERT_TRUE(r.ok()) << line.toStdString() << ": " << r.error.toStdString();
            EXPECT_NEAR(r.times[0], days(d.year(), d.month(), d.day(), 7, 8, 9, 10), 1e-9);
            EXPECT_FLOAT_EQ(r.levels[0], 55.5f);
        }
    }
}
