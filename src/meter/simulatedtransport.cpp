#include "meter/simulatedtransport.h"

#include <algorithm>
#include <cstring>

#include "meter/hidtransport.h"
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
    m_calls.push_back({std::move(name), std::move(args), std::move(bytes), result});
    return result;
}

void SimulatedTransport::UsbClose()
{
    m_open = false;
    m_pending.reset();
    log("UsbClose", {}, {}, 0);
}

int SimulatedTransport::UsbOpen(std::uint16_t vendorId, std::uint16_t productId)
{
    m_openProblem.clear();
    checkUnplug();
    const bool ok = !faults.openFails && m_plugged && vendorId == MeterLink::VendorId
                    && productId == MeterLink::ProductId;
    m_open = ok;
    if (!ok)
        m_openProblem = m_plugged ? QString() : QStringLiteral("simulated meter unplugged");
    return log("UsbOpen", {vendorId, productId}, {}, ok ? 0 : 1);
}

int SimulatedTransport::UsbSetTimeouts(int readMs, int writeMs)
{
    const bool ok = usable() && !faults.timeoutsFail;
    if (ok)
        m_readTimeoutMs = readMs;
    return log("UsbSetTimeouts", {readMs, writeMs}, {}, ok ? 0 : 1);
}

int SimulatedTransport::UsbWrite(int length, const std::uint8_t* frame)
{
    const QByteArray bytes(reinterpret_cast<const char*>(frame), length);
    if (faults.delayMsPerExchange > 0)
        Clock::instance().sleepMs(faults.delayMsPerExchange);
    checkUnplug();
    if (!usable() || faults.writeFails || length != kCommandLength)
        return log("UsbWrite", {length}, bytes, 1);
    CommandFrame command;
    std::copy(frame, frame + kCommandLength, command.begin());
    m_pending = m_meter->handleCommand(command);
    ++m_exchanges;
    return log("UsbWrite", {length}, bytes, 0);
}

void SimulatedTransport::UsbPurge()
{
    // Nothing is received before the reply of the command just written, so nothing to drop.
    log("UsbPurge", {}, {}, 0);
}

int SimulatedTransport::UsbRead(int length, std::uint8_t* buffer)
{
    if (!usable() || length != kReplyLength)
        return log("UsbRead", {length}, {}, 1);
    const bool silenced = faults.silentAfterExchanges >= 0 && m_exchanges > faults.silentAfterExchanges;
    if (faults.noReply || silenced || !m_pending) {
        Clock::instance().sleepMs(m_readTimeoutMs); // the read waits out its time-out
        m_pending.reset();
        return log("UsbRead", {length}, {}, 1);
    }
    ReplyBytes reply = *m_pending;
    m_pending.reset();
    if (faults.alterByteIndex && *faults.alterByteIndex >= 0 && *faults.alterByteIndex < kReplyLength) {
        std::uint8_t& b = reply[*faults.alterByteIndex];
        b = faults.alterByteValue ? *faults.alterByteValue : static_cast<std::uint8_t>(~b);
    }
    std::copy(reply.begin(), reply.end(), buffer);
    return log("UsbRead", {length}, QByteArray(reinterpret_cast<const char*>(reply.data()), kReplyLength), 0);
}

int SimulatedTransport::UsbWriteBlock(int length, const std::uint8_t* block)
{
    const QByteArray bytes(reinterpret_cast<const char*>(block), length);
    if (!usable() || faults.blockWriteFails || length != kReplyLength)
        return log("UsbWriteBlock", {length}, bytes, 1);
    ReplyBytes b;
    std::copy(block, block + kReplyLength, b.begin());
    return log("UsbWriteBlock", {length}, bytes, m_meter->handleBlock(b) ? 0 : 1);
}

void SimulatedTransport::UsbReadSerial(int index, char* buffer, int size)
{
    if (size > 0) {
        const QByteArray text = usable() ? m_meter->serialNumber().toLatin1() : QByteArray();
        const int n = std::min<int>(text.size(), size - 1);
        std::memcpy(buffer, text.constData(), static_cast<size_t>(n));
        buffer[n] = 0;
    }
    log("UsbReadSerial", {index, size}, {}, 0);
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
    if (faults.unplugAfterExchanges >= 0 && m_exchanges >= faults.unplugAfterExchanges)
        unplug();
}

void SimulatedTransport::unplug()
{
    m_plugged = false;
    m_pending.reset();
}

void SimulatedTransport::replug()
{
    m_plugged = true;
    faults.unplugAfterExchanges = -1;
}

ParsedFaults parseTransportFaults(const QString& list)
{
    ParsedFaults parsed;
    auto refuse = [&parsed](const QString& why) {
        parsed.error = why;
        return parsed;
    };
    // A whole number from 0 to max, in decimal.
    auto number = [](const QString& text, int max, int& value) {
        bool ok = false;
        value = text.toInt(&ok, 10);
        return ok && !text.startsWith('+') && value >= 0 && value <= max;
    };
    if (list.trimmed().isEmpty())
        return refuse(QStringLiteral("empty fault list (known faults: %1)").arg(kFaultListSyntax));
    for (const QString& raw : list.split(',')) {
        const QString item = raw.trimmed();
        const qsizetype eq = item.indexOf('=');
        const QString name = eq < 0 ? item : item.left(eq);
        const QString value = eq < 0 ? QString() : item.mid(eq + 1);
        TransportFaults& f = parsed.faults;
        int n = 0;
        if (item.isEmpty())
            return refuse(QStringLiteral("empty item in fault list \"%1\"").arg(list));
        if (name == "silent" && eq < 0) {
            f.noReply = true;
        } else if (name == "delay" && eq >= 0) {
            if (!number(value, 600000, n))
                return refuse(QStringLiteral("bad fault \"%1\": MS must be a whole number of milliseconds "
                                             "from 0 to 600000").arg(item));
            f.delayMsPerExchange = n;
        } else if (name == "silent-after" && eq >= 0) {
            if (!number(value, 1000000000, n))
                return refuse(QStringLiteral("bad fault \"%1\": N must be a whole number of exchanges, "
                                             "0 or more").arg(item));
            f.silentAfterExchanges = n;
        } else if (name == "unplug-after" && eq >= 0) {
            if (!number(value, 1000000000, n))
                return refuse(QStringLiteral("bad fault \"%1\": N must be a whole number of exchanges, "
                                             "0 or more").arg(item));
            f.unplugAfterExchanges = n;
        } else if (name == "wrong-byte" && eq >= 0) {
            if (!number(value, kReplyLength - 1, n))
                return refuse(QStringLiteral("bad fault \"%1\": I must be a reply byte index from 0 to %2")
                                  .arg(item).arg(kReplyLength - 1));
            f.alterByteIndex = n;
            f.alterByteValue.reset();
        } else if (name == "silent" || name == "delay" || name == "silent-after" || name == "unplug-after"
                   || name == "wrong-byte") {
            return refuse(QStringLiteral("bad fault \"%1\" (known faults: %2)").arg(item, kFaultListSyntax));
        } else {
            return refuse(QStringLiteral("unknown fault \"%1\" (known faults: %2)").arg(item, kFaultListSyntax));
        }
    }
    return parsed;
}

std::unique_ptr<Transport> makeTransport(bool simulate, const TransportFaults& faults)
{
    if (simulate) {
        auto transport = std::make_unique<SimulatedTransport>();
        transport->faults = faults;
        return transport;
    }
    return makeHidTransport();
}

} // namespace quedral
