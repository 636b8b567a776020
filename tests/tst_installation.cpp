// The installation procedure in a sandbox: what lands in the registry store, the folders and the
// shortcuts, and what the finished window offers.
#include "actrecorder.h"
#include "basewidget.h"
#include "platform.h"
#include "promptanswerer.h"
#include "recordingserver.h"
#include "resourcereader.h"
#include "sandbox.h"
#include "widget.h"
#include "xfunc.h"
#include "ziptool.h"

#include <QCheckBox>
#include <QDir>
#include <QJsonObject>
#include <QPushButton>
#include <QtEndian>
#include <QtTest>

namespace {

const QString uninstallKey = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%1");
const QString runKey = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString settingsKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel\\%1\\Settings");
const QStringList libraries = {"Qt5Widgets.dll", "Qt5Gui.dll",  "Qt5Core.dll",  "msvcr100.dll",
                               "msvcp100.dll",   "icuuc52.dll", "icuin52.dll", "icudt52.dll"};

QByteArray peFixture()
{
    return fileBytes(QStringLiteral(PE_FIXTURES "/client-reloc.exe"));
}

// One 32-bit image: the bytes the branded client must carry as its icon image 7 afterwards.
QByteArray brandIcon()
{
    QByteArray image("brand-icon-image");
    QByteArray file(6 + 16, '\0');
    qToLittleEndian<quint16>(1, file.data() + 2);
    qToLittleEndian<quint16>(1, file.data() + 4);
    file[6] = 16;
    file[7] = 16;
    qToLittleEndian<quint16>(32, file.data() + 6 + 6);
    qToLittleEndian<quint32>(quint32(image.size()), file.data() + 6 + 8);
    qToLittleEndian<quint32>(22, file.data() + 6 + 12);
    return file + image;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString inFolder(const QString &folder, const QString &name)
{
    return folder + QDir::separator() + name;
}

// What a user downloads: the installer's folder with the branding, the package, the runtime
// libraries and the companion's installer. packageExe: the client's name inside the package,
// empty for a package without it.
struct Download
{
    Download(Sandbox &sandbox, const QMap<QString, QString> &branding, const QString &packageExe, RecordingServer &ops)
    {
        sandbox.writeBranding(branding);
        QList<ZipEntry> entries = {{"uninstall.exe", "uninstaller"}, {"plugins/", {}}, {"plugins/max2020.dlo", "plugin"}};
        if (!packageExe.isEmpty())
            entries.append({packageExe, peFixture()});
        writeZip(sandbox.path(QStringLiteral("program/files.zip")), entries);
        for (const QString &library : libraries)
            sandbox.writeFile(QStringLiteral("program/") + library, "library " + library.toLatin1());
        sandbox.writeFile(QStringLiteral("program/SPCache"), "cache v1");
        sandbox.writeFile(QStringLiteral("program/TS.ico"), brandIcon());
        sandbox.writeFile(QStringLiteral("program/Vantoosetup.exe"), "companion");
        sandbox.writeFile(QStringLiteral("program/service.ini"),
                          "[server]\nops=" + ops.base().toLatin1() + "\n");
    }
};

// Runs an installation through the window as the user does; returns the window afterwards.
std::unique_ptr<Widget> install(bool startMenu = true, bool autoRun = true)
{
    auto window = std::make_unique<Widget>();
    window->show();
    window->findChild<QCheckBox *>(QStringLiteral("startMenu"))->setChecked(startMenu);
    window->findChild<QCheckBox *>(QStringLiteral("autoRun"))->setChecked(autoRun);
    QSignalSpy finished(window.get(), &Widget::installationFinished);
    QSignalSpy destroyed(window.get(), &QObject::destroyed);
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("install")), Qt::LeftButton);
    // Finished, or ended from inside the procedure (the extraction thread then ends first).
    (void)QTest::qWaitFor([&] { return !finished.isEmpty() || !window->findChild<QThread *>()->isRunning(); }, 60000);
    (void)QTest::qWaitFor([&] { return !finished.isEmpty(); }, 2000);
    return window;
}

QString shortcutTarget(const QString &link)
{
    return QDir::toNativeSeparators(QFileInfo(link).symLinkTarget());
}

} // namespace

class TestInstallation : public QObject
{
    Q_OBJECT
private slots:
    void editions_data();
    void editions();
    void optionsUnchecked();
    void reinstallation();
    void generalEditionFilesDeleted();
    void companionInstaller_data();
    void companionInstaller();
    void unreachableReportServer();
};

void TestInstallation::editions_data()
{
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("packageExe");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("failure"); // the prompt of a failed installation, empty when it finishes

    QTest::newRow("standard edition") << "" << "zh_cn" << "Tesmar.exe" << "TesmarQLV" << "";
    QTest::newRow("standard edition, English") << "" << "en_us" << "Tesmar.exe" << "TesmarQLV" << "";
    QTest::newRow("KDRender renames the standard client") << "KDRender" << "zh_cn" << "TesmarQLV.exe" << "TesmarKD" << "";
    QTest::newRow("KDRender without the standard client") << "KDRender" << "en_us" << "" << "TesmarKD" << "Rename file error";
    QTest::newRow("other partner") << "Vantoo" << "zh_cn" << "Tesmar.exe" << "TesmarQLV" << "";
    QTest::newRow("other partner without the client") << "Vantoo" << "zh_cn" << "" << "TesmarQLV" << "换图标失败";
}

void TestInstallation::editions()
{
    QFETCH(QString, third);
    QFETCH(QString, lang);
    QFETCH(QString, packageExe);
    QFETCH(QString, key);
    QFETCH(QString, failure);

    Sandbox sandbox;
    RecordingServer ops;
    Download download(sandbox, {{"exe", "Tesmar.exe"}, {"name", "泰斯玛"}, {"nameEN", "Tesmar"}, {"third", third},
                                {"mark", "qd-7"}, {"lang", lang}},
                      packageExe, ops);
    BaseWidget settings;
    settings.isChinese();
    const bool chinese = lang != QLatin1String("en_us");
    const QString name = chinese ? QStringLiteral("泰斯玛") : QStringLiteral("Tesmar");
    ActRecorder acts;
    PromptAnswerer answerer({QStringLiteral("okBtn")});

    const auto window = install();
    const QString installDir = window->installDir;
    const QString client = inFolder(installDir, QStringLiteral("Tesmar.exe"));
    const QString desktopLink = window->desktopPath() + QLatin1Char('/') + name + QStringLiteral(".lnk");
    const QString menu = window->startMenuPath() + QLatin1Char('/') + name;

    if (!failure.isEmpty()) {
        // Ended from inside the procedure: a prompt, exit code 0, nothing registered.
        QCOMPARE(answerer.texts, QStringList{failure});
        QCOMPARE(acts.endedWith, 0);
        QVERIFY(Sandbox::registryValue(uninstallKey.arg(key), QStringLiteral("installDir")).isEmpty());
        QVERIFY(Sandbox::registryValue(settingsKey.arg(key), QStringLiteral("InstallDir")).isEmpty());
        QVERIFY(!QFileInfo::exists(desktopLink));
        QVERIFY(ops.requests.isEmpty());
        return;
    }
    QVERIFY(answerer.texts.isEmpty());
    QCOMPARE(acts.endedWith, -1);

    // Folders: the package, the runtime libraries, the icon, the data folder.
    QVERIFY(installDir.startsWith(native(sandbox.path(QStringLiteral("programs/")))));
    QVERIFY(QFileInfo(installDir).fileName().startsWith(QStringLiteral("5.1.3.0.")));
    QCOMPARE(QFileInfo(installDir).dir().dirName(), key);
    QVERIFY(QFileInfo::exists(client));
    QVERIFY(!QFileInfo::exists(inFolder(installDir, QStringLiteral("TesmarQLV.exe"))));
    QCOMPARE(fileBytes(inFolder(installDir, QStringLiteral("plugins/max2020.dlo"))), QByteArray("plugin"));
    for (const QString &library : libraries)
        QCOMPARE(fileBytes(inFolder(installDir, library)), "library " + library.toLatin1());
    QCOMPARE(fileBytes(installDir + QStringLiteral("/TS.ico")), brandIcon());
    const QString appData = XFunc::readUserReg(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
                                               QStringLiteral("AppData")).toString().replace(QLatin1Char('\\'), QLatin1Char('/'));
    QCOMPARE(fileBytes(appData + QLatin1Char('/') + key + QStringLiteral("/AllUser/SPCache")), QByteArray("cache v1"));

    // Partner builds carry the brand's icon.
    QString why;
    if (!third.isEmpty() && ResourceReader::available(&why))
        QCOMPARE(ResourceReader::read(client, 3, QStringLiteral("7"), 1033), QByteArray("brand-icon-image"));

    // Shortcuts.
    const QString start = chinese ? QStringLiteral("启动") : QStringLiteral("start ");
    const QString remove = chinese ? QStringLiteral("卸载") : QStringLiteral("uninstall ");
    QCOMPARE(shortcutTarget(desktopLink), client);
    QCOMPARE(shortcutTarget(menu + QLatin1Char('/') + start + name + QStringLiteral(".lnk")), client);
    QCOMPARE(shortcutTarget(menu + QLatin1Char('/') + remove + name + QStringLiteral(".lnk")),
             inFolder(installDir, QStringLiteral("uninstall.exe")));

    // Registry: autostart, uninstall entry, product settings.
    QCOMPARE(Sandbox::registryValue(runKey, QStringLiteral("Tesmar.exe")), client + QStringLiteral(" RegAutoRun"));
    const QString entry = uninstallKey.arg(key);
    QCOMPARE(Sandbox::registryValue(entry, QStringLiteral("DisplayName")), name);
    QCOMPARE(Sandbox::registryValue(entry, QStringLiteral("UninstallString")), inFolder(installDir, QStringLiteral("uninstall.exe")));
    QCOMPARE(Sandbox::registryValue(entry, QStringLiteral("installDir")), installDir);
    QCOMPARE(Sandbox::registryValue(entry, QStringLiteral("DisplayVersion")), QStringLiteral("5.1.3.0"));
    QCOMPARE(Sandbox::registryValue(entry, QStringLiteral("DisplayIcon")), client);
    QCOMPARE(Sandbox::registryValue(entry, QStringLiteral("Publisher")),
             third.isEmpty() ? QStringLiteral("Havrel科技股份有限公司") : QString());
    QCOMPARE(Sandbox::registryValue(entry, QStringLiteral("URLInfoAbout")).isEmpty(), !third.isEmpty());
    const QString settings_ = settingsKey.arg(key);
    QCOMPARE(Sandbox::registryValue(settings_, QStringLiteral("ThirdPart")), third);
    QCOMPARE(Sandbox::registryValue(settings_, QStringLiteral("Language")), chinese ? QStringLiteral("zh_cn") : QStringLiteral("en_us"));
    QCOMPARE(Sandbox::registryValue(settings_, QStringLiteral("InstallDir")), installDir);
    QCOMPARE(Sandbox::registryValue(settings_, QStringLiteral("info")),
             QStringLiteral("{\"exe\":\"Tesmar.exe\",\"lang\":\"%1\",\"mark\":\"qd-7\",\"name\":\"%2\",\"nameEN\":\"Tesmar\",\"third\":\"%3\"}")
                 .arg(lang, name, third));

    // The finished window and the report.
    QCOMPARE(window->findChild<QPushButton *>(QStringLiteral("install"))->text(),
             chinese ? QStringLiteral("开启泰斯玛") : QStringLiteral("Finish"));
    QVERIFY(window->findChild<QPushButton *>(QStringLiteral("install"))->isVisible());
    QVERIFY(window->findChild<QPushButton *>(QStringLiteral("closeBtn"))->isVisible());
    QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("minBtn"))->isVisible());
    auto *companion = window->findChild<QCheckBox *>(QStringLiteral("installVantoo"));
    QCOMPARE(companion->isVisible(), third.isEmpty() && chinese);
    QCOMPARE(companion->isChecked(), third.isEmpty() && chinese);
    QVERIFY(ops.waitForRequests(1));
    QCOMPARE(ops.requests.first().method, QByteArray("POST"));
    QVERIFY(ops.requests.first().target.startsWith("/clientChannel/clientChannelInfo?mark=qd-7&macAddr="));
    QVERIFY(ops.requests.first().target.contains("&cpu=["));
    QVERIFY(acts.acts.isEmpty());
}

void TestInstallation::optionsUnchecked()
{
    Sandbox sandbox;
    RecordingServer ops;
    Download download(sandbox, {{"exe", "Tesmar.exe"}, {"name", "泰斯玛"}}, QStringLiteral("Tesmar.exe"), ops);
    Sandbox::setRegistryValue(runKey, QStringLiteral("Tesmar.exe"), QStringLiteral("old value"));
    BaseWidget settings;
    settings.isChinese();
    // An earlier installation's start-menu folder goes even when no new one is made.
    const QString menu = settings.startMenuPath() + QStringLiteral("/泰斯玛");
    sandbox.writeFile(QDir(sandbox.root()).relativeFilePath(menu + QStringLiteral("/old.lnk")), "old");
    ActRecorder acts;

    const auto window = install(false, false);
    QVERIFY(!QFileInfo::exists(menu));
    QCOMPARE(shortcutTarget(window->desktopPath() + QStringLiteral("/泰斯玛.lnk")), inFolder(window->installDir, QStringLiteral("Tesmar.exe")));
    QCOMPARE(Sandbox::registryValue(runKey, QStringLiteral("Tesmar.exe")), QStringLiteral("old value"));
}

void TestInstallation::reinstallation()
{
    Sandbox sandbox;
    RecordingServer ops;
    Download download(sandbox, {{"exe", "Tesmar.exe"}, {"name", "泰斯玛"}}, QStringLiteral("Tesmar.exe"), ops);
    BaseWidget settings;
    settings.isChinese();
    ActRecorder acts;
    const auto first = install();
    const QString firstDir = first->installDir;

    // The next installer brings a newer cache; the one in the data folder stays.
    sandbox.writeFile(QStringLiteral("program/SPCache"), "cache v2");
    QTest::qWait(20); // a later time stamp, so a new versioned folder
    const auto second = install();
    QVERIFY(second->installDir != firstDir);
    QVERIFY(QFileInfo::exists(firstDir));
    const QString appData = XFunc::readUserReg(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
                                               QStringLiteral("AppData")).toString().replace(QLatin1Char('\\'), QLatin1Char('/'));
    QCOMPARE(fileBytes(appData + QStringLiteral("/TesmarQLV/AllUser/SPCache")), QByteArray("cache v1"));
    // The shortcuts now lead into the new folder.
    const QString client = inFolder(second->installDir, QStringLiteral("Tesmar.exe"));
    QCOMPARE(shortcutTarget(second->desktopPath() + QStringLiteral("/泰斯玛.lnk")), client);
    QCOMPARE(shortcutTarget(second->startMenuPath() + QStringLiteral("/泰斯玛/启动泰斯玛.lnk")), client);
    QCOMPARE(QDir(second->startMenuPath() + QStringLiteral("/泰斯玛")).entryList(QDir::Files | QDir::System).size(), 2);
    QCOMPARE(Sandbox::registryValue(settingsKey.arg(QStringLiteral("TesmarQLV")), QStringLiteral("InstallDir")), second->installDir);
}

void TestInstallation::generalEditionFilesDeleted()
{
    Sandbox sandbox;
    RecordingServer ops;
    Download download(sandbox, {{"exe", "Tesmar.exe"}, {"name", "n"}}, QStringLiteral("Tesmar.exe"), ops);
    const QStringList plugins = {"3dsMax.dll",   "Newtonsoft.Json.dll", "Skyloft.dll",    "tesmar_2.mse",   "tesmar_1.mse",
                                 "render_fn.mse", "o_tesmar_2.mse",     "o_tesmar_1.mse", "o_render_fn.mse"};
    for (const QString &plugin : plugins)
        sandbox.writeFile(QStringLiteral("general/") + plugin, "old");
    sandbox.writeFile(QStringLiteral("general/DVClient.exe"), "the general client itself");
    Sandbox::setRegistryValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel\\DVClient\\Settings"), QStringLiteral("InstallDir"),
                              native(sandbox.path(QStringLiteral("general"))));
    BaseWidget settings;
    ActRecorder acts;
    install();
    QCOMPARE(QDir(sandbox.path(QStringLiteral("general"))).entryList(QDir::Files), QStringList{"DVClient.exe"});
}

void TestInstallation::companionInstaller_data()
{
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("toolsInstalled");
    QTest::addColumn<bool>("started");
    QTest::newRow("checked, tools absent") << true << false << true;
    QTest::newRow("unchecked") << false << false << false;
    QTest::newRow("checked, tools installed") << true << true << false;
}

void TestInstallation::companionInstaller()
{
    QFETCH(bool, checked);
    QFETCH(bool, toolsInstalled);
    QFETCH(bool, started);

    Sandbox sandbox;
    RecordingServer ops;
    Download download(sandbox, {{"exe", "Tesmar.exe"}, {"name", "n"}}, QStringLiteral("Tesmar.exe"), ops);
    if (toolsInstalled)
        Sandbox::setRegistryValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel\\tesmartools\\Settings"),
                                  QStringLiteral("InstallDir"), QStringLiteral("C:\\tools"));
    BaseWidget settings;
    settings.isChinese();
    ActRecorder acts;
    const auto window = install();
    window->findChild<QCheckBox *>(QStringLiteral("installVantoo"))->setChecked(checked);
    QSignalSpy destroyed(window.get(), &QObject::destroyed);

    // The finished window's main button starts the client and closes the window.
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("install")), Qt::LeftButton);
    const QString client = inFolder(window->installDir, QStringLiteral("Tesmar.exe"));
    QList<QStringList> expected = {QSysInfo::productType() == QLatin1String("windows") ? QStringList{"explorer", client}
                                                                                       : QStringList{client}};
    if (started)
        expected.append({inFolder(sandbox.programDir(), QStringLiteral("Vantoosetup.exe")), "/sp-", "/silent"});
    QCOMPARE(acts.acts, expected);
    QVERIFY(!window->isVisible());
}

void TestInstallation::unreachableReportServer()
{
    Sandbox sandbox;
    RecordingServer closed;
    Download download(sandbox, {{"exe", "Tesmar.exe"}, {"name", "n"}}, QStringLiteral("Tesmar.exe"), closed);
    // Nothing listens on the reserved port 9 ("discard"): the report goes nowhere.
    sandbox.writeFile(QStringLiteral("program/service.ini"), "[server]\nops=http://127.0.0.1:9\n");
    BaseWidget settings;
    settings.isChinese();
    ActRecorder acts;
    const auto window = install();
    QCOMPARE(window->findChild<QPushButton *>(QStringLiteral("install"))->text(), QStringLiteral("开启n"));
    QCOMPARE(Sandbox::registryValue(settingsKey.arg(QStringLiteral("TesmarQLV")), QStringLiteral("InstallDir")), window->installDir);
    QTest::qWait(200);
    QCOMPARE(acts.endedWith, -1);
}

QTEST_MAIN(TestInstallation)
#include "tst_installation.moc"
