// The release publisher: what it writes must be what the installer and the updater read.
#include "extraction.h"
#include "manifest.h"
#include "publisher.h"
#include "sandbox.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {
void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}
} // namespace

class TestPublisher : public QObject
{
    Q_OBJECT
private slots:
    void publishedVersionServesInstallerAndUpdater();
    void refusedVersions_data();
    void refusedVersions();
    void refusedSources();
};

void TestPublisher::publishedVersionServesInstallerAndUpdater()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("client"));
    writeFile(source + QStringLiteral("/Tesmar.exe"), "client");
    writeFile(source + QStringLiteral("/data/渲染 预设.txt"), "presets");
    writeFile(source + QStringLiteral("/plugins/max/tesmarMenu.ms"), "menu");
    QDir().mkpath(source + QStringLiteral("/empty"));

    QList<Publisher::File> files;
    QString error;
    QVERIFY2(Publisher::publish(source, QStringLiteral("5.2.0.0"), dir.filePath(QStringLiteral("out")),
                                QStringLiteral("http://127.0.0.1:8082/"), {QStringLiteral("<b>new</b> & faster")}, &files,
                                &error),
             qPrintable(error));
    QCOMPARE(files.size(), 3);

    // The updater reads the manifest: the notes, the address and the joinings land on the files.
    Manifest manifest;
    QVERIFY(manifest.parse(fileBytes(dir.filePath(QStringLiteral("out/store/5.2.0.0/version.xml")))));
    QCOMPARE(manifest.notes, QStringList{QStringLiteral("<b>new</b> & faster")});
    QCOMPARE(manifest.streamUrl, QStringLiteral("http://127.0.0.1:8082/getVersionStream.htm"));
    QCOMPARE(manifest.files.size(), 3);
    const QString store = dir.filePath(QStringLiteral("out/store/5.2.0.0/"));
    for (const UpdateFile &file : qAsConst(manifest.files)) {
        // What the file request asks for is a file of the store, and the check path one of the source.
        const QString request = Manifest::downloadAddress(manifest.streamUrl, file, QStringLiteral("5.2.0.0"));
        const QString asked = QUrlQuery(QUrl(request)).queryItemValue(QStringLiteral("path"), QUrl::FullyDecoded);
        QCOMPARE(Manifest::hashFile(store + asked), file.hashCode);
        QCOMPARE(Manifest::hashFile(Manifest::checkPath(source, file)), file.hashCode);
        QVERIFY(Manifest::staysInside(source, dir.filePath(QStringLiteral("new")), file));
    }

    // The installer unpacks the package to the same tree, empty folders included.
    const QString unpacked = dir.filePath(QStringLiteral("unpacked"));
    QObject progress;
    QVERIFY(!Extraction::QLVextractDir(dir.filePath(QStringLiteral("out/packages/5.2.0.0/files.zip")), unpacked, &progress).isEmpty());
    QCOMPARE(filesBelow(unpacked), filesBelow(source));
    QVERIFY(QFileInfo(unpacked + QStringLiteral("/empty")).isDir());
    QCOMPARE(fileBytes(unpacked + QStringLiteral("/data/渲染 预设.txt")), QByteArray("presets"));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("out/.staging-5.2.0.0"))));

    // The hashes of the published manifest are what the next version is compared with.
    const QMap<QString, QString> hashes = Publisher::publishedHashes(dir.filePath(QStringLiteral("out/store/5.2.0.0/version.xml")));
    QCOMPARE(hashes.keys(), (QStringList{"Tesmar.exe", "data/渲染 预设.txt", "plugins/max/tesmarMenu.ms"}));
    QCOMPARE(hashes.value(QStringLiteral("Tesmar.exe")), files.first().hash);
}

void TestPublisher::refusedVersions_data()
{
    QTest::addColumn<QString>("version");
    QTest::newRow("climbing") << "..";
    QTest::newRow("climbing inside") << "5..2";
    QTest::newRow("separator") << "5.2/../../etc";
    QTest::newRow("backslash") << "5.2\\x";
    QTest::newRow("empty") << "";
    QTest::newRow("query characters") << "5.2&version=1";
}

void TestPublisher::refusedVersions()
{
    QFETCH(QString, version);
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("client/Tesmar.exe")), "client");
    QList<Publisher::File> files;
    QString error;
    QVERIFY(!Publisher::publish(dir.filePath(QStringLiteral("client")), version, dir.filePath(QStringLiteral("out")),
                                QStringLiteral("http://x/"), {}, &files, &error));
    QVERIFY(error.contains(QStringLiteral("version")));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("out"))));
}

void TestPublisher::refusedSources()
{
    QTemporaryDir dir;
    QList<Publisher::File> files;
    QString error;
    QVERIFY(!Publisher::collect(dir.filePath(QStringLiteral("missing")), &files, &error));
    QVERIFY(error.contains(QStringLiteral("no such folder")));

    writeFile(dir.filePath(QStringLiteral("client/Tesmar.exe")), "client");
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("client/Tesmar.exe")), dir.filePath(QStringLiteral("client/link.exe"))));
    QVERIFY(!Publisher::collect(dir.filePath(QStringLiteral("client")), &files, &error));
    QVERIFY(error.contains(QStringLiteral("link.exe")));
}

QTEST_MAIN(TestPublisher)
#include "tst_publisher.moc"
