#pragma once
#include <cstdint>
#include <memory>
#include <QString>

namespace quedral {

// The meter's USB transport: eight operations, each returning 0 for success where
// a status is used. One device is open at a time, between usbOpen and usbClose.
class Transport {
public:
    virtual ~Transport() = default;
    virtual void usbClose() = 0;
    virtual int usbOpen(std::uint16_t vendorId, std::uint16_t productId) = 0;
    virtual int usbSetTimeouts(int readMs, int writeMs) = 0;
    virtual int usbWrite(int length, const std::uint8_t* frame) = 0;      // 7-byte CommandFrame
    virtual void usbPurge() = 0;
    virtual int usbRead(int length, std::uint8_t* buffer) = 0;            // one 32-byte ReplyFrame
    virtual int usbWriteBlock(int length, const std::uint8_t* block) = 0; // 32-byte data block
    virtual void usbReadSerial(int index, char* buffer, int size) = 0;    // zero-terminated text

    // Why the last usbOpen failed, for a service tool's message (e.g. a missing udev rule).
    virtual QString lastOpenProblem() const { return {}; }
};

// The open device's serial number from its USB descriptor, trimmed; empty when it has none.
inline QString usbSerialText(Transport& transport)
{
    char serial[64] = {};
    transport.usbReadSerial(0, serial, sizeof serial);
    serial[sizeof serial - 1] = '\0';
    return QString::fromUtf8(serial).trimmed();
}

} // namespace quedral
