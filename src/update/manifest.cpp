#include "manifest.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDomDocument>
#include <QFile>

namespace {

UpdateFile entryOf(const QDomNode &node)
{
    const QDomElement element = node.toElement();
    return {element.attribute(QStringLiteral("name")), element.attribute(QStringLiteral("path")),
            element.attribute(QStringLiteral("hashCode")), QString()};
}

// "\" separates on Windows, so it separates here too when a path is judged.
QString resolved(const QString &path)
{
    return QDir::cleanPath(QString(path).replace(QLatin1Char('\\'), QLatin1Char('/')));
}

bool within(const QString &folder, const QString &path)
{
    const QString top = resolved(folder);
    const QString inner = resolved(path);
    return inner.size() > top.size() + 1 && inner.startsWith(top + QLatin1Char('/'));
}

} // namespace

bool Manifest::parse(const QByteArray &document)
{
    QDomDocument dom;
    if (!dom.setContent(document, false))
        return false;
    const QDomElement root = dom.documentElement();
    version = root.attribute(QStringLiteral("version"));
    for (QDomNode child = root.firstChild(); !child.isNull(); child = child.nextSibling()) {
        const QString tag = child.toElement().tagName();
        if (tag == QLatin1String("files") || tag == QLatin1String("plugins")) {
            QList<UpdateFile> &list = tag == QLatin1String("files") ? files : plugins;
            for (QDomNode entry = child.firstChild(); !entry.isNull(); entry = entry.nextSibling())
                list.append(entryOf(entry));
        } else if (tag == QLatin1String("regs") || tag == QLatin1String("bats")) {
            QStringList &list = tag == QLatin1String("regs") ? regs : bats;
            for (QDomNode entry = child.firstChild(); !entry.isNull(); entry = entry.nextSibling())
                list.append(entry.toElement().attribute(QStringLiteral("name")));
        } else if (tag == QLatin1String("prefix")) {
            streamUrl = child.firstChild().nodeValue() + QStringLiteral("getVersionStream.htm");
        } else if (tag == QLatin1String("note")) {
            notes.append(child.firstChild().nodeValue());
        }
    }
    // A manifest without a prefix still names the page.
    if (streamUrl.isEmpty())
        streamUrl = QStringLiteral("getVersionStream.htm");
    return true;
}

QString Manifest::manifestAddress(const QString &webServer, const QString &version)
{
    return webServer + QStringLiteral("/getVersionFile.htm?version=") + version;
}

QString Manifest::checkPath(const QString &currentDir, const UpdateFile &file)
{
    return currentDir + file.path + file.name;
}

QString Manifest::targetPath(const QString &newDir, const UpdateFile &file)
{
    return newDir + file.path + QLatin1Char('/') + file.name;
}

QString Manifest::downloadAddress(const QString &streamUrl, const UpdateFile &file, const QString &version)
{
    return streamUrl + QStringLiteral("?path=files/") + file.path + QLatin1Char('/') + file.name
        + QStringLiteral("&version=") + version;
}

bool Manifest::staysInside(const QString &currentDir, const QString &newDir, const UpdateFile &file)
{
    if (file.path.contains(QLatin1Char(':')) || file.name.contains(QLatin1Char(':')))
        return false;
    if (!within(newDir, targetPath(newDir, file)))
        return false;
    // Without a known installation folder the check path is relative to the working folder.
    return currentDir.isEmpty() || within(currentDir, checkPath(currentDir, file));
}

QString Manifest::hashFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    char buffer[4096];
    for (;;) {
        const qint64 read = file.read(buffer, sizeof(buffer));
        if (read <= 0)
            break;
        hash.addData(buffer, int(read));
    }
    return QString::fromLatin1(hash.result().toHex());
}
