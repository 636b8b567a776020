#include "xfunc.h"

#include "platform.h"

#include <QJsonDocument>
#include <QNetworkInterface>

QVariant XFunc::readUserReg(const QString &path, const QString &name)
{
    return Platform::readUserValue(path, name);
}

QString XFunc::getMacAddress()
{
    QList<QPair<QString, QString>> interfaces;
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : all)
        interfaces.append({interface.humanReadableName(), interface.hardwareAddress()});
    return pickMacAddress(interfaces);
}

QString XFunc::pickMacAddress(const QList<QPair<QString, QString>> &interfaces)
{
    // Virtual adapters of virtual machines, tunnels and loopbacks do not identify the machine.
    static const QStringList skipped = {QStringLiteral("VMware"), QStringLiteral("Tunnel"), QStringLiteral("Tunneling"),
                                        QStringLiteral("Loopback"), QStringLiteral("Pseudo"), QStringLiteral("isatap")};
    QString result;
    for (const auto &interface : interfaces) {
        const bool skip = std::any_of(skipped.cbegin(), skipped.cend(), [&](const QString &word) {
            return interface.first.contains(word, Qt::CaseInsensitive);
        });
        if (skip)
            continue;
        const QString address = interface.second.toUpper();
        if (address.size() == 17)
            result = address;
    }
    return result;
}

bool XFunc::getCpuInfo(MachineInfo &info)
{
    return Platform::processorDescription(&info.cpuName);
}

QString XFunc::encodeUrl(QString text)
{
    text.replace(QLatin1Char(':'), QStringLiteral("%3A"));
    text.replace(QLatin1Char('/'), QStringLiteral("%2F"));
    text.replace(QLatin1Char('?'), QStringLiteral("%3F"));
    text.replace(QLatin1Char('&'), QStringLiteral("%26"));
    text.replace(QLatin1Char('='), QStringLiteral("%3D"));
    return text;
}

QString XFunc::jsonToString(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QJsonObject XFunc::stringToJson(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}
