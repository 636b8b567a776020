#include "basewidget.h"
#include "platform.h"
#include "probeprocess.h"
#include "sandbox.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {

void makeFile(const QString &file, bool readOnly)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("data");
    out.close();
    if (readOnly)
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
}

bool onWindows()
{
    return QSysInfo::productType() == QLatin1String("windows");
}

} // namespace

class TestUtilities : public QObject
{
    Q_OBJECT
private slots:
    void veryDel_data();
    void veryDel();
    void existProcess_data();
    void existProcess();
    void killProcessStopsByExactName();
    void readReg_data();
    void readReg();
    void shellFolders();
};

void TestUtilities::veryDel_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("gone");
    QTest::addColumn<QStringList>("kept");

    const QStringList tree = {"keep/a/b/target/f1.txt", "keep/a/b/target/.hidden", "keep/a/b/target/sub/deeper/f2.txt",
                              "keep/a/b/target/empty"};
    QTest::newRow("tree with read-only files, emptied parents go")
        << "keep/a/b/target" << QStringList{"keep/a/b/target", "keep/a/b", "keep/a"} << QStringList{"keep/other.txt"};
    QTest::newRow("read-only file")
        << "keep/a/b/target/f1.txt" << QStringList{"keep/a/b/target/f1.txt"}
        << QStringList{"keep/a/b/target/.hidden", "keep/a/b/target/sub/deeper/f2.txt", "keep/other.txt"};
    QTest::newRow("missing path changes nothing")
        << "keep/missing" << QStringList{} << QStringList(tree) + QStringList{"keep/other.txt"};
    QTest::newRow("empty path changes nothing") << QString() << QStringList{} << QStringList(tree);
    QTest::newRow("sub-tree inside a kept folder")
        << "keep/a/b/target/sub" << QStringList{"keep/a/b/target/sub"}
        << QStringList{"keep/a/b/target/f1.txt", "keep/a/b/target/empty"};
}

void TestUtilities::veryDel()
{
    QFETCH(QString, target);
    QFETCH(QStringList, gone);
    QFETCH(QStringList, kept);

    Sandbox sandbox;
    sandbox.writeBranding({{"name", "n"}});
    const QString root = sandbox.path(QStringLiteral("tree"));
    makeFile(root + QStringLiteral("/keep/other.txt"), false);
    makeFile(root + QStringLiteral("/keep/a/b/target/f1.txt"), true);
    makeFile(root + QStringLiteral("/keep/a/b/target/.hidden"), true);
    makeFile(root + QStringLiteral("/keep/a/b/target/sub/deeper/f2.txt"), true);
    QVERIFY(QDir().mkpath(root + QStringLiteral("/keep/a/b/target/empty")));

    BaseWidget widget;
    widget.veryDel(target.isEmpty() ? QString() : root + QLatin1Char('/') + target);

    for (const QString &path : gone)
        QVERIFY2(!QFileInfo::exists(root + QLatin1Char('/') + path), qPrintable(path));
    for (const QString &path : kept)
        QVERIFY2(QFileInfo::exists(root + QLatin1Char('/') + path), qPrintable(path));
}

void TestUtilities::existProcess_data()
{
    QTest::addColumn<QString>("transform");
    QTest::addColumn<bool>("expected");

    QTest::newRow("full image name") << "full" << true;
    QTest::newRow("without .exe") << "stem" << true;
    QTest::newRow("suffix in capitals") << "STEM.EXE" << false;
    QTest::newRow("other letter case") << "upper" << false;
    // tasklist compares the whole name, so on Windows a tail is not listed at all; elsewhere the
    // listing holds every image name and the byte search finds the tail inside the full name.
    QTest::newRow("tail of the image name") << "tail" << !onWindows();
    QTest::newRow("another name") << "other" << false;
}

void TestUtilities::existProcess()
{
    QFETCH(QString, transform);
    QFETCH(bool, expected);

    Sandbox sandbox;
    ProbeProcess probe(sandbox);
    QVERIFY2(probe.isStarted(), "the probe process did not start");

    const QString image = probe.imageName();
    const QString stem = image.chopped(4);
    QString asked;
    if (transform == QLatin1String("full"))
        asked = image;
    else if (transform == QLatin1String("stem"))
        asked = stem;
    else if (transform == QLatin1String("STEM.EXE"))
        asked = stem + QStringLiteral(".EXE");
    else if (transform == QLatin1String("upper"))
        asked = stem.toUpper() + QStringLiteral(".exe");
    else if (transform == QLatin1String("tail"))
        asked = image.mid(3);
    else
        asked = stem + QStringLiteral("zz.exe");

    if (Platform::processListing(image).isEmpty())
        QSKIP("this system's process listing is empty: wine 8 ships tasklist.exe as a stub that prints nothing");
    QCOMPARE(BaseWidget::existProcess(asked), expected);
}

void TestUtilities::killProcessStopsByExactName()
{
    Sandbox sandbox;
    ProbeProcess probe(sandbox);
    QVERIFY2(probe.isStarted(), "the probe process did not start");

    // No ".exe" is added for a stop, and only the exact image name stops a process.
    BaseWidget::killProcess(probe.imageName().chopped(4));
    BaseWidget::killProcess(probe.imageName().mid(3));
    // The stop is done when killProcess returns, so a stopped probe would have ended already.
    QVERIFY(!probe.process().waitForFinished(200));

    BaseWidget::killProcess(probe.imageName());
    QVERIFY(probe.process().waitForFinished(30000));
    QVERIFY(!BaseWidget::existProcess(probe.imageName()));
}

void TestUtilities::readReg_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("readable");

    QTest::newRow("short") << 10 << true;
    QTest::newRow("empty") << 0 << true;
    QTest::newRow("511 units fill the buffer with the NUL") << 511 << true;
    QTest::newRow("512 units overflow it") << 512 << false;
    QTest::newRow("600 units") << 600 << false;
}

void TestUtilities::readReg()
{
    QFETCH(int, length);
    QFETCH(bool, readable);

    Sandbox sandbox;
    const QString subKey = QStringLiteral("SOFTWARE\\HavrelTest\\%1").arg(QCoreApplication::applicationPid());
    QString value;
    for (int i = 0; i < length; ++i)
        value += QChar(u'a' + i % 26);
    Sandbox::setRegistryValue(QStringLiteral("HKEY_LOCAL_MACHINE\\") + subKey, QStringLiteral("path"), value);

    QCOMPARE(BaseWidget::readReg(subKey, QStringLiteral("path")), readable ? value : QString());
    QVERIFY(BaseWidget::readReg(subKey, QStringLiteral("missing")).isEmpty());
    QVERIFY(BaseWidget::readReg(subKey + QStringLiteral("\\missing"), QStringLiteral("path")).isEmpty());
}

void TestUtilities::shellFolders()
{
    Sandbox sandbox;
    sandbox.writeBranding({{"name", "n"}});
    BaseWidget widget;
    QVERIFY(!widget.startMenuPath().isEmpty());
    QVERIFY(!widget.desktopPath().isEmpty());
    QVERIFY(widget.startMenuPath() != widget.desktopPath());
    if (onWindows()) {
        // The shell's own folders of the user; a sandbox cannot move them.
        QVERIFY2(widget.startMenuPath().endsWith(QStringLiteral("/Start Menu/Programs")), qPrintable(widget.startMenuPath()));
        QVERIFY2(widget.desktopPath().endsWith(QStringLiteral("/Desktop")), qPrintable(widget.desktopPath()));
    } else {
        // Off Windows both follow the XDG variables, so a sandbox keeps them.
        QCOMPARE(widget.startMenuPath(), sandbox.path(QStringLiteral("home/.local/share/applications")));
        QCOMPARE(widget.desktopPath(), sandbox.path(QStringLiteral("home/Desktop")));
    }
}

QTEST_MAIN(TestUtilities)
#include "tst_utilities.moc"
