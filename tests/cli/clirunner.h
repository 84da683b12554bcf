#pragma once
// Runs quedral-cli in-process for the command-line tests.
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <memory>

#include "cli/cli.h"
#include "meter/simulator/simulatedmeter.h"
#include "meter/simulator/simulatedtransport.h"

namespace quedral::test {

struct CliResult {
    int status;
    QString out, err;
};

// quedral-cli with --data-dir dataDir and args; --simulate gives a seeded simulator, otherwise a
// meter that is not plugged in.
inline CliResult runCli(QStringList args, const QString& dataDir)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    args.prepend(dataDir);
    args.prepend(QStringLiteral("--data-dir"));
    const int status = cli::run(args, o, e, [](const TransportRequest& request) -> std::unique_ptr<Transport> {
        const QString& serial = request.simulatedSerial;
        auto t = std::make_unique<SimulatedTransport>(
            std::make_unique<SimulatedMeter>(SimulatedMeter::defaultStateFile(serial), 3, serial));
        t->faults = request.faults;
        if (!request.simulate)
            t->unplug();
        return t;
    });
    o.flush();
    e.flush();
    return {status, out, err};
}

} // namespace quedral::test
