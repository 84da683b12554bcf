// `quedral-cli serve` as a program on the simulated meter, over loopback: /metrics with its
// metrics and the meter's serial number, 404, the local log, unplug and replug, the stop signals.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <functional>

#include "brokerfixture.h"
#include "support/eventloop.h"

namespace {

using quedral::test::httpAnswerComplete;

// The program runs in its own time: a longer guard than the in-process tests take.
bool processUntil(const std::function<bool()>& done)
{
    return quedral::test::processUntil(done, 30000);
}

// One request on its own connection; the whole answer, headers included.
QByteArray httpGet(quint16 port, const QByteArray& path)
{
    QTcpSocket socket;
    QByteArray answer;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { answer += socket.readAll(); });
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    processUntil([&] { return httpAnswerComplete(answer) || socket.state() == QAbstractSocket::UnconnectedState; });
    return answer;
}

// The value of the one sample of `metric` in an exposition, or -1.
double sample(const QByteArray& text, const QString& metric)
{
    const QRegularExpression re("^" + QRegularExpression::escape(metric) + "\\{[^}]*\\} (\\S+)$",
                                QRegularExpression::MultilineOption);
    const auto m = re.match(QString::fromUtf8(text));
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

class ServeProgram : public ::testing::Test {
protected:
    void start(const QStringList& faults = {}, const QStringList& serveArgs = {})
    {
        QStringList args{"--simulate", "--data-dir", dir.filePath("data")};
        if (!faults.isEmpty())
            args << "--simulate-faults" << faults.join(',');
        args << "serve" << "--listen" << "127.0.0.1:0" << "--log" << dir.filePath("log") << serveArgs;
        process.start(QUEDRAL_CLI_PATH, args);
        ASSERT_TRUE(process.waitForStarted());
        const QRegularExpression serving("serving http://127\\.0\\.0\\.1:(\\d+)/metrics\n");
        ASSERT_TRUE(processUntil([&] {
            err += process.readAllStandardError();
            const auto m = serving.match(QString::fromUtf8(err));
            port = m.hasMatch() ? static_cast<quint16>(m.captured(1).toUInt()) : 0;
            return port != 0 || process.state() == QProcess::NotRunning;
        })) << err.toStdString();
        ASSERT_NE(port, 0) << err.toStdString();
    }
    // Scrapes until the exposition satisfies `ok`.
    QByteArray scrapeUntil(const std::function<bool(const QByteArray&)>& ok)
    {
        QByteArray last;
        processUntil([&] {
            last = httpGet(port, "/metrics");
            return ok(last);
        });
        return last;
    }
    int stop(int signal)
    {
        ::kill(static_cast<pid_t>(process.processId()), signal);
        EXPECT_TRUE(process.waitForFinished(30000));
        err += process.readAllStandardError();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return process.exitCode();
    }
    ~ServeProgram() override
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    QTemporaryDir dir;
    QProcess process;
    QByteArray err;
    quint16 port = 0;
};

} // namespace

TEST_F(ServeProgram, MetricsAnswer404AndTheLogUntilSigterm)
{
    ASSERT_NO_FATAL_FAILURE(start());
    const QByteArray metrics = scrapeUntil([](const QByteArray& t) { return sample(t, "quedral_readings_total") >= 4; });
    EXPECT_TRUE(metrics.startsWith("HTTP/1.1 200")) << metrics.toStdString();
    for (const char* name : {"quedral_level_db", "quedral_leq_db", "quedral_lmax_db", "quedral_up",
                             "quedral_readings_total", "quedral_read_failures_total"}) {
        EXPECT_TRUE(metrics.contains(QByteArray("# HELP ") + name + ' ')) << name;
        EXPECT_TRUE(metrics.contains(QByteArray("# TYPE ") + name + ' ')) << name;
    }
    const QRegularExpression level(R"re(^quedral_level_db\{meter="(SIM-[^"]+)",weighting="[AC]",response="(FAST|SLOW)"\} \d+\.\d$)re",
                                   QRegularExpression::MultilineOption);
    const auto levelLine = level.match(QString::fromUtf8(metrics));
    ASSERT_TRUE(levelLine.hasMatch()) << metrics.toStdString();
    const QString serial = levelLine.captured(1);
    EXPECT_EQ(sample(metrics, "quedral_up"), 1);
    EXPECT_EQ(sample(metrics, "quedral_read_failures_total"), 0);
    EXPECT_TRUE(metrics.contains("quedral_up{meter=\"" + serial.toUtf8() + "\"} 1\n"));

    EXPECT_TRUE(httpGet(port, "/nothing").startsWith("HTTP/1.1 404"));

    EXPECT_EQ(stop(SIGTERM), 0) << err.toStdString();
    EXPECT_TRUE(err.endsWith("stopped by SIGTERM\n")) << err.toStdString();
    const QStringList logs = QDir(dir.filePath("log")).entryList({serial + "-*.csv"}, QDir::Files);
    ASSERT_EQ(logs.size(), 1) << QDir(dir.filePath("log")).entryList().join(' ').toStdString();
    QFile log(dir.filePath("log/" + logs[0]));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.startsWith("time,meter,weighting,response,leq,lmax,lmin,readings\n"));
    EXPECT_TRUE(text.endsWith('\n'));
    const QList<QByteArray> lines = text.trimmed().split('\n');
    EXPECT_GE(lines.size(), 3) << "the header and the seconds, the last one flushed at the stop";
    for (const QByteArray& line : lines.mid(1))
        EXPECT_TRUE(line.count(',') == 7 && line.contains("," + serial.toUtf8() + ",")) << line.toStdString();
}

TEST_F(ServeProgram, UnpluggedTheMeterIsDownThenBackAndSigintStopsIt)
{
    // Five failed polls lose the connection; the probe a few seconds later finds the meter back.
    ASSERT_NO_FATAL_FAILURE(start({"unplug-after=6", "replug-after=5"}));
    const QByteArray down = scrapeUntil([](const QByteArray& t) {
        return sample(t, "quedral_up") == 0 && sample(t, "quedral_read_failures_total") >= 5;
    });
    EXPECT_EQ(sample(down, "quedral_up"), 0) << down.toStdString();
    EXPECT_GE(sample(down, "quedral_read_failures_total"), 5);
    const double readingsWhenDown = sample(down, "quedral_readings_total");
    const QByteArray back = scrapeUntil([&](const QByteArray& t) {
        return sample(t, "quedral_up") == 1 && sample(t, "quedral_readings_total") > readingsWhenDown;
    });
    EXPECT_EQ(sample(back, "quedral_up"), 1) << back.toStdString();
    EXPECT_GT(sample(back, "quedral_readings_total"), readingsWhenDown);
    EXPECT_EQ(stop(SIGINT), 0) << err.toStdString();
    EXPECT_TRUE(err.contains("No Connection")) << err.toStdString();
    EXPECT_TRUE(err.endsWith("stopped by SIGINT\n")) << err.toStdString();
}

TEST(ServeArguments, ABadListenAddressOrLogFolderIsRefused)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    struct Case {
        QStringList args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"--listen", "127.0.0.1"}, 2, "--listen needs ADDR:PORT"},
        {{"--listen", "nowhere:80"}, 2, "--listen needs ADDR:PORT"},
        {{"--listen", "192.0.2.1:0"}, 1, "cannot listen on 192.0.2.1:0"},
        {{"--listen", "127.0.0.1:0", "--log", dir.filePath("file/log")}, 1, "cannot make the log folder"},
        {{"--mqtt", "127.0.0.1"}, 2, "--mqtt needs HOST:PORT"},
        {{"--mqtt", "127.0.0.1:0", "--topic", "site"}, 2, "--mqtt needs HOST:PORT"},
        {{"--mqtt", "127.0.0.1:1883"}, 2, "--mqtt needs --topic PREFIX"},
        {{"--mqtt", "127.0.0.1:1883", "--topic", "site/#"}, 2, "--mqtt needs --topic PREFIX"},
        {{"--topic", "site"}, 2, "go with --mqtt"},
        {{"--mqtt", "127.0.0.1:1883", "--topic", "site", "--mqtt-password-file", dir.filePath("file")}, 2,
         "--mqtt-password-file needs --mqtt-user"},
        {{"--mqtt", "127.0.0.1:1883", "--topic", "site", "--mqtt-user", "u", "--mqtt-password-file", dir.filePath("none")},
         1, "cannot read the MQTT password file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QProcess p;
        p.start(QUEDRAL_CLI_PATH, QStringList{"--simulate", "--data-dir", dir.filePath("data"), "serve"} + c.args);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), c.status);
        EXPECT_TRUE(p.readAllStandardError().contains(c.message));
    }
}

// The broker goes away for a while and comes back: every second in the local log reaches the
// subscriber, those sent after their time marked late, and the stop leaves "offline".
TEST_F(ServeProgram, MqttLosesNoSecondWhileTheBrokerIsAway)
{
    using namespace quedral::test;
    if (Broker::program().isEmpty())
        GTEST_SKIP() << "mosquitto is not installed (scripts/deps.sh installs it)";
    Broker broker;
    ASSERT_TRUE(broker.start()) << broker.error().toStdString();
    Subscriber sub(broker.port(), "site/#", QStringLiteral("quedral-serve-sub"));
    ASSERT_NO_FATAL_FAILURE(start({}, {"--mqtt", "127.0.0.1:" + QString::number(broker.port()), "--topic", "site"}));

    const auto levels = [&] {
        std::vector<QJsonObject> out;
        for (const Received& m : sub.messages())
            if (m.topic.endsWith("/level"))
                out.push_back(QJsonDocument::fromJson(m.payload).object());
        return out;
    };
    const auto logLines = [&] {
        const QStringList logs = QDir(dir.filePath("log")).entryList({"*.csv"}, QDir::Files);
        QStringList lines;
        for (const QString& name : logs) {
            QFile f(dir.filePath("log/" + name));
            if (f.open(QIODevice::ReadOnly))
                lines += QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts).mid(1);
        }
        return lines;
    };
    ASSERT_TRUE(processUntil([&] { return levels().size() >= 2; })) << err.toStdString();
    const QStringList status = [&] {
        QStringList s;
        for (const Received& m : sub.messages())
            if (m.topic.endsWith("/status"))
                s << QString::fromUtf8(m.payload);
        return s;
    }();
    EXPECT_EQ(status.value(0), "online");

    broker.stop();
    const qsizetype before = logLines().size();
    ASSERT_TRUE(processUntil([&] { return logLines().size() >= before + 3; })) << "three seconds logged while it is away";
    ASSERT_TRUE(broker.start()) << broker.error().toStdString();
    const auto allReceived = [&] {
        QSet<QString> received;
        for (const QJsonObject& o : levels())
            received.insert(o.value("time").toString());
        const QStringList lines = logLines();
        return std::all_of(lines.begin(), lines.end(), [&](const QString& l) { return received.contains(l.section(',', 0, 0)); });
    };
    const qsizetype atRestart = logLines().size();
    ASSERT_TRUE(processUntil([&] { return logLines().size() > atRestart + 1 && allReceived(); }))
        << levels().size() << " received, " << logLines().size() << " logged; " << err.toStdString();
    EXPECT_EQ(stop(SIGTERM), 0) << err.toStdString();
    ASSERT_TRUE(processUntil([&] { return sub.messages().back().payload == "offline"; }));

    // Each logged second arrived (QoS 1: perhaps twice), some of them late.
    QSet<QString> received;
    int late = 0;
    for (const QJsonObject& o : levels()) {
        received.insert(o.value("time").toString());
        late += o.value("late").toBool();
    }
    for (const QString& line : logLines())
        EXPECT_TRUE(received.contains(line.section(',', 0, 0))) << line.toStdString();
    EXPECT_GE(late, 3) << err.toStdString();
}
