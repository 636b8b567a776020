#pragma once

#include "updatefile.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// The version manifest and the requests of the update protocol.
class Manifest
{
public:
    QString version; // the root element's attribute, for the log only
    QList<UpdateFile> files;
    QList<UpdateFile> plugins;
    QStringList regs;
    QStringList bats;
    QString streamUrl; // prefix + "getVersionStream.htm"
    QStringList notes; // one per note element, in document order

    // False when the text is not well-formed XML.
    bool parse(const QByteArray &document);

    // webServer + "/getVersionFile.htm?version=" + version, nothing encoded.
    static QString manifestAddress(const QString &webServer, const QString &version);
    // current folder + path + name, no separator added.
    static QString checkPath(const QString &currentDir, const UpdateFile &file);
    // new folder + path + "/" + name.
    static QString targetPath(const QString &newDir, const UpdateFile &file);
    // streamUrl + "?path=files/" + path + "/" + name + "&version=" + version.
    static QString downloadAddress(const QString &streamUrl, const UpdateFile &file, const QString &version);
    // True when the entry's check path stays inside the current folder (when there is one) and
    // its target path inside the new folder: no ".." climbing out, no drive letters.
    static bool staysInside(const QString &currentDir, const QString &newDir, const UpdateFile &file);
    // SHA-1 of the file's content in lower-case hexadecimal, read in 4096-byte chunks; empty
    // when the file cannot be read.
    static QString hashFile(const QString &path);
};
