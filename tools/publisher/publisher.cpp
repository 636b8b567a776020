#include "publisher.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QXmlStreamWriter>

#include <algorithm>

namespace {
QString hashOf(const QString &path, qint64 *size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!hash.addData(&file))
        return QString();
    *size = file.size();
    return QString::fromLatin1(hash.result().toHex());
}

bool copyInto(const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    QFile::remove(to);
    return QFile::copy(from, to);
}

bool writeZip(const QString &source, const QList<Publisher::File> &files, const QString &archive, QString *error)
{
    QDir().mkpath(QFileInfo(archive).absolutePath());
    QuaZip zip(archive);
    zip.setUtf8Enabled(true);
    if (!zip.open(QuaZip::mdCreate)) {
        *error = QStringLiteral("cannot create %1").arg(archive);
        return false;
    }
    // Folders first, as their own entries, so that empty ones travel too.
    QStringList folders;
    QDirIterator dirs(source, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (dirs.hasNext())
        folders.append(QDir(source).relativeFilePath(dirs.next()) + QLatin1Char('/'));
    folders.sort();
    for (const QString &folder : qAsConst(folders)) {
        QuaZipFile entry(&zip);
        QuaZipNewInfo info(folder);
        info.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                            | QFile::ReadOther | QFile::ExeOther);
        if (!entry.open(QIODevice::WriteOnly, info)) {
            *error = QStringLiteral("cannot add %1").arg(folder);
            return false;
        }
        entry.close();
    }
    for (const Publisher::File &file : files) {
        const QString path = source + QLatin1Char('/') + file.relative;
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1").arg(path);
            return false;
        }
        QuaZipFile entry(&zip);
        QuaZipNewInfo info(file.relative, path);
        info.setFilePermissions(path);
        if (!entry.open(QIODevice::WriteOnly, info, nullptr, 0, Z_DEFLATED, Z_DEFAULT_COMPRESSION)) {
            *error = QStringLiteral("cannot add %1").arg(file.relative);
            return false;
        }
        char buffer[65536];
        for (;;) {
            const qint64 read = in.read(buffer, sizeof(buffer));
            if (read <= 0)
                break;
            if (entry.write(buffer, read) != read) {
                *error = QStringLiteral("cannot write %1 into %2").arg(file.relative, archive);
                return false;
            }
        }
        entry.close();
        if (entry.getZipError() != ZIP_OK) {
            *error = QStringLiteral("cannot write %1 into %2").arg(file.relative, archive);
            return false;
        }
    }
    zip.close();
    if (zip.getZipError() != ZIP_OK) {
        *error = QStringLiteral("cannot finish %1").arg(archive);
        return false;
    }
    return true;
}
} // namespace

bool Publisher::collect(const QString &source, QList<File> *files, QString *error)
{
    if (!QFileInfo(source).isDir()) {
        *error = QStringLiteral("no such folder: %1").arg(source);
        return false;
    }
    QDirIterator it(source, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(source).relativeFilePath(path);
        if (it.fileInfo().isSymLink() || relative.contains(QLatin1Char('\\'))) {
            *error = QStringLiteral("cannot publish %1: links and names with \"\\\" do not travel to Windows").arg(relative);
            return false;
        }
        File file;
        file.relative = relative;
        file.hash = hashOf(path, &file.size);
        if (file.hash.isEmpty()) {
            *error = QStringLiteral("cannot read %1").arg(path);
            return false;
        }
        files->append(file);
    }
    std::sort(files->begin(), files->end(), [](const File &a, const File &b) { return a.relative < b.relative; });
    return true;
}

QByteArray Publisher::manifest(const QString &version, const QString &prefix, const QStringList &notes,
                               const QList<File> &files)
{
    QByteArray text;
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("version"));
    xml.writeAttribute(QStringLiteral("version"), version);
    xml.writeTextElement(QStringLiteral("prefix"), prefix);
    for (const QString &note : notes)
        xml.writeTextElement(QStringLiteral("note"), note);
    xml.writeStartElement(QStringLiteral("files"));
    for (const File &file : files) {
        // The updater joins: current folder + path + name, and "files/" + path + "/" + name.
        const int slash = file.relative.lastIndexOf(QLatin1Char('/'));
        const QString folder = slash < 0 ? QStringLiteral("/") : QLatin1Char('/') + file.relative.left(slash) + QLatin1Char('/');
        xml.writeEmptyElement(QStringLiteral("file"));
        xml.writeAttribute(QStringLiteral("name"), file.relative.mid(slash + 1));
        xml.writeAttribute(QStringLiteral("path"), folder);
        xml.writeAttribute(QStringLiteral("hashCode"), file.hash);
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return text;
}

QMap<QString, QString> Publisher::publishedHashes(const QString &manifestFile)
{
    QMap<QString, QString> hashes;
    QFile file(manifestFile);
    QDomDocument document;
    if (!file.open(QIODevice::ReadOnly) || !document.setContent(&file))
        return hashes;
    const QDomNodeList entries = document.elementsByTagName(QStringLiteral("file"));
    for (int i = 0; i < entries.size(); ++i) {
        const QDomElement entry = entries.at(i).toElement();
        QString relative = entry.attribute(QStringLiteral("path")) + entry.attribute(QStringLiteral("name"));
        while (relative.startsWith(QLatin1Char('/')))
            relative.remove(0, 1);
        hashes.insert(relative, entry.attribute(QStringLiteral("hashCode")));
    }
    return hashes;
}

bool Publisher::publish(const QString &source, const QString &version, const QString &out, const QString &prefix,
                        const QStringList &notes, QList<File> *files, QString *error)
{
    // A version is one folder name of the store and one query value: nothing that could climb.
    static const QRegularExpression versionPattern(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]*$"));
    if (!versionPattern.match(version).hasMatch() || version.contains(QStringLiteral(".."))) {
        *error = QStringLiteral("not a version number: %1").arg(version);
        return false;
    }
    if (!collect(source, files, error))
        return false;

    // Everything goes to a staging folder first and is moved into place at the end.
    const QString package = out + QStringLiteral("/packages/") + version;
    const QString store = out + QStringLiteral("/store/") + version;
    const QString staging = out + QStringLiteral("/.staging-") + version;
    QDir(staging).removeRecursively();
    bool done = writeZip(source, *files, staging + QStringLiteral("/package/files.zip"), error);
    for (int i = 0; done && i < files->size(); ++i) {
        const File &file = files->at(i);
        done = copyInto(source + QLatin1Char('/') + file.relative, staging + QStringLiteral("/store/files/") + file.relative);
        if (!done)
            *error = QStringLiteral("cannot copy %1 into the store").arg(file.relative);
    }
    if (done) {
        QFile manifestFile(staging + QStringLiteral("/store/version.xml"));
        const QByteArray text = manifest(version, prefix, notes, *files);
        done = manifestFile.open(QIODevice::WriteOnly) && manifestFile.write(text) == text.size();
        if (!done)
            *error = QStringLiteral("cannot write the manifest");
    }
    if (done) {
        QDir(package).removeRecursively();
        QDir(store).removeRecursively();
        QDir().mkpath(out + QStringLiteral("/packages"));
        QDir().mkpath(out + QStringLiteral("/store"));
        done = QDir().rename(staging + QStringLiteral("/package"), package) && QDir().rename(staging + QStringLiteral("/store"), store);
        if (!done)
            *error = QStringLiteral("cannot move the version into %1").arg(out);
    }
    QDir(staging).removeRecursively();
    return done;
}
