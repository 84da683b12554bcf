#include "cli/cli.h"
#include "cli/arguments.h"
#include "cli/filecommands.h"
#include "cli/listcommand.h"
#include "cli/memorycommands.h"
#include "cli/metersetupcommands.h"
#include "cli/readingcommands.h"
#include "cli/servecommand.h"
#include "cli/statscommand.h"
#include "cli/reportcommands.h"
#include "cli/outputfiles.h"

#include <algorithm>

#include "base/datadir.h"
#include "meter/meterlink.h"
#include "meter/poller.h"
#include "setup/setupcommands.h"

namespace quedral::cli {

namespace {

// A command's lines in the usage: the synopsis, then the help in a column of its own, on the
// same line when the synopsis leaves room.
QString usageLines(const Command& c)
{
    constexpr int kHelpColumn = 24;
    const QString indent(kHelpColumn, QLatin1Char(' '));
    QString text = QStringLiteral("  ") + c.synopsis();
    if (text.size() <= kHelpColumn - 2)
        text = text.leftJustified(kHelpColumn, QLatin1Char(' '));
    else
        text += QLatin1Char('\n') + indent;
    return text + QString(c.help).replace(QLatin1Char('\n'), QLatin1Char('\n') + indent);
}

void printUsage(QTextStream& s)
{
    s << "usage: quedral-cli [--simulate [--simulate-faults LIST] [--simulate-serial SN]] [--meter SERIAL|PATH] "
         "[--data-dir DIR] [--version] COMMAND [ARGS]\n"
      << "  LIST: comma-separated " << kFaultListSyntax << "\n"
      << "  SN: the simulated meter's serial number (its state kept apart from other serial numbers')\n"
      << "  --meter: the meter to use (a serial number or path `list` prints) when several are attached\ncommands:\n";
    for (const Command& c : commands())
        s << usageLines(c) << "\n";
}

} // namespace

int usageError(Context& ctx)
{
    ctx.err << "usage: quedral-cli " << ctx.command->synopsis();
    if (!ctx.command->note.isEmpty())
        ctx.err << "   (" << ctx.command->note << ")";
    ctx.err << "\n";
    return 2;
}

const std::vector<Command>& commands()
{
    using P = PositionalSpec;
    const auto required = [](QStringList names, const QString& value = {}) {
        return OptionSpec{std::move(names), value, true};
    };
    static const std::vector<Command> table{
        {"list", {}, "every attached meter: its path and serial number, one a line", {}, cmdList},
        {"raw", {{P{"L"}, P{"B2", false}, P{"B3", false}, P{"B4", false}, P{"B5", false}}},
         "one command frame, prints the 32 reply bytes", {}, cmdRaw},
        {"read", {.ignoresExtraWords = true}, "one reading as JSON", {}, cmdRead},
        {"monitor", {{}, {{{"--count"}, "N", false, true}}}, "readings every 500 ms", {}, cmdMonitor},
        {"key", {{P{"R|L|M|N|C|F"}}}, "press a meter key", {}, cmdKey},
        {"serve", {{}, {{{"--listen"}, "ADDR:PORT", false, false, true}, {{"--log"}, "DIR", false, false, true},
                        {{"--influx"}, "FILE|-", false, false, true}, {{"--mqtt"}, "HOST:PORT", false, false, true},
                        {{"--topic"}, "PREFIX", false, false, true}, {{"--mqtt-user"}, "U", false, false, true},
                        {{"--mqtt-password-file"}, "F", false, false, true}}},
         "polls every 500 ms until stopped (SIGINT, SIGTERM): GET /metrics on\n"
         "ADDR:PORT (default 127.0.0.1:9464), each second to a daily CSV in DIR,\n"
         "each second and minute as InfluxDB lines to FILE or stdout (-), and\n"
         "as JSON to an MQTT broker on PREFIX/SERIAL/level and PREFIX/SERIAL/leq\n"
         "(PREFIX/SERIAL/status retained: online or offline)",
         {}, cmdServe},
        {"record",
         {{}, {required({"--points"}, "N"), required({"--rate"}, "SECONDS"), withValue(kOutput, "OUT.ghf", true), kForce}},
         "real-time recording into a graph file (Ctrl+C, SIGTERM or SIGHUP\n"
         "stops and saves; a meter that stops answering ends it, its points\n"
         "kept as OUT-partial.ghf);\n"
         "an existing file is replaced only with --force",
         {}, cmdRecord},
        {"graph-info", {{P{"FILE.ghf"}}}, "points and statistics of a graph file as JSON", {}, cmdGraphInfo},
        {"download", {{}, {withValue(kOutput, "FILE.rec", true), kForce}},
         "reads the meter's logged memory into a data set collection file", {}, cmdDownload},
        {"decode", {{P{"FILE.rec"}}, {{{"--samples"}}}}, "the data sets of a collection file as JSON", {}, cmdDecode},
        {"erase", {{}, {{{"--yes"}, {}, true, false, true}}}, "erases the meter's logged memory",
         "erases every data set logged in the meter", cmdErase},
        {"leq-live", {{}, {required({"--seconds"}, "N"), withValue(kOutput, "TABLE.txt"), kForce}},
         "a live Leq measurement: a line per second (number, date, time,\n"
         "SPL, Leq), the log temp/LEQ.txt, the table saved with -o",
         {}, cmdLeqLive},
        {"leq", {{P{"FILE"}}, {kSet, {{"--series"}}}},
         "the Leq of a collection's data set, a graph file or a graph's text\n"
         "(.rec, .ghf, .txt, .csv); --series adds time, level and running Leq",
         "FILE: .rec, .ghf, .txt or .csv", cmdLeq},
        {"stats",
         {{P{"FILE"}},
          {kSet, {{"--from"}, "ISO"}, {{"--to"}, "ISO"}, {{"--blocks"}, "1min|5min|15min|1h|1d"}, {{"--threshold"}, "DB"},
           {{"--min-duration"}, "S"}}},
         "noise statistics of the same files as leq, as one JSON object: Leq, LE,\n"
         "Lmax and Lmin with their times, mean, L5 to L95 (Ln: the lowest 0.1 dB\n"
         "level x with at most n % of the samples above x), samples counted and\n"
         "missing (null or out of range); --from/--to the span [from, to) in local\n"
         "ISO 8601; --blocks clock-aligned blocks; --threshold the time above DB and\n"
         "the events (runs above DB of at least S seconds); Lden over whole days",
         "FILE: .rec, .ghf, .txt or .csv", cmdStats},
        {"export", {{P{"FILE.rec|FILE.ghf"}}, {kSet, withValue(kOutput, "OUT.ghf|OUT.txt|OUT.csv", true), kForce}},
         "data set N (from 1) of a collection file or a graph file's chart\n"
         "as a graph file or as tab or comma text (every point)",
         {}, cmdExport},
        {"wav-check", {{P{"FILE.rec"}}, {withValue(kSet, "N", true), {{"--dir"}, "DIR"}}},
         "the WAV files of data set N: name, first and last sample, present or missing", {}, cmdWavCheck},
        {"info", {}, "the meter's information (firmware, clock, interval, data sets, memory, SN, calibration)", {},
         cmdInfo},
        {"set-clock", {}, "sets the meter's clock to the computer's", {}, cmdSetClock},
        {"interval", {{P{"MM:SS"}}}, "sets the meter's recording interval (00:00 to 01:00)", "00:00 to 01:00",
         cmdInterval},
        {"eeprom-read", {{P{"ADDRESS"}}}, "one byte of the meter's settings memory", "0 to 16777215", cmdEepromRead},
        {"eeprom-write", {{P{"ADDRESS"}, P{"VALUE"}}}, "writes one byte (0 to 255) of the meter's settings memory",
         "address 0 to 16777215, value 0 to 255", cmdEepromWrite},
        {"quick-rec", {{P{"N"}, P{"INTERVAL"}}},
         "prepares a recording of N samples at INTERVAL seconds in the meter's memory",
         QStringLiteral("N 1 to %1 samples, INTERVAL 0 to %2 seconds").arg(kMaxQuickRecordSamples).arg(kMaxQuickRecordInterval),
         cmdQuickRec},
        {"import", {{P{"FILE.txt|FILE.csv"}}, {withValue(kOutput, "OUT.ghf", true), kForce}},
         "a tab or comma text file read as a list and graphed into a graph file", {}, cmdImport},
        {"report",
         {{P{"FILE"}},
          {kSet, withValue(kOutput, "OUT.pdf", true), {{"--threshold"}, "DB"}, {{"--min-duration"}, "S"}, kForce}},
         "the evidence report of FILE (as for leq) as a PDF: the level over time,\n"
         "noise statistics, the events above DB lasting S seconds or more, the\n"
         "meter's information, the program's version and FILE's SHA-256",
         "FILE: .rec, .ghf, .txt or .csv", cmdReport},
    };
    return table;
}

namespace {

// Takes the value of the option opt (NAME VALUE or NAME=VALUE) into value; false, with the
// message, when it lacks one.
bool takeOptionValue(const QString& opt, QStringList& args, QTextStream& err, const char* valueName,
                     std::optional<QString>& value)
{
    if (opt.contains('=')) {
        value = opt.section('=', 1);
    } else if (!args.isEmpty()) {
        value = args.takeFirst();
    } else {
        err << opt << " needs " << valueName << "\n";
        return false;
    }
    return true;
}

bool isOption(const QString& opt, const char* name)
{
    return opt == QLatin1String(name) || opt.startsWith(QLatin1String(name) + QLatin1Char('='));
}

// Checks the --simulate-faults list and the --simulate-serial SN given and puts them in request.
std::optional<int> takeSimulationValues(const std::optional<QString>& faultList, const std::optional<QString>& serial,
                                        QTextStream& err, TransportRequest& request)
{
    for (const auto& [given, name] : {std::pair{faultList.has_value(), "--simulate-faults"},
                                      std::pair{serial.has_value(), "--simulate-serial"}}) {
        if (given && !request.simulate) {
            err << name << " works only with --simulate\n";
            return 2;
        }
    }
    if (faultList) {
        const ParsedFaults parsed = parseTransportFaults(*faultList);
        if (!parsed.ok()) {
            err << "--simulate-faults: " << parsed.error << "\n";
            return 2;
        }
        request.faults = parsed.faults;
    }
    if (serial) {
        if (const QString problem = SimulatedMeter::serialProblem(*serial); !problem.isEmpty()) {
            err << "--simulate-serial: " << problem << "\n";
            return 2;
        }
        request.simulatedSerial = *serial;
    }
    return std::nullopt;
}

// The program's own options, before the command: --simulate, --simulate-faults LIST,
// --simulate-serial SN and --meter SERIAL|PATH (also written --NAME=VALUE), --version and --help. Returns the exit
// status when the program ends here.
std::optional<int> takeProgramOptions(QStringList& args, QTextStream& out, QTextStream& err, TransportRequest& request)
{
    std::optional<QString> faultList;
    std::optional<QString> serial;
    while (!args.isEmpty() && args.first().startsWith("--")) {
        const QString opt = args.takeFirst();
        if (opt == "--simulate") {
            request.simulate = true;
        } else if (isOption(opt, "--simulate-faults")) {
            const QString needs = QStringLiteral("a LIST (%1)").arg(kFaultListSyntax);
            if (!takeOptionValue(opt, args, err, qPrintable(needs), faultList))
                return 2;
        } else if (isOption(opt, "--simulate-serial")) {
            if (!takeOptionValue(opt, args, err, "a serial number SN", serial))
                return 2;
        } else if (isOption(opt, "--meter")) {
            std::optional<QString> meter;
            if (!takeOptionValue(opt, args, err, "a meter's SERIAL|PATH", meter))
                return 2;
            request.meter = *meter;
        } else if (opt == "--version") {
            out << "quedral-cli " << QUEDRAL_VERSION << "\n";
            return 0;
        } else if (opt == "--help") {
            printUsage(out);
            return 0;
        } else {
            err << "unknown option " << opt << "\n";
            printUsage(err);
            return 2;
        }
    }
    return takeSimulationValues(faultList, serial, err, request);
}

} // namespace

int run(QStringList args, QTextStream& out, QTextStream& err, const TransportFactory& factory)
{
    const QString dataDir = takeDataDirOption(args);
    TransportRequest request;
    if (const std::optional<int> status = takeProgramOptions(args, out, err, request))
        return *status;
    if (args.isEmpty()) {
        printUsage(err);
        return 2;
    }
    const QString name = args.takeFirst();
    const auto& table = commands();
    const auto it = std::find_if(table.begin(), table.end(), [&](const Command& c) { return name == c.name; });
    if (it == table.end()) {
        err << "unknown command " << name << "\n";
        printUsage(err);
        return 2;
    }
    DataDir::init(dataDir);
    if (const QString problem = simulatedMeterProblem(request); !problem.isEmpty()) {
        err << problem << "\n";
        return 1;
    }
    std::unique_ptr<Transport> transport = factory(request);
    MeterLink link(*transport);
    Poller poller(link);
    Context ctx{*transport, link, poller, out, err, &*it, request};
    const std::optional<Arguments> parsed = parseArguments(args, it->arguments);
    return parsed ? it->run(ctx, *parsed) : usageError(ctx);
}

} // namespace quedral::cli
