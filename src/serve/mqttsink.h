#pragma once
// Each closed second and minute of a meter to an MQTT broker, and whether the meter answers as
// the broker's retained status. What the broker missed goes out, marked late, once it is back:
// first what the publisher kept in memory, then, beyond that, the seconds from the local log.
#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "mqtt/mqttpublisher.h"
#include "serve/meterfeed.h"

namespace quedral {

class MqttSink final : public QObject, public ReadingSink {
    Q_OBJECT
public:
    // `logDir`: the local log's folder, added to the feed before this sink; empty for none, and
    // then seconds beyond the publisher's backlog are lost (and said so through `report`).
    // The options' serial is taken from the meter once it has told it.
    MqttSink(MqttOptions options, QString logDir, std::function<void(const QString&)> report,
             QObject* parent = nullptr);
    ~MqttSink() override;

    void secondClosed(const MeterMetrics& meter, const PeriodFigures& second) override;
    void minuteClosed(const MeterMetrics& meter, const PeriodFigures& minute) override;
    void upChanged(const MeterMetrics& meter) override;
    // "offline" published (if connected) and the connection closed.
    void stop();

    // Nullptr until the meter's first figures.
    MqttPublisher* publisher() const { return m_publisher.get(); }
    // Seconds waiting to be sent from the local log.
    bool hasGap() const { return m_gapFrom.isValid(); }
    // Seconds sent from the local log so far.
    qint64 replayedSeconds() const { return m_replayed; }
    // Log lines sent per turn of the event loop while catching up.
    static constexpr int kReplayChunk = 200;

private:
    bool ensurePublisher(const MeterMetrics& meter);
    void connectedChanged(bool connected);
    void replayChunk();
    void endReplay();

    MqttOptions m_options;
    QString m_logDir;
    std::function<void(const QString&)> m_report;
    std::unique_ptr<MqttPublisher> m_publisher;
    bool m_online = false;
    bool m_startFailed = false;
    // Seconds the publisher could not take, from m_gapFrom to m_gapTo: they go from the log.
    QDateTime m_gapFrom, m_gapTo;
    // Where the replay reads: the day's file and the byte after the last line sent.
    QDate m_replayDay;
    qint64 m_replayPos = 0;
    QTimer m_replayTimer;
    qint64 m_replayed = 0;
    qint64 m_lostSeconds = 0, m_lostMinutes = 0;
};

} // namespace quedral
