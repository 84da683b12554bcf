#pragma once
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QTime>
#include <vector>
#include <functional>
#include <memory>
#include <optional>

#include "cli/arguments.h"
#include "logger/datasets.h"
#include "meter/frames.h"
#include "meter/reading.h"
#include "meter/simulator/simulatedtransport.h"
#include "meter/transport.h"

namespace quedral {
class MeterLink;
class Poller;
}

namespace quedral::cli {

// Makes the transport the program's options ask for: the simulated meter for --simulate (with
// the --simulate-faults and --simulate-serial given) or the USB meter.
using TransportFactory = std::function<std::unique_ptr<Transport>(const TransportRequest& request)>;

struct Command;

// What a command gets to work with.
struct Context {
    Transport& transport;
    MeterLink& link;
    Poller& poller;
    QTextStream& out;
    QTextStream& err;
    const Command* command = nullptr; // the one running
    TransportRequest request;         // what the program's options asked for
};

// One entry of the command table: quedral-cli NAME ARGS... Its arguments are parsed, its usage
// line in the program's usage and its usage error are printed, from here.
struct Command {
    const char* name;
    ArgumentSpec arguments;
    QString help; // what it does; its lines go under the synopsis
    QString note; // added to the usage error only, in brackets
    int (*run)(Context& ctx, const Arguments& args); // exit status; args as declared
    QString synopsis() const { return synopsisOf(QString::fromLatin1(name), arguments); }
};
const std::vector<Command>& commands();

// The running command's usage on stderr ("usage: quedral-cli SYNOPSIS   (NOTE)"); returns 2,
// the exit status of bad arguments.
int usageError(Context& ctx);

// Parses the command line (without the program name) and runs the command.
// Returns the process exit status.
int run(QStringList args, QTextStream& out, QTextStream& err, const TransportFactory& factory);

// --- Pure helpers, tested directly ---

// "02 4B 00 ..." : two-digit upper-case hex separated by single blanks.
QString hexLine(const ReplyFrame& reply);
// The frame for `raw L [B2 B3 B4 B5]`; nullopt on a bad letter or byte.
std::optional<CommandFrame> parseRawCommand(const QStringList& args);
// The reading as one JSON object on one line.
QString readingJson(const MeterReading& r, bool sequenceOk);
// A monitor line: "hh:mm:ss  63.4 dBA FAST 30-130 REC MAX".
QString monitorLine(const QTime& computerTime, const MeterReading& r);
// `decode`'s JSON: "code", "last_address" and "sets", one object per data set (with "levels"
// when samples is set).
QString decodeJson(const DecodeResult& d, int lastAddress, bool samples);
// The times (days) and levels (dB) `leq` averages, and for a collection's data set its header,
// read with the levels.
struct LeqSeries {
    std::vector<double> times;
    std::vector<float> levels;
    std::optional<DataSet> dataSet;

    // The data set's recording interval (seconds) when the file gives one.
    std::optional<double> interval() const
    {
        return dataSet && dataSet->interval > 0 ? std::optional<double>(dataSet->interval) : std::nullopt;
    }
};
// `leq --series` lines, one per Leq value: local date-time "YYYY-MM-DDThh:mm:ss" (with ".zzz"
// on every line when any of the times has milliseconds), a tab, the level, a tab, the running
// Leq; levels with one decimal and a full stop.
QString leqSeriesText(const std::vector<double>& times, const std::vector<float>& levels, const std::vector<float>& leq);

// "hh:mm:ss" from the meter's BCD clock bytes, or empty when one is not BCD.
QString meterClockText(const MeterReading& r);

// `wav-check`'s lines for a data set's series whose first name (8 characters) is `waveName`:
// per file, its name (".WAV" added), the first and last sample of its segment and "present" or
// "missing" in `dir`, tab-separated. The series has at least its first file; nothing for
// interval 0.
QString wavCheckText(const QString& waveName, int interval, int count, const QString& dir);

} // namespace quedral::cli
