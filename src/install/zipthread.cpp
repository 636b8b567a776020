#include "zipthread.h"

#include "extraction.h"

ZipThread::ZipThread(QObject *parent)
    : QThread(parent)
{
}

void ZipThread::setPaths(const QString &archive, const QString &target)
{
    m_archive = archive;
    m_target = target;
}

void ZipThread::run()
{
    // The progress object lives in the worker; this object lives in the GUI thread, so the
    // forwarded signal is queued and oneOk() arrives there in the order of the entries.
    QObject progress;
    connect(&progress, &QObject::objectNameChanged, this, &ZipThread::oneOk);
    Extraction::QLVextractDir(m_archive, m_target, &progress);
}
