#include "serveraddress.h"

#include "basewidget.h"

#include <QSettings>

namespace {
QString fromServiceFile(const QString &key, const QString &fallback)
{
    const QSettings service(BaseWidget::programDir() + QStringLiteral("/service.ini"), QSettings::IniFormat);
    QString address = service.value(key, fallback).toString();
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    return address;
}
} // namespace

QString ServerAddress::ops()
{
    return fromServiceFile(QStringLiteral("server/ops"), QStringLiteral(SUITE_OPS_SERVER));
}

QString ServerAddress::web()
{
    return fromServiceFile(QStringLiteral("server/web"), QStringLiteral(SUITE_WEB_SERVER));
}
