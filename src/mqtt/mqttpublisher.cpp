#include "mqttpublisher.h"

#include <QFile>
#include <mosquitto.h>
#include <mutex>

namespace quedral {

namespace {

const char kOnline[] = "online";
const char kOffline[] = "offline";
constexpr int kQos = 1;

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

} // namespace

MqttPublisher::MqttPublisher(MqttOptions options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
{
    if (m_options.clientId.isEmpty())
        m_options.clientId = QStringLiteral("quedral-") + m_options.serial;
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &MqttPublisher::tryFirstConnect);
}

MqttPublisher::~MqttPublisher()
{
    stop();
}

QString MqttPublisher::topic(const char* leaf) const
{
    return m_options.prefix + QLatin1Char('/') + m_options.serial + QLatin1Char('/') + QLatin1String(leaf);
}

QByteArray MqttPublisher::markedLate(const QByteArray& json)
{
    const QByteArray body = json.trimmed();
    if (!body.startsWith('{') || !body.endsWith('}') || body.contains("\"late\":true"))
        return json;
    QByteArray inner = body.mid(1, body.size() - 2).trimmed();
    return "{" + inner + (inner.isEmpty() ? "" : ",") + "\"late\":true}";
}

bool MqttPublisher::start()
{
    if (m_mosq)
        return true;
    m_error.clear();
    if (m_options.serial.isEmpty() || m_options.prefix.isEmpty() || m_options.host.isEmpty()
        || m_options.port <= 0 || m_options.port > 65535) {
        m_error = tr("MQTT needs a host, a port, a topic prefix and the meter's serial number");
        return false;
    }
    QByteArray password;
    if (!m_options.passwordFile.isEmpty()) {
        QFile f(m_options.passwordFile);
        if (!f.open(QIODevice::ReadOnly)) {
            m_error = tr("Cannot read the MQTT password file %1: %2").arg(m_options.passwordFile, f.errorString());
            return false;
        }
        password = f.readLine().trimmed();
    }
    initLibrary();
    m_mosq = mosquitto_new(m_options.clientId.toUtf8().constData(), true, this);
    if (!m_mosq) {
        m_error = tr("Cannot create the MQTT client");
        return false;
    }
    mosquitto_connect_callback_set(m_mosq, &MqttPublisher::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttPublisher::onDisconnect);
    mosquitto_reconnect_delay_set(m_mosq, static_cast<unsigned>(m_options.reconnectMinSeconds),
                                  static_cast<unsigned>(m_options.reconnectMaxSeconds), true);
    const QByteArray status = topic("status").toUtf8();
    int rc = mosquitto_will_set(m_mosq, status.constData(), int(sizeof kOffline - 1), kOffline, kQos, true);
    if (rc == MOSQ_ERR_SUCCESS && !m_options.user.isEmpty())
        rc = mosquitto_username_pw_set(m_mosq, m_options.user.toUtf8().constData(),
                                       m_options.passwordFile.isEmpty() ? nullptr : password.constData());
    if (rc != MOSQ_ERR_SUCCESS) {
        m_error = QString::fromUtf8(mosquitto_strerror(rc));
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
        return false;
    }
    setRunning(true);
    m_retryDelaySeconds = qMax(1, m_options.reconnectMinSeconds);
    tryFirstConnect();
    return true;
}

// Until the first attempt gets under way (no broker yet refuses it at once), it is retried
// here with the same doubling delay; from then on libmosquitto's thread reconnects by itself.
void MqttPublisher::tryFirstConnect()
{
    if (!m_mosq || m_loopStarted)
        return;
    const int rc = mosquitto_connect_async(m_mosq, m_options.host.toUtf8().constData(), m_options.port,
                                           m_options.keepAliveSeconds);
    if (rc == MOSQ_ERR_SUCCESS) {
        m_loopStarted = mosquitto_loop_start(m_mosq) == MOSQ_ERR_SUCCESS;
        if (m_loopStarted)
            return;
        m_error = tr("Cannot start the MQTT connection thread");
    }
    m_retryTimer.start(m_retryDelaySeconds * 1000);
    m_retryDelaySeconds = qMin(m_retryDelaySeconds * 2, qMax(m_retryDelaySeconds, m_options.reconnectMaxSeconds));
}

void MqttPublisher::stop()
{
    if (!m_mosq)
        return;
    m_retryTimer.stop();
    bool wasConnected;
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
        wasConnected = m_connected.load();
        if (wasConnected)
            send(topic("status").toUtf8(), kOffline, true);
        m_connected = false;
    }
    // The disconnect goes out after the queued "offline", and a clean disconnect sends no will.
    if (m_loopStarted) {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_stop(m_mosq, false);
        m_loopStarted = false;
    }
    mosquitto_destroy(m_mosq);
    m_mosq = nullptr;
    if (wasConnected)
        emit connectedChanged(false);
}

void MqttPublisher::setRunning(bool running)
{
    std::lock_guard lock(m_mutex);
    m_running = running;
}

bool MqttPublisher::publishSecond(const QByteArray& json)
{
    return publish(Second, topic("level").toUtf8(), json);
}

bool MqttPublisher::publishMinute(const QByteArray& json)
{
    return publish(Minute, topic("leq").toUtf8(), json);
}

void MqttPublisher::setOnline(bool online)
{
    std::lock_guard lock(m_mutex);
    if (m_online == online)
        return;
    m_online = online;
    if (m_running && m_connected.load())
        send(topic("status").toUtf8(), online ? kOnline : kOffline, true);
}

int MqttPublisher::backlogSize() const
{
    std::lock_guard lock(m_mutex);
    return int(m_backlog.size());
}

qint64 MqttPublisher::droppedCount() const
{
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

bool MqttPublisher::publish(Kind kind, const QByteArray& topic, const QByteArray& payload)
{
    std::lock_guard lock(m_mutex);
    if (!m_running)
        return false;
    if (m_connected.load() && m_backlog.empty()) {
        // A connection lost just now keeps the message in libmosquitto's queue, which sends
        // it again after reconnecting: it is not kept here a second time.
        send(topic, payload, false);
        return true;
    }
    if (m_backlogCount[kind] >= qMax(1, kind == Second ? m_options.maxBacklog : m_options.maxMinuteBacklog)) {
        ++m_dropped;
        return false;
    }
    m_backlog.push_back({kind, topic, markedLate(payload)});
    ++m_backlogCount[kind];
    return true;
}

int MqttPublisher::send(const QByteArray& topic, const QByteArray& payload, bool retain)
{
    return mosquitto_publish(m_mosq, nullptr, topic.constData(), int(payload.size()), payload.constData(),
                             kQos, retain);
}

void MqttPublisher::onConnect(mosquitto*, void* self, int rc)
{
    static_cast<MqttPublisher*>(self)->handleConnect(rc);
}

void MqttPublisher::onDisconnect(mosquitto*, void* self, int)
{
    static_cast<MqttPublisher*>(self)->handleDisconnect();
}

// On libmosquitto's thread.
void MqttPublisher::handleConnect(int rc)
{
    if (rc != 0)
        return; // refused (e.g. the user or password): the loop tries again later
    {
        std::lock_guard lock(m_mutex);
        if (!m_running)
            return; // stopping
        send(topic("status").toUtf8(), m_online ? kOnline : kOffline, true);
        while (!m_backlog.empty()) {
            send(m_backlog.front().topic, m_backlog.front().payload, false);
            --m_backlogCount[m_backlog.front().kind];
            m_backlog.pop_front();
        }
        m_connected = true;
    }
    notifyConnected(true);
}

// On libmosquitto's thread.
void MqttPublisher::handleDisconnect()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_connected.load())
            return;
        m_connected = false;
    }
    notifyConnected(false);
}

void MqttPublisher::notifyConnected(bool connected)
{
    QMetaObject::invokeMethod(
        this, [this, connected] { emit connectedChanged(connected); }, Qt::QueuedConnection);
}

} // namespace quedral
