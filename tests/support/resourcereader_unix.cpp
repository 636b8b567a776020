#include "resourcereader.h"

#include <QProcess>
#include <QStandardPaths>

bool ResourceReader::available(QString *why)
{
    if (QStandardPaths::findExecutable(QStringLiteral("wrestool")).isEmpty()) {
        *why = QStringLiteral("wrestool (package icoutils) is not installed");
        return false;
    }
    return true;
}

QByteArray ResourceReader::read(const QString &executable, int type, const QString &name, int language)
{
    QProcess wrestool;
    wrestool.start(QStringLiteral("wrestool"),
                   {QStringLiteral("-x"), QStringLiteral("--raw"), QStringLiteral("--type=%1").arg(type),
                    QStringLiteral("--name=%1").arg(name), QStringLiteral("--language=%1").arg(language), executable});
    if (!wrestool.waitForFinished(30000) || wrestool.exitCode() != 0)
        return QByteArray();
    const QByteArray data = wrestool.readAllStandardOutput();
    return data.isEmpty() ? QByteArray() : data;
}

bool ResourceReader::isValidExecutable(const QString &executable)
{
    // The cross toolchain's objdump reads every header and section of a PE file.
    const QString objdump = QStandardPaths::findExecutable(QStringLiteral("x86_64-w64-mingw32-objdump"));
    if (objdump.isEmpty())
        return true;
    QProcess dump;
    dump.start(objdump, {QStringLiteral("-p"), executable});
    dump.waitForFinished(30000);
    const QByteArray errors = dump.readAllStandardError();
    return dump.exitStatus() == QProcess::NormalExit && dump.exitCode() == 0 && errors.isEmpty()
        && dump.readAllStandardOutput().contains("Resource Directory");
}
