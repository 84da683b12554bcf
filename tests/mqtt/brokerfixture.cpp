#include "brokerfixture.h"

#include <QEventLoop>
#include <QFile>
#include <QStandardPaths>
#include <QTimer>
#include <arpa/inet.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quedral::test {

int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

Broker::Broker()
    : m_port(freeLoopbackPort())
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // Run as root, the broker would switch to its own user, which cannot write here.
    const passwd* pw = ::getpwuid(::getuid());
    QFile conf(m_dir.filePath("mosquitto.conf"));
    if (conf.open(QIODevice::WriteOnly)) {
        conf.write(QStringLiteral("listener %1 127.0.0.1\n"
                                  "allow_anonymous true\n"
                                  "persistence true\n"
                                  "persistence_location %2/\n"
                                  "log_dest stderr\n"
                                  "log_type all\n")
                       .arg(m_port)
                       .arg(m_dir.path())
                       .toUtf8());
        if (pw)
            conf.write(QByteArray("user ") + pw->pw_name + "\n");
    }
}

Broker::~Broker()
{
    stop();
}

QString Broker::program()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin")});
    return found;
}

bool Broker::start()
{
    m_error.clear();
    QByteArray log;
    m_process.start(program(), {QStringLiteral("-c"), m_dir.filePath("mosquitto.conf")});
    if (!m_process.waitForStarted(30000)) {
        m_error = m_process.errorString();
        return false;
    }
    // Ready once it reports running, after its listener is open.
    while (!log.contains(" running")) {
        if (!m_process.waitForReadyRead(30000)) {
            m_error = QStringLiteral("the broker did not start listening: ") + QString::fromUtf8(log);
            return false;
        }
        log += m_process.readAll();
    }
    return true;
}

void Broker::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(30000))
        m_process.kill();
    m_process.waitForFinished(30000);
}

Subscriber::Subscriber(int port, QString filter, QString clientId)
    : m_filter(filter.toUtf8())
{
    mosquitto_lib_init();
    const bool persistent = !clientId.isEmpty();
    m_mosq = mosquitto_new(persistent ? clientId.toUtf8().constData() : nullptr, !persistent, this);
    mosquitto_connect_callback_set(m_mosq, &Subscriber::onConnect);
    mosquitto_message_callback_set(m_mosq, &Subscriber::onMessage);
    mosquitto_reconnect_delay_set(m_mosq, 1, 1, false);
    mosquitto_connect_async(m_mosq, "127.0.0.1", port, 10);
    mosquitto_loop_start(m_mosq);
}

Subscriber::~Subscriber()
{
    mosquitto_disconnect(m_mosq);
    mosquitto_loop_stop(m_mosq, false);
    mosquitto_destroy(m_mosq);
}

std::vector<Received> Subscriber::messages() const
{
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<QByteArray> Subscriber::payloads(const QString& topic) const
{
    std::vector<QByteArray> out;
    for (const Received& m : messages())
        if (m.topic == topic)
            out.push_back(m.payload);
    return out;
}

void Subscriber::onConnect(mosquitto* mosq, void* self, int rc)
{
    if (rc == 0)
        mosquitto_subscribe(mosq, nullptr, static_cast<Subscriber*>(self)->m_filter.constData(), 1);
}

void Subscriber::onMessage(mosquitto*, void* self, const mosquitto_message* message)
{
    auto* sub = static_cast<Subscriber*>(self);
    {
        std::lock_guard lock(sub->m_mutex);
        sub->m_messages.push_back({QString::fromUtf8(message->topic),
                                   QByteArray(static_cast<const char*>(message->payload), message->payloadlen),
                                   message->retain});
    }
    QMetaObject::invokeMethod(sub, [sub] { emit sub->changed(); }, Qt::QueuedConnection);
}

bool waitUntil(const std::function<bool()>& done, const std::vector<std::pair<QObject*, const char*>>& wakers,
               int boundMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    std::vector<QMetaObject::Connection> connections;
    for (const auto& [sender, signal] : wakers)
        connections.push_back(QObject::connect(sender, signal, &loop, SLOT(quit())));
    bound.start(boundMs);
    while (!done() && bound.isActive())
        loop.exec();
    for (const auto& c : connections)
        QObject::disconnect(c);
    return done();
}

} // namespace quedral::test
