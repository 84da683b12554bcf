#include "emulatedhidmeter.h"

#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace quedral::test {

namespace {

// The meter's report descriptor: vendor page, 8-byte input and output reports, no report IDs.
constexpr std::uint8_t kReportDescriptor[] = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x08, 0x81, 0x02, 0x09, 0x03, 0x95, 0x08, 0x91, 0x02, 0xC0,
};

// The USB device of the meter with this index: port index + 1 of the first hub.
std::string usbDevice(int index)
{
    return "/devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(index + 1);
}
std::string usbInterface(int index) { return "1-" + std::to_string(index + 1) + ":1.0"; }
std::string hidName(int index) { return "0003:04D9:E000.000" + std::to_string(index + 1); }
std::string hidDevice(int index) { return usbDevice(index) + "/" + usbInterface(index) + "/" + hidName(index); }

std::string toHex(const std::uint8_t* data, std::size_t n)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[data[i] >> 4];
        s += digits[data[i] & 15];
    }
    return s;
}

// The sysfs tree hidapi's hidraw backend reads: hidraw node -> HID device
// (HID_ID, HID_UNIQ, report descriptor) -> USB interface -> USB device.
std::string deviceDescription(const std::string& serial, int index)
{
    const std::string raw = "hidraw" + std::to_string(index);
    std::string d;
    d += "P: " + hidDevice(index) + "/hidraw/" + raw + "\n"
         "N: " + raw + "\n"
         "E: SUBSYSTEM=hidraw\n"
         "E: DEVNAME=/dev/" + raw + "\n"
         "A: dev=241:" + std::to_string(index) + "\\n\n"
         "L: device=../../../" + hidName(index) + "\n\n";
    d += "P: " + hidDevice(index) + "\n"
         "E: SUBSYSTEM=hid\n"
         "E: HID_ID=0003:000004D9:0000E000\n"
         "E: HID_NAME=Vendor Meter\n"
         "E: HID_UNIQ=" + serial + "\n"
         "H: report_descriptor=" + toHex(kReportDescriptor, sizeof kReportDescriptor) + "\n\n";
    d += "P: " + usbDevice(index) + "/" + usbInterface(index) + "\n"
         "E: SUBSYSTEM=usb\n"
         "E: DEVTYPE=usb_interface\n"
         "A: bInterfaceNumber=00\\n\n\n";
    d += "P: " + usbDevice(index) + "\n"
         "E: SUBSYSTEM=usb\n"
         "E: DEVTYPE=usb_device\n"
         "A: idVendor=04d9\\n\n"
         "A: idProduct=e000\\n\n"
         "A: bcdDevice=0100\\n\n"
         "A: manufacturer=Vendor\\n\n"
         "A: product=Meter\\n\n";
    return d;
}

// Copies `bytes` into the buffer the program's ioctl argument points to.
bool answerIoctl(UMockdevIoctlClient* client, const void* bytes, std::size_t n)
{
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    GError* error = nullptr;
    UMockdevIoctlData* out = umockdev_ioctl_data_resolve(arg, 0, n, &error);
    if (!out) {
        g_clear_error(&error);
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return true;
    }
    std::memcpy(out->data, bytes, n);
    umockdev_ioctl_client_complete(client, 0, 0);
    return true;
}

} // namespace

EmulatedHidMeter::EmulatedHidMeter(CommandHandler handler) : EmulatedHidMeter(std::move(handler), Options{}) {}

EmulatedHidMeter::EmulatedHidMeter(CommandHandler handler, Options options)
    : m_handler(std::move(handler)), m_options(std::move(options)),
      m_node("/dev/hidraw" + std::to_string(m_options.index)), m_hidSysPath("/sys" + hidDevice(m_options.index))
{
    m_testbed = m_options.testbed ? static_cast<UMockdevTestbed*>(g_object_ref(m_options.testbed)) : umockdev_testbed_new();
    if (!umockdev_in_mock_environment()) {
        m_error = "not running under umockdev-wrapper";
        return;
    }
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(m_testbed, deviceDescription(m_options.serial, m_options.index).c_str(), &error)) {
        m_error = std::string("device description: ") + (error ? error->message : "?");
        g_clear_error(&error);
        return;
    }
    m_ioctl = umockdev_ioctl_base_new();
    g_signal_connect(m_ioctl, "handle-ioctl", G_CALLBACK(&EmulatedHidMeter::onIoctl), this);
    g_signal_connect(m_ioctl, "handle-read", G_CALLBACK(&EmulatedHidMeter::onRead), this);
    g_signal_connect(m_ioctl, "handle-write", G_CALLBACK(&EmulatedHidMeter::onWrite), this);
    if (!umockdev_testbed_attach_ioctl(m_testbed, m_node.c_str(), m_ioctl, &error)) {
        m_error = std::string("attach ioctl: ") + (error ? error->message : "?");
        g_clear_error(&error);
        return;
    }
    m_devFd = umockdev_testbed_get_dev_fd(m_testbed, m_node.c_str());
    if (m_devFd < 0) {
        m_error = "no device end for " + m_node;
        return;
    }
    // The node is a pseudo-terminal: make it a plain byte pipe.
    termios tio{};
    if (tcgetattr(m_devFd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_devFd, TCSANOW, &tio);
    }
}

EmulatedHidMeter::~EmulatedHidMeter()
{
    stallWrites(false); // a write held back ends before the node goes away
    if (m_testbed && m_ioctl)
        umockdev_testbed_detach_ioctl(m_testbed, m_node.c_str(), nullptr);
    if (m_ioctl)
        g_object_unref(m_ioctl);
    if (m_testbed)
        g_object_unref(m_testbed);
}

std::vector<Bytes> EmulatedHidMeter::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<Frame> EmulatedHidMeter::commands() const
{
    std::lock_guard lock(m_mutex);
    return m_commands;
}

Bytes EmulatedHidMeter::block() const
{
    std::lock_guard lock(m_mutex);
    return m_block;
}

std::vector<Bytes> EmulatedHidMeter::replies() const
{
    std::lock_guard lock(m_mutex);
    return m_replies;
}

int EmulatedHidMeter::reportsDelivered() const
{
    std::lock_guard lock(m_mutex);
    return m_delivered;
}

void EmulatedHidMeter::clearLog()
{
    std::lock_guard lock(m_mutex);
    m_received.clear();
    m_commands.clear();
    m_replies.clear();
    m_block.clear();
    m_delivered = 0;
}

void EmulatedHidMeter::setSilent(bool silent)
{
    std::lock_guard lock(m_mutex);
    m_silent = silent;
}

void EmulatedHidMeter::stallWrites(bool stalled)
{
    {
        std::lock_guard lock(m_mutex);
        m_writesStalled = stalled;
    }
    m_writesResumed.notify_all();
}

void EmulatedHidMeter::cutRepliesTo(std::size_t bytes)
{
    std::lock_guard lock(m_mutex);
    m_replyLimit = bytes;
}

void EmulatedHidMeter::queueStaleInput(const Bytes& bytes)
{
    std::lock_guard lock(m_mutex);
    const std::size_t n = static_cast<std::size_t>(m_options.inputReportLength);
    for (std::size_t at = 0; at < bytes.size(); at += n) {
        Bytes report(n, 0);
        std::copy_n(bytes.begin() + at, std::min(n, bytes.size() - at), report.begin());
        m_queue.push_back(std::move(report));
    }
    if (!m_inFlight)
        feedNextReport();
}

void EmulatedHidMeter::pullOutAfter(int reports)
{
    std::lock_guard lock(m_mutex);
    m_pullOutAfter = reports;
}

void EmulatedHidMeter::unplug()
{
    umockdev_testbed_remove_device(m_testbed, m_hidSysPath.c_str());
}

void EmulatedHidMeter::denyAccess()
{
    gchar* root = umockdev_testbed_get_root_dir(m_testbed);
    const std::string node = std::string(root) + m_node;
    g_free(root);
    ::chmod(node.c_str(), 0);
}

// Hands the next queued input report to the node, where one read() takes it.
void EmulatedHidMeter::feedNextReport()
{
    if (m_queue.empty() || m_devFd < 0)
        return;
    const Bytes report = std::move(m_queue.front());
    m_queue.pop_front();
    if (::write(m_devFd, report.data(), report.size()) == static_cast<ssize_t>(report.size()))
        m_inFlight = true;
}

void EmulatedHidMeter::queueReply(const Bytes& reply)
{
    m_replies.push_back(reply);
    const std::size_t n = static_cast<std::size_t>(m_options.inputReportLength);
    const std::size_t end = std::min(reply.size(), m_replyLimit);
    for (std::size_t at = 0; at < end; at += n) {
        Bytes report(n, 0);
        std::copy_n(reply.begin() + at, std::min(n, end - at), report.begin());
        m_queue.push_back(std::move(report));
    }
}

// What the kernel and the meter make of one output report: a leading 0x00 is
// the report ID of an unnumbered report and is not sent; the rest is payload.
// A 7-byte frame may span reports when they are short; padding after a frame
// is dropped. After 't' the next 32 payload bytes are the clock block.
void EmulatedHidMeter::takeOutputReport(const Bytes& report)
{
    m_received.push_back(report);
    auto begin = report.begin();
    if (begin != report.end() && *begin == 0x00)
        ++begin;
    const std::size_t take = std::min<std::size_t>(report.end() - begin, static_cast<std::size_t>(m_options.outputReportLength));
    m_pending.insert(m_pending.end(), begin, begin + static_cast<std::ptrdiff_t>(take));

    if (m_expectBlock) {
        if (m_pending.size() >= 32) {
            m_block.assign(m_pending.begin(), m_pending.begin() + 32);
            m_pending.clear();
            m_expectBlock = false;
        }
        return;
    }
    if (m_pending.size() < 7)
        return;
    Frame frame{};
    std::copy_n(m_pending.begin(), 7, frame.begin());
    m_pending.clear();
    m_commands.push_back(frame);
    if (frame[1] == 't')
        m_expectBlock = true;
    if (m_silent || !m_handler)
        return;
    if (const std::optional<Bytes> reply = m_handler(frame))
        queueReply(*reply);
}

int EmulatedHidMeter::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self)
{
    auto* meter = static_cast<EmulatedHidMeter*>(self);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    if (_IOC_TYPE(request) != 'H')
        return FALSE;
    const std::size_t size = _IOC_SIZE(request);
    switch (_IOC_NR(request)) {
    case _IOC_NR(HIDIOCGRDESCSIZE): {
        const int n = sizeof kReportDescriptor;
        return answerIoctl(client, &n, sizeof n);
    }
    case _IOC_NR(HIDIOCGRDESC): {
        hidraw_report_descriptor desc{};
        desc.size = sizeof kReportDescriptor;
        std::memcpy(desc.value, kReportDescriptor, sizeof kReportDescriptor);
        return answerIoctl(client, &desc, sizeof desc);
    }
    case _IOC_NR(HIDIOCGRAWINFO): {
        hidraw_devinfo info{};
        info.bustype = 3; // BUS_USB
        info.vendor = 0x04D9;
        info.product = static_cast<__s16>(0xE000);
        return answerIoctl(client, &info, sizeof info);
    }
    case 0x04:   // HIDIOCGRAWNAME(len)
    case 0x05:   // HIDIOCGRAWPHYS(len)
    case 0x08: { // HIDIOCGRAWUNIQ(len)
        std::string text = _IOC_NR(request) == 0x04 ? "Vendor Meter"
                           : _IOC_NR(request) == 0x05 ? "usb-0000:00:14.0-1/input0"
                                                      : meter->m_options.serial;
        Bytes out(size, 0);
        std::copy_n(text.begin(), std::min(text.size(), size ? size - 1 : 0), out.begin());
        return answerIoctl(client, out.data(), out.size());
    }
    default:
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return TRUE;
    }
}

int EmulatedHidMeter::onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self)
{
    auto* meter = static_cast<EmulatedHidMeter*>(self);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const Bytes report(arg->data, arg->data + arg->data_len);
    std::unique_lock lock(meter->m_mutex);
    // A stalled device leaves the write pending until the stall ends.
    meter->m_writesResumed.wait(lock, [meter] { return !meter->m_writesStalled; });
    if (meter->m_gone) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    meter->takeOutputReport(report);
    // The first reply report is on its way before write() returns, as from a
    // quick meter.
    if (!meter->m_inFlight) {
        if (meter->m_pullOutAfter == 0 && meter->m_devFd >= 0) {
            const std::uint8_t wake = 0;
            if (::write(meter->m_devFd, &wake, 1) == 1)
                meter->m_inFlight = true;
        } else {
            meter->feedNextReport();
        }
    }
    umockdev_ioctl_client_complete(client, static_cast<long>(report.size()), 0);
    return TRUE;
}

int EmulatedHidMeter::onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self)
{
    auto* meter = static_cast<EmulatedHidMeter*>(self);
    std::lock_guard lock(meter->m_mutex);
    if (meter->m_gone || meter->m_pullOutAfter == 0) {
        meter->m_gone = true;
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    if (!meter->m_inFlight) {
        // Nothing for a read that did not wait for input.
        umockdev_ioctl_client_complete(client, -1, EAGAIN);
        return TRUE;
    }
    int err = 0;
    GError* error = nullptr;
    const int got = umockdev_ioctl_client_execute(client, &err, &error);
    g_clear_error(&error);
    meter->m_inFlight = false;
    if (got > 0) {
        ++meter->m_delivered;
        if (meter->m_pullOutAfter > 0)
            --meter->m_pullOutAfter;
    }
    // Put the next report in place before this read returns, so that a program
    // that looks again at once finds it (as with a real queue of reports).
    if (meter->m_pullOutAfter == 0 && meter->m_devFd >= 0) {
        const std::uint8_t wake = 0;
        if (::write(meter->m_devFd, &wake, 1) == 1)
            meter->m_inFlight = true;
    } else {
        meter->feedNextReport();
    }
    umockdev_ioctl_client_complete(client, got, err);
    return TRUE;
}

} // namespace quedral::test
