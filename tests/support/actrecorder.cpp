#include "actrecorder.h"

#include "basewidget.h"
#include "platform.h"

#include <QFile>

ActRecorder::ActRecorder()
{
    Platform::setActHookForTesting([this](const QString &program, const QStringList &arguments) {
        acts.append(QStringList{program} + arguments);
    });
    BaseWidget::setEndProgramForTesting([this](int code) { endedWith = code; });
}

ActRecorder::~ActRecorder()
{
    Platform::setActHookForTesting({});
    BaseWidget::setEndProgramForTesting({});
    QFile::remove(Platform::cleanupScriptPath());
}
