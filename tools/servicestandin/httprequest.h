#pragma once

#include <QByteArray>
#include <QMap>

// One HTTP/1.1 request as the small servers of development and tests read it: the request line,
// the headers and a body of Content-Length bytes.
class HttpRequest
{
public:
    QByteArray method;
    QByteArray target;                     // path and query, as sent
    QMap<QByteArray, QByteArray> headers;  // names in lower case
    QByteArray body;

    // Takes one complete request from the front of buffer; false, buffer untouched, while it is
    // not complete yet.
    static bool take(QByteArray &buffer, HttpRequest *request);
};
