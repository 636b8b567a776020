#include "platform.h"

#include <QProcess>
#include <QStandardPaths>

namespace {
Platform::ActHook &hookSlot()
{
    static Platform::ActHook hook;
    return hook;
}
} // namespace

namespace Platform {

void setActHookForTesting(const ActHook &hook)
{
    hookSlot() = hook;
}

const ActHook &actHook()
{
    return hookSlot();
}

void startDetached(const QString &program, const QStringList &arguments)
{
    if (actHook()) {
        actHook()(program, arguments);
        return;
    }
    QProcess::startDetached(program, arguments);
}

QString programsMenuFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
}

QString desktopFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

bool runTool(const QString &program, const QStringList &args, int msecs, QByteArray *output)
{
    QProcess process;
    process.start(program, args, QIODevice::ReadWrite);
    if (!process.waitForFinished(msecs)) {
        // Either it never started or it hangs; a hanging tool must not outlive the wait.
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

} // namespace Platform
