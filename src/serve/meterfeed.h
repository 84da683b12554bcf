#pragma once
// One meter's side of the service: its readings and failed polls in, its figures out to
// /metrics and to the sinks of each closed second and minute.
#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "meter/reading.h"
#include "serve/dailylog.h"
#include "serve/exposition.h"
#include "serve/levelaggregator.h"

namespace quedral {

// Who gets each closed second and minute of a meter: the local log, the line protocol, and
// the publishers (a message broker). Called on the thread that feeds the meter.
class ReadingSink {
public:
    virtual ~ReadingSink() = default;
    virtual void secondClosed(const MeterMetrics& meter, const PeriodFigures& second) = 0;
    virtual void minuteClosed(const MeterMetrics& meter, const PeriodFigures& minute) = 0;
    // The meter answered again (up) or a poll failed after it had answered (down).
    virtual void upChanged(const MeterMetrics&) {}
};

class MeterFeed {
public:
    explicit MeterFeed(QString serial) { m_metrics.serial = std::move(serial); }
    // The serial number once the meter has told it; the periods still open keep gathering.
    void setSerial(const QString& serial) { m_metrics.serial = serial; }

    // Sinks are not owned; they are called in the order added (the local log first).
    void addSink(ReadingSink* sink) { m_sinks.push_back(sink); }
    // A reading polled at `at`.
    void reading(const QDateTime& at, const MeterReading& r);
    // A poll at `at` that failed: up drops to 0, the failure is counted.
    void failure(const QDateTime& at);
    // Closes the second and minute still open (the service stopping).
    void finish();
    const MeterMetrics& metrics() const { return m_metrics; }

private:
    void deliver(const LevelAggregator::Closed& closed);
    void setUp(bool up);

    MeterMetrics m_metrics;
    LevelAggregator m_aggregator;
    std::vector<ReadingSink*> m_sinks;
};

// Every second to the daily local log of the meter's serial number; a line that cannot be
// written is reported, with the reason, through `report`.
class LogSink final : public ReadingSink {
public:
    LogSink(QString dir, std::function<void(const QString&)> report)
        : m_dir(std::move(dir)), m_report(std::move(report)) {}
    void secondClosed(const MeterMetrics& meter, const PeriodFigures& second) override;
    void minuteClosed(const MeterMetrics&, const PeriodFigures&) override {}
    void close();
    int failures() const { return m_failures; }

private:
    QString m_dir;
    QString m_serial;
    std::unique_ptr<DailyLog> m_log;
    std::function<void(const QString&)> m_report;
    int m_failures = 0;
};

// Every second and minute as line protocol lines to a device (a file or standard output).
class InfluxSink final : public ReadingSink {
public:
    explicit InfluxSink(QIODevice& device) : m_device(device) {}
    void secondClosed(const MeterMetrics& meter, const PeriodFigures& second) override { write(meter, second); }
    void minuteClosed(const MeterMetrics& meter, const PeriodFigures& minute) override { write(meter, minute); }

private:
    void write(const MeterMetrics& meter, const PeriodFigures& period);
    QIODevice& m_device;
};

} // namespace quedral
