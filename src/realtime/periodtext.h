#pragma once
// The texts of the real-time setup dialog and of Run: the recording period, the count and
// the rate.
#include <QString>

namespace quedral {

// "h:mm:ss" for count points at rate seconds: t = whole part of (count * rate + 0.5) seconds,
// hours unlimited, minutes and seconds two digits.
QString recordingPeriodText(long long count, double rate);
// The form Run presets before the dialog first recomputes it: 2000 points at the rate, with
// minutes and seconds written without padding ("0:16:40", "0:6:40").
QString presetPeriodText(double rate);
// The count field as the dialog reads it: blanks (and the mask's "_") removed around it, an
// integer or nothing. Returns false when the text is not an integer.
bool parseCount(const QString& text, int& count);
// Run's message for a count text that is not an integer: the text followed by " is not
// valid.\n". An entry left blank is written with its blanks shown as "_", as the field shows
// them, so that the message does not start with nothing.
QString invalidCountMessage(const QString& text);
// The sampling rate Run reads from the dialog's rate text: a number in the user's format (or
// with a full stop) that is a usable rate, above 0 and finite as the single-precision value
// the program keeps. Returns false otherwise.
bool parseRate(const QString& text, double& rate);
// The rate text Run presets in the dialog: the real-time window's sampling-rate box text when
// an item is selected there, otherwise the rate itself, fixed with one decimal, or with as
// many digits as it takes to read back as the same rate.
QString presetRateText(const QString& boxText, double rate);

} // namespace quedral
