#include "meter/simulator/simulatedtransport.h"

#include <algorithm>
#include <cstring>

#include "meter/hidtransport.h"
#include "meter/meterchoice.h"
#include "meter/meterlink.h"
#include "base/clock.h"

namespace quedral {

QString TransportCall::toString() const
{
    QStringList parts{name};
    for (int a : args)
        parts << QString::number(a);
    if (!bytes.isEmpty())
        parts << QString::fromLatin1(bytes.toHex(' ').toUpper());
    return parts.join(' ') + " -> " + QString::number(result);
}

SimulatedTransport::SimulatedTransport(std::unique_ptr<SimulatedMeter> meter)
    : m_meter(meter ? std::move(meter) : std::make_unique<SimulatedMeter>())
{
}

int SimulatedTransport::log(QString name, std::vector<int> args, QByteArray bytes, int result)
{
    // A day-long simulated session makes millions of calls: only the latest are kept.
    if (m_calls.size() >= 2 * kCallsKept)
        m_calls.erase(m_calls.begin(), m_calls.end() - static_cast<std::ptrdiff_t>(kCallsKept));
    m_calls.push_back({std::move(name), std::move(args), std::move(bytes), result});
    return result;
}

void SimulatedTransport::usbClose()
{
    m_open = false;
    m_pending.reset();
    log("usbClose", {}, {}, 0);
}

int SimulatedTransport::usbOpen(std::uint16_t vendorId, std::uint16_t productId)
{
    m_openProblem.clear();
    checkUnplug();
    const bool ok = !faults.openFails && m_plugged && vendorId == MeterLink::VendorId
                    && productId == MeterLink::ProductId;
    m_open = ok;
    if (!ok)
        m_openProblem = m_plugged ? QString() : QStringLiteral("simulated meter unplugged");
    return log("usbOpen", {vendorId, productId}, {}, ok ? 0 : 1);
}

int SimulatedTransport::usbSetTimeouts(int readMs, int writeMs)
{
    const bool ok = usable() && !faults.timeoutsFail;
    if (ok)
        m_readTimeoutMs = readMs;
    return log("usbSetTimeouts", {readMs, writeMs}, {}, ok ? 0 : 1);
}

int SimulatedTransport::usbWrite(int length, const std::uint8_t* frame)
{
    const QByteArray bytes(reinterpret_cast<const char*>(frame), length);
    if (faults.delayMsPerExchange > 0)
        Clock::instance().sleepMs(faults.delayMsPerExchange);
    checkUnplug();
    if (!usable() || faults.writeFails || length != kCommandLength)
        return log("usbWrite", {length}, bytes, 1);
    CommandFrame command;
    std::copy(frame, frame + kCommandLength, command.begin());
    m_pending = m_meter->handleCommand(command);
    m_pendingExchange = ++m_exchanges;
    return log("usbWrite", {length}, bytes, 0);
}

void SimulatedTransport::usbPurge()
{
    // Nothing is received before the reply of the command just written, so nothing to drop.
    log("usbPurge", {}, {}, 0);
}

int SimulatedTransport::usbRead(int length, std::uint8_t* buffer)
{
    if (!usable() || length != kReplyLength)
        return log("usbRead", {length}, {}, 1);
    const bool silenced = faults.silentAfterExchanges >= 0 && m_exchanges > faults.silentAfterExchanges;
    if (faults.noReply || silenced || !m_pending) {
        Clock::instance().sleepMs(m_readTimeoutMs); // the read waits out its time-out
        m_pending.reset();
        return log("usbRead", {length}, {}, 1);
    }
    ReplyBytes reply = *m_pending;
    m_pending.reset();
    const bool thisExchange = !faults.alterOnlyExchange || *faults.alterOnlyExchange == m_pendingExchange;
    if (thisExchange && faults.alterByteIndex && *faults.alterByteIndex >= 0 && *faults.alterByteIndex < kReplyLength) {
        std::uint8_t& b = reply[*faults.alterByteIndex];
        b = faults.alterByteValue ? *faults.alterByteValue : static_cast<std::uint8_t>(~b);
    }
    std::copy(reply.begin(), reply.end(), buffer);
    return log("usbRead", {length}, QByteArray(reinterpret_cast<const char*>(reply.data()), kReplyLength), 0);
}

int SimulatedTransport::usbWriteBlock(int length, const std::uint8_t* block)
{
    const QByteArray bytes(reinterpret_cast<const char*>(block), length);
    checkUnplug(); // a meter unplugged after the command also misses the block that follows it
    if (!usable() || faults.blockWriteFails || length != kReplyLength)
        return log("usbWriteBlock", {length}, bytes, 1);
    ReplyBytes b;
    std::copy(block, block + kReplyLength, b.begin());
    return log("usbWriteBlock", {length}, bytes, m_meter->handleBlock(b) ? 0 : 1);
}

void SimulatedTransport::usbReadSerial(int index, char* buffer, int size)
{
    if (size > 0) {
        const QByteArray text = usable() ? m_meter->serialNumber().toLatin1() : QByteArray();
        const int n = std::min<int>(text.size(), size - 1);
        std::memcpy(buffer, text.constData(), static_cast<size_t>(n));
        buffer[n] = 0;
    }
    log("usbReadSerial", {index, size}, {}, 0);
}

QStringList SimulatedTransport::callNames() const
{
    QStringList names;
    for (const auto& c : m_calls)
        names << c.name;
    return names;
}

QStringList SimulatedTransport::callLines() const
{
    QStringList lines;
    for (const auto& c : m_calls)
        lines << c.toString();
    return lines;
}

void SimulatedTransport::checkUnplug()
{
    if (!m_plugged) {
        if (faults.replugAfterExchanges >= 0 && ++m_unpluggedTries > faults.replugAfterExchanges)
            replug();
        return;
    }
    if (faults.unplugAfterExchanges >= 0 && m_exchanges >= faults.unplugAfterExchanges)
        unplug();
}

void SimulatedTransport::unplug()
{
    m_plugged = false;
    m_unpluggedTries = 0;
    m_pending.reset();
}

void SimulatedTransport::replug()
{
    m_plugged = true;
    faults.unplugAfterExchanges = -1;
}

namespace {

// The items of a --simulate-faults list.
struct FaultItem {
    const char* name;
    const char* valueName; // nullptr: the item takes no value
    int maxValue;
    void (*apply)(TransportFaults& faults, int value);
};

constexpr int kMaxExchanges = 1000000000;

const FaultItem kFaultItems[] = {
    {"delay", "MS", 600000, [](TransportFaults& f, int v) { f.delayMsPerExchange = v; }},
    {"open-fails", nullptr, 0, [](TransportFaults& f, int) { f.openFails = true; }},
    {"timeouts-fail", nullptr, 0, [](TransportFaults& f, int) { f.timeoutsFail = true; }},
    {"write-fails", nullptr, 0, [](TransportFaults& f, int) { f.writeFails = true; }},
    {"block-write-fails", nullptr, 0, [](TransportFaults& f, int) { f.blockWriteFails = true; }},
    {"silent", nullptr, 0, [](TransportFaults& f, int) { f.noReply = true; }},
    {"silent-after", "N", kMaxExchanges, [](TransportFaults& f, int v) { f.silentAfterExchanges = v; }},
    {"unplug-after", "N", kMaxExchanges, [](TransportFaults& f, int v) { f.unplugAfterExchanges = v; }},
    {"replug-after", "M", kMaxExchanges, [](TransportFaults& f, int v) { f.replugAfterExchanges = v; }},
    {"wrong-byte", "I", kReplyLength - 1, [](TransportFaults& f, int v) {
         f.alterByteIndex = v;
         f.alterByteValue.reset();
     }},
};

} // namespace

ParsedFaults parseTransportFaults(const QString& list)
{
    ParsedFaults parsed;
    auto refuse = [&parsed](const QString& why) {
        parsed.error = why;
        return parsed;
    };
    const QString known = QStringLiteral(" (known faults: %1)").arg(kFaultListSyntax);
    if (list.trimmed().isEmpty())
        return refuse("empty fault list" + known);
    for (const QString& raw : list.split(',')) {
        const QString item = raw.trimmed();
        if (item.isEmpty())
            return refuse(QStringLiteral("empty item in fault list \"%1\"").arg(list));
        const qsizetype eq = item.indexOf('=');
        const QString name = eq < 0 ? item : item.left(eq);
        const auto it = std::find_if(std::begin(kFaultItems), std::end(kFaultItems),
                                     [&name](const FaultItem& f) { return name == QLatin1String(f.name); });
        if (it == std::end(kFaultItems))
            return refuse(QStringLiteral("unknown fault \"%1\"").arg(item) + known);
        if (!it->valueName) {
            if (eq >= 0)
                return refuse(QStringLiteral("bad fault \"%1\": %2 takes no value").arg(item, name));
            it->apply(parsed.faults, 0);
            continue;
        }
        const QString text = eq < 0 ? QString() : item.mid(eq + 1);
        bool ok = false;
        const int value = text.toInt(&ok, 10);
        if (!ok || !text[0].isDigit() || value > it->maxValue)
            return refuse(QStringLiteral("bad fault \"%1\": expected %2=%3 with %3 a whole number from 0 to %4")
                              .arg(item, name, QLatin1String(it->valueName))
                              .arg(it->maxValue));
        it->apply(parsed.faults, value);
    }
    return parsed;
}

std::unique_ptr<Transport> makeTransport(const TransportRequest& request)
{
    if (request.simulate) {
        const QString& serial = request.simulatedSerial;
        auto transport = std::make_unique<SimulatedTransport>(std::make_unique<SimulatedMeter>(
            SimulatedMeter::defaultStateFile(serial), std::random_device{}(), serial));
        transport->faults = request.faults;
        return transport;
    }
    return makeHidTransport(request.meter);
}

QString simulatedMeterProblem(const TransportRequest& request)
{
    if (!request.simulate || request.meter.isEmpty())
        return {};
    const QString serial =
        request.simulatedSerial.isEmpty() ? QString::fromLatin1(SimulatedMeter::kDefaultSerial) : request.simulatedSerial;
    QString problem;
    return chooseMeter({{QStringLiteral("simulated"), serial}}, request.meter, problem) ? QString() : problem;
}

} // namespace quedral
