#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <memory>

#include "cli/cli.h"
#include "cli/reportcommands.h"
#include "meter/simulator/simulatedtransport.h"

int main(int argc, char** argv)
{
    // Only `report` paints (fonts and painting need Qt Gui): on the offscreen platform unless
    // QT_QPA_PLATFORM names one. Every other command stays a Qt Core program.
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromLocal8Bit(argv[i]);
    std::unique_ptr<QCoreApplication> app;
    if (quedral::cli::commandNeedsGui(words)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // The same names as the GUI: both share the user data directory.
    QCoreApplication::setApplicationName("quedral");
    QCoreApplication::setOrganizationName("Quedral");
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = quedral::cli::run(args, out, err, [](const quedral::TransportRequest& request) {
        return quedral::makeTransport(request);
    });
    out.flush();
    err.flush();
    return status;
}
