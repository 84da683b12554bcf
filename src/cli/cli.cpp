#include "cli/cli.h"
#include "cli/arguments.h"
#include "cli/filecommands.h"
#include "cli/memorycommands.h"
#include "cli/metersetupcommands.h"
#include "cli/readingcommands.h"
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
    QString text = QStringLiteral("  ") + c.synopsis;
    if (text.size() <= kHelpColumn - 2)
        text = text.leftJustified(kHelpColumn, QLatin1Char(' '));
    else
        text += QLatin1Char('\n') + indent;
    return text + QString(c.help).replace(QLatin1Char('\n'), QLatin1Char('\n') + indent);
}

void printUsage(QTextStream& s)
{
    s << "usage: quedral-cli [--simulate [--simulate-faults LIST]] [--data-dir DIR] [--version] COMMAND [ARGS]\n"
      << "  LIST: comma-separated " << kFaultListSyntax << "\ncommands:\n";
    for (const Command& c : commands())
        s << usageLines(c) << "\n";
}

} // namespace

int usageError(Context& ctx)
{
    ctx.err << "usage: quedral-cli " << ctx.command->synopsis;
    if (!ctx.command->note.isEmpty())
        ctx.err << "   (" << ctx.command->note << ")";
    ctx.err << "\n";
    return 2;
}

const std::vector<Command>& commands()
{
    static const std::vector<Command> table{
        {"raw", "raw L [B2 B3 B4 B5]", "one command frame, prints the 32 reply bytes", {}, cmdRaw},
        {"read", "read", "one reading as JSON", {}, cmdRead},
        {"monitor", "monitor [--count N]", "readings every 500 ms", {}, cmdMonitor},
        {"key", "key R|L|M|N|C|F", "press a meter key", {}, cmdKey},
        {"record", "record --points N --rate SECONDS -o OUT.ghf [--force]",
         "real-time recording into a graph file (Ctrl+C, SIGTERM or SIGHUP\n"
         "stops and saves; a meter that stops answering ends it, its points\n"
         "kept as OUT-partial.ghf);\n"
         "an existing file is replaced only with --force",
         {}, cmdRecord},
        {"graph-info", "graph-info FILE.ghf", "points and statistics of a graph file as JSON", {}, cmdGraphInfo},
        {"download", "download -o FILE.rec [--force]",
         "reads the meter's logged memory into a data set collection file", {}, cmdDownload},
        {"decode", "decode FILE.rec [--samples]", "the data sets of a collection file as JSON", {}, cmdDecode},
        {"erase", "erase --yes", "erases the meter's logged memory", "erases every data set logged in the meter",
         cmdErase},
        {"leq-live", "leq-live --seconds N [-o TABLE.txt] [--force]",
         "a live Leq measurement: a line per second (number, date, time,\n"
         "SPL, Leq), the log temp/LEQ.txt, the table saved with -o",
         {}, cmdLeqLive},
        {"leq", "leq FILE [--set N] [--series]",
         "the Leq of a collection's data set, a graph file or a graph's text\n"
         "(.rec, .ghf, .txt, .csv); --series adds time, level and running Leq",
         "FILE: .rec, .ghf, .txt or .csv", cmdLeq},
        {"export", "export FILE.rec|FILE.ghf [--set N] -o OUT.ghf|OUT.txt|OUT.csv [--force]",
         "data set N (from 1) of a collection file or a graph file's chart\n"
         "as a graph file or as tab or comma text (every point)",
         {}, cmdExport},
        {"wav-check", "wav-check FILE.rec --set N [--dir DIR]",
         "the WAV files of data set N: name, first and last sample, present or missing", {}, cmdWavCheck},
        {"info", "info", "the meter's information (firmware, clock, interval, data sets, memory, SN, calibration)", {},
         cmdInfo},
        {"set-clock", "set-clock", "sets the meter's clock to the computer's", {}, cmdSetClock},
        {"interval", "interval MM:SS", "sets the meter's recording interval (00:00 to 01:00)", "00:00 to 01:00",
         cmdInterval},
        {"eeprom-read", "eeprom-read ADDRESS", "one byte of the meter's settings memory", "0 to 16777215",
         cmdEepromRead},
        {"eeprom-write", "eeprom-write ADDRESS VALUE", "writes one byte (0 to 255) of the meter's settings memory",
         "address 0 to 16777215, value 0 to 255", cmdEepromWrite},
        {"quick-rec", "quick-rec N INTERVAL",
         "prepares a recording of N samples at INTERVAL seconds in the meter's memory",
         QStringLiteral("N 1 to %1 samples, INTERVAL 0 to %2 seconds").arg(kMaxQuickRecordSamples).arg(kMaxQuickRecordInterval),
         cmdQuickRec},
        {"import", "import FILE.txt|FILE.csv -o OUT.ghf [--force]",
         "a tab or comma text file read as a list and graphed into a graph file", {}, cmdImport},
    };
    return table;
}

int run(QStringList args, QTextStream& out, QTextStream& err, const TransportFactory& factory)
{
    const QString dataDir = takeDataDirOption(args);
    bool simulate = false;
    std::optional<QString> faultList;
    while (!args.isEmpty() && args.first().startsWith("--")) {
        const QString opt = args.takeFirst();
        if (opt == "--simulate") {
            simulate = true;
        } else if (opt == "--simulate-faults" || opt.startsWith("--simulate-faults=")) {
            if (opt.contains('=')) {
                faultList = opt.section('=', 1);
            } else if (!args.isEmpty()) {
                faultList = args.takeFirst();
            } else {
                err << "--simulate-faults needs a LIST (" << kFaultListSyntax << ")\n";
                return 2;
            }
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
    TransportFaults faults;
    if (faultList) {
        if (!simulate) {
            err << "--simulate-faults works only with --simulate\n";
            return 2;
        }
        const ParsedFaults parsed = parseTransportFaults(*faultList);
        if (!parsed.ok()) {
            err << "--simulate-faults: " << parsed.error << "\n";
            return 2;
        }
        faults = parsed.faults;
    }
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
    std::unique_ptr<Transport> transport = factory(simulate, faults);
    MeterLink link(*transport);
    Poller poller(link);
    Context ctx{*transport, link, poller, out, err, &*it};
    return it->run(ctx, args);
}

} // namespace quedral::cli
