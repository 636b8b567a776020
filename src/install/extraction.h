#pragma once

#include <QString>
#include <QStringList>

class QObject;

// Unpacking of the client package.
class Extraction
{
public:
    // Unpacks every entry of archive below target, in archive order, and renames progress after
    // each unpacked entry (its name changes are the per-entry notification). Returns the absolute
    // paths of the unpacked entries, or an empty list when the archive cannot be read, an entry
    // fails or is refused, or closing fails; then every file unpacked in the call is removed
    // again (folders stay). Entries whose names would land outside target are refused.
    static QStringList QLVextractDir(QString archive, QString target, QObject *progress);

    // True when an entry name resolves to a place inside the folder it is unpacked to: not
    // absolute, no drive letter, no ".." climbing above the top. Both "/" and "\" separate.
    static bool staysInside(const QString &entryName);
};
