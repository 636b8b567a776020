#pragma once

// What differs between Windows and the other systems the suite is built on. Each system has one
// implementation file (platform_win.cpp, platform_unix.cpp), chosen in CMake; platform.cpp holds
// the pieces that are the same everywhere. Callers never test for the system themselves.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class QObject;
class QSettings;

namespace Platform {

// A settings handle on a full registry key path such as
// "HKEY_CURRENT_USER\Software\Havrel", owned by parent. Windows: the registry itself.
// Elsewhere: one INI file per hive in $XDG_CONFIG_HOME/Havrel/registry, the key path below the
// hive as group prefix.
QSettings *openKey(const QString &keyPath, QObject *parent);

// A value below HKEY_CURRENT_USER, an invalid variant when absent. Off Windows the value "AppData"
// of the "Shell Folders" key, unless stored, is the per-user data location.
QVariant readUserValue(const QString &subKey, const QString &valueName);

// A string value below HKEY_LOCAL_MACHINE in the 64-bit registry view. Values whose data does
// not fit 1024 bytes (511 characters and the terminating NUL) read as empty, as does anything
// missing. Writes the key's close status to the debug channel.
QString readMachineValue64(const QString &subKey, const QString &valueName);

// The text in which a running process's image name is searched for: the output of
// "tasklist.exe -fi "imagename eq NAME"" on Windows, the image names of all running processes
// elsewhere. Empty when the listing could not be had within 30000 ms.
QByteArray processListing(const QString &imageName);

// Forced stop of every process whose image name is exactly imageName; returns the stop tool's
// report, meant for the debug channel only.
QByteArray stopProcesses(const QString &imageName);

// The program-files folder, the default place of installations: the variable "PROGRAMFILES";
// where it is unset off Windows, a folder in the user's data location.
QString programFilesFolder();

// The user's programs menu and desktop folders.
QString programsMenuFolder();
QString desktopFolder();

// The processor as "[" + cores + "]" + name (WMI's Win32_Processor on Windows, /proc/cpuinfo
// elsewhere). False when it could not be read; description is then left as it was.
bool processorDescription(QString *description);

// Writes icon images (RT_ICON, language 1033) into a Windows executable, keeping every other
// resource: images holds (id, image bytes) pairs. Windows: the system's resource update, whose
// failures go unnoticed. Elsewhere: a writer of the PE format, false when the file is no PE.
bool writeIconResources(const QString &executable, const QList<QPair<int, QByteArray>> &images);

// Opens a folder and everything below it to all users ("icacls FOLDER /grant EveryOne:F /t" on
// Windows, "chmod -R a+rwX FOLDER" elsewhere), waiting at most 30000 ms.
void openToAllUsers(const QString &folder);

// Starts a program detached. startClient starts the client through the desktop shell
// ("explorer" on Windows), so that it is not a child of the program that starts it.
void startDetached(const QString &program, const QStringList &arguments);
void startClient(const QString &clientPath);

// The uninstaller's clean-up script, which removes the product folder once the uninstaller has
// ended, then itself. Windows: "ClearQLV.bat" in the system drive's root, the batch form, run by
// the command interpreter after a pause of about three seconds, so that the uninstaller has ended
// and its file can go. Elsewhere: "ClearQLV.sh" in the temporary folder, the shell form, run by
// /bin/sh.
QString cleanupScriptPath();
QByteArray cleanupScriptText(const QString &folder);
void startCleanupScript(const QString &scriptPath);
// The two forms, built the same on every system: a short pause, the removal of folder with
// everything in it, the removal of the script itself. The batch form is the exact text the
// Windows uninstaller writes: three lines in the local 8-bit encoding, CR LF between them, none
// after the last, the folder with "\" separators.
QByteArray batchScriptText(const QString &folder);
QByteArray shellScriptText(const QString &folder);

// Tests observe the acts that must not really happen in a test (starting programs detached,
// stopping processes by name) through this hook: when set, those acts call it with the program
// and its arguments instead of happening. Empty: the acts happen.
using ActHook = std::function<void(const QString &program, const QStringList &arguments)>;
void setActHookForTesting(const ActHook &hook);
// The hook, if any: platform backends consult it before acting.
const ActHook &actHook();

// Runs program with args and waits for it at most msecs. True when it ended in time; output,
// when given, receives its standard output. A program that outlives the wait is killed.
bool runTool(const QString &program, const QStringList &args, int msecs, QByteArray *output = nullptr);

} // namespace Platform
