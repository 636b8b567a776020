// The platform layer on Linux and other Unix systems: the registry lives in INI files, processes
// are read from /proc and stopped with SIGKILL.
#include "platform.h"

#include "peresources.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <signal.h>
#include <sys/types.h>

namespace {

QString registryFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Havrel/registry");
}

struct KeyPath
{
    QString hive;  // "HKEY_CURRENT_USER"
    QString group; // "Software/Havrel", empty for the hive itself
};

KeyPath splitKeyPath(const QString &keyPath)
{
    QString path = keyPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    return {parts.first(), parts.mid(1).join(QLatin1Char('/'))};
}

QSettings *openHive(const KeyPath &key, QObject *parent)
{
    // A key path without a hive still gets a file of its own, so nothing lands in another hive.
    const QString hive = key.hive.isEmpty() ? QStringLiteral("INVALID") : key.hive;
    auto *settings = new QSettings(registryFolder() + QLatin1Char('/') + hive + QStringLiteral(".ini"),
                                   QSettings::IniFormat, parent);
    if (!key.group.isEmpty())
        settings->beginGroup(key.group);
    return settings;
}

// The image name of a running process: the file name of its executable. When the link is not
// readable (another user's process), the first word of its command line or its short name.
QString imageName(const QString &procDir)
{
    const QString exe = QFile::symLinkTarget(procDir + QStringLiteral("/exe"));
    if (!exe.isEmpty()) {
        QString name = QFileInfo(exe).fileName();
        const QString deleted = QStringLiteral(" (deleted)");
        if (name.endsWith(deleted))
            name.chop(deleted.size());
        return name;
    }
    QFile cmdline(procDir + QStringLiteral("/cmdline"));
    if (cmdline.open(QIODevice::ReadOnly)) {
        const QByteArray argv0 = cmdline.readAll().split('\0').value(0);
        if (!argv0.isEmpty())
            return QFileInfo(QString::fromLocal8Bit(argv0)).fileName();
    }
    QFile comm(procDir + QStringLiteral("/comm"));
    if (comm.open(QIODevice::ReadOnly))
        return QString::fromLocal8Bit(comm.readAll().trimmed());
    return QString();
}

struct RunningProcess
{
    qint64 pid;
    QString image;
};

QList<RunningProcess> runningProcesses()
{
    QList<RunningProcess> list;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        const QString image = imageName(QStringLiteral("/proc/") + entry);
        if (!image.isEmpty())
            list.append({pid, image});
    }
    return list;
}

} // namespace

namespace Platform {

QSettings *openKey(const QString &keyPath, QObject *parent)
{
    return openHive(splitKeyPath(keyPath), parent);
}

QVariant readUserValue(const QString &subKey, const QString &valueName)
{
    QSettings *hive = openHive(splitKeyPath(QStringLiteral("HKEY_CURRENT_USER\\") + subKey), nullptr);
    const QVariant value = hive->value(valueName);
    delete hive;
    if (value.isValid())
        return value;
    const QString shellFolders = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    if (subKey.compare(shellFolders, Qt::CaseInsensitive) == 0 && valueName == QLatin1String("AppData"))
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QVariant();
}

QString readMachineValue64(const QString &subKey, const QString &valueName)
{
    QSettings *hive = openHive(splitKeyPath(QStringLiteral("HKEY_LOCAL_MACHINE\\") + subKey), nullptr);
    const QString value = hive->value(valueName).toString();
    delete hive;
    // The Windows read uses a 1024-byte buffer: 511 UTF-16 units and the terminating NUL fit,
    // anything longer fails there, so it reads as empty here too.
    QString result = value.size() > 511 ? QString() : value;
    const int nul = result.indexOf(QChar(0));
    if (nul >= 0)
        result.truncate(nul);
    qDebug() << 0;
    return result;
}

QString programFilesFolder()
{
    const QString variable = qEnvironmentVariable("PROGRAMFILES");
    if (!variable.isEmpty())
        return variable;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Programs");
}

QByteArray processListing(const QString &imageName)
{
    // tasklist filters by name; here the whole listing is searched, which finds the same names.
    Q_UNUSED(imageName);
    QByteArray listing;
    for (const RunningProcess &process : runningProcesses())
        listing += process.image.toUtf8() + '\n';
    return listing;
}

QByteArray stopProcesses(const QString &imageName)
{
    if (actHook()) {
        actHook()(QStringLiteral("kill"), {QStringLiteral("-KILL"), imageName});
        return QByteArray();
    }
    QByteArray report;
    for (const RunningProcess &process : runningProcesses()) {
        if (process.image != imageName)
            continue;
        const bool stopped = ::kill(static_cast<pid_t>(process.pid), SIGKILL) == 0;
        report += (stopped ? "SUCCESS: The process \"" : "ERROR: The process \"") + imageName.toUtf8()
            + "\" with PID " + QByteArray::number(process.pid)
            + (stopped ? " has been terminated.\n" : " could not be terminated.\n");
    }
    if (report.isEmpty())
        report = "ERROR: The process \"" + imageName.toUtf8() + "\" not found.\n";
    return report;
}

bool processorDescription(QString *description)
{
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (!cpuinfo.open(QIODevice::ReadOnly))
        return false;
    QString name;
    QString cores;
    int processors = 0;
    const QList<QByteArray> lines = cpuinfo.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const int colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray key = line.left(colon).trimmed();
        const QString value = QString::fromUtf8(line.mid(colon + 1).trimmed());
        if (key == "processor")
            ++processors;
        else if (key == "model name")
            name = value; // the last processor listed decides, as with several WMI objects
        else if (key == "cpu cores" && cores.isEmpty())
            cores = value;
    }
    if (processors == 0)
        return false;
    // Some systems (virtual machines, other architectures) do not report cores per package.
    if (cores.isEmpty())
        cores = QString::number(processors);
    *description = QStringLiteral("[%1]").arg(cores) + name;
    return true;
}

bool writeIconResources(const QString &executable, const QList<QPair<int, QByteArray>> &images)
{
    QString error;
    if (PeResources::update(executable, 3, 1033, images, &error))
        return true;
    qDebug() << "icon resources not written:" << executable << error;
    return false;
}

void openToAllUsers(const QString &folder)
{
    runTool(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("a+rwX"), folder}, 30000);
}

void startClient(const QString &clientPath)
{
    startDetached(clientPath, {});
}

QString cleanupScriptPath()
{
    return QDir::tempPath() + QStringLiteral("/ClearQLV.sh");
}

QByteArray cleanupScriptText(const QString &folder)
{
    return shellScriptText(folder);
}

void startCleanupScript(const QString &scriptPath)
{
    startDetached(QStringLiteral("/bin/sh"), {scriptPath});
}

} // namespace Platform
