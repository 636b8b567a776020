#include "updatework.h"

#include "filerequest.h"
#include "serveraddress.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

QString UpdateWork::updateVersion;
QString UpdateWork::currentDir;
QString UpdateWork::newDir;

UpdateWork::UpdateWork(QObject *parent)
    : QObject(parent)
{
}

UpdateWork::~UpdateWork()
{
    if (m_http)
        m_http->deleteLater();
}

QString UpdateWork::hashFile(const QString &path)
{
    return Manifest::hashFile(path);
}

void UpdateWork::start()
{
    const QString address = Manifest::manifestAddress(ServerAddress::web(), updateVersion);
    qDebug() << address;
    // Created here, in the worker thread, so that its replies are handled there.
    m_http = new QNetworkAccessManager();
    m_manifestReply = m_http->get(QNetworkRequest(QUrl(address, QUrl::TolerantMode)));
    connect(m_manifestReply, &QNetworkReply::finished, this, &UpdateWork::readManifest, Qt::DirectConnection);
}

void UpdateWork::readManifest()
{
    if (m_manifestReply->error() != QNetworkReply::NoError) {
        qDebug() << m_manifestReply->errorString();
        emit error(-1);
        return;
    }
    emit pro(10);
    if (!m_manifest.parse(m_manifestReply->readAll())) {
        emit error(-1);
        return;
    }
    qDebug() << "version" << m_manifest.version;
    for (const QString &note : qAsConst(m_manifest.notes))
        emit content(note);
    checkFile();
}

void UpdateWork::checkFile()
{
    emit pro(20);
    if (m_manifest.files.isEmpty()) {
        emit error(-1);
        return;
    }
    qDebug() << m_manifest.files.size() << "files";
    for (UpdateFile file : qAsConst(m_manifest.files)) {
        const QString check = Manifest::checkPath(currentDir, file);
        // An entry that leaves its folder is not even looked at; placing it fails the attempt.
        if (Manifest::staysInside(currentDir, newDir, file) && QFileInfo(check).isFile()
            && hashFile(check) == file.hashCode)
            file.localFile = check;
        m_work.append(file);
    }
    emit pro(30);
    m_regs = m_manifest.regs;
    m_bats = m_manifest.bats;
    downFile();
}

void UpdateWork::downFile()
{
    emit pro(40);
    for (const UpdateFile &file : qAsConst(m_work)) {
        if (!Manifest::staysInside(currentDir, newDir, file)) {
            qDebug() << "refused entry (outside its folder):" << file.path << file.name;
            emit error(-2);
            return;
        }
        const QString address = Manifest::downloadAddress(m_manifest.streamUrl, file, updateVersion);
        const QString target = Manifest::targetPath(newDir, file);
        if (!file.localFile.isEmpty()) {
            qDebug() << "copy";
            QDir().mkpath(QFileInfo(target).absolutePath());
            QFile::copy(file.localFile, target);
            continue;
        }
        if (!fetchFile(address, target))
            return;
        if (hashFile(target) != file.hashCode) {
            qDebug() << "hash differs:" << target;
            emit error(-2);
            return;
        }
    }
    emit pro(70);
    // Plugin files: nothing fills this list yet, so nothing is requested.
    for (const UpdateFile &plugin : qAsConst(m_pluginWork)) {
        const QString address = m_manifest.streamUrl + QStringLiteral("?path=plugins/") + plugin.path + QLatin1Char('/')
            + plugin.name + QStringLiteral("&version=") + updateVersion;
        if (!fetchFile(address, plugin.localFile))
            return;
    }
    emit pro(100);
}

bool UpdateWork::fetchFile(const QString &address, const QString &target)
{
    QString reason;
    if (FileRequest::fetch(*m_http, address, target, &reason))
        return true;
    qDebug() << "download failed:" << address << reason;
    emit error(-2);
    return false;
}
