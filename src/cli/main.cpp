#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "cli/cli.h"
#include "meter/simulator/simulatedtransport.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The same names as the GUI: both share the user data directory.
    QCoreApplication::setApplicationName("quedral");
    QCoreApplication::setOrganizationName("Quedral");
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = quedral::cli::run(args, out, err, [](bool simulate, const quedral::TransportFaults& faults) {
        return quedral::makeTransport(simulate, faults);
    });
    out.flush();
    err.flush();
    return status;
}
