// MqttPublisher against a real broker on loopback (skipped when the broker is not installed).
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>

#include "brokerfixture.h"
#include "mqtt/mqttpublisher.h"

using namespace quedral;
using namespace quedral::test;

namespace {

const QString kPrefix = QStringLiteral("site");
const QString kSerial = QStringLiteral("SN0001");

MqttOptions optionsFor(int port)
{
    MqttOptions o;
    o.port = port;
    o.prefix = kPrefix;
    o.serial = kSerial;
    o.reconnectMinSeconds = 1;
    o.reconnectMaxSeconds = 2;
    return o;
}

QByteArray secondJson(int n)
{
    return QStringLiteral("{\"second\":%1,\"laeq\":%2}").arg(n).arg(40.0 + n / 10.0).toUtf8();
}

QString topicOf(const char* leaf)
{
    return kPrefix + "/" + kSerial + "/" + leaf;
}

TEST(MqttLateMark, AddsLateToObjectsOnly)
{
    const struct {
        QByteArray in, out;
    } cases[] = {
        {"{\"a\":1}", "{\"a\":1,\"late\":true}"},
        {"{}", "{\"late\":true}"},
        {"  {\"a\":{\"b\":2}} \n", "{\"a\":{\"b\":2},\"late\":true}"},
        {"[1,2]", "[1,2]"},
        {"{\"a\":1,\"late\":true}", "{\"a\":1,\"late\":true}"},
        {"42", "42"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MqttPublisher::markedLate(c.in), c.out) << c.in.constData();
        if (c.in.trimmed().startsWith('{')) {
            const QJsonDocument doc = QJsonDocument::fromJson(MqttPublisher::markedLate(c.in));
            EXPECT_TRUE(doc.object().value("late").toBool()) << c.in.constData();
        }
    }
}

TEST(MqttPublisherOptions, RefusesUnusableOptions)
{
    MqttOptions noSerial = optionsFor(1883);
    noSerial.serial.clear();
    MqttOptions noPrefix = optionsFor(1883);
    noPrefix.prefix.clear();
    MqttOptions badPort = optionsFor(70000);
    MqttOptions missingPassword = optionsFor(1883);
    missingPassword.user = "u";
    missingPassword.passwordFile = "/nonexistent/quedral-mqtt-password";
    for (const MqttOptions& o : {noSerial, noPrefix, badPort, missingPassword}) {
        MqttPublisher publisher(o);
        EXPECT_FALSE(publisher.start());
        EXPECT_FALSE(publisher.errorString().isEmpty());
    }
}

// Nothing listens on the port: messages wait, marked late, up to the bound; beyond it they are
// refused, so that the caller knows from where to send them again once connected.
TEST(MqttPublisherBacklog, KeepsTheOldestAndRefusesBeyondTheBound)
{
    MqttOptions o = optionsFor(freeLoopbackPort());
    o.maxBacklog = 5;
    MqttPublisher publisher(o);
    ASSERT_TRUE(publisher.start()) << publisher.errorString().toStdString();
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(publisher.publishSecond(secondJson(n)), n <= 5) << n;
    EXPECT_FALSE(publisher.connected());
    EXPECT_EQ(publisher.backlogSize(), 5);
    EXPECT_EQ(publisher.droppedCount(), 3);
    publisher.stop();
}

bool skipWithoutBroker()
{
    return Broker::program().isEmpty();
}
const char kNoBroker[] = "mosquitto is not installed (scripts/deps.sh installs it): broker tests skipped";

bool waitConnected(MqttPublisher& p, bool state)
{
    return waitUntil([&] { return p.connected() == state; }, {{&p, SIGNAL(connectedChanged(bool))}});
}

bool waitFor(Subscriber& s, const std::function<bool()>& done)
{
    return waitUntil(done, {{&s, SIGNAL(changed())}});
}

class MqttBroker : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (skipWithoutBroker())
            GTEST_SKIP() << kNoBroker;
        ASSERT_TRUE(broker.start()) << broker.error().toStdString();
    }

    Broker broker;
};

// The broker comes up after the publisher: it keeps trying, and sends what it was given.
TEST(MqttPublisherStart, ConnectsToABrokerThatComesLater)
{
    if (skipWithoutBroker())
        GTEST_SKIP() << kNoBroker;
    Broker broker;
    MqttPublisher publisher(optionsFor(broker.port()));
    ASSERT_TRUE(publisher.start());
    publisher.publishSecond(secondJson(1));
    EXPECT_EQ(publisher.backlogSize(), 1);
    ASSERT_TRUE(broker.start()) << broker.error().toStdString();
    ASSERT_TRUE(waitConnected(publisher, true));
    EXPECT_EQ(publisher.backlogSize(), 0);
}

TEST_F(MqttBroker, RetainedOnlineThenEverySecondAndMinuteInOrder)
{
    MqttPublisher publisher(optionsFor(broker.port()));
    ASSERT_TRUE(publisher.start());
    ASSERT_TRUE(waitConnected(publisher, true));

    Subscriber sub(broker.port(), kPrefix + "/#");
    ASSERT_TRUE(waitFor(sub, [&] { return !sub.payloads(topicOf("status")).empty(); }));
    EXPECT_EQ(sub.messages().front().payload, "online");
    // Once the broker has passed it on, a subscriber that comes later sees it retained.
    Subscriber later(broker.port(), topicOf("status"));
    ASSERT_TRUE(waitFor(later, [&] { return !later.messages().empty(); }));
    EXPECT_EQ(later.messages().front().payload, "online");
    EXPECT_TRUE(later.messages().front().retained);

    // The meter's own state: offline while it does not answer, online when it is back.
    publisher.setOnline(false);
    ASSERT_TRUE(waitFor(later, [&] { return later.messages().back().payload == "offline"; }));
    publisher.setOnline(true);
    ASSERT_TRUE(waitFor(later, [&] { return later.messages().back().payload == "online"; }));

    // Only what arrives after the subscription counts: wait until it is in place.
    publisher.publishMinute("{\"probe\":true}");
    ASSERT_TRUE(waitFor(sub, [&] { return !sub.payloads(topicOf("leq")).empty(); }));
    for (int n = 1; n <= 10; ++n)
        publisher.publishSecond(secondJson(n));
    publisher.publishMinute("{\"minute\":1}");
    ASSERT_TRUE(waitFor(sub, [&] {
        return sub.payloads(topicOf("level")).size() >= 10 && sub.payloads(topicOf("leq")).size() >= 2;
    }));
    const auto seconds = sub.payloads(topicOf("level"));
    ASSERT_EQ(seconds.size(), 10u);
    for (int n = 1; n <= 10; ++n)
        EXPECT_EQ(seconds[n - 1], secondJson(n)) << "on time, unchanged, in order";
    EXPECT_EQ(sub.payloads(topicOf("leq")).back(), "{\"minute\":1}");
}

TEST_F(MqttBroker, CleanStopLeavesOfflineRetained)
{
    MqttPublisher publisher(optionsFor(broker.port()));
    ASSERT_TRUE(publisher.start());
    ASSERT_TRUE(waitConnected(publisher, true));
    Subscriber sub(broker.port(), topicOf("status"));
    ASSERT_TRUE(waitFor(sub, [&] { return !sub.messages().empty(); }));
    publisher.stop();
    EXPECT_FALSE(publisher.connected());
    ASSERT_TRUE(waitFor(sub, [&] { return sub.messages().back().payload == "offline"; }));

    Subscriber later(broker.port(), topicOf("status"));
    ASSERT_TRUE(waitFor(later, [&] { return !later.messages().empty(); }));
    EXPECT_EQ(later.messages().front().payload, "offline");
    EXPECT_TRUE(later.messages().front().retained);
}

TEST_F(MqttBroker, LastWillWhenThePublishersProcessDies)
{
    Subscriber sub(broker.port(), topicOf("status"));
    QProcess child;
    child.start(QStringLiteral(QUEDRAL_MQTT_CHILD),
                {"127.0.0.1", QString::number(broker.port()), kPrefix, kSerial});
    ASSERT_TRUE(waitUntil([&] { return child.canReadLine() || child.state() == QProcess::NotRunning; },
                          {{&child, SIGNAL(readyReadStandardOutput())}, {&child, SIGNAL(finished(int))}}));
    ASSERT_EQ(child.readLine().trimmed(), "connected") << child.readAllStandardError().constData();
    ASSERT_TRUE(waitFor(sub, [&] { return !sub.payloads(topicOf("status")).empty(); }));
    EXPECT_EQ(sub.payloads(topicOf("status")).back(), "online");

    child.kill(); // no clean disconnect: the broker sends the will
    child.waitForFinished(30000);
    ASSERT_TRUE(waitFor(sub, [&] { return sub.payloads(topicOf("status")).back() == "offline"; }));

    Subscriber later(broker.port(), topicOf("status"));
    ASSERT_TRUE(waitFor(later, [&] { return !later.messages().empty(); }));
    EXPECT_EQ(later.messages().front().payload, "offline");
    EXPECT_TRUE(later.messages().front().retained);
}

struct Second {
    int n = 0;
    bool late = false;
};

std::vector<Second> decodeSeconds(const std::vector<QByteArray>& payloads)
{
    std::vector<Second> out;
    for (const QByteArray& p : payloads) {
        const QJsonObject o = QJsonDocument::fromJson(p).object();
        out.push_back({o.value("second").toInt(), o.value("late").toBool()});
    }
    return out;
}

// The broker goes away for a while: every second arrives, the ones it missed marked late.
TEST_F(MqttBroker, BrokerRestartLosesNoSecondAndMarksTheLateOnes)
{
    Subscriber sub(broker.port(), kPrefix + "/#", QStringLiteral("quedral-test-sub"));
    MqttPublisher publisher(optionsFor(broker.port()));
    ASSERT_TRUE(publisher.start());
    ASSERT_TRUE(waitConnected(publisher, true));
    // The status arriving shows the subscription in place.
    ASSERT_TRUE(waitFor(sub, [&] { return !sub.payloads(topicOf("status")).empty(); }));

    int n = 0;
    for (; n < 5; ++n)
        publisher.publishSecond(secondJson(n + 1));
    ASSERT_TRUE(waitFor(sub, [&] { return sub.payloads(topicOf("level")).size() >= 5; }));

    broker.stop();
    ASSERT_TRUE(waitConnected(publisher, false));
    for (; n < 15; ++n) // ten seconds while the broker is away
        publisher.publishSecond(secondJson(n + 1));
    EXPECT_EQ(publisher.backlogSize(), 10);
    ASSERT_TRUE(broker.start()) << broker.error().toStdString();
    ASSERT_TRUE(waitConnected(publisher, true));
    for (; n < 20; ++n)
        publisher.publishSecond(secondJson(n + 1));

    // QoS 1 is "at least once": a second may come twice around the restart, never not at all.
    std::vector<Second> firsts;
    const auto allArrived = [&] {
        firsts.clear();
        for (const Second& s : decodeSeconds(sub.payloads(topicOf("level")))) {
            if (std::none_of(firsts.begin(), firsts.end(), [&](const Second& f) { return f.n == s.n; }))
                firsts.push_back(s);
        }
        return firsts.size() >= 20;
    };
    ASSERT_TRUE(waitFor(sub, allArrived));
    ASSERT_EQ(firsts.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(firsts[i].n, i + 1) << "every second, in order";
        EXPECT_EQ(firsts[i].late, i >= 5 && i < 15) << "second " << i + 1;
    }
    for (const Second& s : decodeSeconds(sub.payloads(topicOf("level"))))
        EXPECT_EQ(s.late, s.n > 5 && s.n <= 15) << "a repeated second " << s.n;
    EXPECT_EQ(publisher.backlogSize(), 0);
}

} // namespace
