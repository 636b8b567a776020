#include "probeprocess.h"

#include "sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

ProbeProcess::ProbeProcess(const Sandbox &sandbox, const QString &imageName)
    : m_imageName(imageName)
{
    if (m_imageName.isEmpty()) {
        m_imageName = QStringLiteral("qlvprobe%1x%2.exe")
                          .arg(QCoreApplication::applicationPid())
                          .arg(QRandomGenerator::global()->bounded(1000000));
    }
    const QString folder = sandbox.path(QStringLiteral("probes/%1").arg(QRandomGenerator::global()->bounded(1000000)));
    QDir().mkpath(folder);
    const QString copy = folder + QLatin1Char('/') + m_imageName;
    if (!QFile::copy(QStringLiteral(SLEEPER_EXE), copy))
        return;
    m_process.start(copy, {QStringLiteral("300")});
    m_started = m_process.waitForStarted(10000);
}

ProbeProcess::~ProbeProcess()
{
    m_process.kill();
    m_process.waitForFinished(10000);
}

bool ProbeProcess::isStarted() const
{
    return m_started;
}

QString ProbeProcess::imageName() const
{
    return m_imageName;
}

QProcess &ProbeProcess::process()
{
    return m_process;
}
