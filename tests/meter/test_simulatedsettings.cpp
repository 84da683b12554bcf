// The simulated meter's byte-addressed memory and the setup commands that act on it:
// byte write and read, erase, the clock block, the information reply, persistence.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/clock.h"
#include "meter/meterlink.h"
#include "meter/reading.h"
#include "meter/simulator/simulatedmemory.h"
#include "meter/simulator/simulatedtransport.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

CommandFrame writeFrame(int address, std::uint8_t value)
{
    return makeCommand('W', std::uint8_t(address >> 16), std::uint8_t(address >> 8), std::uint8_t(address), value);
}

CommandFrame readFrame(int address, std::uint8_t byte5 = 0x5C)
{
    return makeCommand('r', std::uint8_t(address >> 16), std::uint8_t(address >> 8), std::uint8_t(address), byte5);
}

class SimulatedSettingsTest : public ::testing::Test {
protected:
    ReplyBytes exchange(const CommandFrame& c)
    {
        const auto r = meter.handleCommand(c);
        EXPECT_TRUE(r.has_value()) << char(c[1]);
        return r.value_or(ReplyBytes{});
    }
    void write(int address, std::uint8_t value) { exchange(writeFrame(address, value)); }
    std::uint8_t read(int address) { return exchange(readFrame(address))[6]; }
    static ReplyBytes echoOf(const CommandFrame& c)
    {
        ReplyBytes r{};
        std::copy(c.begin(), c.end(), r.begin());
        return r;
    }

    ManualClock clock{QDateTime(QDate(2024, 12, 8), QTime(13, 5, 7))};
    test::ScopedClock clockGuard{clock};
    test::ScopedDataDir dataDir;
    SimulatedMeter meter{QString(), 1};
};

TEST_F(SimulatedSettingsTest, WriteIsEchoedAndReadBackInByteSix)
{
    struct Case {
        int address;
        std::uint8_t value;
        std::uint8_t readBack; // beyond the memory nothing is stored
    };
    const Case cases[] = {
        {15, 7, 7},
        {300, 0xA5, 0xA5},
        {0x012345, 0x5A, 0x5A}, // far past the part of the memory held so far
        {kMeterMemoryBytes - 1, 0x11, 0x11},
        {kMeterMemoryBytes, 0x22, 0},
        {0xFFFFFF, 0x33, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        const CommandFrame w = writeFrame(c.address, c.value);
        EXPECT_EQ(exchange(w), echoOf(w));
        const CommandFrame r = readFrame(c.address);
        ReplyBytes expected = echoOf(r);
        expected[6] = c.readBack; // the byte read wins over the echoed 0x03
        EXPECT_EQ(exchange(r), expected);
        EXPECT_EQ(meter.memoryByte(c.address), c.readBack);
    }
    EXPECT_EQ(read(0x012344), 0) << "the gap up to a far write reads as zero";
    EXPECT_EQ(meter.state().memory.size(), kMeterMemoryBytes) << "held up to the highest byte written";

    const CommandFrame close = kCloseSettingsFrame;
    EXPECT_EQ(exchange(close), echoOf(close));
}

TEST_F(SimulatedSettingsTest, InformationReplyComesFromTheMemoryAndTheClock)
{
    // Three sets, last address 0x03E800, interval 2 (and a stray byte 14 'Y' does not report).
    const std::pair<int, std::uint8_t> bytes[] = {{9, 0x00}, {10, 0x03}, {11, 0x03}, {12, 0xE8},
                                                  {13, 0x00}, {14, 0x44}, {15, 0x02}};
    for (const auto& [address, value] : bytes)
        write(address, value);
    ReplyBytes expected{};
    expected[0] = 0x02;
    expected[1] = 'Y';
    expected[10] = 0x03;
    expected[11] = 0x03;
    expected[12] = 0xE8;
    expected[15] = 0x02;
    expected[18] = 0xFB;                  // -0.5 dB
    expected[19] = 0x01;                  // 384 raw
    expected[20] = 0x80;
    const std::uint8_t clockAndVersion[] = {0x24, 0x12, 0x08, 0x13, 0x05, 0x07, 105};
    std::copy(std::begin(clockAndVersion), std::end(clockAndVersion), expected.begin() + 25);
    EXPECT_EQ(exchange(kInformationFrame), expected);

    meter.update([](SimulatedMeter::State& s) {
        s.calibration94Tenths = 12;
        s.calibration70Raw = 0x1234;
        s.firmwareHundredths = 200;
    });
    const ReplyBytes r = exchange(kInformationFrame);
    EXPECT_EQ(r[18], 12);
    EXPECT_EQ(r[19], 0x12);
    EXPECT_EQ(r[20], 0x34);
    EXPECT_EQ(r[31], 200);
}

TEST_F(SimulatedSettingsTest, DownloadStartFramesTheFirstBytesOfTheMemory)
{
    write(0, 0x00);
    write(31, 0x77);
    write(10, 0x09);
    write(5, 0x66);
    const ReplyBytes p = exchange(makeCommand('P'));
    EXPECT_EQ(p[0], 0x04);
    EXPECT_EQ(p[31], 0x05);
    EXPECT_EQ(p[5], 0x66);
    EXPECT_EQ(p[10], 0x09);
    EXPECT_EQ(read(31), 0x77) << "the frame is the reply's, not the memory's";
}

TEST_F(SimulatedSettingsTest, NewMeterHasFourSetsAtTwoSeconds)
{
    const ReplyBytes y = exchange(kInformationFrame);
    EXPECT_EQ(y[9] * 256 + y[10], 4);
    EXPECT_EQ(y[15], 2);
    const QByteArray& m = meter.state().memory;
    EXPECT_EQ((y[11] << 16) | (y[12] << 8) | y[13], m.size() - 1);
}

TEST_F(SimulatedSettingsTest, EraseEmptiesTheSetsAndKeepsTheSettings)
{
    write(15, 30);
    write(20, 0x42);
    const int lastBefore = meter.state().memory.size() - 1;
    write(lastBefore + 100, 0x99); // beyond the sets
    ASSERT_NE(read(300), 0);

    EXPECT_EQ(exchange(kEraseFrame), echoOf(kEraseFrame));
    const ReplyBytes y = exchange(kInformationFrame);
    EXPECT_EQ(y[9], 0);
    EXPECT_EQ(y[10], 0);
    EXPECT_EQ((y[11] << 16) | (y[12] << 8) | y[13], 255);
    EXPECT_EQ(y[15], 30) << "the recording interval survives an erase";
    EXPECT_EQ(read(20), 0x42);
    for (const int address : {256, 300, lastBefore, lastBefore + 100})
        EXPECT_EQ(read(address), 0) << address;
    EXPECT_LE(meter.state().memory.size(), 256);
}

TEST_F(SimulatedSettingsTest, ClockBlockSetsTheClockOfInformationAndReadings)
{
    SimulatedTransport usb{std::make_unique<SimulatedMeter>(QString(), 1)};
    ASSERT_EQ(usb.usbOpen(MeterLink::VendorId, MeterLink::ProductId), 0);
    auto information = [&usb] {
        const CommandFrame y = kInformationFrame;
        EXPECT_EQ(usb.usbWrite(kCommandLength, y.data()), 0);
        ReplyBytes r{};
        EXPECT_EQ(usb.usbRead(kReplyLength, r.data()), 0);
        return std::vector<int>(r.begin() + 25, r.begin() + 31);
    };
    auto sendClock = [&usb](const ReplyBytes& block) {
        const CommandFrame t = makeCommand('t', 'c', 0, 0x55, 0x66);
        EXPECT_EQ(usb.usbWrite(kCommandLength, t.data()), 0);
        return usb.usbWriteBlock(kReplyLength, block.data());
    };
    EXPECT_FALSE(meter.handleCommand(makeCommand('t', 'c'))) << "'t' has no reply";
    ReplyBytes block{};
    block.fill(0xEE); // bytes the meter gives no meaning
    const std::uint8_t fields[] = {0x30, 0x45, 0x09, 0x29, 0x02, 0xEE, 0x28, 0x00}; // 2028-02-29 09:45:30
    std::copy(std::begin(fields), std::end(fields), block.begin());
    EXPECT_EQ(sendClock(block), 0);
    EXPECT_EQ(information(), (std::vector<int>{0x28, 0x02, 0x29, 0x09, 0x45, 0x30}));

    clock.advanceMs(3000); // the meter's clock runs on with the computer's
    const ReplyBytes a = usb.meter().handleCommand(makeCommand('A')).value();
    const MeterReading reading = decodeReading(a);
    EXPECT_EQ(reading.ClockYear, 0x28);
    EXPECT_EQ(reading.ClockMonth, 0x02);
    EXPECT_EQ(reading.ClockDay, 0x29);
    EXPECT_EQ(reading.ClockHour, 0x09);
    EXPECT_EQ(reading.ClockMinute, 0x45);
    EXPECT_EQ(reading.ClockSecond, 0x33);

    // Blocks that are not a valid BCD date and time leave the clock.
    struct Bad {
        int byte;
        std::uint8_t value;
    };
    for (const Bad& bad : {Bad{0, 0x60}, Bad{0, 0x1A}, Bad{2, 0x24}, Bad{3, 0x30}, Bad{3, 0x00}, Bad{4, 0x13},
                           Bad{6, 0xA0}}) {
        SCOPED_TRACE(testing::Message() << "byte " << bad.byte << " = " << int(bad.value));
        ReplyBytes wrong = block;
        wrong[bad.byte] = bad.value;
        EXPECT_NE(sendClock(wrong), 0);
        EXPECT_EQ(information(), (std::vector<int>{0x28, 0x02, 0x29, 0x09, 0x45, 0x33}));
    }

    // A block needs the 't' 'c' command right before it.
    std::copy(std::begin(fields), std::end(fields), block.begin());
    block[6] = 0x30;
    EXPECT_NE(usb.usbWriteBlock(kReplyLength, block.data()), 0);
    const CommandFrame notClock = makeCommand('t', 'x');
    ASSERT_EQ(usb.usbWrite(kCommandLength, notClock.data()), 0);
    EXPECT_NE(usb.usbWriteBlock(kReplyLength, block.data()), 0);
    EXPECT_EQ(information()[0], 0x28);
}

TEST_F(SimulatedSettingsTest, StateFileKeepsTheMemoryTrimmedAndOldFilesLoad)
{
    const QString file = dataDir.file("meter.json");
    auto savedMemory = [&file] {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
        return QByteArray::fromBase64(o.value("memory").toString().toLatin1());
    };
    {
        SimulatedMeter m(file, 1);
        m.handleCommand(writeFrame(200000, 0x5A));
        EXPECT_EQ(savedMemory().size(), 200001);
        m.handleCommand(kEraseFrame);
        m.handleCommand(writeFrame(15, 9));
        m.handleCommand(writeFrame(1000, 0x01));
        m.handleCommand(writeFrame(2000, 0x00)); // zeros past the last set byte are not kept
        EXPECT_EQ(savedMemory().size(), 1001);
    }
    {
        SimulatedMeter m(file, 1);
        EXPECT_EQ(m.memoryByte(15), 9);
        EXPECT_EQ(m.memoryByte(1000), 1);
        EXPECT_EQ(m.memoryByte(200000), 0);
        EXPECT_EQ(m.memoryByte(13), 255);
    }

    // A file written before the memory took byte writes: a full image, no calibration values.
    const QByteArray image = encodeMemoryImage({LoggedSet{QDateTime(QDate(2025, 6, 1), QTime(10, 0, 0)), 1, 0x0F,
                                                          "00000000", {600, 610, 620}}});
    QJsonObject old;
    old["recording"] = false;
    old["memory"] = QString::fromLatin1(image.toBase64());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QJsonDocument(old).toJson());
    f.close();
    SimulatedMeter m(file, 1);
    EXPECT_EQ(m.state().memory, image);
    const ReplyBytes y = m.handleCommand(kInformationFrame).value();
    EXPECT_EQ(y[10], 1);
    EXPECT_EQ((y[11] << 16) | (y[12] << 8) | y[13], image.size() - 1);
    EXPECT_EQ(y[18], 0xFB);
}

TEST(SimulatedTransportTest, OneExchangesReplyCanBeAltered)
{
    SimulatedTransport usb{std::make_unique<SimulatedMeter>(QString(), 1)};
    usb.faults.alterByteIndex = 5;
    usb.faults.alterOnlyExchange = 3;
    ASSERT_EQ(usb.usbOpen(MeterLink::VendorId, MeterLink::ProductId), 0);
    std::vector<int> fifthBytes;
    for (std::uint8_t v = 1; v <= 4; ++v) {
        const CommandFrame w = writeFrame(40, v);
        ASSERT_EQ(usb.usbWrite(kCommandLength, w.data()), 0);
        ReplyBytes r{};
        ASSERT_EQ(usb.usbRead(kReplyLength, r.data()), 0);
        fifthBytes.push_back(r[5]);
    }
    EXPECT_EQ(fifthBytes, (std::vector<int>{1, 2, 0xFC, 4}));
    EXPECT_EQ(usb.meter().memoryByte(40), 4) << "the meter wrote what it was sent";
}

TEST(SimulatedTransportTest, SerialNumberIsZeroTerminatedWithinTheBuffer)
{
    SimulatedTransport usb{std::make_unique<SimulatedMeter>(QString(), 1)};
    ASSERT_EQ(usb.usbOpen(MeterLink::VendorId, MeterLink::ProductId), 0);
    const std::string full = usb.meter().serialNumber().toStdString();
    for (const int size : {64, int(full.size()) + 1, 5, 1}) {
        SCOPED_TRACE(size);
        std::vector<char> buffer(size + 1, 'x'); // one guard byte
        usb.usbReadSerial(0, buffer.data(), size);
        EXPECT_EQ(std::string(buffer.data()), full.substr(0, size - 1));
        EXPECT_EQ(buffer[size], 'x');
    }
}

} // namespace
