// Runs one piece of the updater for the benchmark script beside this file:
//   update_driver hash FILE                          prints the content hash of FILE
//   update_driver fetch ADDRESS TARGET               the file request into TARGET
//   update_driver update WEB VERSION CURRENT NEW     one update attempt against the web server WEB
// Exit code 0 on success, 1 on failure, 2 on wrong use.
#include "basewidget.h"
#include "filerequest.h"
#include "updatework.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>

namespace {
int usage()
{
    std::fprintf(stderr, "usage: update_driver hash FILE | fetch ADDRESS TARGET | update WEB VERSION CURRENT NEW\n");
    return 2;
}

int runUpdate(QCoreApplication &app, const QStringList &args)
{
    // The worker asks service.ini beside the program for the web server.
    QTemporaryDir programDir;
    QSettings service(programDir.path() + QStringLiteral("/service.ini"), QSettings::IniFormat);
    service.setValue(QStringLiteral("server/web"), args.at(2));
    service.sync();
    BaseWidget::setProgramDirForTesting(programDir.path());
    UpdateWork::updateVersion = args.at(3);
    UpdateWork::currentDir = args.at(4);
    UpdateWork::newDir = args.at(5);

    QThread thread;
    auto work = std::make_unique<UpdateWork>();
    int result = 1;
    QObject::connect(work.get(), &UpdateWork::pro, &app, [&](int pro) {
        if (pro == 100) {
            result = 0;
            app.quit();
        }
    }, Qt::QueuedConnection);
    QObject::connect(work.get(), &UpdateWork::error, &app, [&](int err) {
        std::fprintf(stderr, "update failed: %d\n", err);
        app.quit();
    }, Qt::QueuedConnection);
    work->moveToThread(&thread);
    thread.start();
    QMetaObject::invokeMethod(work.get(), &UpdateWork::start, Qt::QueuedConnection);
    app.exec();
    // The worker is destroyed here, after its thread has ended.
    thread.quit();
    thread.wait();
    return result;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("hash") && args.size() == 3) {
        const QString hash = UpdateWork::hashFile(args.at(2));
        std::printf("%s\n", qPrintable(hash));
        return hash.isEmpty() ? 1 : 0;
    }
    if (mode == QLatin1String("fetch") && args.size() == 4) {
        QNetworkAccessManager http;
        QString reason;
        if (FileRequest::fetch(http, args.at(2), args.at(3), &reason))
            return 0;
        std::fprintf(stderr, "%s\n", qPrintable(reason));
        return 1;
    }
    if (mode == QLatin1String("update") && args.size() == 6)
        return runUpdate(app, args);
    return usage();
}
