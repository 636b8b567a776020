#include "survey.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

QString Survey::listAddress(const QString &bsServer)
{
    return bsServer + QStringLiteral("/cms/uninstallReason/getPresent");
}

QString Survey::answerAddress(const QString &bsServer)
{
    return bsServer + QStringLiteral("/cms/uninstallReason/getUserUninstallReason");
}

QList<Survey::Reason> Survey::reasonsFromReply(const QByteArray &body)
{
    const QJsonObject top = QJsonDocument::fromJson(body).object();
    QMap<int, QJsonObject> byOrder;
    for (const QJsonValue &row : top.value(QStringLiteral("rows")).toArray()) {
        const QJsonObject object = row.toObject();
        // toInt() gives 0 for a string or a missing field, as the server's older lists expect.
        byOrder.insert(object.value(QStringLiteral("order")).toInt(), object);
    }
    QList<Reason> reasons;
    for (const QJsonObject &object : qAsConst(byOrder)) {
        if (reasons.size() == 4)
            break;
        reasons.append({object.value(QStringLiteral("reason")).toString(), object.value(QStringLiteral("id")).toInt()});
    }
    return reasons;
}

QByteArray Survey::answerBody(const QStringList &checkedToolTips, const QString &other, const QString &contact)
{
    QJsonArray rows;
    for (const QString &toolTip : checkedToolTips) {
        const int id = toolTip.toInt();
        QJsonObject row;
        if (id == -1) {
            row.insert(QStringLiteral("id"), 0);
            row.insert(QStringLiteral("other"), other.left(100));
            row.insert(QStringLiteral("contact"), contact);
        } else {
            row.insert(QStringLiteral("id"), id);
        }
        rows.append(row);
    }
    const QJsonObject answer{{QStringLiteral("rows"), rows}};
    qDebug() << answer;
    return QJsonDocument(answer).toJson(QJsonDocument::Compact);
}
