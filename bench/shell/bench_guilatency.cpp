// How long a queued call waits on the GUI thread while every exchange with the meter is slow.
//
//   bench_guilatency [--delay MS] [--seconds S]
//
// Runs the main window on the simulated meter with every exchange taking MS ms (default 900),
// polling as in use, and posts a call to the GUI thread every 10 ms for S seconds (default 10).
// Prints the 50th and 99th percentile and the largest wait. Goal: 99th percentile under 20 ms.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/datadir.h"
#include "meter/meterworker.h"
#include "meter/simulator/simulatedmeter.h"
#include "meter/simulator/simulatedtransport.h"
#include "shell/mainwindow.h"

using namespace quedral;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int delayMs = 900;
    int seconds = 10;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--delay")
            delayMs = args[i + 1].toInt();
        else if (args[i] == "--seconds")
            seconds = args[i + 1].toInt();
    }
    QTemporaryDir data;
    DataDir::init(data.path());
    QCoreApplication::setOrganizationName("QuedralBench");

    auto transport = std::make_unique<SimulatedTransport>(std::make_unique<SimulatedMeter>(QString(), 5));
    transport->faults.delayMsPerExchange = delayMs;
    MainOptions options;
    options.transport = std::move(transport);
    options.startPollDelayMs = 0;
    MainWindow main(std::move(options));
    main.resize(1400, 800);
    main.show();

    int reports = 0;
    QObject::connect(&main.meter(), &MeterService::polled, [&](const PollReport&) { ++reports; });

    std::vector<double> waits;
    QElapsedTimer clock;
    clock.start();
    QTimer sender;
    sender.setTimerType(Qt::PreciseTimer);
    sender.setInterval(10);
    QObject::connect(&sender, &QTimer::timeout, [&] {
        const qint64 posted = clock.nsecsElapsed();
        QMetaObject::invokeMethod(
            &main, [&, posted] { waits.push_back((clock.nsecsElapsed() - posted) / 1e6); }, Qt::QueuedConnection);
        if (clock.elapsed() > seconds * 1000LL) {
            sender.stop();
            QTimer::singleShot(50, &app, &QCoreApplication::quit);
        }
    });
    sender.start();
    app.exec();

    std::sort(waits.begin(), waits.end());
    auto pct = [&](double p) { return waits.empty() ? 0.0 : waits[std::min(waits.size() - 1, size_t(p * waits.size()))]; };
    std::printf("exchange delay %d ms, %d s, %zu queued calls, %d poll reports\n", delayMs, seconds, waits.size(),
                reports);
    std::printf("GUI event-loop latency: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", pct(0.50), pct(0.99),
                waits.empty() ? 0.0 : waits.back());
    return pct(0.99) < 20.0 ? 0 : 1;
}
