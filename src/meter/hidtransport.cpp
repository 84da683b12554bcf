// The meter's USB transport over hidapi (hidraw backend).
//
// Report framing. The meter's HID interface (USB 04D9:E000) declares one
// vendor-defined collection with an 8-byte input report and an 8-byte output
// report and no report IDs:
//
//   06 00 FF  usage page 0xFF00      75 08  report size 8 bits
//   09 01     usage 1                95 08  report count 8
//   A1 01     collection             81 02  input (8 bytes)
//   09 02     usage 2                09 03  usage 3
//   15 00     logical minimum 0      95 08  report count 8
//   26 FF 00  logical maximum 255    91 02  output (8 bytes)
//                                    C0     end collection
//
// Output: every write is one report, handed to hid_write() as
//
//   [0x00 report ID][up to N data bytes][zero padding up to N data bytes]
//
// with N = the report length (8; QUEDRAL_HID_REPORT_LENGTH overrides it at run
// time without a rebuild). Because the device has no numbered reports the kernel
// strips the leading 0x00 and sends exactly N bytes; forgetting it would lose the
// frame's first byte (0x02). A 7-byte command frame goes out as one report
// (02 'A' 00 00 00 seq 03 00); a 32-byte block as ceil(32 / N) reports in order.
//
// Input: hidraw returns one report per read, without a report ID for this
// device. A 32-byte reply frame arrives as consecutive reports (four of 8 bytes
// with the default length); their payloads are concatenated until 32 bytes are
// collected or the read time-out is spent. Bytes beyond the 32th in the last
// report are padding and dropped. A reply that is not complete in time is a
// failed read; the caller's buffer is left untouched then.
//
// Write time-out: hid_write() on hidraw blocks until the kernel has sent the
// report, with a bound of its own far above ours. Each report is therefore
// written on a short-lived thread while the caller waits at most the write
// time-out set by usbSetTimeouts (for all reports of one call together). A
// write still pending then is a failed write, and the handle counts as stalled:
// every operation but usbClose fails at once until it is closed. The pending
// write keeps its own reference to the handle, which is closed when that write
// finally returns.
//
// Purge: input still queued from an earlier exchange is discarded before each
// command is written. The purge between a command and its read keeps what has
// arrived since the command: a quick meter's reply can be queued by then.
//
// This is the only file that knows about report IDs.

#include "meter/hidtransport.h"
#include "meter/meterlink.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>

namespace quedral {

int hidReportLength()
{
    const QByteArray text = qgetenv(kHidReportLengthVariable).trimmed();
    if (text.isEmpty())
        return kDefaultHidReportLength;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < 1 || value > kMaxHidReportLength)
        return kDefaultHidReportLength;
    return value;
}

std::vector<std::vector<std::uint8_t>> hidOutputReports(const std::uint8_t* data, int length, int reportLength)
{
    std::vector<std::vector<std::uint8_t>> reports;
    if (!data || length <= 0 || reportLength <= 0)
        return reports;
    for (int offset = 0; offset < length; offset += reportLength) {
        std::vector<std::uint8_t> report(static_cast<std::size_t>(reportLength) + 1, 0);
        report[0] = 0x00; // report ID: the device does not number its reports
        const int chunk = std::min(reportLength, length - offset);
        std::memcpy(report.data() + 1, data + offset, static_cast<std::size_t>(chunk));
        reports.push_back(std::move(report));
    }
    return reports;
}

QString hidAccessProblemText(const QString& devicePath)
{
    return QStringLiteral("the meter is present but %1 is not accessible: install the udev rule %2 "
                          "(sudo cp %2 /etc/udev/rules.d/ && sudo udevadm control --reload), "
                          "then unplug the meter and plug it in again (see README, USB access)")
        .arg(devicePath, QString::fromLatin1(kUdevRuleSourcePath));
}

namespace {

using SteadyClock = std::chrono::steady_clock;

// Largest input report we accept in one read; hidraw truncates a report to the
// buffer, so this is generous rather than the nominal report length.
constexpr int kInputBufferSize = kMaxHidReportLength;
// Bound on the reports one purge discards, in case a device never stops sending.
constexpr int kMaxPurgedReports = 4096;

// How long the transport's destructor waits for a write left pending by a
// stalled device before it leaves the write (and the handle) to itself.
constexpr int kStalledWriteGraceMs = 2000;

// One hid_write() running on its own thread; the caller waits for `finished`.
struct PendingWrite {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int result = -1;

    bool waitUntil(std::chrono::steady_clock::time_point deadline)
    {
        std::unique_lock lock(mutex);
        return done.wait_until(lock, deadline, [this] { return finished; });
    }
};

using HidHandle = std::shared_ptr<hid_device>;

bool nodeRefusesAccess(const char* path)
{
    const int fd = ::open(path, O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == EACCES || errno == EPERM;
}

QString hidErrorText(hid_device* device)
{
    const wchar_t* text = hid_error(device);
    return text ? QString::fromWCharArray(text) : QString();
}

std::vector<AttachedMeter> attachedDevices(std::uint16_t vendorId, std::uint16_t productId)
{
    std::vector<AttachedMeter> attached;
    hid_device_info* found = hid_enumerate(vendorId, productId);
    for (const hid_device_info* d = found; d; d = d->next) {
        if (!d->path)
            continue;
        attached.push_back({QString::fromLocal8Bit(d->path),
                            d->serial_number ? QString::fromWCharArray(d->serial_number) : QString()});
    }
    hid_free_enumeration(found);
    return attached;
}

class HidTransport final : public Transport {
public:
    explicit HidTransport(QString wanted) : m_input(kInputBufferSize), m_wanted(std::move(wanted)) {}
    ~HidTransport() override
    {
        usbClose();
        if (m_stalledWrite)
            m_stalledWrite->waitUntil(SteadyClock::now() + std::chrono::milliseconds(kStalledWriteGraceMs));
    }

    void usbClose() override
    {
        m_device.reset(); // a write still pending holds the handle until it returns
        m_writeStalled = false;
        m_awaitingReply = false;
    }

    int usbOpen(std::uint16_t vendorId, std::uint16_t productId) override
    {
        usbClose();
        m_problem.clear();
        m_reportLength = hidReportLength();

        const std::vector<AttachedMeter> attached = attachedDevices(vendorId, productId);
        const std::optional<AttachedMeter> chosen = chooseMeter(attached, m_wanted, m_problem);
        if (!chosen) {
            if (m_problem.isEmpty())
                m_problem = QStringLiteral("no meter (USB %1:%2) is connected")
                                .arg(vendorId, 4, 16, QLatin1Char('0'))
                                .arg(productId, 4, 16, QLatin1Char('0'));
            return 1;
        }
        const std::string path = chosen->path.toStdString();
        m_enumeratedSerial = chosen->serial;

        if (hid_device* opened = path.empty() ? nullptr : hid_open_path(path.c_str()))
            m_device = HidHandle(opened, hid_close);
        if (!m_device) {
            const QString node = QString::fromLocal8Bit(path.c_str());
            if (!path.empty() && nodeRefusesAccess(path.c_str()))
                m_problem = hidAccessProblemText(node);
            else
                m_problem = QStringLiteral("the meter is present at %1 but could not be opened: %2")
                                .arg(node, hidErrorText(nullptr));
            return 1;
        }
        return 0;
    }

    int usbSetTimeouts(int readMs, int writeMs) override
    {
        if (!usable() || readMs < 0 || writeMs < 0)
            return 1;
        m_readTimeoutMs = readMs;
        m_writeTimeoutMs = writeMs;
        return 0;
    }

    int usbWrite(int length, const std::uint8_t* frame) override
    {
        if (!usable())
            return 1;
        discardQueuedInput();
        const int status = writeReports(length, frame);
        m_awaitingReply = status == 0;
        return status;
    }

    // Input left from earlier exchanges is dropped before each command is written
    // (see usbWrite). Between a command and its read the purge keeps what came
    // in: a quick meter's reply may already be queued, and it is the reply.
    void usbPurge() override
    {
        if (usable() && !m_awaitingReply)
            discardQueuedInput();
    }

    int usbRead(int length, std::uint8_t* buffer) override
    {
        if (!usable() || !buffer || length <= 0)
            return 1;
        m_awaitingReply = false;
        std::vector<std::uint8_t> reply;
        reply.reserve(static_cast<std::size_t>(length));
        const auto deadline = SteadyClock::now() + std::chrono::milliseconds(m_readTimeoutMs);
        while (static_cast<int>(reply.size()) < length) {
            // Once the time is spent, one last look picks up a report already queued.
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
            const int wait = static_cast<int>(std::max<std::int64_t>(0, left.count()));
            const int got = hid_read_timeout(m_device.get(), m_input.data(), m_input.size(), wait);
            if (got < 0)
                return 1; // device gone or read error
            if (got == 0) {
                if (SteadyClock::now() >= deadline)
                    return 1; // silent, or the rest of the reply did not come in time
                continue;
            }
            const int take = std::min(got, length - static_cast<int>(reply.size()));
            reply.insert(reply.end(), m_input.begin(), m_input.begin() + take);
        }
        std::memcpy(buffer, reply.data(), reply.size());
        return 0;
    }

    int usbWriteBlock(int length, const std::uint8_t* block) override { return writeReports(length, block); }

    void usbReadSerial(int /*index*/, char* buffer, int size) override
    {
        if (!buffer || size <= 0)
            return;
        buffer[0] = 0;
        if (!usable())
            return;
        // The USB serial number string; the one enumeration reported when the
        // device cannot be asked again (hidapi looks it up by the node's number).
        QString serial;
        wchar_t text[128] = {};
        if (hid_get_serial_number_string(m_device.get(), text, std::size(text)) == 0) {
            text[std::size(text) - 1] = 0;
            serial = QString::fromWCharArray(text);
        }
        if (serial.isEmpty())
            serial = m_enumeratedSerial;
        const QByteArray utf8 = serial.toUtf8();
        // Cut at a character boundary so the text stays valid UTF-8.
        int n = std::min<int>(utf8.size(), size - 1);
        while (n > 0 && n < utf8.size() && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80)
            --n;
        std::memcpy(buffer, utf8.constData(), static_cast<std::size_t>(n));
        buffer[n] = 0;
    }

    QString lastOpenProblem() const override { return m_problem; }

private:
    // Open, and not left stalled by a write that did not return in time.
    bool usable() const { return m_device && !m_writeStalled; }

    void discardQueuedInput()
    {
        for (int i = 0; i < kMaxPurgedReports; ++i) {
            if (hid_read_timeout(m_device.get(), m_input.data(), m_input.size(), 0) <= 0)
                return;
        }
    }

    int writeReports(int length, const std::uint8_t* data)
    {
        if (!usable() || !data || length <= 0)
            return 1;
        const auto deadline = SteadyClock::now() + std::chrono::milliseconds(m_writeTimeoutMs);
        for (auto& report : hidOutputReports(data, length, m_reportLength)) {
            const int size = static_cast<int>(report.size());
            if (boundedWrite(std::move(report), deadline) != size)
                return 1;
        }
        return 0;
    }

    // hid_write() of one report, waited for until the deadline at most; -1 when
    // it failed or is still pending (the handle is stalled then).
    int boundedWrite(std::vector<std::uint8_t> report, SteadyClock::time_point deadline)
    {
        auto job = std::make_shared<PendingWrite>();
        try {
            std::thread([job, device = m_device, report = std::move(report)]() mutable {
                const int written = hid_write(device.get(), report.data(), report.size());
                device.reset(); // a handle closed meanwhile is closed here, before the waiter hears of it
                std::lock_guard lock(job->mutex);
                job->finished = true;
                job->result = written;
                job->done.notify_all();
            }).detach();
        } catch (const std::system_error&) {
            return -1; // no thread to write on
        }
        if (job->waitUntil(deadline))
            return job->result;
        m_writeStalled = true;
        m_stalledWrite = std::move(job);
        return -1;
    }

    HidHandle m_device;
    bool m_writeStalled = false;                 // a write did not return in time; until usbClose
    std::shared_ptr<PendingWrite> m_stalledWrite; // the last such write
    int m_reportLength = kDefaultHidReportLength;
    int m_readTimeoutMs = 1000;
    int m_writeTimeoutMs = 1000;
    bool m_awaitingReply = false; // a command went out and its reply has not been read
    std::vector<std::uint8_t> m_input;
    QString m_problem;
    QString m_wanted; // the meter asked for (path or serial number); empty: the only one
    QString m_enumeratedSerial;
};

} // namespace

std::unique_ptr<Transport> makeHidTransport(const QString& meter) { return std::make_unique<HidTransport>(meter); }

std::vector<AttachedMeter> attachedHidMeters()
{
    return attachedDevices(MeterLink::VendorId, MeterLink::ProductId);
}

} // namespace quedral
