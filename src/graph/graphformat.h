#pragma once
// How the graph windows write levels and times into their boxes.
#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

namespace quedral {

// A level: fixed-point, one decimal, in the user's number format (no grouping).
QString formatLevel(double value);
// The same for a level that may be absent: empty then.
QString formatLevel(const std::optional<double>& value);
// A date/time value (days since 30 Dec 1899): the user's short date, a blank, the long time.
QString formatDateTime(double days);
// A date in the user's short date format; a time of day in the long time format (no zone).
QString formatShortDate(const QDate& date);
QString formatLongTime(const QTime& time);
// A time of day only, in the user's long time format.
QString formatTimeOfDay(double days);
// Parses a number written in the user's format or with a full stop; false when it is none.
bool parseNumber(const QString& text, double& value);

// The items of the sampling-rate boxes, in order: 0.5, 1, 2, 5, 10, 20, 30 seconds.
inline constexpr double kSamplingRates[7] = {0.5, 1.0, 2.0, 5.0, 10.0, 20.0, 30.0};
// The texts of those items in the user's number format ("0.5" .. "30.0").
QStringList samplingRateItems();
// The item chosen for a real-time rate: 0 below 0.55, 1 below 1.5, 2 below 2.5, 3 below 5.5,
// 4 below 10.5, 5 below 20.5, 6 below 30.5; -1 (leave the selection alone) otherwise.
int samplingRateItem(double rate);

} // namespace quedral
