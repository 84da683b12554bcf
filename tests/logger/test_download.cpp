// Reading the logged memory from the simulated meter, with faults injected at every step.
#include <gtest/gtest.h>

#include <atomic>

#include "base/clock.h"
#include "logger/datasets.h"
#include "logger/download.h"
#include "meter/meterlink.h"
#include "meter/simulatedmemory.h"
#include "meter/simulatedtransport.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

class DownloadTest : public ::testing::Test {
protected:
    // A memory whose last address reads `last` (the sets themselves do not matter here).
    void memoryWithLastAddress(int last)
    {
        transport.meter().update([last](SimulatedMeter::State& s) {
            QByteArray m = encodeMemoryImage({LoggedSet{QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), 1, 0x0F,
                                                        "00000000", {600, 610}}});
            m[11] = char(last >> 16);
            m[12] = char(last >> 8);
            m[13] = char(last);
            s.memory = m;
        });
    }
    QStringList lettersWritten() const
    {
        QStringList letters;
        for (const TransportCall& c : transport.calls())
            if (c.name == "UsbWrite" && c.bytes.size() == 7)
                letters << QString(QChar(c.bytes[1]));
        return letters;
    }

    test::ScopedDataDir data;
    ManualClock clock;
    test::ScopedClock clockGuard{clock};
    SimulatedTransport transport{std::make_unique<SimulatedMeter>(QString(), 9)};
    MeterLink link{transport};
};

TEST_F(DownloadTest, TheDefaultMemoryArrivesWholeAndDecodes)
{
    const QByteArray memory = transport.meter().state().memory;
    std::vector<int> progress;
    int total = 0;
    DownloadProgress p;
    p.started = [&](int t) { total = t; };
    p.received = [&](int r) { progress.push_back(r); };
    const DownloadResult r = DownloadMemory(link, p);
    ASSERT_EQ(r.code, DownloadCode::Ok);
    EXPECT_EQ(r.lastAddress, lastAddressOf(memory));
    EXPECT_EQ(total, downloadTotal(r.lastAddress));
    EXPECT_EQ(r.image.size(), total);
    EXPECT_EQ(r.image.left(memory.size()), memory);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 64);
    EXPECT_EQ(progress.back(), total);
    EXPECT_EQ(lettersWritten().last(), "q");
    EXPECT_TRUE(transport.isOpen()) << "left open after a complete transfer";

    const DecodeResult d = DecodeMemoryImage(r.image, r.lastAddress);
    EXPECT_EQ(d.code, DecodeCode::Ok);
    EXPECT_EQ(d.store->size(), 4);
}

TEST_F(DownloadTest, TotalFollowsTheLastAddress)
{
    // One set of two samples, whose end marker is at 285; the last address says otherwise.
    // The transfer reads what the last address asks for; a last address the sets cannot end
    // at makes the whole transfer garbled, one before the set's end is the decode's 34.
    struct Case {
        int last;
        int total;
        int code;
    };
    for (const Case c : {Case{255, 256, DownloadCode::Ok}, Case{285, 288, DownloadCode::Ok},
                         Case{288, 320, DownloadCode::Garbled}, Case{254, 262144, DownloadCode::Ok},
                         Case{262144, 262144, DownloadCode::Garbled}, Case{262143, 262144, DownloadCode::Garbled}}) {
        SCOPED_TRACE(c.last);
        memoryWithLastAddress(c.last);
        transport.clearCalls();
        const DownloadResult r = DownloadMemory(link);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.total, c.total);
        EXPECT_EQ(r.lastAddress, c.last);
        EXPECT_EQ(r.image.isEmpty(), c.code != DownloadCode::Ok);
        const QStringList letters = lettersWritten();
        EXPECT_EQ(letters.count("p"), c.total / 32 - 1);
        EXPECT_EQ(letters.first(), "P");
        EXPECT_EQ(letters.last(), "q");
    }
}

TEST_F(DownloadTest, EveryFailureHasItsCode)
{
    memoryWithLastAddress(319); // 320 bytes: 'P' and nine 'p'
    struct Case {
        const char* name;
        std::function<void(TransportFaults&)> fault;
        int code;
    };
    const Case cases[] = {
        {"open", [](TransportFaults& f) { f.openFails = true; }, DownloadCode::OpenFailed},
        {"time-outs", [](TransportFaults& f) { f.timeoutsFail = true; }, DownloadCode::TimeoutsFailed},
        {"'P' not written", [](TransportFaults& f) { f.writeFails = true; }, DownloadCode::StartWriteFailed},
        {"no reply to 'P'", [](TransportFaults& f) { f.noReply = true; }, DownloadCode::StartNoReply},
        {"'P' reply framed by 0x02",
         [](TransportFaults& f) {
             f.alterByteIndex = 0;
             f.alterByteValue = 0x02;
         },
         DownloadCode::StartWrongReply},
        // The third block's read fails with 96 bytes in and 224 to come.
        {"block read early", [](TransportFaults& f) { f.silentAfterExchanges = 3; }, DownloadCode::FirstHalfFailed},
        {"block write early", [](TransportFaults& f) { f.unplugAfterExchanges = 3; }, DownloadCode::FirstHalfFailed},
        // The ninth block: 288 in, 32 to come.
        {"block read late", [](TransportFaults& f) { f.silentAfterExchanges = 9; }, DownloadCode::BlockNoReply},
        {"block write late", [](TransportFaults& f) { f.unplugAfterExchanges = 9; }, DownloadCode::BlockWriteFailed},
        {"'q' not written", [](TransportFaults& f) { f.unplugAfterExchanges = 10; }, DownloadCode::EndWriteFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A meter of its own for each case, so that exchanges are counted from the start.
        SimulatedTransport fresh{std::make_unique<SimulatedMeter>(QString(), 9)};
        fresh.meter().update([&](SimulatedMeter::State& s) { s.memory = transport.meter().state().memory; });
        c.fault(fresh.faults);
        MeterLink freshLink(fresh);
        const DownloadResult r = DownloadMemory(freshLink);
        EXPECT_EQ(r.code, c.code);
        EXPECT_TRUE(r.image.isEmpty());
    }
}

TEST_F(DownloadTest, CancelEndsAfterTheCurrentBlockAndSendsQ)
{
    memoryWithLastAddress(319);
    std::atomic<bool> cancel{false};
    DownloadProgress p;
    p.cancel = &cancel;
    p.received = [&](int received) {
        if (received == 96)
            cancel = true;
    };
    const DownloadResult r = DownloadMemory(link, p);
    EXPECT_EQ(r.code, DownloadCode::Cancelled);
    EXPECT_TRUE(r.image.isEmpty());
    EXPECT_EQ(lettersWritten(), QStringList({"P", "p", "p", "q"}));
}

TEST_F(DownloadTest, AQuickRecordWrittenByteByByteDownloadsAsOneSet)
{
    ASSERT_EQ(transport.UsbOpen(MeterLink::VendorId, MeterLink::ProductId), 0);
    auto send = [this](const CommandFrame& c) {
        ASSERT_EQ(transport.UsbWrite(kCommandLength, c.data()), 0);
        ReplyBytes r{};
        ASSERT_EQ(transport.UsbRead(kReplyLength, r.data()), 0);
        EXPECT_TRUE(std::equal(c.begin(), c.end(), r.begin())) << "echo of " << char(c[1]);
    };
    send(kEraseFrame);
    // Five samples at 75 s, started 2024-12-08 13:05:07 (plain bytes, not BCD).
    const int n = 5, interval = 75, end = 2 * n + 281;
    const std::pair<int, int> layout[] = {
        {9, 0}, {10, 1}, {11, end >> 16}, {12, (end >> 8) & 0xFF}, {13, end & 0xFF}, {256, 0xA5}, {257, 0x5A},
        {258, 20}, {259, 2024 % 256}, {260, 12}, {261, 8}, {262, 13}, {263, 5}, {264, 7}, {265, interval / 60},
        {266, interval % 60}, {267, 0}, {268, 0}, {269, n}, {end - 1, 0x5A}, {end, 0xA5}};
    for (const auto& [address, value] : layout)
        send(makeCommand('W', 0, std::uint8_t(address >> 8), std::uint8_t(address), std::uint8_t(value)));
    send(kCloseSettingsFrame);

    const DownloadResult r = DownloadMemory(link);
    ASSERT_EQ(r.code, DownloadCode::Ok);
    EXPECT_EQ(r.lastAddress, end);
    const DecodeResult d = DecodeMemoryImage(r.image, r.lastAddress);
    // The plain start bytes are not all BCD (year 0xE8, month 0x0C, hour 0x0D): the start
    // cannot be read, and no date is made up for it.
    EXPECT_EQ(d.code, DecodeCode::StartUnreadable);
    ASSERT_TRUE(d.store);
    ASSERT_EQ(d.store->size(), 1);
    const DataSetInfo set = d.store->info(0);
    EXPECT_FALSE(set.StartReadable);
    EXPECT_EQ(set.Count, n);
    EXPECT_EQ(set.Interval, 15);
    EXPECT_EQ(set.HeaderOffset, 256);
    EXPECT_EQ(set.EndOffset, end);
    EXPECT_EQ(d.store->Levels, std::vector<float>(n, 0.0f)) << "the samples were never written: zeros";
}

TEST_F(DownloadTest, RecoveryPurgesAndSendsQ)
{
    RecoverAfterFailedDownload(link);
    EXPECT_EQ(transport.callNames(), QStringList({"UsbPurge", "UsbWrite"}));
    EXPECT_EQ(lettersWritten(), QStringList({"Q"}));
}

} // namespace
