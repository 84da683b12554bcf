// The scripted dialogues in tests/hid/scripts that drive quedral-cli under
// umockdev-run are made from frames here: each 'w' line is what the transport
// writes for a command (report ID, frame, padding), each 'r' line the meter's
// 32-byte reply. This test fails when a file no longer matches its frames.
//
// To refresh the files after a deliberate change:
//   QUEDRAL_UPDATE_HID_SCRIPTS=1 build/tests/hid/test_hidscripts
#include <gtest/gtest.h>

#include <QFile>
#include <QString>

#include "meter/frames.h"
#include "meter/hidtransport.h"
#include "meter/simulator/simulatedmeter.h"

namespace quedral {
namespace {

// umockdev script data: bytes below 32 as '^' + (b + 64), '^' itself as "^`".
// A blank (32) is ambiguous in that notation, so replies here avoid it.
std::string scriptData(const std::uint8_t* data, std::size_t n)
{
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = data[i];
        EXPECT_NE(b, 0x20) << "byte " << i << " is a blank";
        if (b < 32) {
            s += '^';
            s += static_cast<char>(b + 64);
        } else if (b == '^') {
            s += "^`";
        } else {
            s += static_cast<char>(b);
        }
    }
    return s;
}

// One command and the meter's reply: "w" lines for its output reports, "r" for the reply.
std::string exchange(const CommandFrame& command, const std::optional<ReplyBytes>& reply)
{
    std::string s;
    for (const auto& report : hidOutputReports(command.data(), kCommandLength, kDefaultHidReportLength))
        s += "w 0 " + scriptData(report.data(), report.size()) + "\n";
    if (reply)
        s += "r 0 " + scriptData(reply->data(), reply->size()) + "\n";
    return s;
}

ReplyBytes probeReply()
{
    SimulatedMeter meter{QString(), 1};
    return *meter.handleCommand(makeCommand(Letter::Identify));
}

// An 'A' reply with known contents (the simulated meter's level and clock vary).
ReplyBytes readingReply(std::uint8_t sequence)
{
    ReplyBytes r{};
    r[0] = 0x02;
    r[1] = 0x18;               // dBA, FAST
    r[3] = 0x88;               // range 30-130
    r[5] = 0x02, r[6] = 0x6E;  // level 622 -> 62.2 dB
    r[11] = 0x02, r[12] = 0x8A; // MAX 65.0
    r[13] = 0x02, r[14] = 0x58; // MIN 60.0
    r[15] = 0x45, r[16] = 0x30, r[17] = 0x12; // 12:30:45, BCD
    r[19] = 0x06, r[20] = 0x15, r[21] = 0x26; // 2026-06-15
    r[30] = sequence;
    r[31] = 0x03;
    return r;
}

struct Script {
    const char* file;
    std::string text;
};

// umockdev-run rewinds a script when the program closes the node while a 'w'
// line waits, but only if it notices the close before the next open; the meter
// link closes and reopens the node for every exchange, so either may happen.
// "read" probes with 'K' and then polls with 'A' (sequence 1) in two opens. Its
// script works both ways: the same exchange twice, each expecting the poll
// exactly and letting the probe through a fuzz of 23% (the two writes differ in
// 2 of 9 bytes: the letter and the sequence byte), each answered by a valid
// reading that also carries the probe's "323" at bytes 23 to 25.
std::vector<Script> scripts()
{
    const std::string head = "d 0 /dev/hidraw0\n";
    ReplyBytes probeAndReading = readingReply(1);
    probeAndReading[23] = '3', probeAndReading[24] = '2', probeAndReading[25] = '3';
    return {
        // quedral-cli raw K
        {"probe.script", head + exchange(makeCommand(Letter::Identify), probeReply())},
        // quedral-cli read: the connect probe, then the first poll (sequence 1)
        {"read.script", head + "# the probe (within the fuzz) or the poll (exact), whether or not the close rewound\n"
                            + "f 23 -\n"
                            + exchange(makeCommand(Letter::Reading, 0, 0, 0, 1), probeAndReading)
                            + exchange(makeCommand(Letter::Reading, 0, 0, 0, 1), probeAndReading)},
    };
}

TEST(HidDialogueScripts, MatchTheFramesTheyAreMadeFrom)
{
    const bool update = qEnvironmentVariableIntValue("QUEDRAL_UPDATE_HID_SCRIPTS") == 1;
    for (const Script& s : scripts()) {
        QFile file(QStringLiteral(QUEDRAL_HID_SCRIPT_DIR "/") + s.file);
        if (update) {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(s.text.data(), static_cast<qint64>(s.text.size()));
            continue;
        }
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << s.file;
        const QByteArray stored = file.readAll();
        EXPECT_EQ(std::string(stored.constData(), static_cast<std::size_t>(stored.size())), s.text)
            << s.file << " is stale; refresh with QUEDRAL_UPDATE_HID_SCRIPTS=1";
    }
}

} // namespace
} // namespace quedral
