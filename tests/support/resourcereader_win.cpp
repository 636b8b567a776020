#include "resourcereader.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <windows.h>

bool ResourceReader::available(QString *)
{
    return true;
}

QByteArray ResourceReader::read(const QString &executable, int type, const QString &name, int language)
{
    const QString native = QDir::toNativeSeparators(QFileInfo(executable).absoluteFilePath());
    HMODULE module = LoadLibraryExW(reinterpret_cast<LPCWSTR>(native.utf16()), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return QByteArray();
    bool isNumber = false;
    const int id = name.toInt(&isNumber);
    const QString upper = name.toUpper();
    LPCWSTR resourceName = isNumber ? MAKEINTRESOURCEW(id) : reinterpret_cast<LPCWSTR>(upper.utf16());
    QByteArray data;
    if (HRSRC resource = FindResourceExW(module, MAKEINTRESOURCEW(type), resourceName, WORD(language))) {
        data = QByteArray(static_cast<const char *>(LockResource(LoadResource(module, resource))),
                          int(SizeofResource(module, resource)));
    }
    FreeLibrary(module);
    return data;
}

bool ResourceReader::isValidExecutable(const QString &executable)
{
    // The fixtures are programs that end at once with exit code 0.
    QProcess program;
    program.start(executable, QStringList());
    return program.waitForFinished(30000) && program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0;
}
