#pragma once

#include <QFile>
#include <QTcpServer>

// A stand-in for the maker's operations and content-management servers, for development and
// tests only: it offers a reason list for the uninstall survey, and records every installation
// report, survey answer and other request as one JSON line in a file.
class ServiceStandIn : public QObject
{
    Q_OBJECT
public:
    // False when the log cannot be opened or the port not bound; port 0 takes a free one.
    bool start(quint16 port, const QString &logFile);
    quint16 port() const;

private:
    void serve(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QByteArray &method, const QByteArray &target, const QByteArray &body);

    QTcpServer m_server;
    QFile m_log;
};
