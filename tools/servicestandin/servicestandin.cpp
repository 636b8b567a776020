#include "servicestandin.h"

#include "httprequest.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

namespace {
// The maker's list as its content-management server gives it: "order" sorts, "id" goes back.
const QByteArray reasonList = QStringLiteral(
    "{\"rows\":[{\"id\":101,\"order\":1,\"reason\":\"渲染速度慢\"},{\"id\":102,\"order\":2,\"reason\":\"价格太高\"},"
    "{\"id\":103,\"order\":3,\"reason\":\"插件不兼容\"},{\"id\":104,\"order\":4,\"reason\":\"不再需要\"},"
    "{\"id\":105,\"order\":5,\"reason\":\"其他软件\"}],\"total\":5}").toUtf8();
} // namespace

bool ServiceStandIn::start(quint16 port, const QString &logFile)
{
    m_log.setFileName(logFile);
    if (!m_log.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection())
            serve(socket);
    });
    return m_server.listen(QHostAddress::LocalHost, port);
}

quint16 ServiceStandIn::port() const
{
    return m_server.serverPort();
}

void ServiceStandIn::serve(QTcpSocket *socket)
{
    socket->setParent(this);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
        HttpRequest request;
        const bool complete = HttpRequest::take(buffer, &request);
        socket->setProperty("buffer", buffer);
        if (complete)
            answer(socket, request.method, request.target, request.body);
    });
}

void ServiceStandIn::answer(QTcpSocket *socket, const QByteArray &method, const QByteArray &target, const QByteArray &body)
{
    const QUrl url(QString::fromUtf8(target));
    const QString path = url.path();
    QJsonObject record{{QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
                       {QStringLiteral("method"), QString::fromLatin1(method)},
                       {QStringLiteral("path"), path}};
    int status = 200;
    QByteArray reply = "{\"code\":0}";
    if (path == QLatin1String("/cms/uninstallReason/getPresent")) {
        record.insert(QStringLiteral("kind"), QStringLiteral("reason list"));
        reply = reasonList;
    } else if (path == QLatin1String("/cms/uninstallReason/getUserUninstallReason")) {
        record.insert(QStringLiteral("kind"), QStringLiteral("survey answer"));
        record.insert(QStringLiteral("answer"), QJsonDocument::fromJson(body).object());
    } else if (path == QLatin1String("/clientChannel/clientChannelInfo")) {
        record.insert(QStringLiteral("kind"), QStringLiteral("installation report"));
        QJsonObject fields;
        const auto items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
        for (const auto &item : items)
            fields.insert(item.first, item.second);
        record.insert(QStringLiteral("report"), fields);
    } else {
        record.insert(QStringLiteral("kind"), QStringLiteral("unknown"));
        record.insert(QStringLiteral("target"), QString::fromUtf8(target));
        status = 404;
        reply = "{\"code\":404}";
    }
    m_log.write(QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n');
    m_log.flush();
    socket->write("HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Not Found")
                  + "\r\nContent-Type: application/json;charset=UTF-8\r\nContent-Length: " + QByteArray::number(reply.size())
                  + "\r\nConnection: close\r\n\r\n" + reply);
    socket->disconnectFromHost();
}
