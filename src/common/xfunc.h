#pragma once

#include <QJsonObject>
#include <QString>

// Static helpers shared by the programs: text conversions and queries of the machine.
class XFunc
{
public:
    // Compact JSON text of the object, members in ascending key order.
    static QString jsonToString(const QJsonObject &object);
    // The object the text holds; an empty object for anything that is not a JSON object.
    static QJsonObject stringToJson(const QString &text);
};
