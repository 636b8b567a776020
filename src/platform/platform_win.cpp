// The platform layer on Windows: the registry through the native settings format and the Win32
// registry calls, processes through the system's own "tasklist.exe" and "taskkill.exe".
#include "platform.h"

#include <QDebug>
#include <QSettings>

#include <windows.h>
#include <wbemidl.h>

namespace Platform {

QSettings *openKey(const QString &keyPath, QObject *parent)
{
    return new QSettings(keyPath, QSettings::NativeFormat, parent);
}

QVariant readUserValue(const QString &subKey, const QString &valueName)
{
    const QSettings key(QStringLiteral("HKEY_CURRENT_USER\\") + subKey, QSettings::NativeFormat);
    return key.value(valueName, QVariant());
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
    const QStringList arguments = {QStringLiteral("-F"), QStringLiteral("/IM"), imageName};
    if (actHook()) {
        actHook()(QStringLiteral("taskkill.exe"), arguments);
        return QByteArray();
    }
    QByteArray output;
    runTool(QStringLiteral("taskkill.exe"), arguments, 30000, &output);
    return output;
}

bool processorDescription(QString *description)
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return false;
    const HRESULT security = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                                  RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (FAILED(security) && security != RPC_E_TOO_LATE) {
        CoUninitialize();
        return false;
    }

    IWbemLocator *locator = nullptr;
    IWbemServices *services = nullptr;
    IEnumWbemClassObject *enumerator = nullptr;
    bool ran = false;
    QString result;
    BSTR space = SysAllocString(L"ROOT\\CIMV2");
    BSTR language = SysAllocString(L"WQL");
    BSTR query = SysAllocString(L"SELECT * FROM Win32_Processor");
    if (SUCCEEDED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                   reinterpret_cast<void **>(&locator)))
        && SUCCEEDED(locator->ConnectServer(space, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services))
        && SUCCEEDED(CoSetProxyBlanket(services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                                       RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE))
        && SUCCEEDED(services->ExecQuery(language, query, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                         nullptr, &enumerator))) {
        for (;;) {
            IWbemClassObject *processor = nullptr;
            ULONG returned = 0;
            enumerator->Next(WBEM_INFINITE, 1, &processor, &returned);
            if (returned == 0 || !processor)
                break;
            // With several processors the last one listed decides.
            VARIANT value;
            VariantInit(&value);
            if (SUCCEEDED(processor->Get(L"Name", 0, &value, nullptr, nullptr)) && value.vt == VT_BSTR)
                result = QString::fromWCharArray(value.bstrVal).trimmed();
            VariantClear(&value);
            if (SUCCEEDED(processor->Get(L"NumberOfCores", 0, &value, nullptr, nullptr))
                && SUCCEEDED(VariantChangeType(&value, &value, 0, VT_UI4)))
                result = QStringLiteral("[%1]").arg(value.ulVal) + result;
            VariantClear(&value);
            processor->Release();
        }
        ran = true;
    }
    if (enumerator)
        enumerator->Release();
    if (services)
        services->Release();
    if (locator)
        locator->Release();
    SysFreeString(query);
    SysFreeString(language);
    SysFreeString(space);
    CoUninitialize();
    if (ran)
        *description = result;
    return ran;
}

bool writeIconResources(const QString &executable, const QList<QPair<int, QByteArray>> &images)
{
    HANDLE update = BeginUpdateResourceW(reinterpret_cast<LPCWSTR>(executable.utf16()), FALSE);
    if (!update)
        return false;
    bool written = true;
    for (const auto &image : images) {
        written = written
            && UpdateResourceW(update, MAKEINTRESOURCEW(3), MAKEINTRESOURCEW(image.first), 1033,
                               const_cast<char *>(image.second.constData()), DWORD(image.second.size()));
    }
    // A failed write discards the whole update, so the executable is never left half changed.
    return EndUpdateResourceW(update, written ? FALSE : TRUE) && written;
}

void openToAllUsers(const QString &folder)
{
    runTool(QStringLiteral("icacls"), {folder, QStringLiteral("/grant"), QStringLiteral("EveryOne:F"), QStringLiteral("/t")},
            30000);
}

void startClient(const QString &clientPath)
{
    startDetached(QStringLiteral("explorer"), {clientPath});
}

QString cleanupScriptPath()
{
    return qEnvironmentVariable("SystemDrive", QStringLiteral("C:")) + QStringLiteral("\\ClearQLV.bat");
}

QByteArray cleanupScriptText(const QString &folder)
{
    return batchScriptText(folder);
}

void startCleanupScript(const QString &scriptPath)
{
    // CreateProcess documents batch files as run through the command interpreter, so it is
    // named. The script's own pause, one loopback echo, is over at once: started directly, it
    // raced the uninstaller's end and could not remove the still running uninstall.exe, nor the
    // product folder with it. So the interpreter first waits about three seconds (ping sends its
    // echoes a second apart), then runs the script by its path, its text unchanged.
    startDetached(QStringLiteral("cmd.exe"),
                  {QStringLiteral("/c"), QStringLiteral("ping -n 4 127.0.0.1>nul & %1").arg(scriptPath)});
}

} // namespace Platform
