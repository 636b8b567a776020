#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Writes resources into a Windows executable (PE32 or PE32+) on any system, as the Windows
// resource update does: the named resources are added or replaced, every other resource stays,
// and the file remains a valid executable. The new resource section takes the place of the old
// one when that is the file's last section; otherwise it is added as a new last section.
class PeResources
{
public:
    // items: (id, data) pairs of the given numeric type and language. False, with the file
    // untouched, when it is not a PE file this writer understands or cannot be written.
    static bool update(const QString &file, quint16 type, quint16 language,
                       const QList<QPair<int, QByteArray>> &items, QString *error = nullptr);
};
