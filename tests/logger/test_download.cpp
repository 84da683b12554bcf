// Reading the logged memory from the simulated meter, with faults injected at every step.
#include <gtest/gtest.h>

#include <atomic>

#include "base/clock.h"
#include "logger/datasets.h"
#include "logger/download.h"
#include "meter/meterlink.h"
#include "meter/simulator/simulatedmemory.h"
#include "meter/simulator/simulatedtransport.h"
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
            if (c.name == "usbWrite" && c.bytes.size() == 7)
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
    const DownloadResult r = downloadMemory(link, p);
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

    const DecodeResult d = decodeMemoryImage(r.image, r.lastAddress);
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
        const DownloadResult r = downloadMemory(link);
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
        const DownloadResult r = downloadMemory(freshLink);
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
    const DownloadResult r = downloadMemory(link, p);
    EXPECT_EQ(r.code, DownloadCode::Cancelled);
    EXPECT_TRUE(r.image.isEmpty());
    EXPECT_EQ(lettersWritten(), QStringList({"P", "p", "p", "q"}));
}

TEST_F(DownloadTest, AQuickRecordWrittenByteByByteDownloadsAsOneSet)
{
    ASSERT_EQ(transport.usbOpen(MeterLink::VendorId, MeterLink::ProductId), 0);
    auto send = [this](const CommandFrame& c) {
        ASSERT_EQ(transport.usbWrite(kCommandLength, c.data()), 0);
        ReplyBytes r{};
        ASSERT_EQ(transport.usbRead(kReplyLength, r.data()), 0);
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

    const DownloadResult r = downloadMemory(link);
    ASSERT_EQ(r.code, DownloadCode::Ok);
    EXPECT_EQ(r.lastAddress, end);
    const DecodeResult d = decodeMemoryImage(r.image, r.lastAddress);
    // The plain start bytes are not all BCD (year 0xE8, month 0x0C, hour 0x0D): the start
    // cannot be read, and no date is made up for it.
    EXPECT_EQ(d.code, DecodeCode::StartUnreadable);
    ASSERT_TRUE(d.store);
    ASSERT_EQ(d.store->size(), 1);
    const DataSetInfo set = d.store->info(0);
    EXPECT_FALSE(set.startReadable());
    EXPECT_EQ(set.count, n);
    EXPECT_EQ(set.interval, 15);
    EXPECT_EQ(set.headerOffset, 256);
    EXPECT_EQ(set.endOffset, end);
    EXPECT_EQ(d.store->Levels, std::vector<float>(n, 0.0f)) << "the samples were never written: zeros";
}

TEST_F(DownloadTest, RecoveryPurgesAndSendsQ)
{
    recoverAfterFailedDownload(link);
    EXPECT_EQ(transport.callNames(), QStringList({"usbPurge", "usbWrite"}));
    EXPECT_EQ(lettersWritten(), QStringList({"Q"}));
}

} // namespace

namespace {

// A set of n samples between 30 and 130 dB, for memories whose headers fall at other places
// of the 32-byte blocks.
LoggedSet oddSet(int n, QByteArray wave)
{
    std::vector<std::uint16_t> tenths;
    for (int k = 0; k < n; ++k)
        tenths.push_back(static_cast<std::uint16_t>(300 + (k * 37) % 1001));
    return {QDateTime(QDate(2026, 7, 31), QTime(23, 59, 58)).addSecs(n * 3600), 1 + n % 60,
            static_cast<std::uint8_t>(n % 16), std::move(wave), std::move(tenths)};
}

// Everything a decode gives the user, as one comparable text.
QString dataOf(const DecodeResult& d)
{
    QStringList t{QString::number(d.code)};
    if (d.store) {
        const DataSetStore& s = *d.store;
        for (int n = 0; n < s.size(); ++n) {
            t << dataSetRow(d, n).join('|') << QString::number(s.info(n).start, 'g', 17);
            const DataSetSpan span = s.Span(n);
            for (std::int64_t k = 0; k < span.count; ++k)
                t << QString::number(s.Levels[span.first + k]) + "@" + QString::number(s.SampleTimes[span.first + k], 'g', 17);
        }
    }
    return t.join('\n');
}

} // namespace

// Every reply with one byte garbled (its bits inverted), at each of the 32 positions: the
// download either delivers exactly the memory the fault-free download delivers, or it fails
// (a download code, or a decode code that reports damaged sets). It never passes off other
// data as the meter's.
TEST_F(DownloadTest, AReplyByteGarbledAtAnyPositionNeverPassesForTheMemory)
{
    const std::vector<std::pair<const char*, QByteArray>> memories = {
        {"four sets", transport.meter().state().memory},
        {"a full memory", encodeMemoryImage(fullMemoryLoggedSets())},
        {"sets of odd lengths", encodeMemoryImage({oddSet(7, "REC00042"), oddSet(33, "00000000"), oddSet(101, "WAV00007"),
                                                  oddSet(5, "00000000")})},
    };
    for (const auto& [name, memory] : memories) {
        SCOPED_TRACE(name);
        const auto download = [memory = memory](std::optional<int> garbled) {
            SimulatedTransport t{std::make_unique<SimulatedMeter>(QString(), 9)};
            t.meter().update([&](SimulatedMeter::State& s) { s.memory = memory; });
            t.faults.alterByteIndex = garbled;
            MeterLink l(t);
            return downloadMemory(l);
        };
        const DownloadResult clean = download(std::nullopt);
        ASSERT_EQ(clean.code, DownloadCode::Ok);
        ASSERT_EQ(decodeMemoryImage(clean.image, clean.lastAddress).code, DecodeCode::Ok);
        for (int i = 0; i < kReplyLength; ++i) {
            SCOPED_TRACE(i);
            const DownloadResult r = download(i);
            if (r.code != DownloadCode::Ok) {
                EXPECT_TRUE(r.image.isEmpty());
                EXPECT_EQ(r.problems.empty(), r.code != DownloadCode::Garbled);
                continue;
            }
            const DecodeResult d = decodeMemoryImage(r.image, r.lastAddress);
            if (d.code != DecodeCode::Ok) {
                EXPECT_TRUE(isDamagedDecode(d.code) || !d.store) << d.code;
                EXPECT_EQ(d.problems.empty(), !isDamagedDecode(d.code));
                continue;
            }
            // Bytes that carry nothing (the reply's framing, the unused header block, what lies
            // beyond the last address) may differ; every data set must be as the meter holds it.
            EXPECT_EQ(r.lastAddress, clean.lastAddress);
            EXPECT_EQ(dataOf(d), dataOf(decodeMemoryImage(clean.image, clean.lastAddress)))
                << "a garbled transfer passed as the meter's memory";
        }
    }
}

// Each check of a whole transfer, on an image that is right but for one thing.
TEST_F(DownloadTest, ATransferIsGarbledWhenItHoldsWhatNoMeterWrites)
{
    const LoggedSet a{QDateTime(QDate(2026, 7, 31), QTime(10, 0, 0)), 2, 0x0F, "WAV00001", {600, 610, 620}};
    const LoggedSet b{QDateTime(QDate(2026, 7, 31), QTime(11, 0, 0)), 60, 0x0F, "00000000", {700, 1400}};
    const QByteArray good = encodeMemoryImage({a, b});
    const int H2 = 256 + 24 + 6 + 2; // the second set's header
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> bytes; // offset, value
        int last;                               // the last address; -1: as encoded
        QString problem;                        // what the problem line begins with; empty: none
    };
    const Case cases[] = {
        {"as written", {}, -1, ""},
        {"level 140.0 dB", {{H2 + 26, 0x05}, {H2 + 27, 0x78}}, -1, ""},
        {"level 140.1 dB", {{H2 + 26, 0x05}, {H2 + 27, 0x79}}, -1, "data set 2: sample 2 reads 140.1 dB, above 140.0 dB"},
        {"level 409.5 dB", {{256 + 24, 0x0F}, {256 + 25, 0xFF}}, -1, "data set 1: sample 1 reads 409.5 dB"},
        {"upper bits of a sample", {{256 + 24, 0xF2}}, -1, ""},
        {"interval 61 s", {{H2 + 10, 61}}, -1, "data set 2: interval 61 s, above 60 s"},
        {"interval 0 s", {{H2 + 10, 0}}, -1, ""},
        {"wave name byte 0xCF", {{256 + 17, 0xCF}}, -1, "data set 1: wave file name byte 3 is 0xcf"},
        {"wave name never written", {{256 + 15, 0x00}, {256 + 16, 0xFF}}, -1, ""},
        {"header count one short", {{256 + 13, 2}}, -1, "data set 1: the header counts 2 samples, the end marker follows 3"},
        {"sets end before the last address", {}, good.size() + 10,
         QStringLiteral("the 2 data sets end at offset %1, the last address is %2").arg(good.size() - 1).arg(good.size() + 10)},
        {"a last address beyond the memory", {}, 0x40000, "last address 262144 lies beyond"},
        // The decode's own codes are left to it.
        {"start marker", {{256, 0x00}}, -1, ""},
        {"unreadable date", {{256 + 4, 0x1A}}, -1, ""},
        {"a set beyond the last address", {}, good.size() - 3, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray image = good;
        for (const auto& [offset, value] : c.bytes)
            image[offset] = char(value);
        const int last = c.last >= 0 ? c.last : lastAddressOf(image);
        const std::vector<QString> problems = checkTransferredImage(image, last);
        if (c.problem.isEmpty()) {
            EXPECT_TRUE(problems.empty()) << problems.front().toStdString();
            continue;
        }
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_TRUE(problems[0].startsWith(c.problem)) << problems[0].toStdString();
    }
}

// A garbled transfer ends as any failed one: the image is dropped, 'q' has been sent, the code
// is 122 and the problems say what was wrong.
TEST_F(DownloadTest, AGarbledTransferFailsWith122AndSaysWhy)
{
    transport.faults.alterByteIndex = 10; // the set count, and every block's byte 10
    const DownloadResult r = downloadMemory(link);
    EXPECT_EQ(r.code, 122);
    EXPECT_TRUE(r.image.isEmpty());
    EXPECT_EQ(lettersWritten().last(), "q");
    const QStringList lines = downloadProblemsText(r).split('\n');
    EXPECT_EQ(lines[0], "The memory arrived garbled (code 122):");
    EXPECT_TRUE(lines.contains("data set 1: interval 254 s, above 60 s")) << lines.join('\n').toStdString();
    EXPECT_EQ(downloadProblemsText(r, 1).split('\n').size(), 3);
    const LoadOutcome o = loadOutcome(r.code);
    EXPECT_FALSE(o.accepted);
    EXPECT_TRUE(o.recover);
    EXPECT_EQ(o.message, "There was error,please try again!   error code=122");
}
