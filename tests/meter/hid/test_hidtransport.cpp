// The real hidapi transport against an emulated hidraw node whose device side is
// the simulated meter's own command handling (see emulatedhidmeter.h).
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>

#include <QByteArray>
#include <QString>

#include "emulatedhidmeter.h"
#include "meter/frames.h"
#include "meter/hidtransport.h"
#include "meter/simulator/simulatedmeter.h"

namespace quedral {
namespace {

using test::Bytes;
using test::EmulatedHidMeter;

constexpr std::uint16_t kVendor = 0x04D9;
constexpr std::uint16_t kProduct = 0xE000;
constexpr int kShortTimeoutMs = 60; // for reads that are meant to fail

// Sets QUEDRAL_HID_REPORT_LENGTH for one test; an empty value removes it.
class ScopedReportLength {
public:
    explicit ScopedReportLength(const QByteArray& value)
    {
        if (value.isEmpty())
            qunsetenv(kHidReportLengthVariable);
        else
            qputenv(kHidReportLengthVariable, value);
    }
    ~ScopedReportLength() { qunsetenv(kHidReportLengthVariable); }
};

ReplyBytes filled(std::uint8_t b)
{
    ReplyBytes r;
    r.fill(b);
    return r;
}

Bytes bytesOf(const CommandFrame& f) { return Bytes(f.begin(), f.end()); }

// The report hid_write must see for a 7-byte frame with the default length:
// report ID 0, the frame, one byte of padding.
Bytes defaultReport(const CommandFrame& f)
{
    Bytes r(9, 0x00);
    std::copy(f.begin(), f.end(), r.begin() + 1);
    return r;
}

// The simulated meter in memory (no state file, fixed seed) plays the device.
class HidFixture {
protected:
    explicit HidFixture(EmulatedHidMeter::Options options = {})
        : meter([this](const test::Frame& f) -> std::optional<Bytes> {
              const std::optional<ReplyBytes> r = simulated.handleCommand(f);
              if (!r)
                  return std::nullopt;
              return Bytes(r->begin(), r->end());
          },
                std::move(options))
    {
    }

    // Open and set time-outs, as every exchange begins.
    void open(int timeoutMs = 1000)
    {
        ASSERT_EQ(meter.setupError(), "");
        ASSERT_EQ(usb->usbOpen(kVendor, kProduct), 0) << usb->lastOpenProblem().toStdString();
        ASSERT_EQ(usb->usbSetTimeouts(timeoutMs, timeoutMs), 0);
    }

    // Write, purge, read: one command of a standard exchange, without the reply check.
    int exchange(const CommandFrame& command, ReplyBytes& reply)
    {
        if (usb->usbWrite(7, command.data()) != 0)
            return -1;
        usb->usbPurge();
        return usb->usbRead(32, reply.data());
    }

    SimulatedMeter simulated{QString(), 7};
    EmulatedHidMeter meter;
    std::unique_ptr<Transport> usb = makeHidTransport();
};

class HidTransport : public HidFixture, public ::testing::Test {};

// ---------------------------------------------------------------------------
// One dialogue per command: the frame the program sends, whether the meter
// answers, and what the program relies on in the answer. A new command joins
// every check below by adding one line here.
struct Dialogue {
    const char* name;
    CommandFrame command;
    bool replies;
    void (*check)(const CommandFrame& sent, const ReplyBytes& reply);
};

void PrintTo(const Dialogue& d, std::ostream* os) { *os << d.name; }

void identifies(const CommandFrame&, const ReplyBytes& r)
{
    EXPECT_EQ(r[23], '3');
    EXPECT_EQ(r[24], '2');
    EXPECT_EQ(r[25], '3');
}

void framedReadingEchoingSequence(const CommandFrame& sent, const ReplyBytes& r)
{
    EXPECT_EQ(r[0], 0x02);
    EXPECT_EQ(r[31], 0x03);
    EXPECT_EQ(r[30], sent[5]) << "sequence byte";
}

void downloadFramed(const CommandFrame&, const ReplyBytes& r)
{
    EXPECT_EQ(r[0], 0x04);
    EXPECT_EQ(r[31], 0x05);
}

void echoesCommand(const CommandFrame& sent, const ReplyBytes& r)
{
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(r[i], sent[i]) << "byte " << i;
}

void anyBlock(const CommandFrame&, const ReplyBytes&) {}

const Dialogue kDialogues[] = {
    {"probe", makeCommand(Letter::Identify), true, identifies},
    {"poll_seq_1", makeCommand(Letter::Reading, 0, 0, 0, 0x01), true, framedReadingEchoingSequence},
    {"poll_seq_255", makeCommand(Letter::Reading, 0, 0, 0, 0xFF), true, framedReadingEchoingSequence},
    {"poll_after_probe_buffer", {0x02, 'A', 0, 0, 0, 0x10, 0x03}, true, framedReadingEchoingSequence},
    {"key_fast_slow", makeCommand(Letter::KeyFastSlow), false, nullptr},
    {"key_rec", makeCommand(Letter::KeyRec), false, nullptr},
    {"recover", makeCommand(Letter::Recover), false, nullptr},
    {"download_start", makeCommand(Letter::DownloadStart), true, downloadFramed},
    {"download_next", makeCommand(Letter::DownloadNext), true, anyBlock},
    {"download_end", makeCommand(Letter::DownloadEnd), false, nullptr},
    {"erase", kEraseFrame, true, echoesCommand},
};

class HidDialogue : public HidFixture, public ::testing::TestWithParam<Dialogue> {};

TEST_P(HidDialogue, DeviceGetsOneReportAndProgramGetsTheWholeReply)
{
    const Dialogue& d = GetParam();
    open();
    ReplyBytes reply = filled(0xEE);
    ASSERT_EQ(usb->usbWrite(7, d.command.data()), 0);
    usb->usbPurge();

    // Exactly one output report: report ID 0, the frame, zero padding to 8 bytes.
    ASSERT_EQ(meter.received().size(), 1u);
    EXPECT_EQ(meter.received()[0], defaultReport(d.command));
    ASSERT_EQ(meter.commands().size(), 1u);
    EXPECT_EQ(bytesOf(meter.commands()[0]), bytesOf(d.command));

    if (!d.replies) {
        EXPECT_TRUE(meter.replies().empty());
        return;
    }
    ASSERT_EQ(usb->usbRead(32, reply.data()), 0);
    ASSERT_EQ(meter.replies().size(), 1u);
    EXPECT_EQ(Bytes(reply.begin(), reply.end()), meter.replies()[0]);
    EXPECT_EQ(meter.reportsDelivered(), 4) << "a 32-byte reply comes as four 8-byte input reports";
    if (d.check)
        d.check(d.command, reply);
}

INSTANTIATE_TEST_SUITE_P(Commands, HidDialogue, ::testing::ValuesIn(kDialogues),
                         [](const ::testing::TestParamInfo<Dialogue>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

TEST_F(HidTransport, EnumeratesOpensAndReadsTheSerialNumber)
{
    open();
    char serial[64];
    std::memset(serial, 'x', sizeof serial);
    usb->usbReadSerial(0, serial, sizeof serial);
    EXPECT_STREQ(serial, "KV4471-0042");

    char small[5];
    usb->usbReadSerial(0, small, sizeof small);
    EXPECT_STREQ(small, "KV44") << "cut to the buffer, still zero-terminated";

    usb->usbClose();
    usb->usbReadSerial(0, serial, sizeof serial);
    EXPECT_STREQ(serial, "");
}

TEST_F(HidTransport, PollsKeepTheirSequenceBytesAcrossExchanges)
{
    open();
    for (std::uint8_t seq : {1, 2, 3, 0x7F, 0xFF, 0}) {
        meter.clearLog();
        const CommandFrame poll = makeCommand(Letter::Reading, 0, 0, 0, seq);
        ReplyBytes reply{};
        ASSERT_EQ(exchange(poll, reply), 0) << int(seq);
        ASSERT_EQ(meter.received().size(), 1u);
        EXPECT_EQ(meter.received()[0], (Bytes{0x00, 0x02, 'A', 0, 0, 0, seq, 0x03, 0x00}));
        EXPECT_EQ(reply[30], seq);
        EXPECT_EQ(Bytes(reply.begin(), reply.end()), meter.replies().at(0));
    }
}

TEST_F(HidTransport, KeyChangesTheMeterAndTheNextReadingShowsIt)
{
    open();
    const bool fastBefore = simulated.state().fast;
    ReplyBytes reply{};
    ASSERT_EQ(usb->usbWrite(7, makeCommand(Letter::KeyFastSlow).data()), 0);
    EXPECT_NE(simulated.state().fast, fastBefore);
    ASSERT_EQ(exchange(makeCommand(Letter::Reading, 0, 0, 0, 9), reply), 0);
    EXPECT_EQ(bool(reply[1] & 0x10), simulated.state().fast) << "byte 1 bit 4: FAST";
}

TEST_F(HidTransport, SilentMeterTimesOutAndLeavesTheBufferAlone)
{
    open(kShortTimeoutMs);
    meter.setSilent(true);
    ReplyBytes reply = filled(0xEE);
    EXPECT_NE(exchange(makeCommand(Letter::Identify), reply), 0);
    EXPECT_EQ(reply, filled(0xEE)) << "untouched";
    EXPECT_EQ(meter.commands().size(), 1u) << "the command itself went out";
}

TEST_F(HidTransport, WriteToAStalledMeterGivesUpAtTheWriteTimeout)
{
    open(kShortTimeoutMs);
    meter.stallWrites(true);
    auto write = std::async(std::launch::async, [this] { return usb->usbWrite(7, makeCommand(Letter::Identify).data()); });
    // Far beyond the time-out: only a write that never returns gets here.
    const bool returned = write.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    meter.stallWrites(false); // lets a write still blocked through, so the test ends either way
    ASSERT_TRUE(returned) << "usbWrite blocked on a stalled meter";
    EXPECT_NE(write.get(), 0);
    std::uint8_t buffer[32] = {};
    EXPECT_NE(usb->usbWrite(7, makeCommand(Letter::Identify).data()), 0) << "the link stays failed until closed";
    EXPECT_NE(usb->usbRead(32, buffer), 0);

    // Closed and opened again, the link works once the meter takes reports again.
    usb->usbClose();
    open();
    meter.clearLog();
    ReplyBytes reply{};
    ASSERT_EQ(exchange(makeCommand(Letter::Reading, 0, 0, 0, 3), reply), 0);
    EXPECT_EQ(reply[30], 3);
}

TEST_F(HidTransport, StaleInputBeforeACommandIsNotTakenForItsReply)
{
    open();
    meter.queueStaleInput(Bytes(40, 0xEE)); // five reports left over from an earlier exchange
    ReplyBytes reply{};
    ASSERT_EQ(exchange(makeCommand(Letter::Identify), reply), 0);
    EXPECT_EQ(Bytes(reply.begin(), reply.end()), meter.replies().at(0));
}

TEST_F(HidTransport, PurgeWithNoCommandOutstandingDiscardsQueuedReports)
{
    open(kShortTimeoutMs);
    meter.queueStaleInput(Bytes(32, 0xEE));
    usb->usbPurge();
    ReplyBytes reply{};
    EXPECT_NE(usb->usbRead(32, reply.data()), 0);
    EXPECT_EQ(meter.reportsDelivered(), 4) << "all four stale reports were drained";
}

TEST_F(HidTransport, ReplyCutShortIsAFailedRead)
{
    open(kShortTimeoutMs);
    meter.cutRepliesTo(16); // two reports, then nothing
    ReplyBytes reply = filled(0xEE);
    EXPECT_NE(exchange(makeCommand(Letter::Identify), reply), 0);
    EXPECT_EQ(reply, filled(0xEE));
    EXPECT_EQ(meter.reportsDelivered(), 2);
}

TEST_F(HidTransport, MeterPulledOutInTheMiddleOfAReply)
{
    open();
    meter.pullOutAfter(2); // two of the four reply reports arrive
    ReplyBytes reply = filled(0xEE);
    EXPECT_NE(exchange(makeCommand(Letter::Reading, 0, 0, 0, 5), reply), 0);
    EXPECT_EQ(reply, filled(0xEE));
    EXPECT_EQ(meter.reportsDelivered(), 2);

    EXPECT_NE(usb->usbWrite(7, makeCommand(Letter::Identify).data()), 0) << "writes fail once it is gone";
    usb->usbClose();
    usb->usbClose(); // harmless twice
    meter.unplug();
    EXPECT_NE(usb->usbOpen(kVendor, kProduct), 0);
    EXPECT_TRUE(usb->lastOpenProblem().contains("04d9:e000")) << usb->lastOpenProblem().toStdString();
}

TEST_F(HidTransport, ClockBlockGoesOutAsFourReportsAfterItsCommand)
{
    open();
    ReplyBytes block;
    for (int i = 0; i < 32; ++i)
        block[i] = static_cast<std::uint8_t>(i == 0 ? 0x00 : 0xA0 + i); // a leading 0x00 must survive
    ASSERT_EQ(usb->usbWrite(7, makeCommand(Letter::SetTime).data()), 0);
    ASSERT_EQ(usb->usbWriteBlock(32, block.data()), 0);

    const auto received = meter.received();
    ASSERT_EQ(received.size(), 5u);
    for (int r = 0; r < 4; ++r) {
        Bytes expected{0x00};
        expected.insert(expected.end(), block.begin() + 8 * r, block.begin() + 8 * r + 8);
        EXPECT_EQ(received[1 + r], expected) << "report " << r;
    }
    EXPECT_EQ(meter.block(), Bytes(block.begin(), block.end()));
}

TEST_F(HidTransport, EveryOperationFailsOrDoesNothingWhileClosed)
{
    ASSERT_EQ(meter.setupError(), "");
    std::uint8_t buffer[32] = {};
    EXPECT_NE(usb->usbSetTimeouts(1000, 1000), 0);
    EXPECT_NE(usb->usbWrite(7, makeCommand(Letter::Identify).data()), 0);
    EXPECT_NE(usb->usbRead(32, buffer), 0);
    EXPECT_NE(usb->usbWriteBlock(32, buffer), 0);
    usb->usbPurge();
    usb->usbClose();
    EXPECT_TRUE(meter.received().empty());
}

TEST_F(HidTransport, NoMeterOnTheBus)
{
    ASSERT_EQ(meter.setupError(), "");
    meter.unplug();
    EXPECT_NE(usb->usbOpen(kVendor, kProduct), 0);
    EXPECT_EQ(usb->lastOpenProblem(), "no meter (USB 04d9:e000) is connected");
    EXPECT_NE(usb->usbOpen(kVendor, 0xE001), 0) << "another product id is not the meter";
}

TEST_F(HidTransport, NodeWithoutPermissionNamesTheUdevRule)
{
    ASSERT_EQ(meter.setupError(), "");
    if (geteuid() == 0)
        GTEST_SKIP() << "root opens the node whatever its mode";
    meter.denyAccess();
    EXPECT_NE(usb->usbOpen(kVendor, kProduct), 0);
    EXPECT_EQ(usb->lastOpenProblem(), hidAccessProblemText("/dev/hidraw0"));
}

TEST(HidAccessProblem, TellsWhichRuleToInstallWhere)
{
    EXPECT_EQ(hidAccessProblemText("/dev/hidraw3"),
              "the meter is present but /dev/hidraw3 is not accessible: install the udev rule "
              "packaging/udev/60-quedral-kv4471.rules (sudo cp packaging/udev/60-quedral-kv4471.rules "
              "/etc/udev/rules.d/ && sudo udevadm control --reload), then unplug the meter and plug it in "
              "again (see README, USB access)");
}

// ---------------------------------------------------------------------------
// Report lengths: what the program writes for other lengths (the
// QUEDRAL_HID_REPORT_LENGTH override) and replies cut into reports of any size.
struct Framing {
    const char* name;
    QByteArray lengthVariable;         // "" = default
    int deviceOutputLength;            // what the emulated device takes per report
    int deviceInputLength;             // what it sends per report
    std::vector<Bytes> probeReports;   // what hid_write must see for the 'K' probe
    int inputReports;                  // reports one 32-byte reply takes
};

const Framing kFramings[] = {
    {"default", "", 8, 8, {{0x00, 0x02, 'K', 0, 0, 0, 0, 0x03, 0x00}}, 4},
    {"garbage_value_keeps_default", "eight", 8, 8, {{0x00, 0x02, 'K', 0, 0, 0, 0, 0x03, 0x00}}, 4},
    {"one_32_byte_input_report", "", 8, 32, {{0x00, 0x02, 'K', 0, 0, 0, 0, 0x03, 0x00}}, 1},
    {"odd_5_byte_input_reports", "", 8, 5, {{0x00, 0x02, 'K', 0, 0, 0, 0, 0x03, 0x00}}, 7},
    {"padded_64_byte_reports", "64", 64, 64,
     {[] { Bytes r(65, 0); r[1] = 0x02; r[2] = 'K'; r[7] = 0x03; return r; }()}, 1},
    {"frame_over_two_4_byte_reports", "4", 4, 8, {{0x00, 0x02, 'K', 0, 0}, {0x00, 0, 0, 0x03, 0x00}}, 4},
};

void PrintTo(const Framing& f, std::ostream* os) { *os << f.name; }

class HidFraming : public ::testing::TestWithParam<Framing> {};

TEST_P(HidFraming, ProbeRoundTrip)
{
    const Framing& f = GetParam();
    ScopedReportLength length(f.lengthVariable);
    SimulatedMeter simulated{QString(), 3};
    EmulatedHidMeter meter(
        [&](const test::Frame& frame) -> std::optional<Bytes> {
            const auto r = simulated.handleCommand(frame);
            return r ? std::optional<Bytes>(Bytes(r->begin(), r->end())) : std::nullopt;
        },
        {"KV4471-0042", f.deviceOutputLength, f.deviceInputLength});
    ASSERT_EQ(meter.setupError(), "");
    auto usb = makeHidTransport();
    ASSERT_EQ(usb->usbOpen(kVendor, kProduct), 0);
    ASSERT_EQ(usb->usbSetTimeouts(1000, 1000), 0);

    ReplyBytes reply{};
    ASSERT_EQ(usb->usbWrite(7, makeCommand(Letter::Identify).data()), 0);
    usb->usbPurge();
    ASSERT_EQ(usb->usbRead(32, reply.data()), 0);

    EXPECT_EQ(meter.received(), f.probeReports);
    EXPECT_EQ(meter.reportsDelivered(), f.inputReports);
    EXPECT_EQ(Bytes(reply.begin(), reply.end()), meter.replies().at(0));
    identifies(makeCommand(Letter::Identify), reply);
}

INSTANTIATE_TEST_SUITE_P(Lengths, HidFraming, ::testing::ValuesIn(kFramings),
                         [](const ::testing::TestParamInfo<Framing>& info) { return std::string(info.param.name); });

TEST(HidReportLength, FromTheEnvironmentWithinLimits)
{
    const struct {
        QByteArray value;
        int expected;
    } cases[] = {{"", 8}, {"8", 8}, {"64", 64}, {" 32 ", 32}, {"0", 8}, {"-1", 8}, {"4097", 8}, {"x", 8}, {"1", 1}};
    for (const auto& c : cases) {
        ScopedReportLength length(c.value);
        EXPECT_EQ(hidReportLength(), c.expected) << c.value.constData();
    }
}

} // namespace
} // namespace quedral
