#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Publishes one version of the client: the installer's package, the version manifest of the
// update protocol and the file store that answers the file requests.
//   OUT/packages/V/files.zip      what the installer unpacks
//   OUT/store/V/version.xml       the manifest (getVersionFile.htm?version=V)
//   OUT/store/V/files/...         the files (getVersionStream.htm?path=files/...&version=V)
class Publisher
{
public:
    struct File
    {
        QString relative; // "/" separated, below the version's folder
        QString hash;     // SHA-1, lower-case hexadecimal
        qint64 size = 0;
    };

    // The files below source, sorted; false with a reason when the folder cannot be read or holds
    // something a version cannot carry (a link, a name with "\").
    static bool collect(const QString &source, QList<File> *files, QString *error);

    // The manifest: prefix (the server's address, ending with "/"), one note element per note.
    static QByteArray manifest(const QString &version, const QString &prefix, const QStringList &notes,
                               const QList<File> &files);
    // The hashes of a published manifest by relative path; empty when it cannot be read.
    static QMap<QString, QString> publishedHashes(const QString &manifestFile);

    // Writes package, manifest and store for the version; false with a reason on any failure,
    // and then nothing of the version is left half-written in out.
    static bool publish(const QString &source, const QString &version, const QString &out, const QString &prefix,
                        const QStringList &notes, QList<File> *files, QString *error);
};
