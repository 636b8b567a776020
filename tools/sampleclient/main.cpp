// The sample client of the demo: stands in for the rendering client. It notes each start (its
// folder, its arguments and the content of "version.txt" beside it) in "sample-client.log" in the
// user's home folder, then ends.
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QFile version(QCoreApplication::applicationDirPath() + QStringLiteral("/version.txt"));
    const QByteArray number = version.open(QIODevice::ReadOnly) ? version.readAll().trimmed() : QByteArray("unknown");
    QFile log(QDir::homePath() + QStringLiteral("/sample-client.log"));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return 1;
    log.write(QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8() + " started version " + number + " from "
              + QCoreApplication::applicationDirPath().toUtf8() + " args "
              + QCoreApplication::arguments().mid(1).join(QLatin1Char(' ')).toUtf8() + "\n");
    return 0;
}
