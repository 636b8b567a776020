#include "ziptool.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <QDir>
#include <QFileInfo>

bool writeZip(const QString &archive, const QList<ZipEntry> &entries, bool storeOnly)
{
    QDir().mkpath(QFileInfo(archive).absolutePath());
    QuaZip zip(archive);
    zip.setUtf8Enabled(true);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    for (const ZipEntry &entry : entries) {
        QuaZipFile file(&zip);
        QuaZipNewInfo info(entry.name);
        info.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther
                            | (entry.name.endsWith(QLatin1Char('/')) ? QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther
                                                                     : QFile::Permissions()));
        if (!file.open(QIODevice::WriteOnly, info, nullptr, 0, storeOnly ? 0 : Z_DEFLATED, storeOnly ? 0 : Z_DEFAULT_COMPRESSION))
            return false;
        file.write(entry.data);
        file.close();
        if (file.getZipError() != ZIP_OK)
            return false;
    }
    zip.close();
    return zip.getZipError() == ZIP_OK;
}
