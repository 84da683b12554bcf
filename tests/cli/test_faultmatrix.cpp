// The fault matrix: every command that talks to the meter, run against the simulated meter with
// every fault its link can suffer at every step it takes: the device does not open, takes no
// time-outs, takes no command, stays silent, is slow, garbles one reply byte (each of the 32), is
// unplugged after each exchange, falls silent after each exchange. In every cell the command
// ends with the code and message of the failing step (or the fault-free result when the fault
// touched nothing the command uses), never waits without end, leaves what it writes whole, and
// the poll reads a good level again once the fault is gone.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <set>

#include "base/clock.h"
#include "leq/leqmeasurement.h"
#include "leq/leqrunner.h"
#include "logger/datasets.h"
#include "logger/download.h"
#include "meter/meterlink.h"
#include "meter/poller.h"
#include "meter/simulator/simulatedmemory.h"
#include "meter/simulator/simulatedtransport.h"
#include "setup/setupcommands.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

// Thrown when a command waits or calls the link far longer than any exchange sequence can.
struct Hang {};

// A manual clock that turns a wait without end into a Hang.
class BoundedClock final : public Clock {
public:
    QDateTime now() const override { return m_clock.now(); }
    std::int64_t tickMs() const override { return m_clock.tickMs(); }
    void sleepMs(int ms) override
    {
        m_clock.advanceMs(ms);
        if (m_clock.tickMs() - m_budgetStart > kBudgetMs)
            throw Hang{};
    }
    void advanceMs(std::int64_t ms) { m_clock.advanceMs(ms); }
    void startBudget() { m_budgetStart = m_clock.tickMs(); }

    // Far beyond the slowest command: QUICK REC retrying every step, or 51 Leq time-outs.
    static constexpr std::int64_t kBudgetMs = 300000;

private:
    ManualClock m_clock;
    std::int64_t m_budgetStart = 0;
};

// The simulated transport behind a call counter: a command that keeps calling the link without
// end becomes a Hang as well.
class GuardedTransport final : public Transport {
public:
    explicit GuardedTransport(SimulatedTransport& sim) : m_sim(sim) {}
    void usbClose() override { count(), m_sim.usbClose(); }
    int usbOpen(std::uint16_t v, std::uint16_t p) override { return count(), m_sim.usbOpen(v, p); }
    int usbSetTimeouts(int r, int w) override { return count(), m_sim.usbSetTimeouts(r, w); }
    int usbWrite(int n, const std::uint8_t* f) override { return count(), m_sim.usbWrite(n, f); }
    void usbPurge() override { count(), m_sim.usbPurge(); }
    int usbRead(int n, std::uint8_t* b) override { return count(), m_sim.usbRead(n, b); }
    int usbWriteBlock(int n, const std::uint8_t* b) override { return count(), m_sim.usbWriteBlock(n, b); }
    void usbReadSerial(int i, char* b, int n) override { count(), m_sim.usbReadSerial(i, b, n); }
    QString lastOpenProblem() const override { return m_sim.lastOpenProblem(); }

private:
    void count()
    {
        if (++m_calls > 200000)
            throw Hang{};
    }
    SimulatedTransport& m_sim;
    int m_calls = 0;
};

// One small data set: 'P' and nine 'p' blocks download it.
std::vector<LoggedSet> matrixSets()
{
    return {LoggedSet{QDateTime(QDate(2025, 12, 24), QTime(8, 30, 15)), 2, 0x0F, "00000000",
                      {600, 612, 655, 701, 689, 640, 633, 620, 615, 1002, 987, 640}}};
}

// A fresh meter, link and poll for every cell.
struct Bench {
    BoundedClock clock;
    test::ScopedClock clockGuard{clock};
    SimulatedTransport sim{std::make_unique<SimulatedMeter>(QString(), 4471)};
    GuardedTransport usb{sim};
    MeterLink link{usb};
    Poller poller{link};
    Bench()
    {
        sim.meter().setLevelOverride(650);
        sim.meter().setMemory(matrixSets());
    }
};

// What a command ended with.
struct Outcome {
    int code = 0;        // 0: success
    QString message;     // what the user is told; empty for nothing
    QStringList result;  // what the command delivers, compared with the fault-free run; a
                         // "name=?" entry is a field the command left as it was (a silent repair)
    QString fileProblem; // what is wrong with what it wrote, if anything
};

bool sameResult(const QStringList& faultFree, const QStringList& got)
{
    if (faultFree.size() != got.size())
        return false;
    for (qsizetype i = 0; i < got.size(); ++i)
        if (got[i] != faultFree[i] && !got[i].endsWith(QLatin1String("=?")))
            return false;
    return true;
}

QString describe(const Outcome& o)
{
    return QStringLiteral("code %1, message \"%2\", result [%3]")
        .arg(o.code)
        .arg(o.message, o.result.join(QStringLiteral(", ")).left(300));
}

// What a cell expects: a code with its message, or (nullopt) the fault-free outcome.
struct Expect {
    int code;
    QString message;
};
using Expectation = std::optional<Expect>;
const Expectation kFaultFree = std::nullopt;

// A command of the matrix.
struct MatrixCommand {
    const char* name;
    std::function<void(Bench&)> prepare; // before the command (not counted as its exchanges)
    std::function<Outcome(Bench&)> run;
    Expectation openFails;
    Expectation timeoutsFail;
    Expectation writeFails;
    Expectation blockWriteFails; // only the set-clock command writes a data block
    Expectation silent;
    // Unplugged, or silent, once n of its exchanges have been written (n from 0 to all of them).
    std::function<Expectation(int n, int exchanges)> unplugAfter;
    std::function<Expectation(int n, int exchanges)> silentAfter;
    // A garbled reply byte the command detects.
    std::function<bool(const Outcome&)> detected;
    // Bytes that carry data the exchange has no way to check (no echo, no framing, no
    // redundancy, any value possible): a garbled one gives other data with success. Each is named
    // with what it carries.
    std::map<int, const char*> undetectable;
};

Expect failed(int code, const QString& message) { return Expect{code, message}; }
QString noResponse(int code) { return QString::fromLatin1(Msg::NoResponse) + QString::number(code); }

// --- The commands as the program runs them ------------------------------------------------

QStringList pollResult(const MeterReading& r)
{
    QStringList out;
    out << QStringLiteral("level=%1").arg(DisplayLevel(r));
    out << QStringLiteral("flags=%1%2%3%4%5%6%7")
               .arg(r.Recording)
               .arg(r.MaxMinActive)
               .arg(r.WeightingA)
               .arg(r.Fast)
               .arg(r.Under)
               .arg(r.Over)
               .arg(r.MemoryFull);
    // An unknown range leaves the range display as it was.
    out << (rangeInfo(r.RangeCode) ? QStringLiteral("range=%1").arg(rawByte(r.RangeCode)) : QStringLiteral("range=?"));
    const MaxMinDisplay mm = maxMinDisplay(r);
    out << QStringLiteral("maxmin=%1%2%3").arg(int(mm.max)).arg(int(mm.min)).arg(int(mm.blink));
    // The clock digits are drawn hour, minute, second, up to the first byte that is not BCD.
    bool drawing = true;
    const std::pair<const char*, std::uint8_t> clock[] = {{"hour", r.ClockHour}, {"minute", r.ClockMinute}, {"second", r.ClockSecond}};
    for (const auto& [name, b] : clock) {
        drawing = drawing && bcdValue(b) >= 0;
        out << QStringLiteral("%1=%2").arg(QLatin1String(name), drawing ? QString::number(bcdValue(b)) : QStringLiteral("?"));
    }
    return out;
}

Outcome runProbe(Bench& b)
{
    Outcome o;
    if (b.poller.tick() == PollOutcome::ConnectedNow) {
        o.message = QString::fromLatin1(Status::On);
        return o;
    }
    o.code = static_cast<int>(b.poller.LastProbeProblem);
    o.message = probeProblemText(b.poller.LastProbeProblem, b.usb.lastOpenProblem());
    return o;
}

Outcome runPoll(Bench& b)
{
    Outcome o;
    const PollOutcome p = b.poller.tick();
    if (p == PollOutcome::Reading)
        o.result = pollResult(b.poller.reading());
    else
        o.code = static_cast<int>(p);
    return o;
}

Outcome runKey(Bench& b)
{
    Outcome o;
    const bool ok = b.link.sendKey(Letter::KeyFastSlow);
    if (!ok) {
        o.code = 1;
        o.message = QString::fromLatin1(Msg::ConnectFail);
    }
    o.result << QStringLiteral("fast=%1").arg(b.sim.meter().state().fast);
    return o;
}

Outcome runDownload(Bench& b)
{
    Outcome o;
    const DownloadResult r = downloadMemory(b.link);
    if (r.code != DownloadCode::Ok && !r.image.isEmpty())
        o.fileProblem = QStringLiteral("the image of a failed transfer was kept");
    int code = r.code;
    std::optional<DecodeResult> d;
    if (code == DownloadCode::Ok) {
        d = decodeMemoryImage(r.image, r.lastAddress, b.clock.now());
        code = d->code;
    }
    const LoadOutcome load = loadOutcome(code);
    o.code = code;
    o.message = load.message;
    if (load.recover)
        recoverAfterFailedDownload(b.link);
    if (d && d->store) {
        const DataSetStore& s = *d->store;
        for (int n = 0; n < s.size(); ++n)
            o.result << dataSetRow(*d, n).join(QLatin1Char('|'));
        QStringList levels;
        for (float v : s.Levels)
            levels << QString::number(v, 'f', 1);
        o.result << QStringLiteral("levels=") + levels.join(QLatin1Char(' '));
    }
    return o;
}

Outcome runMainErase(Bench& b)
{
    Outcome o;
    o.code = eraseMeterMemory(b.link);
    o.message = eraseMessage(o.code);
    o.result << QStringLiteral("sets=%1").arg(b.sim.meter().memoryByte(MemoryAddress::SetCount + 1));
    return o;
}

Outcome runSetupErase(Bench& b)
{
    Outcome o;
    SetupBuffers buffers;
    o.code = eraseFromSetup(b.link, buffers);
    o.message = setupEraseMessage(o.code);
    o.result << QStringLiteral("sets=%1").arg(b.sim.meter().memoryByte(MemoryAddress::SetCount + 1));
    return o;
}

// Checks a Leq log: whole lines "time<TAB>level" ending in CR LF, each level one the meter can show.
QString leqLogProblem(const QByteArray& log)
{
    if (log.isEmpty())
        return {};
    if (!log.endsWith("\r\n"))
        return QStringLiteral("the log ends inside a line");
    static const QRegularExpression line(QStringLiteral("^[^\t]+\t(\\d+)\\.(\\d)$"));
    for (const QByteArray& l : log.chopped(2).split('\n')) {
        const QRegularExpressionMatch m = line.match(QString::fromLocal8Bit(l.endsWith('\r') ? l.chopped(1) : l));
        if (!m.hasMatch())
            return QStringLiteral("a broken log line: ") + QString::fromLocal8Bit(l);
        if (!isPossibleLevel(m.captured(1).toInt() * 10 + m.captured(2).toInt()))
            return QStringLiteral("an impossible level in the log: ") + QString::fromLocal8Bit(l);
    }
    return {};
}

Outcome runLeq(Bench& b)
{
    Outcome o;
    QTemporaryDir dir;
    LeqLog log(dir.filePath(QStringLiteral("LEQ.txt")));
    EXPECT_TRUE(log.open());
    openLeqLink(b.link);
    LeqMeasurement measurement;
    measurement.start(2);
    // The 40 ms timer; a measurement of 2 s ends well within this many ticks unless reads fail,
    // and 51 failed reads end it too.
    for (int tick = 0; tick < 1000; ++tick) {
        b.clock.advanceMs(LeqMeasurement::kTickMs);
        const LeqTick t = leqExchange(b.link, measurement, &log);
        if (t.row) {
            QStringList cells;
            for (int c = 0; c < 5; ++c)
                cells << leqRowText(*t.row, c, QLocale::c());
            o.result << cells.join(QLatin1Char('|'));
        }
        if (t.failedOut) {
            o.code = 1;
            o.message = QString::fromLatin1(Msg::LeqFail);
            break;
        }
        if (t.durationReached)
            break;
    }
    b.link.closeLink();
    log.close();
    QFile written(log.fileName());
    written.open(QIODevice::ReadOnly);
    o.fileProblem = leqLogProblem(written.readAll());
    return o;
}

Outcome runSetClock(Bench& b)
{
    Outcome o;
    SetupBuffers buffers;
    o.code = setMeterClock(b.link, buffers, b.clock.now());
    o.message = setClockMessage(o.code);
    o.result << QStringLiteral("offset=%1").arg(b.sim.meter().state().clockOffsetSeconds);
    return o;
}

Outcome runInterval(Bench& b)
{
    Outcome o;
    SetupBuffers buffers;
    o.code = setRecordingInterval(b.link, buffers, 10);
    o.message = intervalMessage(o.code);
    o.result << QStringLiteral("interval=%1").arg(b.sim.meter().memoryByte(MemoryAddress::Interval));
    return o;
}

Outcome runInformation(Bench& b)
{
    Outcome o;
    SetupBuffers buffers;
    const InformationResult r = readMeterInformation(b.link, buffers, QLocale::c());
    o.code = r.code;
    o.message = informationMessage(r);
    if (r.code == Codes::Ok)
        for (const MeterInfoField& f : meterInfoFields())
            o.result << QString::fromLatin1(f.label) + QLatin1Char('=') + r.info.*f.text;
    return o;
}

Outcome runByteWrite(Bench& b)
{
    Outcome o;
    SetupBuffers buffers;
    o.code = writeSettingByte(b.link, buffers, 300, 0x5A);
    o.message = serviceErrorMessage(o.code);
    o.result << QStringLiteral("byte=%1").arg(b.sim.meter().memoryByte(300));
    return o;
}

Outcome runByteRead(Bench& b)
{
    Outcome o;
    SetupBuffers buffers;
    const ByteReadResult r = readSettingByte(b.link, buffers, MemoryAddress::Interval);
    o.code = r.code;
    o.message = serviceErrorMessage(r.code);
    if (r.code == Codes::Ok)
        o.result << QStringLiteral("value=%1").arg(r.value.value_or(-1));
    return o;
}

Outcome runQuickRecord(Bench& b)
{
    Outcome o;
    SetupBuffers buffers;
    o.code = quickRecord(b.link, buffers, 3, 2);
    o.message = QString::fromLatin1(o.code == Codes::Ok ? SetupMsg::QuickRecordOk : Msg::Fail);
    QStringList bytes;
    for (int a = 0; a < 300; ++a)
        bytes << QString::number(b.sim.meter().memoryByte(a), 16);
    o.result << QStringLiteral("memory=") + bytes.join(QLatin1Char(' '));
    return o;
}

// --- Expectations -------------------------------------------------------------------------

// The download's code for a failure at block k (the k-th 'p'), when the transfer is `total`
// bytes: in the first half 126, later the block's own code.
int blockFailure(int k, int exchanges, int lateCode)
{
    const int total = (exchanges - 1) * kBlockBytes; // 'P' and the 'p' blocks; 'q' reads nothing
    const int received = k * kBlockBytes;
    return received < total - received ? DownloadCode::FirstHalfFailed : lateCode;
}

std::function<Expectation(int, int)> always(Expectation e)
{
    return [e](int, int) { return e; };
}

// Expectations for one command whose exchanges all have the same codes: the open fails when
// unplugged before the first, later ones fail at the write; fall silent before n-th reply.
std::function<Expectation(int, int)> openThen(Expect open, Expectation later)
{
    return [open, later](int n, int exchanges) -> Expectation {
        if (n == 0)
            return open;
        return n < exchanges ? later : kFaultFree;
    };
}

bool codeAndMessage(const Outcome& o, int code, const QString& message)
{
    return o.code == code && o.message == message;
}

const std::vector<MatrixCommand>& matrixCommands()
{
    const QString open = QString::fromLatin1(Msg::OpenFailed);
    const QString timeouts = QString::fromLatin1(Msg::TimeoutFailed);
    const QString write = QString::fromLatin1(Msg::WriteFailed);
    const QString notFound = QString::fromLatin1(Status::NotFound);
    const QString noAnswer = QString::fromLatin1(Status::NoAnswer);
    const QString clockFail = QString::fromLatin1(SetupMsg::ClockFail);
    const QString fail = QString::fromLatin1(Msg::Fail);
    const QString leqFail = QString::fromLatin1(Msg::LeqFail);
    const QString connectFail = QString::fromLatin1(Msg::ConnectFail);
    const auto error = [](int code) { return QString::fromLatin1(Msg::ErrorCode) + QString::number(code); };
    const int probeNotOpened = int(ProbeProblem::NotOpened);
    const int probeNoAnswer = int(ProbeProblem::NoAnswer);
    const int pollFailed = int(PollOutcome::FailureCounted);
    const int pollIgnored = int(PollOutcome::ReplyIgnored);

    static const std::vector<MatrixCommand> commands{
        MatrixCommand{"probe", nullptr, runProbe,
         failed(probeNotOpened, notFound), failed(probeNoAnswer, noAnswer),
         // The probe does not examine its write; the reply it waits for never comes.
         failed(probeNoAnswer, noAnswer), kFaultFree, failed(probeNoAnswer, noAnswer),
         openThen(failed(probeNotOpened, QStringLiteral("simulated meter unplugged")), failed(probeNoAnswer, noAnswer)),
         openThen(failed(probeNoAnswer, noAnswer), failed(probeNoAnswer, noAnswer)),
         [](const Outcome& o) {
             return codeAndMessage(o, int(ProbeProblem::NotRecognised), QString::fromLatin1(Status::NotRecognised));
         },
         {}},
        MatrixCommand{"poll", [](Bench& b) { ASSERT_EQ(b.poller.tick(), PollOutcome::ConnectedNow); }, runPoll,
         failed(pollFailed, {}), failed(pollFailed, {}), failed(pollFailed, {}), kFaultFree, failed(pollFailed, {}),
         openThen(failed(pollFailed, {}), failed(pollFailed, {})),
         openThen(failed(pollFailed, {}), failed(pollFailed, {})),
         // Not framed, or a level the meter cannot show: the reply is not used.
         [pollIgnored](const Outcome& o) { return codeAndMessage(o, pollIgnored, {}); },
         {{1, "the flags: REC, MAX/MIN, weighting, time weighting, under, over"},
          {2, "the memory-full flag"},
          {6, "the level's low byte: any value from 0 to 25.5 dB more or less is a level the meter shows"}}},
        MatrixCommand{"key", nullptr, runKey,
         // No reply is read: only a key that did not go out is a failure.
         failed(1, connectFail), failed(1, connectFail), failed(1, connectFail), kFaultFree, kFaultFree,
         openThen(failed(1, connectFail), kFaultFree), always(kFaultFree),
         nullptr, {}},
        MatrixCommand{"download", nullptr, runDownload,
         failed(DownloadCode::OpenFailed, loadErrorMessage(117)), failed(DownloadCode::TimeoutsFailed, loadErrorMessage(118)),
         failed(DownloadCode::StartWriteFailed, loadErrorMessage(119)), kFaultFree,
         failed(DownloadCode::StartNoReply, loadErrorMessage(120)),
         [](int n, int exchanges) -> Expectation {
             if (n == 0)
                 return failed(DownloadCode::OpenFailed, loadErrorMessage(117));
             if (n < exchanges - 1) {
                 const int code = blockFailure(n, exchanges, DownloadCode::BlockWriteFailed);
                 return failed(code, loadErrorMessage(code));
             }
             if (n == exchanges - 1)
                 return failed(DownloadCode::EndWriteFailed, loadErrorMessage(125));
             return kFaultFree;
         },
         [](int n, int exchanges) -> Expectation {
             if (n == 0)
                 return failed(DownloadCode::StartNoReply, loadErrorMessage(120));
             if (n < exchanges - 1) {
                 const int code = blockFailure(n, exchanges, DownloadCode::BlockNoReply);
                 return failed(code, loadErrorMessage(code));
             }
             return kFaultFree; // 'q' has no reply
         },
         // Any failure of the load: a download code, or a decode code (33 to 35 included: the
         // data sets are then not taken as they stand).
         [](const Outcome& o) { return o.code != 0; },
         // What a garbled block can land on unnoticed: downloadFieldWithoutCheck.
         {}},
        MatrixCommand{"erase (Data Logger menu)", nullptr, runMainErase,
         failed(803, open), failed(804, timeouts), failed(805, write), kFaultFree, failed(806, {}),
         openThen(failed(803, open), kFaultFree), openThen(failed(806, {}), kFaultFree),
         [](const Outcome& o) { return codeAndMessage(o, 807, noResponse(807)); },
         {}},
        MatrixCommand{"erase (setup window)", nullptr, runSetupErase,
         failed(803, open), failed(804, timeouts), failed(805, write), kFaultFree, failed(806, noResponse(806)),
         openThen(failed(803, open), kFaultFree), openThen(failed(806, noResponse(806)), kFaultFree),
         [](const Outcome& o) { return codeAndMessage(o, 807, noResponse(807)); },
         {}},
        MatrixCommand{"Leq start and tick", nullptr, runLeq,
         // The start does not examine its open and time-outs: they show as failed reads, and a
         // meter that still answers without its time-outs set is measured as usual.
         failed(1, leqFail), kFaultFree, failed(1, leqFail), kFaultFree, failed(1, leqFail),
         // Cut off mid-way: the reads fail until the 51st ends the measurement.
         [leqFail](int n, int exchanges) -> Expectation { return n < exchanges ? Expectation(failed(1, leqFail)) : kFaultFree; },
         [leqFail](int n, int exchanges) -> Expectation { return n < exchanges ? Expectation(failed(1, leqFail)) : kFaultFree; },
         // A level the meter cannot show is a failed read.
         [leqFail](const Outcome& o) { return codeAndMessage(o, 1, leqFail); },
         {{6, "the level's low byte: any value from 0 to 25.5 dB more or less is a level the meter shows"}}},
        MatrixCommand{"set clock", [](Bench& b) { b.sim.meter().update([](SimulatedMeter::State& s) { s.clockOffsetSeconds = 3600; }); },
         runSetClock,
         failed(201, clockFail), failed(202, clockFail), failed(203, clockFail), failed(205, clockFail),
         kFaultFree, // no reply is read
         [clockFail](int n, int exchanges) -> Expectation {
             if (n == 0)
                 return failed(201, clockFail);
             return n == exchanges ? Expectation(failed(205, clockFail)) : kFaultFree; // the block after 't'
         },
         always(kFaultFree), nullptr, {}},
        MatrixCommand{"recording interval", nullptr, runInterval,
         failed(703, open), failed(704, timeouts), failed(705, write), kFaultFree, failed(706, noResponse(706)),
         openThen(failed(703, open), failed(708, write)),
         [](int n, int exchanges) -> Expectation {
             if (n == 0)
                 return failed(706, noResponse(706));
             return n < exchanges ? Expectation(failed(709, noResponse(709))) : kFaultFree;
         },
         [](const Outcome& o) { return codeAndMessage(o, 707, noResponse(707)); },
         {}},
        MatrixCommand{"information", nullptr, runInformation,
         failed(903, open), failed(904, timeouts), failed(905, write), kFaultFree, failed(906, noResponse(906)),
         openThen(failed(903, open), kFaultFree), openThen(failed(906, noResponse(906)), kFaultFree),
         [](const Outcome& o) { return codeAndMessage(o, 906, noResponse(906)); },
         {{10, "the data set count's low byte"},
          {12, "the last address's middle byte (memory available)"},
          {13, "the last address's low byte (memory available)"},
          {15, "the recording interval"},
          {18, "the 94 dB calibration value"},
          {19, "the 70 dB calibration value's high byte"},
          {20, "the 70 dB calibration value's low byte"},
          {31, "the firmware version"}}},
        MatrixCommand{"byte write", nullptr, runByteWrite,
         failed(703, error(703)), failed(704, error(704)), failed(708, error(708)), kFaultFree, failed(709, error(709)),
         openThen(failed(703, error(703)), kFaultFree), openThen(failed(709, error(709)), kFaultFree),
         [error](const Outcome& o) { return codeAndMessage(o, 707, error(707)); },
         {}},
        MatrixCommand{"byte read", nullptr, runByteRead,
         failed(703, error(703)), failed(704, error(704)), failed(708, error(708)), kFaultFree, failed(709, error(709)),
         openThen(failed(703, error(703)), kFaultFree), openThen(failed(709, error(709)), kFaultFree),
         [error](const Outcome& o) { return codeAndMessage(o, 707, error(707)); },
         {{6, "the byte read"}}},
        MatrixCommand{"quick record", nullptr, runQuickRecord,
         // The five open attempts fail, then so does the closing exchange, whose code stands.
         failed(803, fail), failed(804, fail),
         // The meter's clock cannot be read (9003), then the closing write fails.
         failed(805, fail), kFaultFree, failed(806, fail),
         // Every later step fails, and the closing exchange finds the meter gone or silent.
         [fail](int n, int exchanges) -> Expectation { return n < exchanges ? Expectation(failed(803, fail)) : kFaultFree; },
         [fail](int n, int exchanges) -> Expectation { return n < exchanges ? Expectation(failed(806, fail)) : kFaultFree; },
         [fail](const Outcome& o) { return o.code != 0 && o.message == fail; },
         {}},
    };
    return commands;
}

// The download's memory layout (one data set, as encodeMemoryImage lays it out): what a garbled
// byte at an image address carries, when it is a field no check can catch: any value is one the
// meter could have logged. nullptr for a field the download can check, or one it does not use.
const char* downloadFieldWithoutCheck(int address)
{
    constexpr int header = MemoryAddress::FirstSet;
    constexpr int samples = header + 24;
    constexpr int end = samples + 2 * 12;
    if (address == header + 10)
        return "the set's recording interval";
    if (address == header + 14)
        return "the set's mode byte (weighting, time weighting, range)";
    if (address >= header + 15 && address < header + 23)
        return "a character of the wave file name";
    if (address >= samples && address < end && (address - samples) % 2 == 1)
        return "a sample's low byte: the level stays one the meter logs";
    return nullptr;
}

// The image addresses a download garbles: byte `byte` of the reply to exchange `only` (from 1),
// or of every reply when `only` is 0; 'q' (the last exchange) has none.
std::vector<int> garbledAddresses(int byte, int only, int exchanges)
{
    std::vector<int> out;
    for (int k = 1; k < exchanges; ++k)
        if (only == 0 || only == k)
            out.push_back((k - 1) * kBlockBytes + byte);
    return out;
}

// A garbled download cell whose every garbled byte that the decode uses is a field without check.
const char* downloadCellWithoutCheck(int byte, int only, int exchanges)
{
    const char* reason = nullptr;
    for (int a : garbledAddresses(byte, only, exchanges)) {
        const bool used = (a >= MemoryAddress::SetCount && a < MemoryAddress::SettingsFirst)
                          || (a >= MemoryAddress::FirstSet && a <= MemoryAddress::FirstSet + 24 + 2 * 12 + 1)
                          || a == 0 || a == kBlockBytes - 1;
        if (!used)
            continue;
        const char* field = downloadFieldWithoutCheck(a);
        if (!field)
            return nullptr;
        reason = field;
    }
    return reason;
}

// Commands with more exchanges (the Leq's 40 ms ticks) are garbled in every reply only.
constexpr int kMostExchangesGarbledOneByOne = 30;

struct Step {
    QString name;
    std::function<void(TransportFaults&, int base)> fault;
    std::function<Expectation(const MatrixCommand&, int exchanges)> expect;
    int wrongByte = -1;     // the garbled byte, for the wrong-reply steps
    int onlyExchange = 0;   // garbled only in the reply to this command (from 1); 0: in every reply
};

std::vector<Step> stepsFor(int exchanges)
{
    std::vector<Step> steps{
        {"open fails", [](TransportFaults& f, int) { f.openFails = true; }, [](const MatrixCommand& c, int) { return Expectation(c.openFails); }},
        {"time-outs fail", [](TransportFaults& f, int) { f.timeoutsFail = true; }, [](const MatrixCommand& c, int) { return Expectation(c.timeoutsFail); }},
        {"write fails", [](TransportFaults& f, int) { f.writeFails = true; }, [](const MatrixCommand& c, int) { return Expectation(c.writeFails); }},
        {"block write fails", [](TransportFaults& f, int) { f.blockWriteFails = true; }, [](const MatrixCommand& c, int) { return c.blockWriteFails; }},
        {"silent", [](TransportFaults& f, int) { f.noReply = true; }, [](const MatrixCommand& c, int) { return Expectation(c.silent); }},
        {"slow (90 ms per exchange)", [](TransportFaults& f, int) { f.delayMsPerExchange = 90; }, [](const MatrixCommand&, int) { return kFaultFree; }},
    };
    for (int i = 0; i < kReplyLength; ++i)
        steps.push_back({QStringLiteral("wrong byte %1").arg(i),
                         [i](TransportFaults& f, int) {
                             f.alterByteIndex = i;
                             f.alterByteValue.reset();
                         },
                         nullptr, i});
    // A single garbled reply among good ones, for the commands that make several exchanges.
    if (exchanges > 1 && exchanges <= kMostExchangesGarbledOneByOne)
        for (int k = 1; k <= exchanges; ++k)
            for (int i = 0; i < kReplyLength; ++i)
                steps.push_back({QStringLiteral("wrong byte %1 of reply %2").arg(i).arg(k),
                                 [i, k](TransportFaults& f, int base) {
                                     f.alterByteIndex = i;
                                     f.alterByteValue.reset();
                                     f.alterOnlyExchange = base + k;
                                 },
                                 nullptr, i, k});
    for (int n = 0; n <= exchanges; ++n) {
        steps.push_back({QStringLiteral("unplugged after %1").arg(n),
                         [n](TransportFaults& f, int base) { f.unplugAfterExchanges = base + n; },
                         [n](const MatrixCommand& c, int e) { return c.unplugAfter(n, e); }});
        steps.push_back({QStringLiteral("silent after %1").arg(n),
                         [n](TransportFaults& f, int base) { f.silentAfterExchanges = base + n; },
                         [n](const MatrixCommand& c, int e) { return c.silentAfter(n, e); }});
    }
    return steps;
}

struct CellRun {
    Outcome outcome;
    bool hung = false;
    int exchanges = 0;
    PollOutcome resumed = PollOutcome::ProbeFailed;
    int resumedLevel = -1;
};

// One cell: a fresh bench, the fault, the command, then the fault gone and the poll once more.
CellRun runCell(const MatrixCommand& c, const std::function<void(TransportFaults&, int)>& fault)
{
    CellRun run;
    test::ScopedDataDir data;
    Bench b;
    if (c.prepare)
        c.prepare(b);
    const int base = b.sim.exchanges();
    if (fault)
        fault(b.sim.faults, base);
    b.clock.startBudget();
    try {
        run.outcome = c.run(b);
    } catch (const Hang&) {
        run.hung = true;
        return run;
    }
    run.exchanges = b.sim.exchanges() - base;

    b.sim.faults = {};
    b.sim.replug();
    for (int tick = 0; tick < 2 && run.resumed != PollOutcome::Reading; ++tick)
        run.resumed = b.poller.tick();
    if (run.resumed == PollOutcome::Reading)
        run.resumedLevel = DisplayLevel(b.poller.reading());
    return run;
}

} // namespace

TEST(FaultMatrix, EveryCommandAtEveryStepEndsWithItsCodeAndThePollResumes)
{
    int cells = 0;
    int commandsRun = 0;
    for (const MatrixCommand& c : matrixCommands()) {
        SCOPED_TRACE(c.name);
        ++commandsRun;
        const CellRun clean = runCell(c, nullptr);
        ASSERT_FALSE(clean.hung);
        ASSERT_EQ(clean.outcome.code, 0) << describe(clean.outcome).toStdString();
        ASSERT_TRUE(clean.outcome.fileProblem.isEmpty()) << clean.outcome.fileProblem.toStdString();
        ASSERT_EQ(clean.resumed, PollOutcome::Reading);

        for (const Step& step : stepsFor(clean.exchanges)) {
            ++cells;
            SCOPED_TRACE(step.name.toStdString());
            const CellRun r = runCell(c, step.fault);
            ASSERT_FALSE(r.hung) << "the command did not end";
            const Outcome& o = r.outcome;
            EXPECT_TRUE(o.fileProblem.isEmpty()) << o.fileProblem.toStdString();
            EXPECT_EQ(r.resumed, PollOutcome::Reading) << "the poll did not resume";
            EXPECT_EQ(r.resumedLevel, 650);

            if (step.wrongByte >= 0) {
                const bool same = o.code == clean.outcome.code && o.message == clean.outcome.message
                                  && sameResult(clean.outcome.result, o.result);
                const bool caught = c.detected && c.detected(o);
                const bool downloadCommand = std::string(c.name) == "download";
                if (c.undetectable.count(step.wrongByte)
                    || (downloadCommand && downloadCellWithoutCheck(step.wrongByte, step.onlyExchange, clean.exchanges))) {
                    // Other data may come through; it is still a reply the command could take.
                    EXPECT_TRUE(same || caught || o.code == 0) << describe(o).toStdString();
                    continue;
                }
                EXPECT_TRUE(same || caught) << "a garbled reply gave other data as success (" << c.name << ", "
                                            << step.name.toStdString() << "): " << describe(o).toStdString()
                                            << "\n fault-free: " << describe(clean.outcome).toStdString();
                continue;
            }
            const Expectation e = step.expect(c, clean.exchanges);
            if (!e) {
                EXPECT_EQ(o.code, clean.outcome.code) << describe(o).toStdString();
                EXPECT_EQ(o.message, clean.outcome.message);
                EXPECT_TRUE(sameResult(clean.outcome.result, o.result)) << describe(o).toStdString();
            } else {
                EXPECT_EQ(o.code, e->code) << describe(o).toStdString();
                EXPECT_EQ(o.message, e->message);
            }
        }
    }
    RecordProperty("commands", commandsRun);
    RecordProperty("cells", cells);
    std::cout << "fault matrix: " << commandsRun << " commands, " << cells << " cells\n";
}
