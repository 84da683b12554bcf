#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QScreen>
#include <cstdio>

#include "meter/hidtransport.h"
#include "meter/simulator/simulatedtransport.h"
#include "shell/meterchooser.h"
#include "base/datadir.h"
#include "base/prompter.h"
#include "shell/guiprompter.h"
#include "shell/mainwindow.h"
#include "shell/screenshotstate.h"

using namespace quedral;

namespace {

// Checks --simulate-faults and --simulate-serial and puts them in request; the message when
// one is refused, otherwise empty.
QString simulationOptionsProblem(const QCommandLineParser& parser, const QCommandLineOption& faults,
                                 const QCommandLineOption& serial, TransportRequest& request)
{
    for (const QCommandLineOption* o : {&faults, &serial}) {
        if (parser.isSet(*o) && !request.simulate)
            return QStringLiteral("--%1 works only with --simulate").arg(o->names().constFirst());
    }
    if (parser.isSet(faults)) {
        const ParsedFaults parsed = parseTransportFaults(parser.value(faults));
        if (!parsed.ok())
            return QStringLiteral("--simulate-faults: ") + parsed.error;
        request.faults = parsed.faults;
    }
    if (parser.isSet(serial)) {
        if (const QString problem = SimulatedMeter::serialProblem(parser.value(serial)); !problem.isEmpty())
            return QStringLiteral("--simulate-serial: ") + problem;
        request.simulatedSerial = parser.value(serial);
    }
    return simulatedMeterProblem(request); // --meter must name the one simulated meter
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("quedral");
    QCoreApplication::setOrganizationName("Quedral");
    QCoreApplication::setApplicationVersion(QStringLiteral(QUEDRAL_VERSION));
    // The desktop entry's id: the desktop matches our windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quedral.Quedral"));
    app.setWindowIcon(QIcon::fromTheme(QStringLiteral("org.quedral.Quedral")));

    QCommandLineParser parser;
    parser.setApplicationDescription("Companion program for the KV4471 sound level meter");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption simulate("simulate", "Use the built-in simulated meter instead of the USB meter.");
    QCommandLineOption simulateFaults("simulate-faults",
                                      QStringLiteral("With --simulate: faults of the simulated link, comma-separated: %1.")
                                          .arg(kFaultListSyntax),
                                      "LIST");
    QCommandLineOption simulateSerial("simulate-serial",
                                      "With --simulate: the simulated meter's serial number (its state kept apart "
                                      "from other serial numbers').",
                                      "SN");
    QCommandLineOption meter("meter", "The meter to use when several are attached: its serial number or hidraw path.",
                             "SERIAL|PATH");
    QCommandLineOption screenshot("screenshot", "Save a picture of the main window once start-up has settled, then exit.",
                                  "FILE.png");
    QCommandLineOption screenshotState(
        "screenshot-state",
        QStringLiteral("With --screenshot: the windows the picture shows, one of: %1 (default main).")
            .arg(screenshotViewNames().join(QStringLiteral(", "))),
        "NAME");
    QCommandLineOption dataDir("data-dir", "Folder for working files (temp/, template/, projects).", "DIR");
    QCommandLineOption setup("setup", "Open the Data Logger Setup window at start (service use).");
    parser.addOptions({simulate, simulateFaults, simulateSerial, meter, screenshot, screenshotState, dataDir, setup});
    parser.process(app);

    TransportRequest request;
    request.simulate = parser.isSet(simulate);
    request.meter = parser.value(meter);
    if (const QString error = simulationOptionsProblem(parser, simulateFaults, simulateSerial, request); !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }

    ScreenshotPlan plan;
    if (parser.isSet(screenshotState)) {
        if (!parser.isSet(screenshot)) {
            std::fprintf(stderr, "--screenshot-state works only with --screenshot\n");
            return 2;
        }
        if (!parseScreenshotView(parser.value(screenshotState), plan.view)) {
            std::fprintf(stderr, "--screenshot-state: '%s' is none of %s\n", qPrintable(parser.value(screenshotState)),
                         qPrintable(screenshotViewNames().join(QStringLiteral(", "))));
            return 2;
        }
    }

    DataDir::init(parser.value(dataDir));
    GuiPrompter prompter;
    Prompter::install(&prompter);

    // A picture is taken unattended: what the windows would ask is answered Cancel and what
    // they would say goes to standard error, so no dialog stands in the way.
    if (parser.isSet(screenshot))
        Prompter::install(nullptr);
    MainOptions options;
    options.transport = transportAtStart(request, Prompter::instance()); // unattended: no chooser either
    options.screenshotFile = parser.value(screenshot);
    options.screenshotPlan = plan;
    options.openSetup = parser.isSet(setup);
    const bool splash = options.screenshotFile.isEmpty();
    auto* main = new MainWindow(std::move(options));
    if (splash)
        main->showSplash();
    // Maximised; sized to the screen first for desktops without a window manager.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        main->resize(screen->availableGeometry().size());
    main->showMaximized();
    QObject::connect(main, &MainWindow::screenshotSaved, &app, [](bool ok) { QCoreApplication::exit(ok ? 0 : 1); });
    const int rc = app.exec();
    // Exit ends the loop without the close sequence; the windows go away here.
    delete main;
    Prompter::install(nullptr);
    return rc;
}
