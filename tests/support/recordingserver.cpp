#include "recordingserver.h"

#include "httprequest.h"

#include <QTcpSocket>
#include <QTest>

RecordingServer::RecordingServer(int lifetimeMs)
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection())
            serve(socket);
    });
    m_lifetime.setSingleShot(true);
    connect(&m_lifetime, &QTimer::timeout, &m_server, &QTcpServer::close);
    m_lifetime.start(lifetimeMs);
}

bool RecordingServer::isListening() const
{
    return m_server.isListening();
}

QString RecordingServer::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void RecordingServer::answer(const QByteArray &target, const QByteArray &body, int status)
{
    m_answers.insert(target, {status, body});
}

void RecordingServer::answerBroken(const QByteArray &target, const QByteArray &body)
{
    m_answers.insert(target, {200, body});
    m_broken.append(target);
}

bool RecordingServer::waitForRequests(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return requests.size() >= count; }, timeoutMs);
}

void RecordingServer::serve(QTcpSocket *socket)
{
    socket->setParent(this);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
        HttpRequest received;
        const bool complete = HttpRequest::take(buffer, &received);
        socket->setProperty("buffer", buffer);
        if (!complete)
            return;
        const Request request{received.method, received.target, received.body, received.headers};
        requests.append(request);
        const QByteArray path = request.target.split('?').first();
        auto found = m_answers.constFind(request.target);
        if (found == m_answers.constEnd())
            found = m_answers.constFind(path);
        const bool broken = m_broken.contains(request.target);
        const int status = found == m_answers.constEnd() ? 404 : found->first;
        const QByteArray body = found == m_answers.constEnd() ? QByteArray("not found") : found->second;
        socket->write("HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Error")
                      + "\r\nContent-Type: application/json;charset=UTF-8\r\nContent-Length: "
                      + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n"
                      + (broken ? body.left(body.size() / 2) : body));
        if (broken) {
            // Half the body reaches the client before the connection breaks.
            socket->flush();
            socket->waitForBytesWritten(5000);
            socket->abort();
        }
        else
            socket->disconnectFromHost();
    });
}
