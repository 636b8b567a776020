#include "installreport.h"

#include "serveraddress.h"
#include "xfunc.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QUrlQuery>

QUrl InstallReport::send(QObject *owner, const QString &mark)
{
    MachineInfo info;
    XFunc::getCpuInfo(info);
    const QUrl url = address(ServerAddress::ops(), mark, XFunc::getMacAddress(), info.cpuName);
    post(owner, url);
    qDebug() << "qD" << url;
    return url;
}

void InstallReport::post(QObject *owner, const QUrl &url)
{
    auto *manager = new QNetworkAccessManager(owner);
    manager->post(QNetworkRequest(url), QByteArray());
}

QUrl InstallReport::address(const QString &server, const QString &mark, const QString &macAddress, const QString &cpuName)
{
    QUrl url(server + QStringLiteral("/clientChannel/clientChannelInfo"));
    QUrlQuery query;
    // An empty mark still travels as "mark=": a null text would drop the "=".
    query.addQueryItem(QStringLiteral("mark"), mark.isNull() ? QStringLiteral("") : mark);
    query.addQueryItem(QStringLiteral("macAddr"), XFunc::encodeUrl(macAddress));
    query.addQueryItem(QStringLiteral("cpu"), XFunc::encodeUrl(cpuName));
    url.setQuery(query);
    return url;
}
