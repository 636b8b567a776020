#include "cleanupscript.h"

#include "platform.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString CleanupScript::productFolderOf(const QString &installDir, const QString &productKey)
{
    const QString dir = QDir::cleanPath(QDir::fromNativeSeparators(installDir));
    if (dir.isEmpty() || productKey.isEmpty() || QDir::isRelativePath(dir) || QDir(dir).isRoot())
        return QString();
    const QFileInfo parent(QFileInfo(dir).absolutePath());
    // Letter case aside: Windows keeps the case it was given but does not tell names apart by it.
    if (parent.isRoot() || parent.fileName().compare(productKey, Qt::CaseInsensitive) != 0 || !parent.isDir())
        return QString();
    return parent.absoluteFilePath();
}

bool CleanupScript::writeAndStart(const QString &folder)
{
    const QString path = Platform::cleanupScriptPath();
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qDebug() << "cannot write the clean-up script" << path << script.errorString();
        return false;
    }
    const QByteArray text = Platform::cleanupScriptText(QDir::toNativeSeparators(folder));
    const bool written = script.write(text) == text.size() && script.flush();
    script.close();
    if (!written) {
        qDebug() << "cannot write the clean-up script" << path << script.errorString();
        script.remove();
        return false;
    }
    Platform::startCleanupScript(path);
    return true;
}
