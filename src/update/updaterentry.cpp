#include "updaterentry.h"

#include "basewidget.h"
#include "singleapp.h"
#include "startup.h"
#include "updatework.h"
#include "widget.h"

int UpdaterEntry::run(int &argc, char **argv)
{
    SingleApp app(argc, argv);
    // Started without the version to install: nothing to do, nothing to say.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2)
        return 0;
    const auto settings = Startup::run(app);
    if (!settings)
        return 0;
    UpdateWork::updateVersion = arguments.at(1);

    Widget window;
    window.show();
    return app.exec();
}
