#include "startup.h"

#include "basewidget.h"
#include "singleapp.h"

#include <QFont>

std::unique_ptr<BaseWidget> Startup::run(SingleApp &app)
{
    if (app.exist())
        return nullptr;

    QFont font(QStringLiteral("Microsoft Yahei"));
    font.setPixelSize(12);
    QApplication::setFont(font);

    auto settings = std::make_unique<BaseWidget>();
    settings->isChinese();
    return settings;
}
