#pragma once

#include <QByteArray>
#include <QString>

// Reads one resource of a Windows executable the way the system's own tools see it: through
// the Windows resource functions on Windows, through icoutils' wrestool elsewhere.
class ResourceReader
{
public:
    // False (with why) when this system has no reader.
    static bool available(QString *why);
    // The resource's bytes; a null array when it is not there. name: a number or a string.
    static QByteArray read(const QString &executable, int type, const QString &name, int language);
    // True when the system accepts the file as an executable (it loads, or a PE dump reads it).
    static bool isValidExecutable(const QString &executable);
};
