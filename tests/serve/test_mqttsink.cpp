// The feed's MQTT publisher against a real broker on loopback (skipped when the broker is not
// installed): the meter's state as the retained status, and a broker away for longer than the
// publisher's backlog holds, the rest sent from the local log, every second once, in order.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "brokerfixture.h"
#include "serve/meterfeed.h"
#include "serve/mqttsink.h"

using namespace quedral;
using namespace quedral::test;

namespace {

const QDateTime kStart(QDate(2026, 3, 1), QTime(23, 59, 50), Qt::UTC);
const QString kSerial = QStringLiteral("SN-T1");

MeterReading reading(int tenths)
{
    MeterReading r;
    r.LevelTenths = static_cast<std::uint16_t>(tenths);
    return r;
}

struct Second {
    QString time;
    bool late = false;
};

class MqttSinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (Broker::program().isEmpty())
            GTEST_SKIP() << "mosquitto is not installed (scripts/deps.sh installs it)";
        ASSERT_TRUE(broker.start()) << broker.error().toStdString();
        MqttOptions o;
        o.port = broker.port();
        o.prefix = "site";
        o.reconnectMinSeconds = 1;
        o.reconnectMaxSeconds = 1;
        o.maxBacklog = 3;
        log = std::make_unique<LogSink>(dir.path(), [this](const QString& why) { reports << why; });
        sink = std::make_unique<MqttSink>(o, dir.path(), [this](const QString& why) { reports << why; });
        feed.addSink(log.get());
        feed.addSink(sink.get());
    }
    // One reading in second n (from kStart) closes second n - 1.
    void readingAt(int n) { feed.reading(kStart.addSecs(n), reading(600 + n)); }
    bool waitConnected(bool state)
    {
        return waitUntil([&] { return sink->publisher() && sink->publisher()->connected() == state; },
                         {{sink->publisher(), SIGNAL(connectedChanged(bool))}});
    }
    std::vector<Second> firstOfEach(Subscriber& sub) const
    {
        std::vector<Second> out;
        for (const QByteArray& p : sub.payloads("site/" + kSerial + "/level")) {
            const QJsonObject o = QJsonDocument::fromJson(p).object();
            const Second s{o.value("time").toString(), o.value("late").toBool()};
            if (std::none_of(out.begin(), out.end(), [&](const Second& f) { return f.time == s.time; }))
                out.push_back(s);
        }
        return out;
    }

    QTemporaryDir dir;
    Broker broker;
    MeterFeed feed{kSerial};
    std::unique_ptr<LogSink> log;
    std::unique_ptr<MqttSink> sink;
    QStringList reports;
};

} // namespace

TEST_F(MqttSinkTest, TheMetersStateIsTheRetainedStatus)
{
    Subscriber sub(broker.port(), "site/" + kSerial + "/status");
    readingAt(0);
    ASSERT_TRUE(waitConnected(true));
    ASSERT_TRUE(waitUntil([&] { return !sub.messages().empty() && sub.messages().back().payload == "online"; },
                          {{&sub, SIGNAL(changed())}}));
    feed.failure(kStart.addSecs(1)); // the meter stops answering
    ASSERT_TRUE(waitUntil([&] { return sub.messages().back().payload == "offline"; }, {{&sub, SIGNAL(changed())}}));
    readingAt(2);
    ASSERT_TRUE(waitUntil([&] { return sub.messages().back().payload == "online"; }, {{&sub, SIGNAL(changed())}}));
    sink->stop();
    ASSERT_TRUE(waitUntil([&] { return sub.messages().back().payload == "offline"; }, {{&sub, SIGNAL(changed())}}));
}

// Ten seconds (across midnight, so two log files) while the broker is away, with room for
// three: three come from the backlog, seven from the log; seconds after the broker is back
// wait until the log has been caught up, so the subscriber sees them all in order.
TEST_F(MqttSinkTest, AnOutageBeyondTheBacklogIsSentFromTheLog)
{
    Subscriber sub(broker.port(), "site/#", QStringLiteral("quedral-sink-sub"));
    readingAt(0);
    ASSERT_TRUE(waitConnected(true));
    ASSERT_TRUE(waitUntil([&] { return !sub.payloads("site/" + kSerial + "/status").empty(); }, {{&sub, SIGNAL(changed())}}));
    for (int n = 1; n <= 3; ++n)
        readingAt(n); // seconds 0 to 2 on time
    ASSERT_TRUE(waitUntil([&] { return firstOfEach(sub).size() >= 3; }, {{&sub, SIGNAL(changed())}}));

    broker.stop();
    ASSERT_TRUE(waitConnected(false));
    for (int n = 4; n <= 13; ++n)
        readingAt(n); // seconds 3 to 12 while it is away
    EXPECT_TRUE(sink->hasGap());
    ASSERT_TRUE(broker.start()) << broker.error().toStdString();
    ASSERT_TRUE(waitConnected(true));
    for (int n = 14; n <= 16; ++n)
        readingAt(n); // seconds 13 to 15 once it is back

    ASSERT_TRUE(waitUntil([&] { return firstOfEach(sub).size() >= 16; }, {{&sub, SIGNAL(changed())}}))
        << firstOfEach(sub).size() << " seconds; " << reports.join("; ").toStdString();
    const std::vector<Second> got = firstOfEach(sub);
    ASSERT_EQ(got.size(), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(got[i].time, kStart.addSecs(i).toString(Qt::ISODate)) << "every second, in order";
        if (i < 3)
            EXPECT_FALSE(got[i].late) << i;
        else if (i < 13)
            EXPECT_TRUE(got[i].late) << i;
    }
    EXPECT_FALSE(sink->hasGap());
    EXPECT_EQ(sink->replayedSeconds(), 7 + (16 - 13) - 0) << "7 from the outage, 3 waiting behind them";
    EXPECT_TRUE(reports.isEmpty()) << reports.join("; ").toStdString();
}
