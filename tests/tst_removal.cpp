// The uninstaller's removal in a sandbox laid out like a real installation: what goes, what
// stays, the 3ds Max start-up scripts and the clean-up script.
#include "actrecorder.h"
#include "basewidget.h"
#include "cleanupscript.h"
#include "platform.h"
#include "probeprocess.h"
#include "sandbox.h"
#include "widget.h"

#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include <memory>

namespace {

const QString uninstallKey = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%1");
const QString runKey = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString companyKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel\\%1");
const QString maxKey = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Autodesk\\%1\\%2");

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// 3ds Max registrations written for one case. Where the registry is the machine's own (a wine
// prefix) the values go again with the case, and whatever stood there before comes back.
class MaxRegistry
{
public:
    ~MaxRegistry()
    {
        for (auto it = m_before.crbegin(); it != m_before.crend(); ++it) {
            const std::unique_ptr<QSettings> key(Platform::openKey(it->keyPath, nullptr));
            if (it->value.isNull())
                key->remove(QStringLiteral("Installdir"));
            else
                key->setValue(QStringLiteral("Installdir"), it->value);
            key->sync();
        }
    }
    // flavour "3dsMax" or "3dsMaxDesign", version key such as "16.0" or "14.0\MAX-1:804".
    void add(const QString &flavour, const QString &version, const QString &installdir)
    {
        const QString keyPath = maxKey.arg(flavour, version);
        m_before.append({keyPath, Sandbox::registryValue(keyPath, QStringLiteral("Installdir"))});
        Sandbox::setRegistryValue(keyPath, QStringLiteral("Installdir"), installdir);
    }

private:
    struct Saved
    {
        QString keyPath;
        QString value;
    };
    QList<Saved> m_before;
};

// A 3ds Max installation folder in the sandbox with both start-up scripts of the client and one
// of its own; the registered folder ends with its separator, as 3ds Max writes it.
QString maxFolder(const Sandbox &sandbox, const QString &name)
{
    const QString startup = sandbox.path(QStringLiteral("Autodesk/%1/scripts/Startup").arg(name));
    QDir().mkpath(startup);
    for (const QString &script : {"tesmarMenu.ms", "o_tesmarMenu.ms", "vray.ms"})
        sandbox.writeFile(QDir(sandbox.root()).relativeFilePath(startup + QLatin1Char('/') + script), "script");
    return native(sandbox.path(QStringLiteral("Autodesk/%1")).arg(name)) + QDir::separator();
}

QStringList scriptsIn(const Sandbox &sandbox, const QString &name)
{
    return QDir(sandbox.path(QStringLiteral("Autodesk/%1/scripts/Startup").arg(name))).entryList(QDir::Files, QDir::Name);
}

// An installation as the installer leaves it: the versioned folder below the product folder,
// the uninstall entry, autostart, settings, shortcuts; the uninstaller runs from the folder.
struct Installation
{
    Installation(Sandbox &sandbox, const QString &third, const QString &lang, const QString &name, const QString &nameEN)
        : key(third == QLatin1String("KDRender") ? QStringLiteral("TesmarKD") : QStringLiteral("TesmarQLV"))
    {
        productFolder = sandbox.path(QStringLiteral("programs/Havrel/%1").arg(key));
        installDir = native(productFolder + QStringLiteral("/5.1.3.0.01234"));
        for (const QString &file : {"Tesmar.exe", "uninstall.exe", "TS.ico", "plugins/max2020.dlo"})
            sandbox.writeFile(QDir(sandbox.root()).relativeFilePath(installDir + QLatin1Char('/') + file), "client file");
        // An older version's folder, left beside the current one by an update.
        sandbox.writeFile(QDir(sandbox.root()).relativeFilePath(productFolder + QStringLiteral("/5.0.0.0.00001/Tesmar.exe")), "old");
        BaseWidget::setProgramDirForTesting(installDir);

        Sandbox::setRegistryValue(uninstallKey.arg(key), QStringLiteral("installDir"), installDir);
        Sandbox::setRegistryValue(uninstallKey.arg(key), QStringLiteral("DisplayName"), name);
        Sandbox::setRegistryValue(runKey, QStringLiteral("Tesmar.exe"), installDir + QStringLiteral(" RegAutoRun"));
        Sandbox::setRegistryValue(runKey, QStringLiteral("Other.exe"), QStringLiteral("other program"));
        Sandbox::setRegistryValue(companyKey.arg(key) + QStringLiteral("\\Settings"), QStringLiteral("info"),
                                  QStringLiteral("{\"exe\":\"Tesmar.exe\",\"lang\":\"%1\",\"mark\":\"\",\"name\":\"%2\","
                                                 "\"nameEN\":\"%3\",\"third\":\"%4\"}")
                                      .arg(lang, name, nameEN, third));
        Sandbox::setRegistryValue(companyKey.arg(key) + QStringLiteral("\\Settings"), QStringLiteral("InstallDir"), installDir);
        Sandbox::setRegistryValue(companyKey.arg(QStringLiteral("tesmartools")) + QStringLiteral("\\Settings"),
                                  QStringLiteral("InstallDir"), QStringLiteral("companion"));
        BaseWidget::chinese = lang != QLatin1String("en_us");

        for (const QString &shown : {name, nameEN}) {
            if (shown.isEmpty())
                continue;
            const QString menu = Platform::programsMenuFolder() + QLatin1Char('/') + shown;
            QDir().mkpath(menu);
            QFile::link(installDir + QStringLiteral("/Tesmar.exe"), menu + QStringLiteral("/start.lnk"));
            QFile::link(installDir + QStringLiteral("/Tesmar.exe"), Platform::desktopFolder() + QLatin1Char('/') + shown + QStringLiteral(".lnk"));
        }
        QFile notes(Platform::desktopFolder() + QStringLiteral("/notes.txt"));
        if (notes.open(QIODevice::WriteOnly))
            notes.write("the user's own");
    }

    QString key;
    QString productFolder;
    QString installDir;
};

// Whether the entry itself is there. A link counts whatever it points at; Windows shortcuts
// need the listing, since Qt takes every name ending in ".lnk" for a link, there or not.
bool exists(const QString &path)
{
    const QFileInfo info(path);
    return QDir(info.absolutePath())
        .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)
        .contains(info.fileName());
}

} // namespace

class TestRemoval : public QObject
{
    Q_OBJECT
private slots:
    void allMaxPath_data();
    void allMaxPath();
    void removal_data();
    void removal();
    void refusedLayouts_data();
    void refusedLayouts();
    void productFolderOf_data();
    void productFolderOf();
    void closingBeforeRemovalWritesNoScript();
    void scriptTexts_data();
    void scriptTexts();
    void cleanupScriptRemovesFolderAndItself();
};

void TestRemoval::allMaxPath_data()
{
    QTest::addColumn<QStringList>("registrations"); // flavour|version|folder name ("-" suffix: no trailing separator)
    QTest::addColumn<QStringList>("expected");      // folder names in the expected order

    QTest::newRow("none installed") << QStringList{} << QStringList{};
    QTest::newRow("2014 and Design 2014: 3dsMax first")
        << QStringList{"3dsMaxDesign|16.0|Design 2014", "3dsMax|16.0|Max 2014"} << QStringList{"Max 2014", "Design 2014"};
    QTest::newRow("2012 registered only in Chinese")
        << QStringList{"3dsMax|14.0\\MAX-1:804|Max 2012"} << QStringList{"Max 2012"};
    QTest::newRow("version key order, not registration order")
        << QStringList{"3dsMax|20.0|Max 2018", "3dsMax|12.0\\MAX-1:409|Max 2010", "3dsMax|15.0|Max 2013"}
        << QStringList{"Max 2010", "Max 2013", "Max 2018"};
    QTest::newRow("start-up folder deleted") << QStringList{"3dsMax|17.0|Max 2015|nostartup"} << QStringList{};
    QTest::newRow("value without its trailing separator") << QStringList{"3dsMax|18.0|Max 2016|-"} << QStringList{};
    QTest::newRow("newer than 20.0 not looked for") << QStringList{"3dsMax|21.0|Max 2019", "3dsMax|19.0|Max 2017"}
                                                    << QStringList{"Max 2017"};
    QTest::newRow("same folder twice stays twice")
        << QStringList{"3dsMax|13.0\\MAX-1:409|Max 2011", "3dsMax|13.0\\MAX-1:804|Max 2011"} << QStringList{"Max 2011", "Max 2011"};
}

void TestRemoval::allMaxPath()
{
    QFETCH(QStringList, registrations);
    QFETCH(QStringList, expected);

    Sandbox sandbox;
    MaxRegistry registry;
    for (const QString &registration : registrations) {
        const QStringList parts = registration.split(QLatin1Char('|'));
        QString folder = maxFolder(sandbox, parts.at(2));
        if (parts.value(3) == QLatin1String("-"))
            folder.chop(1);
        if (parts.value(3) == QLatin1String("nostartup"))
            QDir(sandbox.path(QStringLiteral("Autodesk/%1/scripts/Startup").arg(parts.at(2)))).removeRecursively();
        registry.add(parts.at(0), parts.at(1), folder);
    }
    QStringList want;
    for (const QString &name : expected)
        want.append(QDir::cleanPath(sandbox.path(QStringLiteral("Autodesk/%1/scripts/Startup").arg(name))));
    QCOMPARE(BaseWidget::allMaxPath(), want);
}

void TestRemoval::removal_data()
{
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("nameEN");
    QTest::addColumn<QString>("shownName"); // the shortcuts that go
    QTest::addColumn<bool>("maxScriptsGo");

    QTest::newRow("standard, Chinese") << "" << "zh_cn" << "泰斯玛渲染" << "Tesmar Render" << "泰斯玛渲染" << true;
    QTest::newRow("standard, English names") << "" << "en_us" << "泰斯玛渲染" << "Tesmar Render" << "Tesmar Render" << true;
    QTest::newRow("partner") << "Vantoo" << "zh_cn" << "万图渲染" << "Vantoo Render" << "万图渲染" << true;
    QTest::newRow("KDRender leaves 3ds Max alone") << "KDRender" << "zh_cn" << "KD渲染" << "KD Render" << "KD渲染" << false;
    QTest::newRow("empty display name") << "" << "zh_cn" << "" << "Tesmar Render" << "" << true;
}

void TestRemoval::removal()
{
    QFETCH(QString, third);
    QFETCH(QString, lang);
    QFETCH(QString, name);
    QFETCH(QString, nameEN);
    QFETCH(QString, shownName);
    QFETCH(bool, maxScriptsGo);

    Sandbox sandbox;
    Installation installed(sandbox, third, lang, name, nameEN);
    MaxRegistry registry;
    registry.add(QStringLiteral("3dsMax"), QStringLiteral("13.0\\MAX-1:409"), maxFolder(sandbox, QStringLiteral("3ds Max 2011")));
    registry.add(QStringLiteral("3dsMax"), QStringLiteral("16.0"), maxFolder(sandbox, QStringLiteral("3ds Max 2014")));
    // 2012 anywhere in the path counts, also outside the version folder's name.
    registry.add(QStringLiteral("3dsMaxDesign"), QStringLiteral("17.0"), maxFolder(sandbox, QStringLiteral("2012 disk/Design 2015")));
    ProbeProcess client(sandbox);
    QVERIFY(client.isStarted());
    BaseWidget::exe = client.imageName();
    Sandbox::setRegistryValue(companyKey.arg(installed.key) + QStringLiteral("\\Settings"), QStringLiteral("info"),
                              QStringLiteral("{\"exe\":\"%1\",\"lang\":\"%2\",\"name\":\"%3\",\"nameEN\":\"%4\",\"third\":\"%5\"}")
                                  .arg(client.imageName(), lang, name, nameEN, third));
    Sandbox::setRegistryValue(runKey, client.imageName(), installed.installDir + QStringLiteral(" RegAutoRun"));

    ActRecorder acts;
    auto window = std::make_unique<Widget>();
    QCOMPARE(BaseWidget::exe, client.imageName());
    window->doUninstall();

    // The client was stopped by its name.
    QCOMPARE(acts.acts.size(), 1);
    QVERIFY(acts.acts.first().contains(client.imageName()));

    // Shortcuts: those of the shown name go, the others and the user's files stay.
    const QString menu = Platform::programsMenuFolder() + QLatin1Char('/');
    const QString desktop = Platform::desktopFolder() + QLatin1Char('/');
    for (const QString &shown : {name, nameEN}) {
        if (shown.isEmpty())
            continue;
        const bool gone = shown == shownName;
        QCOMPARE(exists(menu + shown), !gone);
        QCOMPARE(exists(desktop + shown + QStringLiteral(".lnk")), !gone);
    }
    QVERIFY(exists(desktop + QStringLiteral("notes.txt")));

    // Files: the installation folder goes; the product folder waits for the clean-up script.
    QVERIFY(!exists(installed.installDir));
    QVERIFY(exists(installed.productFolder + QStringLiteral("/5.0.0.0.00001/Tesmar.exe")));

    // Registry: the product's entries go, everything else stays.
    QVERIFY(Sandbox::registryValue(uninstallKey.arg(installed.key), QStringLiteral("installDir")).isNull());
    QVERIFY(Sandbox::registryValue(uninstallKey.arg(installed.key), QStringLiteral("DisplayName")).isNull());
    QVERIFY(Sandbox::registryValue(runKey, client.imageName()).isNull());
    QCOMPARE(Sandbox::registryValue(runKey, QStringLiteral("Other.exe")), QStringLiteral("other program"));
    QVERIFY(Sandbox::registryValue(companyKey.arg(installed.key) + QStringLiteral("\\Settings"), QStringLiteral("info")).isNull());
    QCOMPARE(Sandbox::registryValue(companyKey.arg(QStringLiteral("tesmartools")) + QStringLiteral("\\Settings"),
                                    QStringLiteral("InstallDir")),
             QStringLiteral("companion"));

    // 3ds Max: 2010 to 2012 lose the older script name, later versions the newer one.
    const QStringList all = {"o_tesmarMenu.ms", "tesmarMenu.ms", "vray.ms"};
    const QStringList oldMaxLeft = maxScriptsGo ? QStringList{"tesmarMenu.ms", "vray.ms"} : all;
    const QStringList newMaxLeft = maxScriptsGo ? QStringList{"o_tesmarMenu.ms", "vray.ms"} : all;
    QCOMPARE(scriptsIn(sandbox, QStringLiteral("3ds Max 2011")), oldMaxLeft);
    QCOMPARE(scriptsIn(sandbox, QStringLiteral("3ds Max 2014")), newMaxLeft);
    QCOMPARE(scriptsIn(sandbox, QStringLiteral("2012 disk/Design 2015")), oldMaxLeft);

    // The finish view, then the clean-up script for the product folder when the window closes.
    QVERIFY(window->uninstalled);
    QVERIFY(window->findChild<QPushButton *>(QStringLiteral("minBtn"))->isHidden());
    QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("uninstall_ok"))->isHidden());
    QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("closeBtn"))->isHidden());
    acts.acts.clear();
    window->close();
    QCOMPARE(acts.acts.size(), 1);
    const QString script = Platform::cleanupScriptPath();
    QVERIFY(acts.acts.first().join(QLatin1Char(' ')).endsWith(script));
    QCOMPARE(fileBytes(script), Platform::cleanupScriptText(native(installed.productFolder)));
    QFile::remove(script);
}

void TestRemoval::refusedLayouts_data()
{
    QTest::addColumn<QString>("installDir"); // relative to the sandbox unless absolute

    QTest::newRow("home folder") << "home";
    QTest::newRow("a folder the installer did not lay out") << "programs/Havrel/Tools/5.1.3.0.01234";
    QTest::newRow("product folder itself") << "programs/Havrel/TesmarQLV";
    QTest::newRow("root") << "/";
    QTest::newRow("relative path") << "relative/TesmarQLV/5.1";
}

void TestRemoval::refusedLayouts()
{
    QFETCH(QString, installDir);

    Sandbox sandbox;
    Installation installed(sandbox, QString(), QStringLiteral("zh_cn"), QStringLiteral("泰斯玛渲染"), QStringLiteral("Tesmar"));
    QString dir = installDir;
    if (installDir == QLatin1String("/"))
        dir = QDir::rootPath();
    else if (!installDir.startsWith(QLatin1String("relative")))
        dir = sandbox.path(installDir);
    QDir().mkpath(sandbox.path(QStringLiteral("programs/Havrel/Tools/5.1.3.0.01234")));
    sandbox.writeFile(QStringLiteral("programs/Havrel/Tools/5.1.3.0.01234/tool.exe"), "someone else's");
    Sandbox::setRegistryValue(uninstallKey.arg(installed.key), QStringLiteral("installDir"), native(dir));
    const QStringList before = filesBelow(sandbox.path(QStringLiteral("programs")));

    ActRecorder acts;
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("not the installer's layout")));
    auto window = std::make_unique<Widget>();
    window->doUninstall();
    window->close();

    // Registry entries and shortcuts go as usual; no file of any folder, no script.
    QVERIFY(Sandbox::registryValue(uninstallKey.arg(installed.key), QStringLiteral("installDir")).isNull());
    QVERIFY(Sandbox::registryValue(runKey, QStringLiteral("Tesmar.exe")).isNull());
    QVERIFY(!exists(Platform::desktopFolder() + QStringLiteral("/泰斯玛渲染.lnk")));
    QVERIFY(!exists(Platform::programsMenuFolder() + QStringLiteral("/泰斯玛渲染")));
    QCOMPARE(filesBelow(sandbox.path(QStringLiteral("programs"))), before);
    QVERIFY(exists(Platform::desktopFolder() + QStringLiteral("/notes.txt")));
    QVERIFY(exists(installed.installDir + QStringLiteral("/Tesmar.exe")));
    QVERIFY(acts.acts.size() <= 1); // the client stop, when a process of its name happens to run
    for (const QStringList &act : acts.acts)
        QVERIFY(!act.join(QLatin1Char(' ')).contains(Platform::cleanupScriptPath()));
    QVERIFY(!QFileInfo::exists(Platform::cleanupScriptPath()));
}

void TestRemoval::productFolderOf_data()
{
    QTest::addColumn<QString>("installDir"); // "@" stands for an existing sandbox folder
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("installer's layout") << "@/TesmarQLV/5.1.3.0.42517" << "TesmarQLV" << "@/TesmarQLV";
    QTest::newRow("trailing separator") << "@/TesmarQLV/5.1.3.0.42517/" << "TesmarQLV" << "@/TesmarQLV";
    QTest::newRow("letter case of the product folder") << "@/tesmarqlv/5.2" << "TesmarQLV" << "@/tesmarqlv";
    QTest::newRow("partner key") << "@/TesmarKD/5.1" << "TesmarKD" << "@/TesmarKD";
    QTest::newRow("other product's folder") << "@/TesmarKD/5.1" << "TesmarQLV" << "";
    QTest::newRow("climbing out of the layout") << "@/TesmarQLV/5.1/../../x" << "TesmarQLV" << "";
    QTest::newRow("folder below the product folder's child") << "@/TesmarQLV/5.1/sub" << "TesmarQLV" << "";
    QTest::newRow("empty") << "" << "TesmarQLV" << "";
    QTest::newRow("relative") << "TesmarQLV/5.1" << "TesmarQLV" << "";
    QTest::newRow("product folder missing") << "@/missing/TesmarQLV/5.1" << "TesmarQLV" << "";
    QTest::newRow("Windows system folder") << "C:\\Windows\\System32" << "TesmarQLV" << "";
    QTest::newRow("drive root") << "C:\\" << "TesmarQLV" << "";
}

void TestRemoval::productFolderOf()
{
    QFETCH(QString, installDir);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    for (const QString &folder : {"TesmarQLV/5.1.3.0.42517", "tesmarqlv/5.2", "TesmarKD/5.1", "TesmarQLV/5.1/sub"})
        QDir(dir.path()).mkpath(folder);
    installDir.replace(QLatin1Char('@'), dir.path());
    expected.replace(QLatin1Char('@'), dir.path());
    QCOMPARE(CleanupScript::productFolderOf(native(installDir), key), expected);
}

void TestRemoval::closingBeforeRemovalWritesNoScript()
{
    Sandbox sandbox;
    Installation installed(sandbox, QString(), QStringLiteral("zh_cn"), QStringLiteral("泰斯玛渲染"), QStringLiteral("Tesmar"));
    const QStringList before = filesBelow(installed.productFolder);
    ActRecorder acts;
    {
        Widget window;
        window.show();
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("uninstall")), Qt::LeftButton);
        window.findChild<QPushButton *>(QStringLiteral("closeBtn"))->click();
    }
    QVERIFY(acts.acts.isEmpty());
    QVERIFY(!QFileInfo::exists(Platform::cleanupScriptPath()));
    QCOMPARE(filesBelow(installed.productFolder), before);
    QCOMPARE(Sandbox::registryValue(uninstallKey.arg(installed.key), QStringLiteral("installDir")), installed.installDir);
}

void TestRemoval::scriptTexts_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QByteArray>("batch");
    QTest::addColumn<QByteArray>("shell");

    QTest::newRow("drive folder") << "D:/Apps/TesmarQLV"
                                  << QByteArray("ping -n 1 127.0.0.1>nul\r\nrd \"D:\\Apps\\TesmarQLV\" /s /q\r\ndel %0")
                                  << QByteArray("sleep 1\nrm -rf -- 'D:/Apps/TesmarQLV'\nrm -f -- \"$0\"\n");
    QTest::newRow("native separators and a space") << "C:\\Program Files\\Havrel\\TesmarQLV"
                                                    << QByteArray("ping -n 1 127.0.0.1>nul\r\nrd \"C:\\Program Files\\Havrel\\TesmarQLV\" /s /q\r\ndel %0")
                                                    << QByteArray("sleep 1\nrm -rf -- 'C:\\Program Files\\Havrel\\TesmarQLV'\nrm -f -- \"$0\"\n");
    QTest::newRow("quote in a Linux path") << "/home/o'neil/TesmarQLV"
                                           << QByteArray("ping -n 1 127.0.0.1>nul\r\nrd \"\\home\\o'neil\\TesmarQLV\" /s /q\r\ndel %0")
                                           << QByteArray("sleep 1\nrm -rf -- '/home/o'\\''neil/TesmarQLV'\nrm -f -- \"$0\"\n");
}

void TestRemoval::scriptTexts()
{
    QFETCH(QString, folder);
    QFETCH(QByteArray, batch);
    QFETCH(QByteArray, shell);

    QCOMPARE(Platform::batchScriptText(folder), batch);
    QCOMPARE(Platform::shellScriptText(folder), shell);
}

void TestRemoval::cleanupScriptRemovesFolderAndItself()
{
    Sandbox sandbox;
    const QString product = sandbox.path(QStringLiteral("programs/Havrel/TesmarQLV"));
    sandbox.writeFile(QStringLiteral("programs/Havrel/TesmarQLV/5.1.3.0.01234/uninstall.exe"), "in use while it ran");
    sandbox.writeFile(QStringLiteral("programs/Havrel/TesmarQLV/5.1.3.0.01234/sub dir/it's.txt"), "x");
    sandbox.writeFile(QStringLiteral("programs/Havrel/keep.txt"), "beside the product folder");

    QVERIFY(CleanupScript::writeAndStart(product));
    const QString script = Platform::cleanupScriptPath();
    // The script runs on its own after a short pause; wait for its end, not for a time.
    QVERIFY(QTest::qWaitFor([&] { return !QFileInfo::exists(product) && !QFileInfo::exists(script); }, 60000));
    QVERIFY(QFileInfo::exists(sandbox.path(QStringLiteral("programs/Havrel/keep.txt"))));
}

QTEST_MAIN(TestRemoval)
#include "tst_removal.moc"
