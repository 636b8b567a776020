#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The uninstall reason survey: the two requests to the maker's content-management server, the
// reading of the reason list and the forming of the answer.
class Survey
{
public:
    struct Reason
    {
        QString text;
        int id = 0;
    };

    // bsServer followed directly by the request's path.
    static QString listAddress(const QString &bsServer);
    static QString answerAddress(const QString &bsServer);

    // The reasons for the four options, at most four, by ascending "order"; a later row with the
    // same order replaces an earlier one. Anything that is not a JSON object with a "rows" array
    // gives none.
    static QList<Reason> reasonsFromReply(const QByteArray &body);

    // The answer body, compact JSON: one element per checked option in option order, given by
    // the options' tool tips (their reason identifiers; empty or not a number reads 0). The
    // element of the option whose identifier is -1 carries id 0, the first 100 characters of
    // other and the contact.
    static QByteArray answerBody(const QStringList &checkedToolTips, const QString &other, const QString &contact);
};
