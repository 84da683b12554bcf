#include "meter/hidtransport.h"

namespace quedral {

namespace {
// Placeholder until the hidapi transport lands: no device ever opens.
class NoDeviceTransport final : public Transport {
public:
    void UsbClose() override {}
    int UsbOpen(std::uint16_t, std::uint16_t) override { return 1; }
    int UsbSetTimeouts(int, int) override { return 1; }
    int UsbWrite(int, const std::uint8_t*) override { return 1; }
    void UsbPurge() override {}
    int UsbRead(int, std::uint8_t*) override { return 1; }
    int UsbWriteBlock(int, const std::uint8_t*) override { return 1; }
    void UsbReadSerial(int, char* buffer, int size) override { if (size > 0) buffer[0] = 0; }
};
} // namespace

std::unique_ptr<Transport> makeHidTransport() { return std::make_unique<NoDeviceTransport>(); }

} // namespace quedral
