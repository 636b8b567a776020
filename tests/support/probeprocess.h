#pragma once

#include <QProcess>
#include <QString>

class Sandbox;

// A long-running process of the test's own, started in the sandbox under the given image name
// (a unique one when none is given), so that a test can find and stop it by name.
class ProbeProcess
{
public:
    explicit ProbeProcess(const Sandbox &sandbox, const QString &imageName = QString());
    ~ProbeProcess();

    bool isStarted() const;
    QString imageName() const;
    QProcess &process();

private:
    QString m_imageName;
    QProcess m_process;
    bool m_started = false;
};
