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
    // Seconds kept while disconnected (six hours), and minutes (a week). Once full, more are
    // refused: the caller sends them later from its own record (the local log).
    int maxBacklog = 6 * 3600;
    int maxMinuteBacklog = 7 * 24 * 60;
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

    // False when the message was neither sent nor kept: the backlog is full (or stopped).
    bool publishSecond(const QByteArray& json);
    bool publishMinute(const QByteArray& json);
    // "online" or "offline", retained, now if connected and on every connection from now on
    // (the meter's own state: online only while it answers). Online until told otherwise.
    void setOnline(bool online);

    bool connected() const { return m_connected.load(); }
    QString errorString() const { return m_error; }
    QString topic(const char* leaf) const;
    // Messages waiting for the connection.
    int backlogSize() const;
    // How many messages were refused because the backlog was full.
    qint64 droppedCount() const;

    // The JSON object with "late":true added (other JSON, and an object marked already, is
    // returned as it is).
    static QByteArray markedLate(const QByteArray& json);

signals:
    // Emitted on this object's thread.
    void connectedChanged(bool connected);

private:
    enum Kind { Second, Minute };
    struct Pending {
        Kind kind;
        QByteArray topic;
        QByteArray payload;
    };
    static void onConnect(mosquitto* mosq, void* self, int rc);
    static void onDisconnect(mosquitto* mosq, void* self, int rc);
    void handleConnect(int rc);
    void handleDisconnect();
    bool publish(Kind kind, const QByteArray& topic, const QByteArray& payload);
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
    bool m_online = true;
    std::deque<Pending> m_backlog;
    int m_backlogCount[2] = {0, 0}; // of each kind
    qint64 m_dropped = 0;
};

} // namespace quedral
