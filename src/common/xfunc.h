#pragma once

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

// What the installer learns about the machine. Only the processor description is used.
struct MachineInfo
{
    // "[" + number of cores + "]" + the processor's name; empty until filled.
    QString cpuName;
};

// Static helpers: queries of the machine and the text conversions they travel in.
class XFunc
{
public:
    // A value below HKEY_CURRENT_USER ("\" separated key path); invalid when absent.
    static QVariant readUserReg(const QString &path, const QString &name);
    // The hardware address of the last physical network adapter, upper case, or empty text.
    static QString getMacAddress();
    // The address that getMacAddress picks from (human-readable name, hardware address) pairs
    // in the order the system lists its adapters.
    static QString pickMacAddress(const QList<QPair<QString, QString>> &interfaces);
    // Fills info.cpuName; false when the processor could not be queried.
    static bool getCpuInfo(MachineInfo &info);
    // Percent-escapes ":", "/", "?", "&" and "=", nothing else.
    static QString encodeUrl(QString text);

    // Compact JSON text of the object, members in ascending key order.
    static QString jsonToString(const QJsonObject &object);
    // The object the text holds; an empty object for anything that is not a JSON object.
    static QJsonObject stringToJson(const QString &text);
};
