#include "extraction.h"
#include "sandbox.h"
#include "widget.h"
#include "ziptool.h"

#include <QDir>
#include <QDirIterator>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

QList<ZipEntry> numberedEntries(int count)
{
    QList<ZipEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.append({QStringLiteral("bin/part%1/file%2.dat").arg(i / 50).arg(i), QByteArray::number(i).repeated(40)});
    return entries;
}

} // namespace

class TestExtraction : public QObject
{
    Q_OBJECT
private slots:
    void unpacks_data();
    void unpacks();
    void failingEntryRemovesWhatWasUnpacked_data();
    void failingEntryRemovesWhatWasUnpacked();
    void refusesEntriesOutsideTheTarget_data();
    void refusesEntriesOutsideTheTarget();
    void staysInside_data();
    void staysInside();
    void progressRule_data();
    void progressRule();
};

void TestExtraction::unpacks_data()
{
    QTest::addColumn<QList<ZipEntry>>("entries");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<int>("notifications");

    QTest::newRow("no entries") << QList<ZipEntry>() << QStringList() << QStringList() << 0;
    QTest::newRow("two files") << QList<ZipEntry>{{"Tesmar.exe", "MZ"}, {"plugins/max.dll", "x"}}
                               << QStringList{"Tesmar.exe", "plugins/max.dll"} << QStringList{"plugins"} << 2;
    QTest::newRow("folder entries count") << QList<ZipEntry>{{"data/", {}}, {"data/empty/", {}}, {"data/a.txt", "a"}}
                                          << QStringList{"data/a.txt"} << QStringList{"data", "data/empty"} << 3;
    QTest::newRow("Chinese names") << QList<ZipEntry>{{"客户端/渲染设置.ini", "k=v"}, {"说明.txt", "文本"}}
                                   << QStringList{"客户端/渲染设置.ini", "说明.txt"} << QStringList{"客户端"} << 2;
    // A name change notifies only when the name differs from the one before.
    QTest::newRow("same name twice") << QList<ZipEntry>{{"a.txt", "1"}, {"a.txt", "2"}} << QStringList{"a.txt"}
                                     << QStringList() << 1;
    QTest::newRow("inner dots that stay inside") << QList<ZipEntry>{{"a/../b.txt", "b"}, {"./c.txt", "c"}}
                                                 << QStringList{"b.txt", "c.txt"} << QStringList() << 2;
}

void TestExtraction::unpacks()
{
    QFETCH(QList<ZipEntry>, entries);
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(int, notifications);

    Sandbox sandbox;
    // The package may lie in a folder with a Chinese name.
    const QString archive = sandbox.path(QStringLiteral("下载/files.zip"));
    QVERIFY(writeZip(archive, entries));
    const QString target = sandbox.path(QStringLiteral("programs/Tesmar/TesmarQLV/5.1.3.0.07345"));

    QObject progress;
    QSignalSpy spy(&progress, &QObject::objectNameChanged);
    const QStringList result = Extraction::QLVextractDir(archive, target, &progress);

    QCOMPARE(result.size(), entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        const QString name = entries.at(i).name;
        QCOMPARE(QDir::cleanPath(result.at(i)), QDir::cleanPath(QDir(target).absoluteFilePath(name)));
        QCOMPARE(result.at(i).endsWith(QLatin1Char('/')), name.endsWith(QLatin1Char('/')));
    }
    QCOMPARE(filesBelow(target), files);
    for (const QString &folder : folders)
        QVERIFY2(QFileInfo(target + QLatin1Char('/') + folder).isDir(), qPrintable(folder));
    QCOMPARE(spy.count(), notifications);
    if (!entries.isEmpty())
        QCOMPARE(fileBytes(result.last()), entries.last().data);
}

void TestExtraction::failingEntryRemovesWhatWasUnpacked_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("missing package") << "missing";
    QTest::newRow("not a zip") << "garbage";
    QTest::newRow("entry blocked by a file in its way") << "blocked";
    QTest::newRow("damaged entry data") << "crc";
}

void TestExtraction::failingEntryRemovesWhatWasUnpacked()
{
    QFETCH(QString, fault);

    Sandbox sandbox;
    const QString archive = sandbox.path(QStringLiteral("files.zip"));
    const QString target = sandbox.path(QStringLiteral("target"));
    const QString marker = QStringLiteral("MIDDLE-ENTRY-DATA-0123456789");
    const QList<ZipEntry> entries = {{"first/one.txt", "1"}, {"second.txt", "2"}, {"blocked/middle.txt", marker.toLatin1()},
                                     {"last.txt", "3"}};
    // Stored, not deflated, so the test can find and damage the middle entry's data.
    QVERIFY(writeZip(archive, entries, true));
    QVERIFY(QDir().mkpath(target));
    if (fault == QLatin1String("missing")) {
        QFile::remove(archive);
    } else if (fault == QLatin1String("garbage")) {
        sandbox.writeFile(QStringLiteral("files.zip"), QByteArray(4096, 'z'));
    } else if (fault == QLatin1String("blocked")) {
        sandbox.writeFile(QStringLiteral("target/blocked"), "a file where a folder should be");
    } else {
        QByteArray bytes = fileBytes(archive);
        const int at = bytes.indexOf(marker.toLatin1());
        QVERIFY(at > 0);
        bytes[at + 3] = 'X';
        sandbox.writeFile(QStringLiteral("files.zip"), bytes);
    }
    const QStringList before = filesBelow(target);

    QObject progress;
    QSignalSpy spy(&progress, &QObject::objectNameChanged);
    QVERIFY(Extraction::QLVextractDir(archive, target, &progress).isEmpty());

    // Files unpacked before the fault are gone again; folders made on the way stay.
    QCOMPARE(filesBelow(target), before);
    if (fault == QLatin1String("blocked") || fault == QLatin1String("crc")) {
        QCOMPARE(spy.count(), 2);
        QVERIFY(QFileInfo(target + QStringLiteral("/first")).isDir());
    } else {
        QCOMPARE(spy.count(), 0);
    }
}

void TestExtraction::refusesEntriesOutsideTheTarget_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("parent") << "../escaped.txt";
    QTest::newRow("climbing after a folder") << "bin/../../escaped.txt";
    QTest::newRow("deep climb") << "a/b/../../../escaped.txt";
    QTest::newRow("backslashes") << "..\\escaped.txt";
    QTest::newRow("absolute") << "{sandbox}/escaped.txt";
    QTest::newRow("drive letter") << "C:/escaped.txt";
    QTest::newRow("drive-relative") << "C:escaped.txt";
}

void TestExtraction::refusesEntriesOutsideTheTarget()
{
    QFETCH(QString, name);

    Sandbox sandbox;
    name.replace(QStringLiteral("{sandbox}"), sandbox.root());
    const QString archive = sandbox.path(QStringLiteral("files.zip"));
    const QString target = sandbox.path(QStringLiteral("box/target"));
    QVERIFY(writeZip(archive, {{"good/first.txt", "1"}, {name, "evil"}, {"after.txt", "2"}}));
    QVERIFY(QDir().mkpath(target));

    QObject progress;
    // The diagnostic names the refused entry (quoted by the debug stream, "\" doubled).
    QString quoted = name;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^refused entry .*") + QRegularExpression::escape(quoted)));
    QVERIFY(Extraction::QLVextractDir(archive, target, &progress).isEmpty());

    QVERIFY(filesBelow(sandbox.path(QStringLiteral("box"))).isEmpty());
    QVERIFY(!QFileInfo::exists(sandbox.path(QStringLiteral("escaped.txt"))));
    QVERIFY(!QFileInfo::exists(sandbox.path(QStringLiteral("box/escaped.txt"))));
    QVERIFY(!QFileInfo::exists(sandbox.path(QStringLiteral("programs/escaped.txt"))));
}

void TestExtraction::staysInside_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("inside");
    QTest::newRow("plain") << "a.txt" << true;
    QTest::newRow("folder") << "bin/" << true;
    QTest::newRow("inner climb") << "a/b/../c.txt" << true;
    QTest::newRow("back to the top") << "a/../b" << true;
    QTest::newRow("dot segments") << "./a/./b" << true;
    QTest::newRow("dots in a name") << "a..b/..c" << true;
    QTest::newRow("parent") << "../a" << false;
    QTest::newRow("parent with backslash") << "a\\..\\..\\b" << false;
    QTest::newRow("absolute") << "/etc/passwd" << false;
    QTest::newRow("UNC") << "\\\\server\\share\\a" << false;
    QTest::newRow("drive") << "D:\\a" << false;
    QTest::newRow("empty") << "" << false;
}

void TestExtraction::staysInside()
{
    QFETCH(QString, name);
    QFETCH(bool, inside);
    QCOMPARE(Extraction::staysInside(name), inside);
}

void TestExtraction::progressRule_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("barShown");

    // The start sets 10; the first notifications take the bar back to 0.
    QTest::newRow("0 entries") << 0 << 10 << true;
    QTest::newRow("2 entries") << 2 << 0 << true;
    QTest::newRow("3 entries") << 3 << 1 << true;
    QTest::newRow("299 entries") << 299 << 99 << true;
    QTest::newRow("300 entries") << 300 << 100 << false;
    QTest::newRow("no package") << -1 << 10 << true;
}

void TestExtraction::progressRule()
{
    QFETCH(int, entries);
    QFETCH(int, value);
    QFETCH(bool, barShown);

    Sandbox sandbox;
    sandbox.writeBranding({{"exe", "Tesmar.exe"}, {"name", "n"}});
    if (entries >= 0)
        QVERIFY(writeZip(sandbox.path(QStringLiteral("program/files.zip")), numberedEntries(entries)));

    Widget window;
    window.show();
    // The installation procedure sets 40, 50, 60 and 70 in a row; what the bar showed before
    // that is the extraction's doing.
    auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    QList<QPair<int, bool>> changes; // value, bar shown when it was set
    connect(bar, &QProgressBar::valueChanged, this, [&](int changed) { changes.append({changed, bar->isVisible()}); });
    QSignalSpy finished(&window, &Widget::installationFinished);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("install")), Qt::LeftButton);
    QVERIFY(finished.wait(60000));

    int procedure = -1;
    for (int i = 1; i + 3 < changes.size(); ++i) {
        if (changes.at(i).first == 40 && changes.at(i + 1).first == 50 && changes.at(i + 2).first == 60
            && changes.at(i + 3).first == 70)
            procedure = i;
    }
    QVERIFY(procedure > 0);
    QCOMPARE(changes.at(procedure - 1).first, value);
    QCOMPARE(changes.at(procedure).second, barShown);
    QCOMPARE(filesBelow(window.installDir).size(), qMax(entries, 0));
}

QTEST_MAIN(TestExtraction)
#include "tst_extraction.moc"
