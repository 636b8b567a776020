#include "xfunc.h"

#include <QJsonDocument>

QString XFunc::jsonToString(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QJsonObject XFunc::stringToJson(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}
