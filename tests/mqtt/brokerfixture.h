#pragma once
#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <mutex>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace quedral::test {

// A real broker on a free loopback port, with its persistence and log in a temporary folder.
// The port stays the same across stop() and start(), so clients reconnect to it.
class Broker {
public:
    Broker();
    ~Broker();
    // The broker program, or empty when it is not installed.
    static QString program();
    // Starts it and waits until it listens; false with the reason in error().
    bool start();
    // SIGTERM: a clean shutdown that saves the sessions, as a restarted service would.
    void stop();
    int port() const { return m_port; }
    QString error() const { return m_error; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    QString m_error;
};

struct Received {
    QString topic;
    QByteArray payload;
    bool retained = false;
};

// A libmosquitto subscriber to PREFIX/# at QoS 1. With a client id its session outlives a
// broker restart, so that nothing published while it reconnects is lost.
class Subscriber : public QObject {
    Q_OBJECT
public:
    Subscriber(int port, QString filter, QString clientId = {});
    ~Subscriber() override;
    std::vector<Received> messages() const;
    // The payloads received on the topic, in order.
    std::vector<QByteArray> payloads(const QString& topic) const;

signals:
    void changed();

private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
    mosquitto* m_mosq = nullptr;
    QByteArray m_filter;
    mutable std::mutex m_mutex;
    std::vector<Received> m_messages;
};

// Runs the event loop until done() holds, re-checking whenever one of the senders' signals
// arrives; false if it still does not hold after boundMs (a generous bound, not a timing).
bool waitUntil(const std::function<bool()>& done, const std::vector<std::pair<QObject*, const char*>>& wakers,
               int boundMs = 30000);

// A free TCP port on 127.0.0.1.
int freeLoopbackPort();

} // namespace quedral::test
