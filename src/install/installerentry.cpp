#include "installerentry.h"

#include "basewidget.h"
#include "msgtool.h"
#include "singleapp.h"
#include "startup.h"
#include "widget.h"

#include <QDir>
#include <QSettings>

int InstallerEntry::run(int &argc, char **argv)
{
    SingleApp app(argc, argv);
    const auto settings = Startup::run(app);
    if (!settings)
        return 0;

    const auto window = checks(*settings);
    if (!window)
        return 0;
    window->show();
    return app.exec();
}

std::unique_ptr<Widget> InstallerEntry::checks(BaseWidget &settings)
{
    const bool chinese = BaseWidget::chinese;
    QString installDir = settings.productSettings()->value(QStringLiteral("InstallDir")).toString();

    // The "KDRender" client does not hook into 3ds Max and is a product of its own.
    if (BaseWidget::third != QStringLiteral("KDRender")) {
        if (BaseWidget::existProcess(QStringLiteral("3dsmax.exe"))) {
            MsgTool::warn(chinese ? QStringLiteral("请先关闭max，再安装客户端！")
                                  : QStringLiteral("Pleace close max first and install client!"));
            return nullptr;
        }
        if (!installDir.isEmpty()) {
            const QString installedThird = settings.productSettings()->value(QStringLiteral("ThirdPart")).toString();
            if (installedThird.isEmpty() && !BaseWidget::iniThird().isEmpty()) {
                MsgTool::warn(chinese ? QStringLiteral("已安装通用版客户端，请卸载后安装！")
                                      : QStringLiteral("The general version of the client has been installed, "
                                                       "please install it after uninstall!"));
                return nullptr;
            }
        }
    }

    if (!installDir.isEmpty()) {
        const int answer = MsgTool::ask(chinese ? QStringLiteral("客户端已安装，是否覆盖安装？")
                                                : QStringLiteral("The client has been installed, whether or not "
                                                                 "to cover the installation?"));
        if (answer != 0)
            return nullptr;
    }

    if (BaseWidget::existProcess(BaseWidget::exe))
        BaseWidget::killProcess(BaseWidget::exe);

    if (!installDir.isEmpty())
        installDir = installRootOf(installDir);

    auto window = std::make_unique<Widget>();
    window->setInstallRoot(installDir);
    return window;
}

QString InstallerEntry::installRootOf(const QString &installDir)
{
    QDir dir(installDir);
    for (int step = 0; step < 2; ++step) {
        QDir parent = dir;
        if (parent.cdUp())
            dir = parent;
    }
    return dir.absolutePath();
}
