#include "cli/servecommand.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "base/clock.h"
#include "cli/stopsignals.h"
#include "meter/meterworker.h"
#include "mqtt/mqttpublisher.h"
#include "serve/meterfeed.h"
#include "serve/metricsserver.h"
#include "serve/mqttsink.h"

namespace quedral::cli {

namespace {

// While the meter is away the probe runs this often, not every poll tick.
constexpr int kRetryMs = 3000;
// How often the loop looks at the stop signals' flag.
constexpr int kSignalCheckMs = 100;

// The command's transport, handed to the meter thread for the service's lifetime: the
// command's thread does not touch it meanwhile.
class BorrowedTransport final : public Transport {
public:
    explicit BorrowedTransport(Transport& t) : m_t(t) {}
    void usbClose() override { m_t.usbClose(); }
    int usbOpen(std::uint16_t v, std::uint16_t p) override { return m_t.usbOpen(v, p); }
    int usbSetTimeouts(int r, int w) override { return m_t.usbSetTimeouts(r, w); }
    int usbWrite(int n, const std::uint8_t* f) override { return m_t.usbWrite(n, f); }
    void usbPurge() override { m_t.usbPurge(); }
    int usbRead(int n, std::uint8_t* b) override { return m_t.usbRead(n, b); }
    int usbWriteBlock(int n, const std::uint8_t* b) override { return m_t.usbWriteBlock(n, b); }
    void usbReadSerial(int i, char* b, int n) override { m_t.usbReadSerial(i, b, n); }
    QString lastOpenProblem() const override { return m_t.lastOpenProblem(); }

private:
    Transport& m_t;
};

// The running service: the meter thread's poll reports in, the feed and its sinks, /metrics.
class Service final : public QObject {
public:
    Service(Context& ctx, MeterFeed& feed) : m_ctx(ctx), m_feed(feed), m_meter(std::make_unique<BorrowedTransport>(ctx.transport))
    {
        connect(&m_meter, &MeterService::polled, this, &Service::applyPollReport);
    }
    void start() { m_meter.startPolling(0); }
    void stop() { m_meter.stop(); }

private:
    void applyPollReport(const PollReport& report)
    {
        const QDateTime now = Clock::instance().now();
        switch (report.outcome) {
        case PollOutcome::ConnectedNow:
            m_ctx.err << statusTextAfter(report.outcome) << "\n";
            m_ctx.err.flush();
            readSerial();
            break;
        case PollOutcome::Reading:
            m_feed.reading(now, decodeReading(report.reply));
            break;
        case PollOutcome::ReplyIgnored:
            break;
        case PollOutcome::ConnectionLost:
            m_ctx.err << statusTextAfter(report.outcome) << "\n";
            m_ctx.err.flush();
            [[fallthrough]];
        case PollOutcome::ProbeFailed:
            m_feed.failure(now);
            retryLater();
            break;
        case PollOutcome::FailureCounted:
            m_feed.failure(now);
            break;
        }
    }
    // The meter is away: probe again every few seconds, not at every tick.
    void retryLater()
    {
        m_meter.stopPolling();
        m_meter.startPolling(kRetryMs);
    }
    void readSerial()
    {
        m_meter.run(
            this, PollPolicy::Pause,
            [](MeterJob& job) {
                // Each exchange leaves the device closed: open it for the descriptor, as an exchange does.
                Transport& t = job.session.transport();
                t.usbClose();
                const QString serial = t.usbOpen(MeterLink::VendorId, MeterLink::ProductId) == 0 ? usbSerialText(t) : QString();
                t.usbClose();
                return serial;
            },
            [this](const QString& serial) {
                if (!serial.isEmpty())
                    m_feed.setSerial(serial);
            });
    }

    Context& m_ctx;
    MeterFeed& m_feed;
    MeterService m_meter;
};

// The --influx output: standard output for "-", else FILE appended. Nullptr with a message.
std::unique_ptr<QFile> openInflux(Context& ctx, const QString& name)
{
    auto file = std::make_unique<QFile>(name);
    const bool ok = name == "-" ? file->open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
                                : file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    if (!ok) {
        ctx.err << "cannot open " << name << ": " << file->errorString() << "\n";
        return nullptr;
    }
    return file;
}

// --mqtt HOST:PORT (IPv6 in brackets) and its companions into the publisher's options; a
// usage problem is said and gives nothing.
std::optional<MqttOptions> mqttOptions(Context& ctx, const Arguments& args)
{
    const std::optional<HostPort> at = parseHostPort(args.value("--mqtt"));
    if (!at || at->port == 0 || at->host.isEmpty()) {
        ctx.err << "--mqtt needs HOST:PORT, not " << args.value("--mqtt") << "\n";
        return std::nullopt;
    }
    if (!args.has("--topic") || args.value("--topic").isEmpty() || args.value("--topic").contains(QRegularExpression("[#+]"))) {
        ctx.err << "--mqtt needs --topic PREFIX (without # or +)\n";
        return std::nullopt;
    }
    MqttOptions o;
    o.host = at->host;
    o.port = at->port;
    o.prefix = args.value("--topic");
    o.user = args.value("--mqtt-user");
    o.passwordFile = args.value("--mqtt-password-file");
    if (!o.passwordFile.isEmpty() && o.user.isEmpty()) {
        ctx.err << "--mqtt-password-file needs --mqtt-user\n";
        return std::nullopt;
    }
    return o;
}

// Polls on the meter thread into the feed until SIGINT, SIGTERM or SIGHUP; the meter thread
// has ended when it returns.
void pollUntilStopped(Context& ctx, MeterFeed& feed)
{
    const StopSignals signalGuard;
    QEventLoop loop;
    QTimer signalCheck;
    QObject::connect(&signalCheck, &QTimer::timeout, &loop, [&loop] {
        if (g_interrupted)
            loop.quit();
    });
    signalCheck.start(kSignalCheckMs);
    Service service(ctx, feed);
    service.start();
    loop.exec();
    service.stop(); // no report comes after this
}

} // namespace

int cmdServe(Context& ctx, const Arguments& args)
{
    const QString listenText = args.has("--listen") ? args.value("--listen") : QString::fromLatin1(kDefaultListen);
    const std::optional<ListenAddress> listen = parseListenAddress(listenText);
    if (!listen) {
        ctx.err << "--listen needs ADDR:PORT, not " << listenText << "\n";
        return usageError(ctx);
    }
    const QString logDir = args.value("--log");
    if (args.has("--log") && !QDir().mkpath(logDir)) {
        ctx.err << "cannot make the log folder " << logDir << "\n";
        return 1;
    }
    const bool mqttOnly = args.has("--topic") || args.has("--mqtt-user") || args.has("--mqtt-password-file");
    if (mqttOnly && !args.has("--mqtt")) {
        ctx.err << "--topic, --mqtt-user and --mqtt-password-file go with --mqtt\n";
        return usageError(ctx);
    }
    std::optional<MqttOptions> mqtt;
    if (args.has("--mqtt") && !(mqtt = mqttOptions(ctx, args)))
        return usageError(ctx);
    if (QFile password(mqtt ? mqtt->passwordFile : QString()); mqtt && !mqtt->passwordFile.isEmpty()
                                                             && !password.open(QIODevice::ReadOnly)) {
        ctx.err << "cannot read the MQTT password file " << mqtt->passwordFile << ": " << password.errorString() << "\n";
        return 1;
    }
    std::unique_ptr<QFile> influxFile;
    if (args.has("--influx") && !(influxFile = openInflux(ctx, args.value("--influx"))))
        return 1;

    // What the sinks have to say (a line the log could not take, the broker's troubles), at once.
    const auto report = [&ctx](const QString& why) {
        ctx.err << why << "\n";
        ctx.err.flush();
    };
    MeterFeed feed(QString{});
    std::unique_ptr<LogSink> log;
    if (args.has("--log")) {
        log = std::make_unique<LogSink>(logDir, report);
        feed.addSink(log.get()); // the local log first, before anything is published
    }
    std::unique_ptr<InfluxSink> influx;
    if (influxFile) {
        influx = std::make_unique<InfluxSink>(*influxFile);
        feed.addSink(influx.get());
    }
    std::unique_ptr<MqttSink> broker; // after the local log: what it cannot send waits there
    if (mqtt) {
        broker = std::make_unique<MqttSink>(*mqtt, log ? logDir : QString(), report);
        feed.addSink(broker.get());
    }

    MetricsServer metrics([&feed] { return prometheusText({feed.metrics()}); });
    QString error;
    if (!metrics.listen(*listen, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    ListenAddress bound = *listen;
    bound.port = metrics.port();
    ctx.err << "serving http://" << bound.toString() << "/metrics\n";
    ctx.err.flush();

    pollUntilStopped(ctx, feed);
    feed.finish(); // the second and the minute still open go to the log and the line protocol
    if (log)
        log->close();
    if (broker)
        broker->stop(); // after the last second: then "offline"
    ctx.err << "stopped by " << signalName(g_interrupted) << "\n";
    return 0;
}

} // namespace quedral::cli
