// service-standin --port N --log FILE [--port-file FILE]: see ServiceStandIn. Runs until killed.
#include "servicestandin.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in for the operations and content-management servers."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Port on 127.0.0.1; 0 takes a free one."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("JSON-lines file of what arrives."), QStringLiteral("FILE"));
    const QCommandLineOption portFile(QStringLiteral("port-file"), QStringLiteral("Where to write the port taken."),
                                      QStringLiteral("FILE"));
    parser.addOptions({port, log, portFile});
    parser.process(app);
    if (!parser.isSet(log)) {
        std::fprintf(stderr, "service-standin: --log is required\n");
        return 2;
    }
    ServiceStandIn service;
    if (!service.start(quint16(parser.value(port).toUInt()), parser.value(log))) {
        std::fprintf(stderr, "service-standin: cannot listen or open the log\n");
        return 1;
    }
    if (parser.isSet(portFile)) {
        QFile file(parser.value(portFile));
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray::number(service.port())) <= 0)
            return 1;
    }
    std::printf("listening on 127.0.0.1:%u\n", unsigned(service.port()));
    std::fflush(stdout);
    return app.exec();
}
