// The commands on the meter's logged memory and its live Leq: download, erase and leq-live.
#include "cli/memorycommands.h"
#include "cli/meterhelpers.h"
#include "cli/arguments.h"
#include "cli/outputfiles.h"
#include "cli/stopsignals.h"

#include <QLocale>

#include <algorithm>

#include "base/clock.h"
#include "files/collectionfile.h"
#include "leq/leqmeasurement.h"
#include "leq/leqrunner.h"
#include "logger/download.h"
#include "meter/meterlink.h"
#include "meter/poller.h"

namespace quedral::cli {

namespace {

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

} // namespace

int cmdDownload(Context& ctx, const Arguments& a)
{
    const QString out = a.value("-o");
    const bool force = a.has("--force");
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
    const DownloadResult r = downloadMemory(ctx.link, progress);
    if (r.code == DownloadCode::Garbled)
        ctx.err << downloadProblemsText(r) << "\n";
    std::optional<DecodeResult> d;
    if (r.code == DownloadCode::Ok)
        d = decodeMemoryImage(r.image, r.lastAddress, Clock::instance().now());
    const LoadOutcome outcome = loadOutcome(d ? d->code : r.code);
    // The target is written only from a whole image that decodes cleanly, and replaces an old
    // file (with --force) only once it is whole. A damaged image is worth keeping: it goes
    // beside the target under a name that says so.
    bool written = false;
    if (d && d->store) {
        const auto save = [&](const QString& file, QString* error) {
            const ExistingFile existing = force && file == out ? ExistingFile::Replace : ExistingFile::Keep;
            return writeCollectionFile(file, r.image, r.lastAddress, error, existing);
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
        recoverAfterFailedDownload(ctx.link);
    return written ? 0 : 1;
}


int cmdErase(Context& ctx, const Arguments&)
{
    if (!meterReadyForMemory(ctx, Msg::RecordingErase, false))
        return 1;
    const int code = eraseMeterMemory(ctx.link);
    const QString text = eraseMessage(code);
    (code == 0 ? ctx.out : ctx.err) << (text.isEmpty() ? QStringLiteral("no reply from device, code=%1").arg(code) : text)
                                     << "\n";
    if (code == 803)
        printOpenProblem(ctx);
    return code == 0 ? 0 : 1;
}
namespace {

// A live Leq measurement run to its end: its seconds printed and logged, its rows kept.
struct LeqRun {
    std::vector<LeqRow> table;
    bool failed = false; // the meter failed the measurement
    int status = 0;      // 1 when the log could not be written
};

// Runs the measurement for `seconds` or until Ctrl+C, SIGTERM or SIGHUP, a line per finished
// second.
LeqRun measureLeq(Context& ctx, int seconds)
{
    LeqRun run;
    std::unique_ptr<LeqLog> log = openLeqLog();
    openLeqLink(ctx.link);
    LeqMeasurement measurement;
    measurement.start(seconds);
    std::optional<StopSignals> stopSignals(std::in_place);
    Clock& clock = Clock::instance();
    std::int64_t nextTick = clock.tickMs();
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
            run.status = 1;
        }
        if (tick.row) {
            // As the table shows it, numbers with a full stop.
            QStringList cells;
            for (int c = 0; c < 5; ++c)
                cells << leqRowText(*tick.row, c, QLocale::c());
            ctx.out << cells.join('\t') << "\n";
            ctx.out.flush();
            run.table.push_back(*tick.row);
        }
        if (tick.failedOut) {
            ctx.err << Msg::LeqFail << "\n";
            run.failed = true;
            break;
        }
        if (tick.durationReached)
            break;
    }
    stopSignals.reset();
    if (log)
        log->close();
    ctx.link.closeLink();
    return run;
}

// The table as the Leq window's Save writes it, in the user's number format. The old file
// (with --force) is replaced only once the new one is whole; a failed measurement leaves it as
// it was, its seconds beside it. False when the table could not be saved.
bool saveLeqRun(Context& ctx, const LeqRun& run, const QString& out, bool force)
{
    const auto save = [&run](const QString& file, QString* error) { return saveLeqTable(file, run.table, error); };
    if (!run.failed)
        return saveMeasurement(ctx.err, out, force, "measuring", save);
    ctx.err << out << " was not written\n";
    if (!run.table.empty())
        keepBeside(ctx.err, out, QStringLiteral("partial"), QStringLiteral("the measurement cut short"), save);
    return true;
}

} // namespace

// The live Leq measurement without a window: a line per finished second, the log, the table.
int cmdLeqLive(Context& ctx, const Arguments& a)
{
    const int seconds = a.value("--seconds").toInt();
    const QString out = a.value("-o");
    const bool force = a.has("--force");
    if (seconds < 1) {
        return usageError(ctx);
    }
    if (!out.isEmpty() && (refusesToReplace(ctx, out, force) || !outputCanBeCreated(ctx.err, out)))
        return 1;
    if (!meterReadyForMemory(ctx, Msg::RecordingLeq, false))
        return 1;
    const LeqRun run = measureLeq(ctx, seconds);
    if (!out.isEmpty() && !saveLeqRun(ctx, run, out, force))
        return 1;
    return run.failed ? 1 : run.status;
}

} // namespace quedral::cli
