#include "updaterentry.h"

#include "basewidget.h"
#include "singleapp.h"
#include "startup.h"
#include "widget.h"

int UpdaterEntry::run(int &argc, char **argv)
{
    SingleApp app(argc, argv);
    const auto settings = Startup::run(app);
    if (!settings)
        return 0;

    Widget window;
    window.show();
    return app.exec();
}
