#pragma once
// The meter's hidraw node, emulated in process with umockdev: hidapi enumerates
// 04D9:E000 from a fake sysfs tree, opens a fake /dev/hidraw0 and exchanges
// reports with the device side below, which plays the meter through a command
// handler (the simulated meter's own command handling in the tests).
//
// The program must run under umockdev-wrapper (tests/hid/CMakeLists.txt does that).
#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace quedral::test {

using Bytes = std::vector<std::uint8_t>;
using Frame = std::array<std::uint8_t, 7>;

class EmulatedHidMeter {
public:
    // The meter's answer to one command frame: the reply bytes, or nothing for
    // commands without a reply.
    using CommandHandler = std::function<std::optional<Bytes>(const Frame&)>;

    struct Options {
        std::string serial = "KV4471-0042";
        int outputReportLength = 8; // data bytes of one output report the device takes
        int inputReportLength = 8;  // data bytes of each input report it sends
        // Several meters: each its own index (node /dev/hidrawINDEX on USB port INDEX + 1),
        // all on the test bed of the first (testbed()); nullptr makes a new one.
        int index = 0;
        UMockdevTestbed* testbed = nullptr;
    };

    static constexpr const char* kNode = "/dev/hidraw0"; // the node of index 0

    explicit EmulatedHidMeter(CommandHandler handler);
    EmulatedHidMeter(CommandHandler handler, Options options);
    ~EmulatedHidMeter();
    EmulatedHidMeter(const EmulatedHidMeter&) = delete;
    EmulatedHidMeter& operator=(const EmulatedHidMeter&) = delete;

    // This meter's node, "/dev/hidrawINDEX".
    const std::string& node() const { return m_node; }
    // The test bed, for another meter beside this one (Options::testbed).
    UMockdevTestbed* testbed() const { return m_testbed; }
    // Empty when the test bed is up; otherwise what went wrong.
    std::string setupError() const { return m_error; }

    // Every write() on the node, byte for byte (report ID first).
    std::vector<Bytes> received() const;
    // The command frames the device made out of those reports, in order.
    std::vector<Frame> commands() const;
    // Data that followed a 't' frame as its 32-byte block.
    Bytes block() const;
    // The replies the device produced, before they were cut into reports.
    std::vector<Bytes> replies() const;
    // Input reports handed to the program so far.
    int reportsDelivered() const;
    void clearLog();

    // The device takes commands but never answers.
    void setSilent(bool silent);
    // The device stops taking output reports: every write() on the node blocks
    // until the stall ends (or the emulation goes away), as with a stalled
    // endpoint. Nothing else on the node is answered meanwhile either.
    void stallWrites(bool stalled);
    // Replies stop after `bytes` bytes, as from a meter that breaks off.
    void cutRepliesTo(std::size_t bytes);
    // Input the program did not ask for (left over from an earlier exchange).
    void queueStaleInput(const Bytes& bytes);
    // The meter is pulled out after `reports` more input reports: the next read
    // and every later write fail with ENODEV.
    void pullOutAfter(int reports);
    // Removes the device from the sysfs tree, so the next enumeration misses it.
    void unplug();
    // Makes the node refuse to open with EACCES, as without the udev rule.
    void denyAccess();

private:
    static int onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self);
    static int onRead(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self);
    static int onWrite(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self);
    void takeOutputReport(const Bytes& report);
    void queueReply(const Bytes& reply);
    void feedNextReport(); // with m_mutex held

    CommandHandler m_handler;
    Options m_options;
    std::string m_error;
    UMockdevTestbed* m_testbed = nullptr;
    UMockdevIoctlBase* m_ioctl = nullptr;
    std::string m_node;
    std::string m_hidSysPath;
    int m_devFd = -1;

    mutable std::mutex m_mutex;
    std::vector<Bytes> m_received;
    std::vector<Frame> m_commands;
    std::vector<Bytes> m_replies;
    Bytes m_block;
    Bytes m_pending;           // output payload not yet a whole frame or block
    bool m_expectBlock = false; // after 't' the next 32 bytes are the clock block
    std::deque<Bytes> m_queue; // input reports waiting to go out
    bool m_inFlight = false;   // one report sits in the node, ready for one read
    bool m_silent = false;
    bool m_writesStalled = false;
    std::condition_variable m_writesResumed;
    std::size_t m_replyLimit = SIZE_MAX;
    int m_pullOutAfter = -1;
    bool m_gone = false;
    int m_delivered = 0;
};

} // namespace quedral::test
