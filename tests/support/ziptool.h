#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

// Builds zip archives for tests, names exactly as given (folders end in "/").
struct ZipEntry
{
    QString name;
    QByteArray data;
};

Q_DECLARE_METATYPE(ZipEntry)

bool writeZip(const QString &archive, const QList<ZipEntry> &entries, bool storeOnly = false);
