#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QTcpServer>
#include <QTimer>

// An HTTP server on 127.0.0.1 for one test: records every request and answers from a table of
// paths (anything else: 404). It stops listening by itself after a bounded time.
class RecordingServer : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QByteArray target; // path and query, as sent
        QByteArray body;
        QMap<QByteArray, QByteArray> headers; // names in lower case
    };

    explicit RecordingServer(int lifetimeMs = 120000);

    bool isListening() const;
    QString base() const; // "http://127.0.0.1:PORT"
    // Answers for a path, or for a path with its query (which takes precedence).
    void answer(const QByteArray &target, const QByteArray &body, int status = 200);
    // Announces the whole body, sends only its first half, then drops the connection.
    void answerBroken(const QByteArray &target, const QByteArray &body);
    // Waits until at least count requests have arrived.
    bool waitForRequests(int count, int timeoutMs = 30000);

    QList<Request> requests;

private:
    void serve(QTcpSocket *socket);

    QTcpServer m_server;
    QTimer m_lifetime;
    QMap<QByteArray, QPair<int, QByteArray>> m_answers;
    QList<QByteArray> m_broken;
};
