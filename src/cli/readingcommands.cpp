// The commands that read the meter: raw, read, monitor, key and record, and their output.
#include "cli/meterhelpers.h"
#include "cli/readingcommands.h"
#include "cli/arguments.h"
#include "cli/outputfiles.h"
#include "cli/stopsignals.h"

#include <QTime>

#include <algorithm>

#include "base/clock.h"
#include "meter/meterlink.h"
#include "meter/poller.h"
#include "realtime/recordsession.h"

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

} // namespace

int cmdRaw(Context& ctx, const Arguments& args)
{
    const auto command = parseRawCommand(args.positionals);
    if (!command) {
        return usageError(ctx);
    }
    ReplyFrame reply{};
    ExchangeOptions options;
    options.codes = Codes::Raw;
    const int code = ctx.link.standardExchange(*command, reply, options);
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
int cmdRead(Context& ctx, const Arguments&)
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

int cmdMonitor(Context& ctx, const Arguments& args)
{
    // Every --count given must be a count, the last one counts.
    int count = -1;
    for (const QString& value : args.values("--count")) {
        bool ok = false;
        count = value.toInt(&ok);
        if (!ok || count < 0)
            return usageError(ctx);
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

int cmdKey(Context& ctx, const Arguments& args)
{
    const QString key = args.positional(0);
    if (key.size() != 1 || !isKeyLetter(static_cast<std::uint8_t>(key[0].toLatin1()))) {
        return usageError(ctx);
    }
    if (!ctx.link.sendKey(static_cast<std::uint8_t>(key[0].toLatin1()))) {
        ctx.err << Msg::ConnectFail << "\n";
        printOpenProblem(ctx);
        return 1;
    }
    return 0;
}

// record --points N --rate SECONDS -o OUT.ghf [--force]: the real-time recording without a window.
int cmdRecord(Context& ctx, const Arguments& a)
{
    bool pointsOk = false, rateOk = false;
    const int points = a.value("--points").toInt(&pointsOk);
    const double rate = a.value("--rate").toDouble(&rateOk);
    const QString out = a.value("-o");
    const bool force = a.has("--force");
    if (!pointsOk || !rateOk || points < 1 || !(rate > 0)) {
        return usageError(ctx);
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
