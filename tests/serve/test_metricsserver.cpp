// The HTTP side of the service over loopback: /metrics, 404 for any other path, oversized
// requests refused, and the listen address.
#include <gtest/gtest.h>

#include <QTcpSocket>

#include "serve/metricsserver.h"
#include "support/eventloop.h"

using namespace quedral;

namespace {

using test::httpAnswerComplete;
using test::processUntil;

struct Client {
    QTcpSocket socket;
    QByteArray received;
    explicit Client(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    // Sends the request and waits for one whole answer (headers and Content-Length body) or the close.
    QByteArray ask(const QByteArray& request)
    {
        received.clear();
        socket.write(request);
        processUntil([this] { return httpAnswerComplete(received) || socket.state() == QAbstractSocket::UnconnectedState; });
        return received;
    }
};

QByteArray get(const QByteArray& path, const QByteArray& extra = {})
{
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra + "\r\n";
}

class MetricsServerTest : public ::testing::Test {
protected:
    MetricsServerTest()
    {
        QString error;
        listening = server.listen(*parseListenAddress("127.0.0.1:0"), &error);
        EXPECT_TRUE(listening) << error.toStdString();
    }
    int asked = 0;
    MetricsServer server{[this] { return QStringLiteral("quedral_up{meter=\"S\"} 1\nasked %1\n").arg(++asked); }};
    bool listening = false;
};

} // namespace

TEST_F(MetricsServerTest, AnswersMetricsAndNothingElse)
{
    ASSERT_TRUE(listening);
    ASSERT_NE(server.port(), 0);
    struct Case {
        QByteArray request;
        QByteArray statusLine;
        bool metrics;
    };
    const Case cases[] = {
        {get("/metrics"), "HTTP/1.1 200", true},
        {get("/"), "HTTP/1.1 404", false},
        {get("/metrics/extra"), "HTTP/1.1 404", false},
        {get("/other"), "HTTP/1.1 404", false},
        {get("/metrics", "X-Pad: " + QByteArray(MetricsServer::kMaxRequestBytes, 'a') + "\r\n"), "HTTP/1.1 413", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request.left(40).toStdString());
        Client client(server.port());
        const QByteArray answer = client.ask(c.request);
        EXPECT_TRUE(answer.startsWith(c.statusLine)) << answer.left(200).toStdString();
        EXPECT_EQ(answer.contains("quedral_up{meter=\"S\"} 1\n"), c.metrics) << answer.toStdString();
    }
    EXPECT_EQ(asked, 1) << "the exposition is made for GET /metrics only";
}

TEST_F(MetricsServerTest, AnOversizedRequestIsRefusedBeforeItIsParsedAndTheConnectionClosed)
{
    ASSERT_TRUE(listening);
    Client client(server.port());
    // Sent in pieces none of which is over the limit on its own.
    const QByteArray piece = "X-Pad: " + QByteArray(1000, 'b') + "\r\n";
    client.socket.write("GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n");
    int sent = 0;
    for (; sent < 2 * MetricsServer::kMaxRequestBytes / piece.size() && client.received.isEmpty(); ++sent) {
        client.socket.write(piece);
        processUntil([&] { return client.socket.bytesToWrite() == 0; });
        processUntil([&] { return !client.received.isEmpty() || client.socket.bytesAvailable() == 0; });
    }
    EXPECT_LT(sent, 2 * MetricsServer::kMaxRequestBytes / piece.size()) << "refused before the request ended";
    processUntil([&] { return client.socket.state() == QAbstractSocket::UnconnectedState; });
    EXPECT_TRUE(client.received.startsWith("HTTP/1.1 413")) << client.received.left(200).toStdString();
    EXPECT_EQ(asked, 0);
}

TEST_F(MetricsServerTest, ScrapesOnOneKeptConnectionAreCountedEachOnItsOwn)
{
    ASSERT_TRUE(listening);
    Client client(server.port());
    const QByteArray request = get("/metrics", "X-Pad: " + QByteArray(1000, 'c') + "\r\n");
    const int scrapes = static_cast<int>(3 * MetricsServer::kMaxRequestBytes / request.size());
    for (int i = 1; i <= scrapes; ++i) {
        const QByteArray answer = client.ask(request);
        ASSERT_TRUE(answer.startsWith("HTTP/1.1 200")) << "scrape " << i << ": " << answer.left(100).toStdString();
        ASSERT_TRUE(answer.contains(QStringLiteral("asked %1\n").arg(i).toUtf8()));
    }
}

// The split both --listen and --mqtt use: any host text, brackets taken off, the port checked.
TEST(HostPort, Parsing)
{
    struct Case {
        const char* text;
        const char* host; // nullptr: refused
        int port;
        bool bracketed;
    };
    const Case cases[] = {
        {"broker.local:1883", "broker.local", 1883, false},
        {"[::1]:1883", "::1", 1883, true},
        {"::1:1883", "::1", 1883, false},
        {"[]:1883", "", 1883, true},
        {"host:0", "host", 0, false},
        {"host:65535", "host", 65535, false},
        {"host", nullptr, 0, false},
        {":1883", nullptr, 0, false},
        {"host:", nullptr, 0, false},
        {"host:65536", nullptr, 0, false},
        {"host:+1", nullptr, 0, false},
        {"host:x1", nullptr, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto at = parseHostPort(c.text);
        ASSERT_EQ(at.has_value(), c.host != nullptr);
        if (!at)
            continue;
        EXPECT_EQ(at->host, c.host);
        EXPECT_EQ(at->port, c.port);
        EXPECT_EQ(at->bracketed, c.bracketed);
    }
}

TEST(ListenAddress, Parsing)
{
    struct Case {
        const char* text;
        const char* parsed; // nullptr: refused
    };
    const Case cases[] = {
        {"127.0.0.1:9464", "127.0.0.1:9464"},
        {"0.0.0.0:80", "0.0.0.0:80"},
        {"[::1]:9464", "[::1]:9464"},
        {"localhost:1", "127.0.0.1:1"},
        {"127.0.0.1:0", "127.0.0.1:0"},
        {"::1:9464", nullptr},
        {"127.0.0.1", nullptr},
        {":9464", nullptr},
        {"127.0.0.1:65536", nullptr},
        {"127.0.0.1:-1", nullptr},
        {"127.0.0.1:+5", nullptr},
        {"127.0.0.1:", nullptr},
        {"host.invalid:80", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto at = parseListenAddress(c.text);
        ASSERT_EQ(at.has_value(), c.parsed != nullptr);
        if (at)
            EXPECT_EQ(at->toString(), c.parsed);
    }
}
