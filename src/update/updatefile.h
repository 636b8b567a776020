#pragma once

#include <QString>

// One file of a version, as the manifest names it.
struct UpdateFile
{
    QString name;
    QString path;     // the file's folder below the installation root, joined verbatim
    QString hashCode; // SHA-1 of the content, 40 lower-case hexadecimal digits
    QString localFile; // an identical file in the current installation, when there is one
};
