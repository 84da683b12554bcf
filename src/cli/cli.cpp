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

namespace quedral::cli {

namespace {

void printUsage(QTextStream& s)
{
    s << "usage: quedral-cli [--simulate [--simulate-faults LIST]] [--data-dir DIR] [--version] COMMAND [ARGS]\n"
      << "  LIST: comma-separated " << kFaultListSyntax << "\ncommands:\n";
    for (const Command& c : commands())
        s << "  " << c.usage << "\n";
}

} // namespace

const std::vector<Command>& commands()
{
    static const std::vector<Command> table{
        {"raw", "raw L [B2 B3 B4 B5]   one command frame, prints the 32 reply bytes", cmdRaw},
        {"read", "read                  one reading as JSON", cmdRead},
        {"monitor", "monitor [--count N]   readings every 500 ms", cmdMonitor},
        {"key", "key R|L|M|N|C|F       press a meter key", cmdKey},
        {"record", "record --points N --rate SECONDS -o OUT.ghf [--force]\n"
                   "                        real-time recording into a graph file (Ctrl+C, SIGTERM or SIGHUP\n"
                   "                        stops and saves; a meter that stops answering ends it, its points\n"
                   "                        kept as OUT-partial.ghf);\n"
                   "                        an existing file is replaced only with --force",
         cmdRecord},
        {"graph-info", "graph-info FILE.ghf   points and statistics of a graph file as JSON", cmdGraphInfo},
        {"download", "download -o FILE.rec [--force]\n"
                     "                        reads the meter's logged memory into a data set collection file",
         cmdDownload},
        {"decode", "decode FILE.rec [--samples]\n"
                   "                        the data sets of a collection file as JSON",
         cmdDecode},
        {"erase", "erase --yes           erases the meter's logged memory", cmdErase},
        {"leq-live", "leq-live --seconds N [-o TABLE.txt] [--force]\n"
                     "                        a live Leq measurement: a line per second (number, date, time,\n"
                     "                        SPL, Leq), the log temp/LEQ.txt, the table saved with -o",
         cmdLeqLive},
        {"leq", "leq FILE [--set N] [--series]\n"
                "                        the Leq of a collection's data set, a graph file or a graph's text\n"
                "                        (.rec, .ghf, .txt, .csv); --series adds time, level and running Leq",
         cmdLeq},
        {"export", "export FILE.rec|FILE.ghf [--set N] -o OUT.ghf|OUT.txt|OUT.csv [--force]\n"
                   "                        data set N (from 1) of a collection file or a graph file's chart\n"
                   "                        as a graph file or as tab or comma text (every point)",
         cmdExport},
        {"wav-check", "wav-check FILE.rec --set N [--dir DIR]\n"
                      "                        the WAV files of data set N: name, first and last sample, present or missing",
         cmdWavCheck},
        {"info", "info                  the meter's information (firmware, clock, interval, data sets, memory, SN, calibration)", cmdInfo},
        {"set-clock", "set-clock             sets the meter's clock to the computer's", cmdSetClock},
        {"interval", "interval MM:SS        sets the meter's recording interval (00:00 to 01:00)", cmdInterval},
        {"eeprom-read", "eeprom-read ADDRESS   one byte of the meter's settings memory", cmdEepromRead},
        {"eeprom-write", "eeprom-write ADDRESS VALUE\n"
                         "                        writes one byte (0 to 255) of the meter's settings memory",
         cmdEepromWrite},
        {"quick-rec", "quick-rec N INTERVAL  prepares a recording of N samples at INTERVAL seconds in the meter's memory",
         cmdQuickRec},
        {"import", "import FILE.txt|FILE.csv -o OUT.ghf [--force]\n"
                   "                        a tab or comma text file read as a list and graphed into a graph file",
         cmdImport},
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
    Context ctx{*transport, link, poller, out, err};
    return it->run(ctx, args);
}

} // namespace quedral::cli
