#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <deque>
#include <mutex>

struct mosquitto;
struct mosquitto_message;

namespace quedral {

struct MqttOptions {
    QString host = QStringLiteral("127.0.0.1");
    int port = 1883;
    QString prefix = QStringLiteral("quedral"); // topics are PREFIX/SERIAL/...
    QString serial;
    QString user;         // empty: no user name
    QString passwordFile; // its first line is the password; empty: no password
    QString clientId;     // empty: "quedral-SERIAL"
    int keepAliveSeconds = 10;
    // Reconnection waits this long at first, doubling up to the maximum.
    int reconnectMinSeconds = 1;
    int reconnectMaxSeconds = 30;
    // Messages kept while disconnected (about six hours of seconds); the oldest go first.
    int maxBacklog = 6 * 3600;
};

// One meter's connection to an MQTT broker. libmosquitto's thread runs the connection,
// so no call waits for the network.
class MqttPublisher : public QObject {
    Q_OBJECT
public:
    explicit MqttPublisher(MqttOptions options, QObject* parent = nullptr);
    ~MqttPublisher() override;

    // Starts connecting; false with errorString() when the options or the password file are
    // unusable. A broker that is not there yet is retried like one that went away.
    bool start();
    // Publishes "offline" if connected, disconnects and waits for the connection thread.
    void stop();

    void publishSecond(const QByteArray& json);
    void publishMinute(const QByteArray& json);

    bool connected() const { return m_connected.load(); }
    QString errorString() const { return m_error; }
    QString topic(const char* leaf) const;
    // Messages waiting for the connection.
    int backlogSize() const;
    // How many waiting messages were dropped because the backlog was full.
    qint64 droppedCount() const;

    // The JSON object with "late":true added (other JSON is returned as it is).
    static QByteArray markedLate(const QByteArray& json);

signals:
    // Emitted on this object's thread.
    void connectedChanged(bool connected);

private:
    struct Pending {
        QByteArray topic;
        QByteArray payload;
    };
    static void onConnect(mosquitto* mosq, void* self, int rc);
    static void onDisconnect(mosquitto* mosq, void* self, int rc);
    void handleConnect(int rc);
    void handleDisconnect();
    void publish(const QByteArray& topic, const QByteArray& payload);
    int send(const QByteArray& topic, const QByteArray& payload, bool retain);
    void notifyConnected(bool connected);
    void setRunning(bool running);
    void tryFirstConnect();

    MqttOptions m_options;
    mosquitto* m_mosq = nullptr;
    QString m_error;
    QTimer m_retryTimer;
    int m_retryDelaySeconds = 1;
    bool m_loopStarted = false;
    std::atomic<bool> m_connected{false};
    mutable std::mutex m_mutex; // guards the backlog, m_running and the order of sends
    bool m_running = false;
    std::deque<Pending> m_backlog;
    qint64 m_dropped = 0;
};

} // namespace quedral
