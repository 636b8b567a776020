#include "extraction.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>

namespace {

// Large enough that reading and writing cost few calls per megabyte, small enough to stay in cache.
constexpr qint64 chunkSize = 256 * 1024;

void removeFiles(const QStringList &files)
{
    for (const QString &file : files) {
        if (QFileInfo(file).isFile())
            QFile::remove(file);
    }
}

// Unpacks the current entry of zip to destination; a name ending in "/" is a folder. A partly
// written file is removed again.
bool extractEntry(QuaZip &zip, const QString &destination, QString *lastFolder)
{
    QuaZipFileInfo64 info;
    if (!zip.getCurrentFileInfo(&info))
        return false;
    const QFile::Permissions permissions = info.getPermissions();

    const bool isFolder = destination.endsWith(QLatin1Char('/'));
    const QString folder = isFolder ? destination : QFileInfo(destination).absolutePath();
    // Entries come folder by folder, so most share the folder of the one before.
    if (folder != *lastFolder) {
        if (!QDir().mkpath(folder))
            return false;
        *lastFolder = folder;
    }
    if (isFolder) {
        if (permissions != 0)
            QFile::setPermissions(destination, permissions);
        return true;
    }
    if (info.isSymbolicLink()) {
        // A link could point anywhere, and later entries would be written through it.
        qDebug() << "refused entry (a link):" << info.name;
        return false;
    }

    QuaZipFile in(&zip);
    if (!in.open(QIODevice::ReadOnly) || in.getZipError() != UNZ_OK)
        return false;
    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        in.close();
        return false;
    }
    QByteArray buffer(int(chunkSize), Qt::Uninitialized);
    bool ok = true;
    for (;;) {
        const qint64 read = in.read(buffer.data(), chunkSize);
        if (read < 0) {
            ok = false;
            break;
        }
        if (read == 0)
            break;
        if (out.write(buffer.constData(), read) != read) {
            ok = false;
            break;
        }
    }
    out.close();
    // The checksum is verified when the entry is closed.
    in.close();
    if (!ok || in.getZipError() != UNZ_OK || out.error() != QFile::NoError) {
        QFile::remove(destination);
        return false;
    }
    if (permissions != 0)
        QFile::setPermissions(destination, permissions);
    return true;
}

} // namespace

bool Extraction::staysInside(const QString &entryName)
{
    QString name = entryName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return false;
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':'))
        return false;
    int depth = 0;
    const QStringList parts = name.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part.isEmpty() || part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (--depth < 0)
                return false;
        } else {
            ++depth;
        }
    }
    return true;
}

QStringList Extraction::QLVextractDir(QString archive, QString target, QObject *progress)
{
    QuaZip zip(archive);
    if (!zip.open(QuaZip::mdUnzip))
        return QStringList();
    if (!zip.goToFirstFile())
        return QStringList();

    const QDir targetDir(target);
    QStringList extracted;
    QString lastFolder;
    do {
        const QString name = zip.getCurrentFileName();
        if (!staysInside(name)) {
            qDebug() << "refused entry (outside the target folder):" << name;
            removeFiles(extracted);
            return QStringList();
        }
        // Cleaned, so that "a/../b" does not need a folder "a" to exist; a folder keeps its "/".
        QString destination = QDir::cleanPath(targetDir.absoluteFilePath(name));
        if (name.endsWith(QLatin1Char('/')))
            destination += QLatin1Char('/');
        if (!extractEntry(zip, destination, &lastFolder)) {
            qDebug() << "failed entry:" << name;
            removeFiles(extracted);
            return QStringList();
        }
        extracted.append(destination);
        progress->setObjectName(name);
    } while (zip.goToNextFile());

    zip.close();
    if (zip.getZipError() != UNZ_OK) {
        removeFiles(extracted);
        return QStringList();
    }
    return extracted;
}
