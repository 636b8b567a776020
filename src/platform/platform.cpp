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

QByteArray batchScriptText(const QString &folder)
{
    QString path = folder;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QString text = QStringLiteral("ping -n 1 127.0.0.1>nul\r\n") + QStringLiteral("rd \"%1\" /s /q\r\n").arg(path)
        + QStringLiteral("del %0");
    return text.toLocal8Bit();
}

QByteArray shellScriptText(const QString &folder)
{
    // Single quotes take every character literally except the quote itself.
    QString quoted = folder;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    const QString text = QStringLiteral("sleep 1\n") + QStringLiteral("rm -rf -- '%1'\n").arg(quoted)
        + QStringLiteral("rm -f -- \"$0\"\n");
    return text.toLocal8Bit();
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
