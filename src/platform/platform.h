#pragma once

// What differs between Windows and the other systems the suite is built on. Each system has one
// implementation file (platform_win.cpp, platform_unix.cpp), chosen in CMake; platform.cpp holds
// the pieces that are the same everywhere. Callers never test for the system themselves.

#include <QByteArray>
#include <QString>
#include <QStringList>

class QObject;
class QSettings;

namespace Platform {

// A settings handle on a full registry key path such as
// "HKEY_CURRENT_USER\Software\Havrel", owned by parent. Windows: the registry itself.
// Elsewhere: one INI file per hive in $XDG_CONFIG_HOME/Havrel/registry, the key path below the
// hive as group prefix.
QSettings *openKey(const QString &keyPath, QObject *parent);

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

// Runs program with args and waits for it at most msecs. True when it ended in time; output,
// when given, receives its standard output. A program that outlives the wait is killed.
bool runTool(const QString &program, const QStringList &args, int msecs, QByteArray *output = nullptr);

} // namespace Platform
