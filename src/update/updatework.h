#pragma once

#include "manifest.h"

#include <QObject>

class QNetworkAccessManager;

// One update attempt, run in a worker thread of its own: fetches the manifest, finds the files
// that stand unchanged in the current installation, and fills the new installation folder by
// copying those and downloading the rest. Reports through its three signals only.
class UpdateWork : public QObject
{
    Q_OBJECT
public:
    // Process-wide inputs, written by the window before the first attempt starts and never again.
    static QString updateVersion;
    static QString currentDir;
    static QString newDir;

    explicit UpdateWork(QObject *parent = nullptr);
    ~UpdateWork() override;

    static QString hashFile(const QString &path);

signals:
    // The attempt failed: -1 manifest, -2 file. Nothing follows.
    void error(int err);
    // 10, 20, 30, 40, 70, 100 in this order; 100 means success.
    void pro(int pro);
    // The release notes of one note element.
    void content(QString note);

public slots:
    void start();

private:
    void readManifest();
    void checkFile();
    void downFile();
    // Downloads address into target, writing the body as it arrives. False after error(-2).
    bool fetchFile(const QString &address, const QString &target);

    QNetworkAccessManager *m_http = nullptr;
    class QNetworkReply *m_manifestReply = nullptr;
    Manifest m_manifest;
    QList<UpdateFile> m_work;
    QList<UpdateFile> m_pluginWork;
    QStringList m_regs;
    QStringList m_bats;
};
