// Date/time values (days since 30 Dec 1899) and back, including the values a damaged file
// can hold.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/datetime.h"

using namespace quedral;

namespace {

TEST(DateTime, DaysAndBack)
{
    const struct {
        double days;
        QDateTime expected;
    } cases[] = {
        {0.0, QDateTime(QDate(1899, 12, 30), QTime(0, 0))},
        {46014.5, QDateTime(QDate(2025, 12, 23), QTime(12, 0))},
        {46014.0 + 3723.25 * kSecondInDays, QDateTime(QDate(2025, 12, 23), QTime(1, 2, 3, 250))},
        {46014.0 + 86399.9996 * kSecondInDays, QDateTime(QDate(2025, 12, 24), QTime(0, 0))}, // rounds into the next day
        {-1.25, QDateTime(QDate(1899, 12, 28), QTime(18, 0))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.days);
        EXPECT_EQ(fromDays(c.days), c.expected);
        EXPECT_NEAR(toDays(c.expected), c.days, 0.001 * kSecondInDays);
    }
}

// A graph file may hold any double as a time; one that no date can have gives no date and
// time (an invalid QDateTime, shown as missing) instead of a conversion out of range.
TEST(DateTime, ValuesNoDateCanHaveGiveNoDate)
{
    const double values[] = {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             8.54994e23,
                             -9.3729e252,
                             std::numeric_limits<double>::max(),
                             1e12};
    for (const double days : values) {
        SCOPED_TRACE(days);
        EXPECT_FALSE(fromDays(days).isValid());
    }
}

} // namespace
