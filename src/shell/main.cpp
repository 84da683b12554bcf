#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <cstdio>

#include "meter/simulator/simulatedtransport.h"
#include "base/datadir.h"
#include "base/prompter.h"
#include "shell/guiprompter.h"
#include "shell/mainwindow.h"

using namespace quedral;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("quedral");
    QCoreApplication::setOrganizationName("Quedral");
    QCoreApplication::setApplicationVersion(QStringLiteral(QUEDRAL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription("Companion program for the KV4471 sound level meter");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption simulate("simulate", "Use the built-in simulated meter instead of the USB meter.");
    QCommandLineOption simulateFaults("simulate-faults",
                                      QStringLiteral("With --simulate: faults of the simulated link, comma-separated: %1.")
                                          .arg(kFaultListSyntax),
                                      "LIST");
    QCommandLineOption screenshot("screenshot", "Save a picture of the main window once start-up has settled, then exit.",
                                  "FILE.png");
    QCommandLineOption dataDir("data-dir", "Folder for working files (temp/, template/, projects).", "DIR");
    QCommandLineOption setup("setup", "Open the Data Logger Setup window at start (service use).");
    parser.addOptions({simulate, simulateFaults, screenshot, dataDir, setup});
    parser.process(app);

    TransportFaults faults;
    if (parser.isSet(simulateFaults)) {
        const ParsedFaults parsed = parseTransportFaults(parser.value(simulateFaults));
        QString error;
        if (!parser.isSet(simulate))
            error = QStringLiteral("--simulate-faults works only with --simulate");
        else if (!parsed.ok())
            error = QStringLiteral("--simulate-faults: ") + parsed.error;
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 2;
        }
        faults = parsed.faults;
    }

    DataDir::init(parser.value(dataDir));
    GuiPrompter prompter;
    Prompter::install(&prompter);

    MainOptions options;
    options.transport = makeTransport(parser.isSet(simulate), faults);
    options.screenshotFile = parser.value(screenshot);
    options.openSetup = parser.isSet(setup);
    const bool splash = options.screenshotFile.isEmpty();
    auto* main = new MainWindow(std::move(options));
    if (splash)
        main->showSplash();
    // Maximised; sized to the screen first for desktops without a window manager.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        main->resize(screen->availableGeometry().size());
    main->showMaximized();
    const int rc = app.exec();
    // Exit ends the loop without the close sequence; the windows go away here.
    delete main;
    Prompter::install(nullptr);
    return rc;
}
