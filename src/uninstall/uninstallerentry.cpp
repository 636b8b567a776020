#include "uninstallerentry.h"

#include "basewidget.h"
#include "msgtool.h"
#include "singleapp.h"
#include "startup.h"
#include "widget.h"

int UninstallerEntry::run(int &argc, char **argv)
{
    SingleApp app(argc, argv);
    const auto settings = Startup::run(app);
    if (!settings)
        return 0;
    if (!checks())
        return 0;

    Widget window;
    window.show();
    return app.exec();
}

bool UninstallerEntry::checks()
{
    // The "KDRender" client does not hook into 3ds Max, so a running 3ds Max holds nothing of it.
    if (BaseWidget::third != QStringLiteral("KDRender") && BaseWidget::existProcess(QStringLiteral("3dsmax.exe"))) {
        MsgTool::warn(BaseWidget::chinese ? QStringLiteral("请先关闭max，再卸载客户端！")
                                          : QStringLiteral("Pleace close max first and uninstall client!"));
        return false;
    }
    return true;
}
