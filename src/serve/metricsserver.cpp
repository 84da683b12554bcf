#include "serve/metricsserver.h"

#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QTcpServer>
#include <QTcpSocket>

namespace quedral {

// Counts what each connection sends between two answers and refuses, with 413 and the
// connection closed, a request that grows past the limit. Its readyRead handler is connected
// before the HTTP server's, so an oversized request never reaches the parser.
class GuardedTcpServer final : public QTcpServer {
public:
    explicit GuardedTcpServer(qint64 limit, QObject* parent = nullptr) : QTcpServer(parent), m_limit(limit) {}

protected:
    void incomingConnection(qintptr handle) override
    {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(handle)) {
            delete socket;
            return;
        }
        auto* pending = new qint64(0);
        connect(socket, &QObject::destroyed, [pending] { delete pending; });
        connect(socket, &QTcpSocket::bytesWritten, socket, [pending] { *pending = 0; });
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, pending] {
            *pending += socket->bytesAvailable();
            if (*pending <= m_limit)
                return;
            // Nobody else reads from it any more: answer, close and drop what was sent.
            disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
            disconnect(socket, &QTcpSocket::bytesWritten, nullptr, nullptr);
            socket->readAll();
            socket->write("HTTP/1.1 413 Payload Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
        });
        addPendingConnection(socket);
    }

private:
    qint64 m_limit;
};

QString ListenAddress::toString() const
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol ? "[" + address.toString() + "]"
                                                                              : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

std::optional<HostPort> parseHostPort(const QString& text)
{
    const int colon = text.lastIndexOf(':');
    if (colon <= 0)
        return std::nullopt;
    const QString portText = text.mid(colon + 1);
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port > 65535 || portText.startsWith('+'))
        return std::nullopt;
    HostPort at;
    at.host = text.left(colon);
    at.bracketed = at.host.startsWith('[') && at.host.endsWith(']');
    if (at.bracketed)
        at.host = at.host.mid(1, at.host.size() - 2);
    at.port = static_cast<quint16>(port);
    return at;
}

std::optional<ListenAddress> parseListenAddress(const QString& text)
{
    const std::optional<HostPort> hostPort = parseHostPort(text);
    if (!hostPort || (!hostPort->bracketed && hostPort->host.contains(':')))
        return std::nullopt; // an IPv6 address needs its brackets
    ListenAddress at;
    if (hostPort->host == "localhost")
        at.address = QHostAddress(QHostAddress::LocalHost);
    else if (!at.address.setAddress(hostPort->host))
        return std::nullopt;
    at.port = hostPort->port;
    return at;
}

MetricsServer::MetricsServer(std::function<QString()> metrics, QObject* parent)
    : QObject(parent), m_metrics(std::move(metrics)), m_http(std::make_unique<QHttpServer>())
{
    m_http->route("/metrics", QHttpServerRequest::Method::Get, [this](const QHttpServerRequest&) {
        QHttpServerResponse response("text/plain; version=0.0.4; charset=utf-8", m_metrics().toUtf8());
        return response;
    });
}

MetricsServer::~MetricsServer() = default;

bool MetricsServer::listen(const ListenAddress& at, QString* error)
{
    auto tcp = std::make_unique<GuardedTcpServer>(kMaxRequestBytes);
    if (!tcp->listen(at.address, at.port)) {
        if (error)
            *error = QStringLiteral("cannot listen on %1: %2").arg(at.toString(), tcp->errorString());
        return false;
    }
    m_tcp = tcp.release();
    m_http->bind(m_tcp); // the HTTP server takes it over
    return true;
}

quint16 MetricsServer::port() const
{
    return m_tcp ? m_tcp->serverPort() : 0;
}

} // namespace quedral
