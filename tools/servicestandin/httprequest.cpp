#include "httprequest.h"

#include <QList>

bool HttpRequest::take(QByteArray &buffer, HttpRequest *request)
{
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return false;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    QMap<QByteArray, QByteArray> headers;
    for (const QByteArray &line : lines.mid(1)) {
        const int colon = line.indexOf(':');
        if (colon > 0)
            headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    const int length = headers.value("content-length").toInt();
    if (buffer.size() < headerEnd + 4 + length)
        return false;
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    request->method = requestLine.value(0);
    request->target = requestLine.value(1);
    request->headers = headers;
    request->body = buffer.mid(headerEnd + 4, length);
    buffer.remove(0, headerEnd + 4 + length);
    return true;
}
