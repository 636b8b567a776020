// publish: turns a folder holding one version of the client into what the installer and the
// update server need. See Publisher and the README's "Publishing a version".
#include "publisher.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Publishes one version of the client: the installer's files.zip, "
                                                    "the version manifest and the update file store."));
    parser.addHelpOption();
    const QCommandLineOption source(QStringLiteral("source"), QStringLiteral("Folder holding the version."), QStringLiteral("DIR"));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Version number, e.g. 5.2.0.0."), QStringLiteral("V"));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Output folder (packages/ and store/)."), QStringLiteral("DIR"));
    const QCommandLineOption prefix(QStringLiteral("prefix"), QStringLiteral("Address the update server answers at."), QStringLiteral("URL"));
    const QCommandLineOption note(QStringLiteral("note"), QStringLiteral("Release notes, text or HTML (repeatable)."), QStringLiteral("FILE"));
    const QCommandLineOption previous(QStringLiteral("previous"), QStringLiteral("Published version to compare with."), QStringLiteral("V"));
    parser.addOptions({source, version, out, prefix, note, previous});
    parser.process(app);

    QTextStream err(stderr);
    QTextStream std(stdout);
    for (const QCommandLineOption &required : {source, version, out, prefix}) {
        if (!parser.isSet(required)) {
            err << "publish: --" << required.names().first() << " is required\n";
            return 2;
        }
    }
    QStringList notes;
    for (const QString &file : parser.values(note)) {
        QFile text(file);
        if (!text.open(QIODevice::ReadOnly)) {
            err << "publish: cannot read " << file << "\n";
            return 1;
        }
        notes.append(QString::fromUtf8(text.readAll()));
    }
    QString address = parser.value(prefix);
    if (!address.endsWith(QLatin1Char('/')))
        address += QLatin1Char('/');

    const QString outDir = QDir(parser.value(out)).absolutePath();
    QList<Publisher::File> files;
    QString error;
    if (!Publisher::publish(QDir(parser.value(source)).absolutePath(), parser.value(version), outDir, address, notes,
                            &files, &error)) {
        err << "publish: " << error << "\n";
        return 1;
    }
    qint64 total = 0;
    for (const Publisher::File &file : qAsConst(files))
        total += file.size;
    std << "published " << parser.value(version) << ": " << files.size() << " files, " << total << " bytes\n";

    if (parser.isSet(previous)) {
        const QMap<QString, QString> before =
            Publisher::publishedHashes(outDir + QStringLiteral("/store/") + parser.value(previous) + QStringLiteral("/version.xml"));
        if (before.isEmpty()) {
            err << "publish: no published version " << parser.value(previous) << " to compare with\n";
            return 1;
        }
        int changed = 0;
        qint64 download = 0;
        for (const Publisher::File &file : qAsConst(files)) {
            if (before.value(file.relative) == file.hash)
                continue;
            std << (before.contains(file.relative) ? "  changed " : "  new     ") << file.relative << " (" << file.size << " bytes)\n";
            ++changed;
            download += file.size;
        }
        std << "an update from " << parser.value(previous) << " downloads " << changed << " of " << files.size()
            << " files, " << download << " bytes; the rest is copied from the installation\n";
    }
    return 0;
}
