#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <cstddef>
#include <optional>
#include <vector>

#include "meter/simulator/simulatedmeter.h"
#include "meter/transport.h"

namespace quedral {

// One call made on a SimulatedTransport.
struct TransportCall {
    QString name;        // "usbOpen", "usbWrite", ...
    std::vector<int> args;
    QByteArray bytes;    // bytes written, or bytes delivered by usbRead
    int result = 0;      // the status returned (0 for the void operations)
    // e.g. "usbWrite 7 02 41 00 00 00 01 03 -> 0"
    QString toString() const;
};

// Faults a test (or a demo) can inject into the simulated link.
struct TransportFaults {
    bool openFails = false;
    bool timeoutsFail = false;
    bool writeFails = false;
    bool blockWriteFails = false;
    bool noReply = false;                 // the meter stays silent: reads time out
    int silentAfterExchanges = -1;        // replies stop once this many commands were written; -1 never
    std::optional<int> alterByteIndex;    // this reply byte is altered:
    std::optional<std::uint8_t> alterByteValue; // replaced by this value, or its bits inverted when unset
    std::optional<int> alterOnlyExchange; // alter only the reply to this command (counted from 1 like exchanges())
    int unplugAfterExchanges = -1;        // unplugged once this many commands were written; -1 never
    int replugAfterExchanges = -1;        // plugged in again after this many tries (opens, commands) while unplugged; -1 never
    int delayMsPerExchange = 0;           // each command written waits this long first (clock seam)
};

// The result of parsing a --simulate-faults list: the faults, or why the list was refused.
struct ParsedFaults {
    TransportFaults faults;
    QString error; // empty when the list was accepted
    bool ok() const { return error.isEmpty(); }
};

// Parses a comma-separated fault list as both programs take it after --simulate-faults:
//   delay=MS        every exchange takes MS milliseconds longer
//   open-fails      the device cannot be opened
//   timeouts-fail   the time-outs cannot be set
//   write-fails     no command can be written
//   block-write-fails  no data block can be written (the clock's, after 't')
//   silent          the meter never replies
//   silent-after=N  replies stop after N exchanges
//   unplug-after=N  the meter is unplugged after N exchanges
//   replug-after=M  an unplugged meter comes back after M tries to reach it (opens, commands)
//   wrong-byte=I    reply byte I (0..31) is altered
// An unknown or malformed item is refused; the error names it.
ParsedFaults parseTransportFaults(const QString& list);
// The list's syntax, for usage texts.
inline constexpr char kFaultListSyntax[] =
    "delay=MS, open-fails, timeouts-fail, write-fails, block-write-fails, silent, silent-after=N, unplug-after=N, "
    "replug-after=M, wrong-byte=I";

// The simulated meter behind the Transport interface. Honours open/close: writes and reads
// fail while the device is not open or not plugged in.
class SimulatedTransport final : public Transport {
public:
    // With no meter given, one is made with the default state file.
    explicit SimulatedTransport(std::unique_ptr<SimulatedMeter> meter = nullptr);

    void usbClose() override;
    int usbOpen(std::uint16_t vendorId, std::uint16_t productId) override;
    int usbSetTimeouts(int readMs, int writeMs) override;
    int usbWrite(int length, const std::uint8_t* frame) override;
    void usbPurge() override;
    int usbRead(int length, std::uint8_t* buffer) override;
    int usbWriteBlock(int length, const std::uint8_t* block) override;
    void usbReadSerial(int index, char* buffer, int size) override;
    QString lastOpenProblem() const override { return m_openProblem; }

    SimulatedMeter& meter() { return *m_meter; }
    TransportFaults faults;

    // Call log: at least the latest kCallsKept calls, at most twice as many.
    static constexpr std::size_t kCallsKept = 10000;
    const std::vector<TransportCall>& calls() const { return m_calls; }
    QStringList callNames() const;
    QStringList callLines() const;
    void clearCalls() { m_calls.clear(); }

    bool isOpen() const { return m_open; }
    bool isPlugged() const { return m_plugged; }
    void unplug();
    void replug();
    int exchanges() const { return m_exchanges; } // commands written so far

private:
    int log(QString name, std::vector<int> args, QByteArray bytes, int result);
    void checkUnplug();
    bool usable() const { return m_open && m_plugged; }

    std::unique_ptr<SimulatedMeter> m_meter;
    std::vector<TransportCall> m_calls;
    std::optional<ReplyBytes> m_pending;
    int m_pendingExchange = 0; // the command m_pending answers, counted like m_exchanges
    bool m_open = false;
    bool m_plugged = true;
    int m_readTimeoutMs = 1000;
    int m_exchanges = 0;
    int m_unpluggedTries = 0;
    QString m_openProblem;
};

// What the programs' meter options ask for.
struct TransportRequest {
    bool simulate = false;   // --simulate
    TransportFaults faults;  // --simulate-faults (with simulate only)
    QString simulatedSerial; // --simulate-serial (with simulate only); empty: the default serial number
    QString meter;           // --meter: the meter's path or serial number; empty: the only one attached
};

// The simulated meter (with the faults and serial number asked for, and the state file of that
// serial number) when simulate is set, otherwise the USB meter the request names (see
// makeHidTransport).
std::unique_ptr<Transport> makeTransport(const TransportRequest& request);

// With simulate, --meter must name the simulated meter ("simulated" or its serial number):
// why it does not, else empty (also without simulate or --meter).
QString simulatedMeterProblem(const TransportRequest& request);

} // namespace quedral
