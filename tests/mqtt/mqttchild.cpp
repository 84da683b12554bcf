// mqtt_publisher_child HOST PORT PREFIX SERIAL: connects a publisher, prints "connected" once
// it is, and runs until it is killed.
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "mqtt/mqttpublisher.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2;
    quedral::MqttOptions options;
    options.host = args[1];
    options.port = args[2].toInt();
    options.prefix = args[3];
    options.serial = args[4];
    quedral::MqttPublisher publisher(options);
    QObject::connect(&publisher, &quedral::MqttPublisher::connectedChanged, [](bool connected) {
        if (connected) {
            std::fputs("connected\n", stdout);
            std::fflush(stdout);
        }
    });
    if (!publisher.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(publisher.errorString()));
        return 1;
    }
    return app.exec();
}
