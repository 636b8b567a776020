// The platform layer on Linux and other Unix systems: the registry lives in INI files, processes
// are read from /proc and stopped with SIGKILL.
#include "platform.h"

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

} // namespace Platform
