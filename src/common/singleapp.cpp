#include "singleapp.h"

#include <QDebug>
#include <QLocalServer>
#include <QLocalSocket>

const char *const SingleApp::endpointName = "qelvora_install";

SingleApp::SingleApp(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool SingleApp::exist()
{
    const QString name = QString::fromLatin1(endpointName);
    socket = new QLocalSocket(this);
    socket->connectToServer(name, QIODevice::ReadWrite);
    if (socket->waitForConnected(1000)) {
        // The connection itself is the whole message; it stays open until this process ends.
        qDebug() << "server exist";
        return true;
    }

    server = new QLocalServer(this);
    // An owner that ended without cleaning up leaves its endpoint behind (a socket file on Unix).
    QLocalServer::removeServer(name);
    server->listen(name);
    connect(server, &QLocalServer::newConnection, this, &SingleApp::showUp);
    return false;
}
