// One update attempt against a server on 127.0.0.1: manifest, file check, copies and downloads.
#include "recordingserver.h"
#include "sandbox.h"
#include "updatework.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QThread>
#include <QtTest>

namespace {

QString sha1(const QByteArray &content)
{
    return QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex());
}

struct Attempt
{
    QList<int> progress;
    int error = 0;
    QStringList notes;
};

// Runs one attempt as the window does: the worker in a thread of its own, its signals queued.
Attempt runAttempt()
{
    Attempt attempt;
    QThread thread;
    auto *work = new UpdateWork;
    QObject receiver;
    QObject::connect(work, &UpdateWork::pro, &receiver, [&](int value) { attempt.progress.append(value); });
    QObject::connect(work, &UpdateWork::error, &receiver, [&](int err) { attempt.error = err; });
    QObject::connect(work, &UpdateWork::content, &receiver, [&](const QString &note) { attempt.notes.append(note); });
    work->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, work, &QObject::deleteLater);
    thread.start();
    QMetaObject::invokeMethod(work, "start", Qt::QueuedConnection);
    (void)QTest::qWaitFor([&] { return attempt.error != 0 || attempt.progress.contains(100); }, 60000);
    thread.quit();
    thread.wait();
    return attempt;
}

QByteArray entry(const QString &name, const QString &path, const QByteArray &content)
{
    return QStringLiteral("<file name=\"%1\" path=\"%2\" hashCode=\"%3\"/>").arg(name, path, sha1(content)).toUtf8();
}

QByteArray streamTarget(const QString &path, const QString &name)
{
    return "/getVersionStream.htm?path=files/" + path.toUtf8() + "/" + name.toUtf8() + "&version=5.2.0.0";
}

} // namespace

class TestUpdateWork : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void manifestFailures_data();
    void manifestFailures();
    void everyFileUnchanged();
    void changedFileDownloaded();
    void hashMismatches_data();
    void hashMismatches();
    void thirdOfFiveFails_data();
    void thirdOfFiveFails();
    void withoutPrefix();
    void refusesEntriesOutsideTheFolders_data();
    void refusesEntriesOutsideTheFolders();
    void manifestReading();

private:
    std::unique_ptr<Sandbox> m_sandbox;
    std::unique_ptr<RecordingServer> m_server;
    QString m_current;
    QString m_new;

    void serveManifest(const QByteArray &files, const QByteArray &extra = QByteArray())
    {
        m_server->answer("/getVersionFile.htm?version=5.2.0.0",
                         "<?xml version=\"1.0\"?><version version=\"5.2.0.0\"><prefix>" + m_server->base().toUtf8()
                             + "/</prefix>" + extra + "<files>" + files + "</files></version>");
    }
};

void TestUpdateWork::init()
{
    m_sandbox = std::make_unique<Sandbox>();
    m_server = std::make_unique<RecordingServer>();
    m_sandbox->writeFile(QStringLiteral("program/service.ini"), "[server]\nweb=" + m_server->base().toUtf8() + "\n");
    m_current = QDir::toNativeSeparators(m_sandbox->path(QStringLiteral("programs/Tesmar/TesmarQLV/5.1.3.0.01234")));
    m_new = QDir::toNativeSeparators(m_sandbox->path(QStringLiteral("programs/Tesmar/TesmarQLV/5.2.0.0.05678")));
    QDir().mkpath(m_current);
    UpdateWork::updateVersion = QStringLiteral("5.2.0.0");
    UpdateWork::currentDir = m_current;
    UpdateWork::newDir = m_new;
}

void TestUpdateWork::cleanup()
{
    m_server.reset();
    m_sandbox.reset();
}

void TestUpdateWork::manifestFailures_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QList<int>>("progress");
    QTest::newRow("server error") << QByteArray("oops") << 500 << QList<int>{};
    QTest::newRow("not XML") << QByteArray("<version><files>") << 200 << QList<int>{10};
    QTest::newRow("no files element") << QByteArray("<version><note>n</note></version>") << 200 << QList<int>{10, 20};
    QTest::newRow("empty files element") << QByteArray("<version><files/></version>") << 200 << QList<int>{10, 20};
}

void TestUpdateWork::manifestFailures()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QList<int>, progress);
    m_server->answer("/getVersionFile.htm?version=5.2.0.0", body, status);
    const Attempt attempt = runAttempt();
    QCOMPARE(attempt.error, -1);
    QCOMPARE(attempt.progress, progress);
    QCOMPARE(m_server->requests.size(), 1);
}

void TestUpdateWork::everyFileUnchanged()
{
    m_sandbox->writeFile(QDir(m_sandbox->root()).relativeFilePath(m_current + QStringLiteral("/Tesmar.exe")), "client v1");
    m_sandbox->writeFile(QDir(m_sandbox->root()).relativeFilePath(m_current + QStringLiteral("/sub/data.bin")), "data");
    serveManifest(entry("Tesmar.exe", "/", "client v1") + entry("data.bin", "/sub/", "data"), "<note>&lt;b&gt;new&lt;/b&gt;</note>");

    const Attempt attempt = runAttempt();
    QCOMPARE(attempt.error, 0);
    QCOMPARE(attempt.progress, (QList<int>{10, 20, 30, 40, 70, 100}));
    QCOMPARE(attempt.notes, QStringList{"<b>new</b>"});
    QCOMPARE(m_server->requests.size(), 1); // the manifest only
    QCOMPARE(filesBelow(m_new), (QStringList{"Tesmar.exe", "sub/data.bin"}));
    QCOMPARE(fileBytes(m_new + QStringLiteral("/sub/data.bin")), QByteArray("data"));
}

void TestUpdateWork::changedFileDownloaded()
{
    m_sandbox->writeFile(QDir(m_sandbox->root()).relativeFilePath(m_current + QStringLiteral("/Tesmar.exe")), "client v1");
    const QByteArray big(300 * 1024, 'x');
    serveManifest(entry("Tesmar.exe", "/", "client v2") + entry("big.bin", "/res/", big));
    m_server->answer(streamTarget("/", "Tesmar.exe"), "client v2");
    m_server->answer(streamTarget("/res/", "big.bin"), big);

    const Attempt attempt = runAttempt();
    QCOMPARE(attempt.error, 0);
    QCOMPARE(attempt.progress.last(), 100);
    QCOMPARE(fileBytes(m_new + QStringLiteral("/Tesmar.exe")), QByteArray("client v2"));
    QCOMPARE(fileBytes(m_new + QStringLiteral("/res/big.bin")), big);
    // A root path gives doubled separators in the address, left as they are.
    QCOMPARE(m_server->requests.at(1).target, streamTarget("/", "Tesmar.exe"));
    QVERIFY(m_server->requests.at(1).target.contains("path=files///Tesmar.exe"));
    // The current installation is never written.
    QCOMPARE(fileBytes(m_current + QStringLiteral("/Tesmar.exe")), QByteArray("client v1"));
}

void TestUpdateWork::hashMismatches_data()
{
    QTest::addColumn<QByteArray>("files");
    QTest::addColumn<QByteArray>("served");
    QTest::addColumn<bool>("localCopy");
    const QByteArray upper = QStringLiteral("<file name=\"a.txt\" path=\"/\" hashCode=\"%1\"/>").arg(sha1("right").toUpper()).toUtf8();
    // Even an identical local file does not count against an upper-case hash.
    QTest::newRow("upper-case hashCode") << upper << QByteArray("right") << true;
    QTest::newRow("other content served") << entry("a.txt", "/", "right") << QByteArray("wrong") << false;
}

void TestUpdateWork::hashMismatches()
{
    QFETCH(QByteArray, files);
    QFETCH(QByteArray, served);
    QFETCH(bool, localCopy);
    if (localCopy)
        m_sandbox->writeFile(QDir(m_sandbox->root()).relativeFilePath(m_current + QStringLiteral("/a.txt")), "right");
    serveManifest(files);
    m_server->answer(streamTarget("/", "a.txt"), served);
    const Attempt attempt = runAttempt();
    QCOMPARE(attempt.error, -2);
    QCOMPARE(attempt.progress, (QList<int>{10, 20, 30, 40}));
    // The mismatching file stays in the new folder.
    QCOMPARE(fileBytes(m_new + QStringLiteral("/a.txt")), served);
}

void TestUpdateWork::thirdOfFiveFails_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("answers 500") << "500";
    QTest::newRow("drops the connection mid-body") << "drop";
    QTest::newRow("unknown file") << "404";
}

void TestUpdateWork::thirdOfFiveFails()
{
    QFETCH(QString, how);
    QByteArray files;
    for (int i = 1; i <= 5; ++i) {
        const QString name = QStringLiteral("f%1.bin").arg(i);
        const QByteArray content = QByteArray(20000, char('a' + i));
        files += entry(name, "/", content);
        if (i != 3)
            m_server->answer(streamTarget("/", name), content);
        else if (how == QLatin1String("500"))
            m_server->answer(streamTarget("/", name), "server error", 500);
        else if (how == QLatin1String("drop"))
            m_server->answerBroken(streamTarget("/", name), content);
    }
    serveManifest(files);
    const Attempt attempt = runAttempt();
    QCOMPARE(attempt.error, -2);
    QCOMPARE(attempt.progress, (QList<int>{10, 20, 30, 40}));
    QCOMPARE(m_server->requests.size(), 4); // manifest, f1, f2, f3
    QVERIFY(filesBelow(m_new).contains(QStringLiteral("f1.bin")));
    QVERIFY(filesBelow(m_new).contains(QStringLiteral("f2.bin")));
    QVERIFY(!filesBelow(m_new).contains(QStringLiteral("f4.bin")));
    // An error page is no content: nothing is written for it.
    if (how != QLatin1String("drop"))
        QVERIFY(!filesBelow(m_new).contains(QStringLiteral("f3.bin")));
}

void TestUpdateWork::withoutPrefix()
{
    m_sandbox->writeFile(QDir(m_sandbox->root()).relativeFilePath(m_current + QStringLiteral("/same.txt")), "same");
    m_server->answer("/getVersionFile.htm?version=5.2.0.0", "<v><files>" + entry("same.txt", "/", "same") + "</files></v>");
    Attempt attempt = runAttempt();
    QCOMPARE(attempt.progress.last(), 100);

    m_server->answer("/getVersionFile.htm?version=5.2.0.0", "<v><files>" + entry("new.txt", "/", "new") + "</files></v>");
    attempt = runAttempt();
    QCOMPARE(attempt.error, -2);
}

void TestUpdateWork::refusesEntriesOutsideTheFolders_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("path climbs out") << "evil.txt" << "/../../";
    QTest::newRow("name climbs out") << "../../evil.txt" << "/";
    QTest::newRow("backslashes") << "..\\..\\evil.txt" << "\\";
    QTest::newRow("drive letter") << "evil.txt" << "C:/";
    QTest::newRow("sibling folder by prefix") << "evil.txt" << "x/";
}

void TestUpdateWork::refusesEntriesOutsideTheFolders()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    // The entry before it is placed; the refused one fails the attempt before anything is done for it.
    serveManifest(entry("ok.txt", "/", "ok") + entry(name, path, "evil"));
    m_server->answer(streamTarget("/", "ok.txt"), "ok");
    m_server->answer(streamTarget(path, name), "evil");

    const Attempt attempt = runAttempt();
    QCOMPARE(attempt.error, -2);
    QCOMPARE(m_server->requests.size(), 2); // manifest and ok.txt
    QCOMPARE(filesBelow(m_new), QStringList{"ok.txt"});
    const QStringList everything = filesBelow(m_sandbox->root());
    for (const QString &file : everything)
        QVERIFY2(!file.endsWith(QLatin1String("evil.txt")), qPrintable(file));
}

void TestUpdateWork::manifestReading()
{
    Manifest manifest;
    QVERIFY(manifest.parse("<anything version=\"9\"><files><a name=\"1\" path=\"/\" hashCode=\"h\"/><!-- c --></files>"
                           "<plugins><p name=\"p\"/></plugins><regs><r name=\"r1\"/></regs><bats><b name=\"b1\"/></bats>"
                           "<prefix>http://one/</prefix><files><b name=\"2\"/></files><prefix>http://two/</prefix>"
                           "<note>first</note><note><![CDATA[<i>second</i>]]></note><Files><c name=\"x\"/></Files></anything>"));
    QCOMPARE(manifest.version, QStringLiteral("9"));
    QCOMPARE(manifest.files.size(), 3); // the comment is an entry too; "Files" is not "files"
    QCOMPARE(manifest.files.at(0).name, QStringLiteral("1"));
    QVERIFY(manifest.files.at(1).name.isEmpty() && manifest.files.at(1).hashCode.isEmpty());
    QCOMPARE(manifest.files.at(2).name, QStringLiteral("2"));
    QCOMPARE(manifest.plugins.size(), 1);
    QCOMPARE(manifest.regs, QStringList{"r1"});
    QCOMPARE(manifest.bats, QStringList{"b1"});
    QCOMPARE(manifest.streamUrl, QStringLiteral("http://two/getVersionStream.htm"));
    QCOMPARE(manifest.notes, (QStringList{"first", "<i>second</i>"}));

    const UpdateFile root{QStringLiteral("a.exe"), QStringLiteral("/"), QString(), QString()};
    QCOMPARE(Manifest::checkPath(QStringLiteral("C:\\P\\cur"), root), QStringLiteral("C:\\P\\cur/a.exe"));
    QCOMPARE(Manifest::targetPath(QStringLiteral("C:\\P\\new"), root), QStringLiteral("C:\\P\\new//a.exe"));
    QCOMPARE(Manifest::downloadAddress(QStringLiteral("http://s/getVersionStream.htm"), root, QStringLiteral("5.2")),
             QStringLiteral("http://s/getVersionStream.htm?path=files///a.exe&version=5.2"));
    QCOMPARE(Manifest::hashFile(QStringLiteral("/nonexistent/file")), QString());
}

QTEST_MAIN(TestUpdateWork)
#include "tst_updatework.moc"
