// Two meters on the bus, both emulated hidraw nodes behind the real hidapi transport:
// enumeration finds both, --meter opens the one named, and quedral-cli's list and --meter
// work on them end to end (in process).
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTextStream>

#include "cli/cli.h"
#include "emulatedhidmeter.h"
#include "playedby.h"
#include "meter/hidtransport.h"
#include "meter/meterlink.h"
#include "meter/simulator/simulatedmeter.h"
#include "meter/simulator/simulatedtransport.h"

namespace quedral {
namespace {

using test::EmulatedHidMeter;
using test::playedBy;

class HidFleet : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(first.setupError(), "");
        ASSERT_EQ(second.setupError(), "");
    }

    struct Result {
        int status;
        QString out, err;
    };
    // quedral-cli with the program's own transports, as main.cpp makes them.
    Result cli(QStringList args)
    {
        QString out, err;
        QTextStream o(&out), e(&err);
        args = QStringList{"--data-dir", dataDir.path()} + args;
        const int status = cli::run(args, o, e, [](const TransportRequest& r) { return makeTransport(r); });
        o.flush();
        e.flush();
        return {status, out, err};
    }

    SimulatedMeter firstSimulated{QString(), 7};
    SimulatedMeter secondSimulated{QString(), 8};
    EmulatedHidMeter first{playedBy(firstSimulated), {.serial = "KV4471-0042"}};
    EmulatedHidMeter second{playedBy(secondSimulated),
                            {.serial = "KV4471-0077", .index = 1, .testbed = first.testbed()}};
    QTemporaryDir dataDir;
};

TEST_F(HidFleet, BothMetersAreEnumeratedWithTheirSerialNumbers)
{
    std::vector<AttachedMeter> attached = attachedHidMeters();
    std::sort(attached.begin(), attached.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    const std::vector<AttachedMeter> expected{{"/dev/hidraw0", "KV4471-0042"}, {"/dev/hidraw1", "KV4471-0077"}};
    EXPECT_EQ(attached, expected);
}

TEST_F(HidFleet, TheMeterNamedIsTheOneOpenedAndNoneWithoutAName)
{
    const struct {
        const char* wanted;
        EmulatedHidMeter* talkedTo;
        const char* serial;
    } cases[] = {
        {"KV4471-0077", &second, "KV4471-0077"},
        {"KV4471-0042", &first, "KV4471-0042"},
        {"/dev/hidraw1", &second, "KV4471-0077"},
        {"/dev/hidraw0", &first, "KV4471-0042"},
    };
    for (const auto& c : cases) {
        first.clearLog();
        second.clearLog();
        const std::unique_ptr<Transport> usb = makeHidTransport(c.wanted);
        ASSERT_EQ(usb->usbOpen(MeterLink::VendorId, MeterLink::ProductId), 0) << qPrintable(usb->lastOpenProblem());
        ASSERT_EQ(usb->usbSetTimeouts(1000, 1000), 0);
        const CommandFrame identify = makeCommand('K');
        ASSERT_EQ(usb->usbWrite(7, identify.data()), 0);
        ReplyBytes reply{};
        EXPECT_EQ(usb->usbRead(32, reply.data()), 0) << c.wanted;
        char serial[64] = {};
        usb->usbReadSerial(0, serial, sizeof serial);
        EXPECT_STREQ(serial, c.serial);
        EmulatedHidMeter* other = c.talkedTo == &first ? &second : &first;
        EXPECT_EQ(c.talkedTo->commands().size(), 1u) << c.wanted;
        EXPECT_TRUE(other->commands().empty()) << c.wanted;
    }

    for (const char* wanted : {"", "KV4471-9999"}) {
        const std::unique_ptr<Transport> usb = makeHidTransport(wanted);
        EXPECT_NE(usb->usbOpen(MeterLink::VendorId, MeterLink::ProductId), 0) << wanted;
        const QString problem = usb->lastOpenProblem();
        EXPECT_TRUE(problem.contains("/dev/hidraw0\tKV4471-0042") && problem.contains("/dev/hidraw1\tKV4471-0077"))
            << qPrintable(problem);
    }
}

TEST_F(HidFleet, CliListsBothAndMeterPicksEach)
{
    Result r = cli({"list"});
    EXPECT_EQ(r.status, 0) << qPrintable(r.err);
    QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    lines.sort();
    EXPECT_EQ(lines, QStringList({"/dev/hidraw0\tKV4471-0042", "/dev/hidraw1\tKV4471-0077"}));

    for (const char* serial : {"KV4471-0042", "KV4471-0077"}) {
        r = cli({"--meter", serial, "info"});
        EXPECT_EQ(r.status, 0) << qPrintable(r.err);
        EXPECT_TRUE(r.out.contains(QStringLiteral("SN: %1\n").arg(serial))) << qPrintable(r.out);
    }
    r = cli({"--meter=/dev/hidraw1", "raw", "K"});
    EXPECT_EQ(r.status, 0) << qPrintable(r.err);
    EXPECT_FALSE(second.commands().empty());

    r = cli({"read"});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.contains("2 meters are attached; choose one with --meter SERIAL|PATH:\n")) << qPrintable(r.err);
    EXPECT_TRUE(r.out.isEmpty()) << qPrintable(r.out);
}

} // namespace
} // namespace quedral
