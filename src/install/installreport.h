#pragma once

#include <QString>
#include <QUrl>

class QObject;

// The report that tells the operations server through which channel (the brand mark) and on
// which machine (network adapter, processor) the client was installed. Sent and forgotten.
class InstallReport
{
public:
    // Posts the report with an empty body; the request belongs to a network access manager
    // owned by owner. Returns the address posted to.
    static QUrl send(QObject *owner, const QString &mark);

    // Posts an empty body to url with a network access manager owned by owner; the answer is
    // not looked at.
    static void post(QObject *owner, const QUrl &url);

    // The report's address: the server, the path and the query items mark, macAddr, cpu.
    static QUrl address(const QString &server, const QString &mark, const QString &macAddress, const QString &cpuName);
};
