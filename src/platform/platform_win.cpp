// The platform layer on Windows: the registry through the native settings format and the Win32
// registry calls, processes through the system's own "tasklist.exe" and "taskkill.exe".
#include "platform.h"

#include <QDebug>
#include <QSettings>

#include <windows.h>

namespace Platform {

QSettings *openKey(const QString &keyPath, QObject *parent)
{
    return new QSettings(keyPath, QSettings::NativeFormat, parent);
}

QString readMachineValue64(const QString &subKey, const QString &valueName)
{
    HKEY key = nullptr;
    // The settings handles see the program's own registry view; 3ds Max registers itself in the
    // 64-bit view, so this read asks for that view explicitly.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(subKey.utf16()), 0,
                      KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return QString();

    wchar_t buffer[512];
    DWORD size = sizeof(buffer);
    QString result;
    if (RegQueryValueExW(key, reinterpret_cast<LPCWSTR>(valueName.utf16()), nullptr, nullptr,
                         reinterpret_cast<LPBYTE>(buffer), &size) == ERROR_SUCCESS) {
        // The data need not end with a NUL; never read past what was written.
        const int units = static_cast<int>(qMin<DWORD>(size, sizeof(buffer)) / sizeof(wchar_t));
        int length = 0;
        while (length < units && buffer[length] != 0)
            ++length;
        result = QString::fromWCharArray(buffer, length);
    }
    qDebug() << RegCloseKey(key);
    return result;
}

QString programFilesFolder()
{
    return qEnvironmentVariable("PROGRAMFILES");
}

QByteArray processListing(const QString &imageName)
{
    QByteArray output;
    runTool(QStringLiteral("tasklist.exe"),
            {QStringLiteral("-fi"), QStringLiteral("imagename eq %1").arg(imageName)}, 30000, &output);
    return output;
}

QByteArray stopProcesses(const QString &imageName)
{
    QByteArray output;
    runTool(QStringLiteral("taskkill.exe"), {QStringLiteral("-F"), QStringLiteral("/IM"), imageName},
            30000, &output);
    return output;
}

} // namespace Platform
