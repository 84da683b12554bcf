// The setup and service commands against a transport whose every answer the test decides.
#include <gtest/gtest.h>

#include <QStringList>
#include <deque>
#include <functional>

#include "meter/loggedmemory.h"
#include "meter/meterlink.h"
#include "meter/transport.h"
#include "setup/setupcommands.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

QString hex(const std::uint8_t* b, int n)
{
    QStringList parts;
    for (int i = 0; i < n; ++i)
        parts << QStringLiteral("%1").arg(b[i], 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(' ');
}

// Records every call as a line ("open", "write 02 57 ...", "read", ...) and answers from queues:
// a status queue per operation (0 when empty) and `reply` for the frame last written (by
// default the seven bytes echoed). Each call advances the manual clock by nothing, so the
// pauses between retries are what moves it.
class ScriptedTransport final : public Transport {
public:
    void usbClose() override { calls << QStringLiteral("close @%1").arg(now()); }
    int usbOpen(std::uint16_t, std::uint16_t) override
    {
        calls << QStringLiteral("open @%1").arg(now());
        return next(openResults);
    }
    int usbSetTimeouts(int r, int w) override
    {
        calls << QStringLiteral("timeouts %1 %2").arg(r).arg(w);
        return next(timeoutResults);
    }
    int usbWrite(int length, const std::uint8_t* frame) override
    {
        calls << "write " + hex(frame, length);
        std::copy(frame, frame + kCommandLength, last.begin());
        written.push_back(last);
        return next(writeResults);
    }
    void usbPurge() override { calls << "purge"; }
    int usbRead(int, std::uint8_t* buffer) override
    {
        calls << "read";
        const int status = next(readResults);
        if (status == 0) {
            const ReplyFrame r = reply ? reply(last, ++replies) : echo(last);
            std::copy(r.begin(), r.end(), buffer);
        }
        return status;
    }
    int usbWriteBlock(int length, const std::uint8_t* block) override
    {
        calls << "block " + hex(block, length);
        return next(blockResults);
    }
    void usbReadSerial(int, char* buffer, int size) override { qstrncpy(buffer, serial.constData(), size); }

    static ReplyFrame echo(const CommandFrame& c)
    {
        ReplyFrame r{};
        std::copy(c.begin(), c.end(), r.begin());
        return r;
    }
    QStringList writes() const { return calls.filter(QStringLiteral("write ")); }

    QStringList calls;
    std::deque<int> openResults, timeoutResults, writeResults, readResults, blockResults;
    std::function<ReplyFrame(const CommandFrame&, int replyNumber)> reply;
    std::vector<CommandFrame> written;
    QByteArray serial = "SN-0042";
    ManualClock* clock = nullptr;

private:
    static int next(std::deque<int>& q)
    {
        if (q.empty())
            return 0;
        const int v = q.front();
        q.pop_front();
        return v;
    }
    qint64 now() const { return clock ? clock->tickMs() : 0; }
    CommandFrame last{};
    int replies = 0;
};

struct SetupCommandsTest : ::testing::Test {
    ManualClock clock{QDateTime(QDate(2024, 12, 8), QTime(13, 5, 7))};
    test::ScopedClock clockGuard{clock};
    ScriptedTransport usb;
    MeterLink link{usb};
    SetupBuffers buffers;
    SetupCommandsTest() { usb.clock = &clock; }
};

} // namespace

// --- Set clock ---------------------------------------------------------------------------------

TEST_F(SetupCommandsTest, ClockBlockCarriesBcdTimeAndKeepsTheBytesItDoesNotSet)
{
    ReplyFrame block;
    block.fill(0xEE);
    buildClockBlock(block, QDateTime(QDate(2024, 12, 8), QTime(13, 5, 7)));
    EXPECT_EQ(hex(block.data(), 8), "07 05 13 08 12 EE 24 00");
    EXPECT_EQ(block[8], 0xEE);
    EXPECT_EQ(block[31], 0xEE);
}

TEST_F(SetupCommandsTest, SetClockSendsTheCommandThenTheBlockAndReadsNothing)
{
    EXPECT_EQ(setMeterClock(link, buffers, clock.now()), 0);
    EXPECT_EQ(usb.calls.mid(0, 3), (QStringList{"close @0", "open @0", "timeouts 1000 1000"}));
    EXPECT_EQ(usb.calls[3], "write 02 74 63 00 00 00 03");
    EXPECT_EQ(usb.calls[4], "purge");
    EXPECT_TRUE(usb.calls[5].startsWith("block 07 05 13 08 12 00 24 00")) << usb.calls[5].toStdString();
    EXPECT_EQ(usb.calls.size(), 6) << "no reply is read and the device stays open";
    EXPECT_EQ(setClockMessage(0), "Meter time updated successfully \n");
}

TEST_F(SetupCommandsTest, SetClockFailuresStopAtTheirStep)
{
    struct Case {
        std::deque<int> ScriptedTransport::*queue;
        int code;
    };
    for (const Case& c : {Case{&ScriptedTransport::openResults, 201}, Case{&ScriptedTransport::timeoutResults, 202},
                          Case{&ScriptedTransport::writeResults, 203}, Case{&ScriptedTransport::blockResults, 205}}) {
        ScriptedTransport t;
        (t.*c.queue).push_back(1);
        MeterLink l(t);
        EXPECT_EQ(setMeterClock(l, buffers, clock.now()), c.code);
        EXPECT_EQ(setClockMessage(c.code), "Meter time updated fail");
        if (c.code != 205)
            EXPECT_TRUE(t.calls.filter("block").isEmpty());
    }
}

// --- Recording interval ------------------------------------------------------------------------

TEST(RecordingIntervalInput, AcceptsUpToOneMinuteAndRefusesBlanks)
{
    struct Case {
        const char* minutes;
        const char* seconds;
        std::optional<int> n;
    };
    const Case cases[] = {
        {"00", "01", 1},  {"01", "00", 60},          {"00", "00", 0},           {"00", "60", 60},
        {"01", "01", {}}, {"05", "00", {}},          {"00", "61", {}},          {"  ", "02", {}},
        {"00", "  ", {}}, {"0 ", "02", {}},          {"00", " 2", {}},          {"", "02", {}},
        {"0", "5", 5},    {"-1", "30", {}},          {"1a", "00", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseRecordingInterval(c.minutes, c.seconds), c.n) << c.minutes << ":" << c.seconds;
}

TEST_F(SetupCommandsTest, IntervalWritesAddress14Then15ThenCloses)
{
    EXPECT_EQ(setRecordingInterval(link, buffers, 60), 0);
    EXPECT_EQ(usb.writes(), (QStringList{"write 02 57 00 00 0E 00 03", "write 02 57 00 00 0F 3C 03",
                                         "write 02 62 00 00 00 00 03"}));
    EXPECT_TRUE(usb.calls.last().startsWith("close"));
    EXPECT_EQ(intervalMessage(0), "Recording Interval Setup Successfully ");
}

TEST_F(SetupCommandsTest, IntervalReplyThatDoesNotEchoIsRefused)
{
    // The first 'W' is answered 02 'X': 707, and nothing more is written.
    usb.reply = [](const CommandFrame& c, int n) {
        ReplyFrame r = ScriptedTransport::echo(c);
        if (n == 1)
            r[1] = 'X';
        return r;
    };
    const int code = setRecordingInterval(link, buffers, 2);
    EXPECT_EQ(code, 707);
    EXPECT_EQ(usb.writes().size(), 1);
    EXPECT_EQ(intervalMessage(code), "no response from device, error code=707");
}

TEST_F(SetupCommandsTest, IntervalFailureCodesAndTexts)
{
    struct Case {
        std::function<void(ScriptedTransport&)> fault;
        int code;
        const char* text;
    };
    const Case cases[] = {
        {[](ScriptedTransport& t) { t.openResults = {1}; }, 703, "fail to open device"},
        {[](ScriptedTransport& t) { t.timeoutResults = {1}; }, 704, "fail to set timeout"},
        {[](ScriptedTransport& t) { t.writeResults = {1}; }, 705, "fail to write command to device"},
        {[](ScriptedTransport& t) { t.readResults = {1}; }, 706, "no response from device, error code=706"},
        {[](ScriptedTransport& t) { t.writeResults = {0, 1}; }, 708, "fail to write command to device"},
        {[](ScriptedTransport& t) { t.readResults = {0, 0, 1}; }, 709, "no response from device, error code=709"},
        {[](ScriptedTransport& t) {
             t.reply = [](const CommandFrame& c, int n) {
                 ReplyFrame r = ScriptedTransport::echo(c);
                 r[0] = n == 3 ? 0x04 : r[0];
                 return r;
             };
         },
         707, "no response from device, error code=707"},
    };
    for (const Case& c : cases) {
        ScriptedTransport t;
        c.fault(t);
        MeterLink l(t);
        const int code = setRecordingInterval(l, buffers, 2);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(intervalMessage(code), c.text);
        if (code != 703)
            EXPECT_TRUE(t.calls.last().startsWith("close")) << "the device is closed after a failure too";
    }
    EXPECT_EQ(intervalMessage(701), "Invalid Input");
}

// --- Erase -------------------------------------------------------------------------------------

TEST_F(SetupCommandsTest, EraseChecksTheWholeEcho)
{
    EXPECT_EQ(eraseFromSetup(link, buffers), 0);
    EXPECT_EQ(usb.writes(), QStringList{"write 02 65 72 61 73 65 03"});
    EXPECT_EQ(setupEraseMessage(0), "erase memory successfully");

    usb.reply = [](const CommandFrame& c, int) {
        ReplyFrame r = ScriptedTransport::echo(c);
        r[6] = 0x00;
        return r;
    };
    const int code = eraseFromSetup(link, buffers);
    EXPECT_EQ(code, 807);
    EXPECT_EQ(setupEraseMessage(code), "no response from device, error code=807");
    EXPECT_EQ(setupEraseMessage(806), "no response from device, error code=806");
    EXPECT_EQ(setupEraseMessage(803), "fail to open device");
}

// --- Read information --------------------------------------------------------------------------

namespace {
ReplyFrame informationReply()
{
    ReplyFrame r{};
    r[0] = 0x02;
    r[1] = 'Y';
    r[9] = 0x00, r[10] = 0x03;
    r[11] = 0x03, r[12] = 0xE8, r[13] = 0x00;
    r[15] = 2;
    r[18] = 0xFB;
    r[19] = 0x01, r[20] = 0x80;
    const std::uint8_t tail[] = {0x24, 0x12, 0x08, 0x13, 0x05, 0x07, 0x69};
    std::copy(std::begin(tail), std::end(tail), r.begin() + 25);
    return r;
}
} // namespace

TEST(MeterInformation, FormatsTheReplyAsTheWindowShowsIt)
{
    const MeterInfo info = formatMeterInfo(informationReply(), QLocale::c());
    EXPECT_EQ(info.dataSets, "3");
    EXPECT_EQ(info.memoryAvailable, "128");
    EXPECT_EQ(info.interval, "2");
    EXPECT_EQ(info.cali94, "-0.5");
    EXPECT_EQ(info.cali70, "1.50  (384)");
    EXPECT_EQ(info.meterTime, "12/08/2024   13:05:07");
    EXPECT_EQ(info.version, "1.05");

    // The user's decimal separator.
    const MeterInfo de = formatMeterInfo(informationReply(), QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(de.cali70, "1,50  (384)");
    EXPECT_EQ(de.version, "1,05");
}

TEST_F(SetupCommandsTest, ReadInformationFillsEveryFieldWithTheSerialNumber)
{
    usb.reply = [](const CommandFrame&, int) { return informationReply(); };
    const InformationResult r = readMeterInformation(link, buffers, QLocale::c());
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(usb.writes(), QStringList{"write 02 59 00 00 00 00 03"});
    EXPECT_EQ(r.info.serial, "SN-0042");
    EXPECT_EQ(r.info.dataSets, "3");
    EXPECT_EQ(informationMessage(r), "read data successfully");

    usb.serial.clear();
    const InformationResult noSerial = readMeterInformation(link, buffers, QLocale::c());
    EXPECT_EQ(noSerial.code, 0);
    EXPECT_EQ(informationMessage(noSerial), "can not read serail number");
}

TEST_F(SetupCommandsTest, ReadInformationWithoutMeterFailsAtTheOpen)
{
    usb.openResults = {1};
    const InformationResult r = readMeterInformation(link, buffers);
    EXPECT_EQ(r.code, 903);
    EXPECT_EQ(informationMessage(r), "fail to open device");
    EXPECT_TRUE(r.info.version.isEmpty());
    EXPECT_TRUE(usb.writes().isEmpty());
}

// A reply the meter cannot have sent (a clock that is not BCD or no date, more data sets than a
// download takes, a last address beyond the memory) fails like a reply that never came: 906,
// and no field is filled.
TEST_F(SetupCommandsTest, ReadInformationRefusesAReplyTheMeterCannotHaveSent)
{
    const struct {
        const char* name;
        std::vector<std::pair<int, std::uint8_t>> bytes;
        bool plausible;
    } cases[] = {
        {"as sent", {}, true},
        {"year not BCD", {{25, 0x2A}}, false},
        {"month 13", {{26, 0x13}}, false},
        {"day 32", {{27, 0x32}}, false},
        {"hour 24", {{28, 0x24}}, false},
        {"second not BCD", {{30, 0xF0}}, false},
        {"4000 data sets", {{9, 0x0F}, {10, 0xA0}}, true},
        {"4001 data sets", {{9, 0x0F}, {10, 0xA1}}, false},
        {"last address 0x040000", {{11, 0x04}, {12, 0}, {13, 0}}, true},
        {"last address 0x040001", {{11, 0x04}, {12, 0}, {13, 1}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReplyFrame reply = informationReply();
        for (const auto& [at, value] : c.bytes)
            reply[at] = value;
        EXPECT_EQ(informationReplyPlausible(reply), c.plausible);
        usb.reply = [reply](const CommandFrame&, int) { return reply; };
        const InformationResult r = readMeterInformation(link, buffers, QLocale::c());
        EXPECT_EQ(r.code, c.plausible ? 0 : 906);
        if (!c.plausible) {
            EXPECT_EQ(informationMessage(r), "no response from device, error code=906");
            EXPECT_TRUE(r.info.version.isEmpty());
            EXPECT_TRUE(r.info.meterTime.isEmpty());
        }
    }
}

// --- One byte ----------------------------------------------------------------------------------

TEST_F(SetupCommandsTest, ByteWriteNeedsTheWholeEcho)
{
    EXPECT_EQ(writeSettingByte(link, buffers, 15, 2), 0);
    EXPECT_EQ(usb.writes(), QStringList{"write 02 57 00 00 0F 02 03"});
    EXPECT_EQ(serviceErrorMessage(0), "");

    usb.reply = [](const CommandFrame& c, int) {
        ReplyFrame r = ScriptedTransport::echo(c);
        r[5] ^= 0xFF;
        return r;
    };
    const int code = writeSettingByte(link, buffers, 15, 2);
    EXPECT_EQ(code, 707);
    EXPECT_EQ(serviceErrorMessage(code), "Error Code=707");
}

TEST_F(SetupCommandsTest, ByteReadTakesByteSixAndKeepsTheLastByteFive)
{
    ASSERT_EQ(writeSettingByte(link, buffers, 15, 2), 0); // leaves 02 in byte 5
    usb.reply = [](const CommandFrame& c, int) {
        ReplyFrame r = ScriptedTransport::echo(c);
        r[6] = 0xA5;
        return r;
    };
    const ByteReadResult r = readSettingByte(link, buffers, 300);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(usb.writes().last(), "write 02 72 00 01 2C 02 03");
    EXPECT_EQ(r.value, 165);

    usb.reply = [](const CommandFrame&, int) { return ReplyFrame{}; };
    const ByteReadResult wrong = readSettingByte(link, buffers, 300);
    EXPECT_EQ(wrong.code, 707);
    EXPECT_FALSE(wrong.value);
}

TEST(ServiceInput, RefusesWhatDoesNotFitBeforeAnythingIsSent)
{
    struct Case {
        const char* text;
        int low, high;
        std::optional<int> value;
    };
    const Case cases[] = {
        {"15", 0, kMaxByteValue, 15},         {"255", 0, kMaxByteValue, 255},
        {"300", 0, kMaxByteValue, {}},        {"-1", 0, kMaxByteValue, {}},
        {"16777215", 0, kMaxSettingAddress, 16777215},
        {"16777216", 0, kMaxSettingAddress, {}}, {"99999999999", 0, kMaxSettingAddress, {}},
        {"", 0, kMaxSettingAddress, {}},      {"0x10", 0, kMaxSettingAddress, {}},
        {"1.5", 0, kMaxSettingAddress, {}},   {" 7 ", 0, kMaxByteValue, 7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseServiceNumber(c.text, c.low, c.high), c.value) << c.text;
}

// --- Quick recording ---------------------------------------------------------------------------

namespace {
// The meter answers 'Y' with its clock at `meterTime` and echoes everything else.
std::function<ReplyFrame(const CommandFrame&, int)> meterClockAt(const QDateTime& meterTime)
{
    return [meterTime](const CommandFrame& c, int) {
        if (c[1] != 'Y') {
            ReplyFrame r{};
            std::copy(c.begin(), c.end(), r.begin());
            return r;
        }
        ReplyFrame r = informationReply();
        const QDate d = meterTime.date();
        const QTime t = meterTime.time();
        const int fields[] = {d.year() % 100, d.month(), d.day(), t.hour(), t.minute(), t.second()};
        for (int i = 0; i < 6; ++i)
            r[25 + i] = toBcd(fields[i]);
        return r;
    };
}
} // namespace

TEST(QuickRecordLayout, OneSampleAtTwoSecondsWithTheStartInBcd)
{
    const auto writes = quickRecordWrites(1, 2, QDateTime(QDate(2024, 12, 8), QTime(18, 54, 51)));
    const std::vector<std::pair<int, std::uint8_t>> expected{
        {9, 0},     {10, 1},     {11, 0x00},  {12, 0x01},  {13, 0x1B}, {256, 0xA5}, {257, 0x5A},
        {258, 20},  {259, 0x24}, {260, 0x12}, {261, 0x08}, {262, 0x18}, {263, 0x54}, {264, 0x51},
        {265, 0},   {266, 2},    {267, 0},    {268, 0},    {269, 1},   {282, 0x5A}, {283, 0xA5},
    };
    EXPECT_EQ(writes, expected);

    const auto slow = quickRecordWrites(1, 75, QDateTime(QDate(2024, 12, 8), QTime(13, 5, 7)));
    EXPECT_EQ(slow[14], (std::pair<int, std::uint8_t>{265, 1}));
    EXPECT_EQ(slow[15], (std::pair<int, std::uint8_t>{266, 15}));
}

// What QUICK REC writes into an empty memory reads back as the one set it prepares.
TEST(QuickRecordLayout, WritesReadBackAsOneSetThroughTheDecoder)
{
    const QDateTime start(QDate(2024, 12, 8), QTime(18, 54, 51));
    for (const auto& [n, interval] : std::vector<std::pair<int, int>>{{1, 2}, {25, 60}, {1000, 75}}) {
        SCOPED_TRACE(n);
        QByteArray memory(MemoryAddress::FirstSet + SetField::Samples + 2 * n + 2, '\0');
        for (const auto& [address, value] : quickRecordWrites(n, interval, start))
            memory[address] = static_cast<char>(value);
        const LoggedMemory m = decodeLoggedMemory(memory, lastAddressOf(memory));
        EXPECT_EQ(m.code, DecodeCode::Ok);
        ASSERT_EQ(m.sets.size(), 1u);
        EXPECT_EQ(m.sets[0].headerOffset, MemoryAddress::FirstSet);
        EXPECT_EQ(m.sets[0].endOffset, memory.size() - 1);
        EXPECT_EQ(m.sets[0].count, n);
        EXPECT_EQ(m.sets[0].interval, interval % 60);
        EXPECT_EQ(QDateTime(m.sets[0].startDate, m.sets[0].startTime), start);
    }
}

TEST(QuickRecordLayout, MeterClockIsReadFromTheInformationReply)
{
    ReplyFrame r = informationReply();
    EXPECT_EQ(meterClockFromInformation(r), QDateTime(QDate(2024, 12, 8), QTime(13, 5, 7)));
    r[28] = 0x1A; // not BCD
    EXPECT_EQ(meterClockFromInformation(r), std::nullopt);
    r = informationReply();
    r[26] = 0x13; // month 13
    EXPECT_EQ(meterClockFromInformation(r), std::nullopt);
    EXPECT_EQ(meterClockFromInformation(ReplyFrame{}), std::nullopt) << "month and day 0";
}

TEST_F(SetupCommandsTest, QuickRecordStartsOnTheMeterClockThenClosesTheExchange)
{
    // The computer says 13:05:07; the meter's own clock says 18:54:51, and that is what counts.
    usb.reply = meterClockAt(QDateTime(QDate(2025, 3, 9), QTime(18, 54, 51)));
    EXPECT_EQ(quickRecord(link, buffers, 1, 75), 0);
    const QStringList w = usb.writes();
    ASSERT_EQ(w.size(), 23);
    EXPECT_EQ(w[0], "write 02 59 00 00 00 00 03") << "the meter's clock first";
    EXPECT_EQ(w[1], "write 02 57 00 00 09 00 03");
    EXPECT_EQ(w[9], "write 02 57 00 01 03 25 03");  // 259: year 25
    EXPECT_EQ(w[10], "write 02 57 00 01 04 03 03"); // 260: month 3
    EXPECT_EQ(w[11], "write 02 57 00 01 05 09 03"); // 261: day 9
    EXPECT_EQ(w[12], "write 02 57 00 01 06 18 03"); // 262: hour 18
    EXPECT_EQ(w[13], "write 02 57 00 01 07 54 03"); // 263: minute 54
    EXPECT_EQ(w[14], "write 02 57 00 01 08 51 03"); // 264: second 51
    EXPECT_EQ(w[15], "write 02 57 00 01 09 01 03"); // 265: 75 div 60
    EXPECT_EQ(w[16], "write 02 57 00 01 0A 0F 03"); // 266: 75 mod 60
    EXPECT_EQ(w[21], "write 02 57 00 01 1B A5 03"); // 283
    EXPECT_EQ(w[22], "write 02 62 00 00 00 00 03");
    EXPECT_EQ(usb.calls.filter("timeouts"), (QStringList{"timeouts 100 100", "timeouts 1000 1000"}));
    EXPECT_EQ(usb.calls.filter("open").size(), 2) << "no close before the first open, one before the closing one";
    EXPECT_EQ(usb.calls[0], "open @0");
}

TEST_F(SetupCommandsTest, QuickRecordWithAnUnreadableMeterClockWritesNothing)
{
    struct Case {
        const char* what;
        std::deque<int> readResults;
        std::function<ReplyFrame(const CommandFrame&, int)> reply;
    };
    const Case cases[] = {
        {"no reply to 'Y'", {1, 1, 1, 1, 1}, meterClockAt(QDateTime(QDate(2025, 3, 9), QTime(18, 54, 51)))},
        {"a clock that is not BCD", {}, [](const CommandFrame& c, int) { return ScriptedTransport::echo(c); }},
    };
    for (const Case& c : cases) {
        usb.calls.clear();
        usb.readResults = c.readResults;
        usb.reply = c.reply;
        EXPECT_EQ(quickRecord(link, buffers, 1, 2), 9003) << c.what;
        const QStringList w = usb.writes();
        EXPECT_TRUE(w.filter("write 02 57").isEmpty()) << c.what;
        EXPECT_EQ(w.last(), "write 02 62 00 00 00 00 03") << c.what << ": the closing exchange still runs";
    }
}

TEST_F(SetupCommandsTest, QuickRecordWithoutMeterTriesFiveTimesThenFailsAtTheClosingOpen)
{
    usb.openResults = {1, 1, 1, 1, 1, 1};
    EXPECT_EQ(quickRecord(link, buffers, 1, 2), 803);
    const QStringList opens = usb.calls.filter("open");
    ASSERT_EQ(opens.size(), 6) << "five attempts, then the closing exchange's open";
    for (int i = 1; i < 6; ++i) {
        const int gap = opens[i].section('@', 1).toInt() - opens[i - 1].section('@', 1).toInt();
        EXPECT_GE(gap, 300);
        EXPECT_LT(gap, 310);
    }
    EXPECT_TRUE(usb.writes().isEmpty());
}

TEST_F(SetupCommandsTest, QuickRecordWriteFailureStillClosesAndKeepsItsCode)
{
    // The clock is read; every reply to the fourth byte write is lost: five reads, then 9002;
    // the 'b' still goes out.
    usb.reply = meterClockAt(QDateTime(QDate(2024, 12, 8), QTime(13, 5, 7)));
    usb.readResults = {0, 0, 0, 0, 1, 1, 1, 1, 1};
    EXPECT_EQ(quickRecord(link, buffers, 1, 2), 9002);
    const QStringList w = usb.writes();
    EXPECT_EQ(w.size(), 6);
    EXPECT_EQ(w.last(), "write 02 62 00 00 00 00 03");
}

TEST_F(SetupCommandsTest, WriteEepromByteRetriesEachStepFiveTimes)
{
    usb.writeResults = {1, 1, 0};
    usb.readResults = {1, 0};
    EXPECT_TRUE(writeEepromByte(link, buffers, 15, 2));
    EXPECT_EQ(usb.writes().size(), 3);
    EXPECT_GE(clock.tickMs(), 900) << "three pauses of 300 ms";
    EXPECT_LT(clock.tickMs(), 910);

    usb.writeResults = {1, 1, 1, 1, 1};
    EXPECT_FALSE(writeEepromByte(link, buffers, 15, 2));
    usb.readResults = {1, 1, 1, 1, 1};
    EXPECT_FALSE(writeEepromByte(link, buffers, 15, 2));

    usb.reply = [](const CommandFrame&, int) { return ReplyFrame{0x02, 'X'}; };
    EXPECT_FALSE(writeEepromByte(link, buffers, 15, 2));
}

TEST_F(SetupCommandsTest, QuickRecordAfterAFailedOpenRecoversAndEndsAfterFiveAttempts)
{
    // The first open fails; every later pass gets all its writes through, sends 'Q' and counts
    // as one more attempt, so after the fifth the closing exchange runs and the result stays 9000.
    usb.openResults = {1};
    usb.reply = meterClockAt(QDateTime(QDate(2024, 12, 8), QTime(13, 5, 7)));
    EXPECT_EQ(quickRecord(link, buffers, 1, 2), 9000);
    const QStringList w = usb.writes();
    EXPECT_EQ(w.filter(" 51 ").size(), 4) << "one 'Q' after each of the four passes";
    EXPECT_TRUE(w.filter(" 51 ").first().startsWith("write 02 51 00 01 1B A5 03"))
        << "'Q' carries the last byte write's parameters";
    EXPECT_EQ(w.filter("write 02 57").size(), 4 * 21);
    EXPECT_EQ(w.filter("write 02 59").size(), 4) << "the meter's clock read on each pass";
    EXPECT_EQ(w.last(), "write 02 62 00 00 00 00 03");
}
