#include "filerequest.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

namespace {
constexpr qint64 kReadBuffer = 256 * 1024;
}

bool FileRequest::fetch(QNetworkAccessManager &http, const QString &address, const QString &target,
                        QString *errorText)
{
    const std::unique_ptr<QNetworkReply> reply(http.get(QNetworkRequest(QUrl(address, QUrl::TolerantMode))));
    // Without a limit the network thread keeps reading into the reply whenever the disk is slower
    // than the connection, and the whole file can end up in memory.
    reply->setReadBufferSize(kReadBuffer);
    QFile out(target);
    bool writeFailed = false;
    auto drain = [&] {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (writeFailed || status >= 400)
            return;
        if (!out.isOpen()) {
            QDir().mkpath(QFileInfo(target).absolutePath());
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                writeFailed = true;
                return;
            }
        }
        char buffer[4096];
        for (;;) {
            const qint64 read = reply->read(buffer, sizeof(buffer));
            if (read <= 0)
                break;
            if (out.write(buffer, read) != read) {
                writeFailed = true;
                return;
            }
        }
    };
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, drain);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    if (reply->error() == QNetworkReply::NoError)
        drain();
    out.close();
    if (reply->error() != QNetworkReply::NoError || writeFailed) {
        if (errorText)
            *errorText = writeFailed ? QStringLiteral("cannot write %1: %2").arg(target, out.errorString())
                                     : reply->errorString();
        return false;
    }
    return true;
}
