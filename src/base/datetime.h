#pragma once
#include <QDateTime>

namespace quedral {

// Date/time values are doubles counting days since 30 December 1899 (local time),
// the fraction being the time of day; one second is 1/86400.
constexpr double kSecondInDays = 1.0 / 86400.0;

double toDays(const QDateTime& t);
// The same from a date and a time of day (no time zone work: cheap in bulk).
double toDays(const QDate& d, const QTime& t);
// An invalid QDateTime for a value no date can have (NaN, infinite, beyond 100 million days).
QDateTime fromDays(double days);
// Seconds as a number with at most three decimals, trailing zeros dropped: "12", "0.5".
QString secondsText(double seconds);

} // namespace quedral
