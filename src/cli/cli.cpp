#include "cli/cli.h"
#include "cli/arguments.h"
#include "cli/filecommands.h"
#include "cli/outputfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <algorithm>
#include <csignal>

#include "meter/meterlink.h"
#include "meter/poller.h"
#include "realtime/recordsession.h"
#include "base/clock.h"
#include "base/datadir.h"
#include "base/filewrite.h"
#include "base/datetime.h"
#include "files/collectionfile.h"
#include "leq/leqmeasurement.h"
#include "leq/leqrunner.h"
#include "graph/core/chartsetup.h"
#include "graph/chartmodel.h"
#include "logger/download.h"
#include "setup/setupcommands.h"

namespace quedral::cli {

namespace {

QString tenthsDb(int tenths)
{
    return QString::number(tenths / 10.0, 'f', 1);
}

bool parseByte(const QString& text, std::uint8_t& value)
{
    QString t = text;
    if (t.startsWith("0x", Qt::CaseInsensitive))
        t = t.mid(2);
    if (t.isEmpty() || t.size() > 2)
        return false;
    bool ok = false;
    const uint v = t.toUInt(&ok, 16);
    value = static_cast<std::uint8_t>(v);
    return ok;
}

void printOpenProblem(Context& ctx)
{
    const QString problem = ctx.transport.lastOpenProblem();
    if (!problem.isEmpty())
        ctx.err << problem << "\n";
}

int cmdRaw(Context& ctx, const QStringList& args)
{
    const auto command = parseRawCommand(args);
    if (!command) {
        ctx.err << "usage: quedral-cli raw L [B2 B3 B4 B5]\n";
        return 2;
    }
    ReplyFrame reply{};
    ExchangeOptions options;
    options.codes = Codes::Raw;
    const int code = ctx.link.StandardExchange(*command, reply, options);
    if (code != Codes::Ok) {
        ctx.err << exchangeStepText(code, options.codes) << "\n";
        if (code == options.codes.openFailed)
            printOpenProblem(ctx);
        return 1;
    }
    ctx.out << hexLine(reply) << "\n";
    return 0;
}

// Probes until connected (one probe, as one poll tick does), then one 'A' poll.
int cmdRead(Context& ctx, const QStringList&)
{
    if (ctx.poller.tick() != PollOutcome::ConnectedNow) {
        ctx.err << Status::None << "\n";
        printOpenProblem(ctx);
        return 1;
    }
    switch (ctx.poller.tick()) {
    case PollOutcome::Reading:
        ctx.out << readingJson(ctx.poller.reading(), ctx.poller.sequenceMatched()) << "\n";
        return 0;
    case PollOutcome::ReplyIgnored:
        ctx.err << (isFramedReading(ctx.link.MainReply) ? "level the meter cannot show: " : "reply not framed: ")
                << hexLine(ctx.link.MainReply) << "\n";
        return 1;
    default:
        ctx.err << "no response from device" << "\n";
        return 1;
    }
}

int cmdMonitor(Context& ctx, const QStringList& args)
{
    int count = -1;
    for (int i = 0; i < args.size(); ++i) {
        bool ok = false;
        if (args[i] == "--count" && i + 1 < args.size())
            count = args[++i].toInt(&ok);
        else if (args[i].startsWith("--count="))
            count = args[i].mid(8).toInt(&ok);
        if (!ok || count < 0) {
            ctx.err << "usage: quedral-cli monitor [--count N]\n";
            return 2;
        }
    }
    Clock& clock = Clock::instance();
    std::int64_t nextTick = clock.tickMs();
    int shown = 0;
    while (count < 0 || shown < count) {
        const std::int64_t now = clock.tickMs();
        if (now < nextTick)
            clock.sleepMs(static_cast<int>(nextTick - now));
        nextTick = std::max(nextTick + Poller::IntervalMs, clock.tickMs());
        // A reading's time is when its poll began, not when a slow reply arrived.
        const QTime polledAt = clock.now().time();
        const PollOutcome outcome = ctx.poller.tick();
        if (const char* status = statusTextAfter(outcome)) {
            ctx.err << status << "\n";
            ctx.err.flush();
        }
        if (outcome == PollOutcome::Reading) {
            ctx.out << monitorLine(polledAt, ctx.poller.reading()) << "\n";
            ctx.out.flush();
            ++shown;
        }
    }
    return 0;
}

int cmdKey(Context& ctx, const QStringList& args)
{
    if (args.size() != 1 || args[0].size() != 1 || !isKeyLetter(static_cast<std::uint8_t>(args[0][0].toLatin1()))) {
        ctx.err << "usage: quedral-cli key R|L|M|N|C|F\n";
        return 2;
    }
    if (!ctx.link.SendKey(static_cast<std::uint8_t>(args[0][0].toLatin1()))) {
        ctx.err << Msg::ConnectFail << "\n";
        printOpenProblem(ctx);
        return 1;
    }
    return 0;
}

volatile std::sig_atomic_t g_interrupted = 0; // the signal that asked to stop, 0 for none
extern "C" void onInterrupt(int signal) { g_interrupted = signal; }

// Ctrl+C, and the signals that end a program from outside (kill, a closed terminal), stop a
// measurement as its Stop does, for as long as the guard lives.
class StopSignals {
public:
    StopSignals()
    {
        g_interrupted = 0;
        for (size_t i = 0; i < std::size(kSignals); ++i)
            m_previous[i] = std::signal(kSignals[i], onInterrupt);
    }
    ~StopSignals()
    {
        for (size_t i = 0; i < std::size(kSignals); ++i)
            std::signal(kSignals[i], m_previous[i]);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    void (*m_previous[std::size(kSignals)])(int) = {};
};

const char* signalName(int signal)
{
    switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
    }
}

// record --points N --rate SECONDS -o OUT.ghf [--force]: the real-time recording without a window.
int cmdRecord(Context& ctx, const QStringList& args)
{
    const auto a = parseArguments(args, {{{"--points"}, true}, {{"--rate"}, true}, kOutput, kForce}, false);
    bool pointsOk = false, rateOk = false;
    const int points = a ? a->value("--points").toInt(&pointsOk) : 0;
    const double rate = a ? a->value("--rate").toDouble(&rateOk) : 0;
    const QString out = a ? a->value("-o") : QString();
    const bool force = a && a->has("--force");
    if (!a || !pointsOk || !rateOk || points < 1 || !(rate > 0) || out.isEmpty()) {
        ctx.err << "usage: quedral-cli record --points N --rate SECONDS -o OUT.ghf [--force]\n";
        return 2;
    }
    if (refusesToReplace(ctx, out, force) || !outputCanBeCreated(ctx.err, out))
        return 1;

    RecordSession session(ctx.poller, points, rate);
    std::optional<StopSignals> stopSignals(std::in_place);
    Clock& clock = Clock::instance();
    std::int64_t nextTick = clock.tickMs();
    // The recording gives up where the program's poll gives the meter up: after the poll has
    // failed FailureLimit times in a row (the connection is lost), or when the meter has not
    // answered as many probes in a row (unplugged, or silent from the start).
    int probesFailed = 0;
    bool gaveUp = false;
    while (!session.isFinished() && !g_interrupted && !gaveUp) {
        if (clock.tickMs() < nextTick) {
            // Short naps, so that Ctrl+C is noticed at once.
            clock.sleepMs(static_cast<int>(std::min<std::int64_t>(nextTick - clock.tickMs(), 50)));
            continue;
        }
        nextTick = std::max(nextTick + Poller::IntervalMs, clock.tickMs());
        const RecordSession::Tick t = session.tick();
        if (const char* status = statusTextAfter(t.outcome)) {
            ctx.err << status << "\n";
            ctx.err.flush();
        }
        if (t.sample && t.sample->written) {
            ctx.out << RecordSession::pointLine(*t.sample) << "\n";
            ctx.out.flush();
        }
        probesFailed = t.outcome == PollOutcome::ProbeFailed ? probesFailed + 1 : 0;
        gaveUp = t.outcome == PollOutcome::ConnectionLost || probesFailed >= Poller::FailureLimit;
    }
    const int stoppedBy = g_interrupted;
    stopSignals.reset();
    const int count = session.finish().count; // stops as Stop does; a no-op when the graph filled up
    if (gaveUp)
        ctx.err << "the meter does not answer: the recording is given up after " << count << " points\n";
    else if (stoppedBy)
        ctx.err << "stopped by " << signalName(stoppedBy) << " after " << count << " points\n";
    if (count == 0) {
        ctx.err << "no points were recorded; " << out << " was not written\n";
        return 1;
    }
    const auto save = [&session](const QString& file, QString* error) { return session.save(file, error); };
    if (gaveUp) {
        // Cut short by the meter: the points go beside the target, which stays as it was.
        keepBeside(ctx.err, out, QStringLiteral("partial"), QStringLiteral("the recording cut short"), save);
        return 1;
    }
    return saveMeasurement(ctx.err, out, force, "recording", save) ? 0 : 1;
}

// Probes and polls once, as the program's poll does, for the connection and the REC flag.
// Prints the refusal and returns false when the command may not go on.
bool meterReadyForMemory(Context& ctx, const char* recordingMessage, bool needConnection)
{
    const bool connected = ctx.poller.tick() == PollOutcome::ConnectedNow;
    if (!connected) {
        if (!needConnection)
            return true;
        ctx.err << Msg::NoConnection << "\n";
        printOpenProblem(ctx);
        return false;
    }
    if (ctx.poller.tick() == PollOutcome::Reading && ctx.poller.reading().Recording) {
        ctx.err << recordingMessage << "\n";
        return false;
    }
    return true;
}

// What a decode code between 33 and 35 says about the data sets.
const char* damageText(int code)
{
    switch (code) {
    case DecodeCode::MarkerMisplaced: return "a start or end marker is not where expected";
    case DecodeCode::BeyondLastAddress: return "a data set ends beyond the last address";
    case DecodeCode::StartUnreadable: return "a start date or time cannot be read";
    default: return "the decode does not hold";
    }
}

int cmdDownload(Context& ctx, const QStringList& args)
{
    const auto a = parseArguments(args, {kOutput, kForce}, false);
    const QString out = a ? a->value("-o") : QString();
    const bool force = a && a->has("--force");
    if (out.isEmpty()) {
        ctx.err << "usage: quedral-cli download -o FILE.rec [--force]\n";
        return 2;
    }
    if (refusesToReplace(ctx, out, force))
        return 1;
    if (!meterReadyForMemory(ctx, Msg::RecordingLoad, true))
        return 1;

    DownloadProgress progress;
    int total = 0;
    progress.started = [&](int t) {
        total = t;
        ctx.err << "0 of " << t << " bytes\n";
        ctx.err.flush();
    };
    progress.received = [&](int received) {
        if (received % 4096 == 0 || received == total) {
            ctx.err << received << " of " << total << " bytes\n";
            ctx.err.flush();
        }
    };
    const DownloadResult r = DownloadMemory(ctx.link, progress);
    if (r.code == DownloadCode::Garbled)
        ctx.err << downloadProblemsText(r) << "\n";
    std::optional<DecodeResult> d;
    if (r.code == DownloadCode::Ok)
        d = DecodeMemoryImage(r.image, r.lastAddress, Clock::instance().now());
    const LoadOutcome outcome = loadOutcome(d ? d->code : r.code);
    // The target is written only from a whole image that decodes cleanly, and replaces an old
    // file (with --force) only once it is whole. A damaged image is worth keeping: it goes
    // beside the target under a name that says so.
    bool written = false;
    if (d && d->store) {
        const auto save = [&](const QString& file, QString* error) {
            const ExistingFile existing = force && file == out ? ExistingFile::Replace : ExistingFile::Keep;
            return WriteCollectionFile(file, r.image, r.lastAddress, error, existing);
        };
        if (d->code != DecodeCode::Ok) {
            ctx.err << loadErrorMessage(d->code) << "\n"
                    << "the data sets are damaged (" << damageText(d->code) << "); " << out << " was not written\n";
            keepBeside(ctx.err, out, QStringLiteral("damaged"), QStringLiteral("the memory image"), save);
        } else if (saveMeasurement(ctx.err, out, force, "downloading", save)) {
            ctx.err << d->store->size() << " data sets in " << out << "\n";
            written = true;
        }
    } else if (!outcome.message.isEmpty()) {
        ctx.err << outcome.message << "\n";
    }
    if (outcome.recover)
        RecoverAfterFailedDownload(ctx.link);
    return written ? 0 : 1;
}


int cmdErase(Context& ctx, const QStringList& args)
{
    if (args != QStringList{"--yes"}) {
        ctx.err << "usage: quedral-cli erase --yes   (erases every data set logged in the meter)\n";
        return 2;
    }
    if (!meterReadyForMemory(ctx, Msg::RecordingErase, false))
        return 1;
    const int code = EraseMeterMemory(ctx.link);
    const QString text = eraseMessage(code);
    (code == 0 ? ctx.out : ctx.err) << (text.isEmpty() ? QStringLiteral("no reply from device, code=%1").arg(code) : text)
                                     << "\n";
    if (code == 803)
        printOpenProblem(ctx);
    return code == 0 ? 0 : 1;
}

// --- Meter setup and service commands ---

// A setup command's failure: the message on stderr, and why the device could not be opened
// when that was the step that failed (the transport forgets the reason at every open that works).
int setupFailed(Context& ctx, const QString& message)
{
    ctx.err << message << "\n";
    printOpenProblem(ctx);
    return 1;
}

int cmdInfo(Context& ctx, const QStringList& args)
{
    if (!args.isEmpty()) {
        ctx.err << "usage: quedral-cli info\n";
        return 2;
    }
    SetupBuffers buffers;
    const InformationResult r = ReadMeterInformation(ctx.link, buffers, QLocale::c());
    ctx.link.CloseLink();
    if (r.code != Codes::Ok)
        return setupFailed(ctx, informationMessage(r));
    for (const MeterInfoField& f : meterInfoFields()) {
        QString label = QString::fromLatin1(f.label);
        if (!label.endsWith(QLatin1Char(':')))
            label += QLatin1Char(':');
        ctx.out << label << ' ' << r.info.*f.text << "\n";
    }
    if (r.info.serial.isEmpty())
        ctx.err << Msg::SerialFail << "\n";
    return 0;
}

int cmdSetClock(Context& ctx, const QStringList& args)
{
    if (!args.isEmpty()) {
        ctx.err << "usage: quedral-cli set-clock\n";
        return 2;
    }
    SetupBuffers buffers;
    const int code = SetMeterClock(ctx.link, buffers, Clock::instance().now());
    ctx.link.CloseLink();
    if (code != Codes::Ok)
        return setupFailed(ctx, setClockMessage(code) + QStringLiteral(" (error code=%1)").arg(code));
    ctx.out << setClockMessage(code);
    return 0;
}

int cmdInterval(Context& ctx, const QStringList& args)
{
    if (args.size() != 1) {
        ctx.err << "usage: quedral-cli interval MM:SS   (00:00 to 01:00)\n";
        return 2;
    }
    const QStringList parts = args[0].split(QLatin1Char(':'));
    const std::optional<int> seconds =
        parts.size() == 2 ? parseRecordingInterval(parts[0], parts[1]) : std::nullopt;
    if (!seconds)
        return setupFailed(ctx, intervalMessage(Codes::InvalidInput));
    SetupBuffers buffers;
    const int code = SetRecordingInterval(ctx.link, buffers, *seconds);
    if (code != Codes::Ok)
        return setupFailed(ctx, intervalMessage(code));
    ctx.out << intervalMessage(code) << "\n";
    return 0;
}

int cmdEepromRead(Context& ctx, const QStringList& args)
{
    if (args.size() != 1) {
        ctx.err << "usage: quedral-cli eeprom-read ADDRESS   (0 to 16777215)\n";
        return 2;
    }
    const std::optional<int> address = parseSettingAddress(args[0]);
    if (!address)
        return setupFailed(ctx, SetupMsg::InvalidInput);
    SetupBuffers buffers;
    const ByteReadResult r = ReadSettingByte(ctx.link, buffers, *address);
    if (r.code != Codes::Ok)
        return setupFailed(ctx, serviceErrorMessage(r.code));
    ctx.out << *r.value << "\n";
    return 0;
}

int cmdEepromWrite(Context& ctx, const QStringList& args)
{
    if (args.size() != 2) {
        ctx.err << "usage: quedral-cli eeprom-write ADDRESS VALUE   (address 0 to 16777215, value 0 to 255)\n";
        return 2;
    }
    const std::optional<int> address = parseSettingAddress(args[0]);
    const std::optional<int> value = parseSettingValue(args[1]);
    if (!address || !value)
        return setupFailed(ctx, SetupMsg::InvalidInput);
    SetupBuffers buffers;
    const int code = WriteSettingByte(ctx.link, buffers, *address, *value);
    if (code != Codes::Ok)
        return setupFailed(ctx, serviceErrorMessage(code));
    return 0;
}

int cmdQuickRec(Context& ctx, const QStringList& args)
{
    if (args.size() != 2) {
        ctx.err << "usage: quedral-cli quick-rec N INTERVAL   (N 1 to " << kMaxQuickRecordSamples
                << " samples, INTERVAL 0 to " << kMaxQuickRecordInterval << " seconds)\n";
        return 2;
    }
    const std::optional<int> n = parseQuickRecordSamples(args[0]);
    const std::optional<int> interval = parseQuickRecordInterval(args[1]);
    if (!n || !interval)
        return setupFailed(ctx, SetupMsg::InvalidInput);
    SetupBuffers buffers;
    const int code = QuickRecord(ctx.link, buffers, *n, *interval);
    ctx.link.CloseLink();
    if (code != Codes::Ok)
        return setupFailed(ctx, QString::fromLatin1(Msg::Fail) + QLatin1Char('\n') + serviceErrorMessage(code));
    ctx.out << SetupMsg::QuickRecordOk << "\n";
    return 0;
}

// The live Leq measurement without a window: a line per finished second, the log, the table.
int cmdLeqLive(Context& ctx, const QStringList& args)
{
    const auto a = parseArguments(args, {{{"--seconds"}, true}, kOutput, kForce}, false);
    const int seconds = a ? a->value("--seconds").toInt() : 0;
    const QString out = a ? a->value("-o") : QString();
    const bool force = a && a->has("--force");
    if (seconds < 1) {
        ctx.err << "usage: quedral-cli leq-live --seconds N [-o TABLE.txt] [--force]\n";
        return 2;
    }
    if (!out.isEmpty() && (refusesToReplace(ctx, out, force) || !outputCanBeCreated(ctx.err, out)))
        return 1;
    if (!meterReadyForMemory(ctx, Msg::RecordingLeq, false))
        return 1;

    std::unique_ptr<LeqLog> log = openLeqLog();
    openLeqLink(ctx.link);
    LeqMeasurement measurement;
    measurement.start(seconds);
    std::vector<LeqRow> table;
    std::optional<StopSignals> stopSignals(std::in_place);
    Clock& clock = Clock::instance();
    std::int64_t nextTick = clock.tickMs();
    int status = 0;
    bool failed = false;
    while (!g_interrupted) {
        const std::int64_t now = clock.tickMs();
        if (now < nextTick) {
            clock.sleepMs(static_cast<int>(nextTick - now));
            continue;
        }
        nextTick = std::max(nextTick + LeqMeasurement::kTickMs, now);
        const LeqTick tick = leqExchange(ctx.link, measurement, log.get());
        if (!tick.logProblem.isEmpty()) {
            // The measurement goes on; the log ends at its last whole line.
            ctx.err << tick.logProblem << "\n";
            ctx.err.flush();
            status = 1;
        }
        if (tick.row) {
            // As the table shows it, numbers with a full stop.
            QStringList cells;
            for (int c = 0; c < 5; ++c)
                cells << leqRowText(*tick.row, c, QLocale::c());
            ctx.out << cells.join('\t') << "\n";
            ctx.out.flush();
            table.push_back(*tick.row);
        }
        if (tick.failedOut) {
            ctx.err << Msg::LeqFail << "\n";
            failed = true;
            break;
        }
        if (tick.durationReached)
            break;
    }
    stopSignals.reset();
    if (log)
        log->close();
    ctx.link.CloseLink();
    if (!out.isEmpty()) {
        // The table as the Leq window's Save writes it, in the user's number format. The old
        // file (with --force) is replaced only once the new one is whole.
        const auto save = [&table](const QString& file, QString* error) { return saveLeqTable(file, table, error); };
        if (failed) {
            // A failed measurement leaves the target as it was; its seconds go beside it.
            ctx.err << out << " was not written\n";
            if (!table.empty())
                keepBeside(ctx.err, out, QStringLiteral("partial"), QStringLiteral("the measurement cut short"), save);
        } else if (!saveMeasurement(ctx.err, out, force, "measuring", save)) {
            return 1;
        }
    }
    return failed ? 1 : status;
}


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

QString hexLine(const ReplyFrame& reply)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(reply.data()), kReplyLength).toHex(' ').toUpper());
}

std::optional<CommandFrame> parseRawCommand(const QStringList& args)
{
    if (args.isEmpty() || args.size() > 5 || args[0].size() != 1 || args[0][0].unicode() > 0x7F)
        return std::nullopt;
    CommandFrame frame = makeCommand(static_cast<std::uint8_t>(args[0][0].toLatin1()));
    for (int i = 1; i < args.size(); ++i) {
        if (!parseByte(args[i], frame[1 + i]))
            return std::nullopt;
    }
    return frame;
}

QString meterClockText(const MeterReading& r)
{
    const int h = bcdValue(r.ClockHour), m = bcdValue(r.ClockMinute), s = bcdValue(r.ClockSecond);
    if (h < 0 || m < 0 || s < 0)
        return {};
    return QString("%1:%2:%3").arg(h, 2, 10, QChar('0')).arg(m, 2, 10, QChar('0')).arg(s, 2, 10, QChar('0'));
}

QString readingJson(const MeterReading& r, bool sequenceOk)
{
    auto b = [](bool v) { return QString(v ? "true" : "false"); };
    auto str = [](const QString& s) { return s.isNull() ? QString("null") : "\"" + s + "\""; };
    const RangeInfo* range = rangeInfo(r.RangeCode);
    QStringList f;
    f << "\"recording\":" + b(r.Recording)
      << "\"max_min_active\":" + b(r.MaxMinActive)
      << "\"weighting\":" + str(r.WeightingA ? "A" : "C")
      << "\"fast\":" + b(r.Fast)
      << "\"under\":" + b(r.Under)
      << "\"over\":" + b(r.Over)
      << "\"memory_full\":" + b(r.MemoryFull)
      << "\"range\":" + str(range ? QString::fromLatin1(range->label) : QString())
      << "\"max_min_mode\":" + QString::number(rawByte(r.MaxMinMode))
      << "\"level\":" + tenthsDb(r.LevelTenths)
      << "\"max\":" + tenthsDb(r.MaxTenths)
      << "\"min\":" + tenthsDb(r.MinTenths)
      << "\"display_level\":" + tenthsDb(DisplayLevel(r))
      << "\"clock\":" + str(meterClockText(r))
      << "\"sequence_ok\":" + b(sequenceOk);
    return "{" + f.join(',') + "}";
}

QString monitorLine(const QTime& computerTime, const MeterReading& r)
{
    const RangeInfo* range = rangeInfo(r.RangeCode);
    QStringList parts{computerTime.toString("hh:mm:ss"),
                      QString("%1").arg(tenthsDb(DisplayLevel(r)), 5),
                      r.WeightingA ? "dBA" : "dBC",
                      r.Fast ? "FAST" : "SLOW",
                      range ? QString::fromLatin1(range->label) : QString("?")};
    const MaxMinInfo* mode = r.MaxMinActive ? maxMinInfo(r.MaxMinMode) : nullptr;
    const bool showMax = mode && mode->maxLit;
    const bool showMin = mode && mode->minLit;
    if (r.Recording) parts << "REC";
    if (showMax) parts << "MAX";
    if (showMin) parts << "MIN";
    if (r.Over) parts << "OVER";
    if (r.Under) parts << "UNDER";
    if (r.MemoryFull) parts << "FULL";
    return parts.join(' ');
}

} // namespace quedral::cli

