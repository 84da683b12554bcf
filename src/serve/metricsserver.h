#pragma once
// The HTTP side of the service: GET /metrics answers with the text exposition, any other path
// with 404, and a request larger than kMaxRequestBytes is refused (413) before it is parsed.
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QHttpServer;

namespace quedral {

// HOST:PORT split at its last colon, an IPv6 host taken out of its brackets; nothing when no
// host text comes before the colon or the port is not a number 0 .. 65535 (a sign is refused).
struct HostPort {
    QString host;
    quint16 port = 0;
    bool bracketed = false; // the host was written in brackets
};
std::optional<HostPort> parseHostPort(const QString& text);

// ADDR:PORT ("127.0.0.1:9464", "[::1]:9464", "0.0.0.0:9464"); PORT 0 picks a free port.
struct ListenAddress {
    QHostAddress address;
    quint16 port = 0;
    QString toString() const;
};
std::optional<ListenAddress> parseListenAddress(const QString& text);
// Loopback unless a wider address is asked for.
inline constexpr char kDefaultListen[] = "127.0.0.1:9464";

class GuardedTcpServer;

class MetricsServer final : public QObject {
    Q_OBJECT
public:
    // The most a request may take, request line, headers and body together.
    static constexpr qint64 kMaxRequestBytes = 8192;

    // `metrics` gives the exposition text on each GET /metrics (on this object's thread).
    explicit MetricsServer(std::function<QString()> metrics, QObject* parent = nullptr);
    ~MetricsServer() override;

    // False with the reason in *error when the address cannot be listened on.
    bool listen(const ListenAddress& at, QString* error);
    // The port listened on (the one picked when 0 was asked for).
    quint16 port() const;

private:
    std::function<QString()> m_metrics;
    std::unique_ptr<QHttpServer> m_http;
    GuardedTcpServer* m_tcp = nullptr; // owned by m_http once bound
};

} // namespace quedral
