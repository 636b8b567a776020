// The update window and the switch-over to the new folder, in a sandbox with a server on 127.0.0.1.
#include "actrecorder.h"
#include "basewidget.h"
#include "platform.h"
#include "recordingserver.h"
#include "resourcereader.h"
#include "sandbox.h"
#include "updatework.h"
#include "widget.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

namespace {

const QString uninstallKey = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%1");
const QString runKey = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString settingsKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel\\%1\\Settings");

QString inFolder(const QString &folder, const QString &name)
{
    return folder + QDir::separator() + name;
}

// An installed client as the installer leaves it, and the server of the next version.
struct Installed
{
    Installed(Sandbox &sandbox, const QString &third, const QString &lang, const QString &name, const QString &nameEN)
        : key(third == QLatin1String("KDRender") ? QStringLiteral("TesmarKD") : QStringLiteral("TesmarQLV"))
    {
        current = QDir::toNativeSeparators(sandbox.path(QStringLiteral("programs/Tesmar/%1/5.1.3.0.01234").arg(key)));
        QDir().mkpath(current);
        BaseWidget::setProgramDirForTesting(current);
        sandbox.writeFile(QDir(sandbox.root()).relativeFilePath(current + QStringLiteral("/service.ini")),
                          "[server]\nweb=" + server.base().toUtf8() + "\n");
        Sandbox::setRegistryValue(uninstallKey.arg(key), QStringLiteral("installDir"), current);
        Sandbox::setRegistryValue(uninstallKey.arg(key), QStringLiteral("DisplayName"), name);
        Sandbox::setRegistryValue(settingsKey.arg(key), QStringLiteral("info"),
                                  QStringLiteral("{\"exe\":\"Tesmar.exe\",\"lang\":\"%1\",\"mark\":\"\",\"name\":\"%2\",\"nameEN\":\"%3\",\"third\":\"%4\"}")
                                      .arg(lang, name, nameEN, third));
        UpdateWork::updateVersion = QStringLiteral("5.2.0.0");
    }

    // The next version: the client (a real PE for partner builds) and the uninstaller.
    void serveVersion(const QString &clientName, const QByteArray &client)
    {
        QByteArray files;
        for (const auto &file : {qMakePair(clientName, client), qMakePair(QStringLiteral("uninstall.exe"), QByteArray("uninstaller"))}) {
            const QString hash = QString::fromLatin1(QCryptographicHash::hash(file.second, QCryptographicHash::Sha1).toHex());
            files += QStringLiteral("<file name=\"%1\" path=\"/\" hashCode=\"%2\"/>").arg(file.first, hash).toUtf8();
            server.answer("/getVersionStream.htm?path=files///" + file.first.toUtf8() + "&version=5.2.0.0", file.second);
        }
        server.answer("/getVersionFile.htm?version=5.2.0.0", "<version><prefix>" + server.base().toUtf8()
                                                                 + "/</prefix><note>&lt;b&gt;Faster&lt;/b&gt; uploads</note><files>"
                                                                 + files + "</files></version>");
    }

    QString key;
    QString current;
    RecordingServer server;
};

QPushButton *button(const Widget &window, const char *name)
{
    return window.findChild<QPushButton *>(QString::fromLatin1(name));
}

QString errorText(const Widget &window)
{
    return window.findChild<QLabel *>(QStringLiteral("err"))->text();
}

// Waits for the attempt the window runs to end, one way or the other.
bool settled(const Widget &window)
{
    return QTest::qWaitFor([&] { return button(window, "update")->isEnabled(); }, 60000);
}

QByteArray peFixture()
{
    return fileBytes(QStringLiteral(PE_FIXTURES "/client-reloc.exe"));
}

} // namespace

class TestUpdateWindow : public QObject
{
    Q_OBJECT
private slots:
    void errors_data();
    void errors();
    void retryFillsTheSameFolderThenFinishLaunches();
    void apply_data();
    void apply();
    void kdRetryAfterIconFailureFailsAtRename();
    void newDirBesideTheCurrentOne();
};

void TestUpdateWindow::errors_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("button_");
    QTest::newRow("-1 English") << "en_us" << -1 << "File list error!Please retry!" << "Update";
    QTest::newRow("-1 Chinese") << "zh_cn" << -1 << "获取更新文件列表失败！请重试！" << "更新";
    QTest::newRow("-2 English") << "en_us" << -2 << "File download error!Please retry!" << "Update";
    QTest::newRow("-2 Chinese") << "zh_cn" << -2 << "下载文件失败！请重试！" << "更新";
    QTest::newRow("-3 English") << "en_us" << -3 << "Rename file error!Please retry!" << "Update";
    QTest::newRow("-3 Chinese") << "zh_cn" << -3 << "重命名文件失败！请重试！" << "更新";
    QTest::newRow("-4 English") << "en_us" << -4 << "Change icon error!Please retry!" << "Update";
    QTest::newRow("-4 Chinese") << "zh_cn" << -4 << "换图标失败！请重试！" << "更新";
    QTest::newRow("other code") << "en_us" << 7 << "Please retry!" << "Update";
}

void TestUpdateWindow::errors()
{
    QFETCH(QString, lang);
    QFETCH(int, code);
    QFETCH(QString, text);
    QFETCH(QString, button_);
    Sandbox sandbox;
    Installed installed(sandbox, QString(), lang, QStringLiteral("泰斯玛"), QStringLiteral("Tesmar"));
    // The server knows no version: the first attempt fails with -1.
    BaseWidget settings;
    settings.isChinese();
    Widget window;
    window.show();
    QVERIFY(settled(window));
    window.error(code);
    QCOMPARE(errorText(window), text);
    QCOMPARE(button(window, "update")->text(), button_);
    QVERIFY(button(window, "update")->isEnabled());
    QVERIFY(button(window, "closeBtn")->isVisible());
    QVERIFY(!button(window, "minBtn")->isVisible());
}

void TestUpdateWindow::retryFillsTheSameFolderThenFinishLaunches()
{
    Sandbox sandbox;
    Installed installed(sandbox, QString(), QStringLiteral("en_us"), QStringLiteral("泰斯玛"), QStringLiteral("Tesmar"));
    BaseWidget settings;
    settings.isChinese();
    ActRecorder acts;
    Widget window;
    window.show();
    QVERIFY(settled(window));
    QCOMPARE(errorText(window), QStringLiteral("File list error!Please retry!"));
    const QString newDir = window.newDir;

    installed.serveVersion(QStringLiteral("Tesmar.exe"), "client v2");
    QSignalSpy applied(&window, &Widget::updateApplied);
    QTest::mouseClick(button(window, "update"), Qt::LeftButton);
    QCOMPARE(button(window, "update")->text(), QStringLiteral("Updating"));
    QVERIFY(applied.wait(60000));
    QCOMPARE(window.newDir, newDir);
    QCOMPARE(fileBytes(inFolder(newDir, QStringLiteral("Tesmar.exe"))), QByteArray("client v2"));
    QCOMPARE(button(window, "update")->text(), QStringLiteral("Finish"));
    QVERIFY(errorText(window).isEmpty());
    QCOMPARE(window.findChild<QTextEdit *>(QStringLiteral("textEdit"))->toPlainText(), QStringLiteral("Faster uploads"));

    QTest::mouseClick(button(window, "update"), Qt::LeftButton);
    const QString client = inFolder(newDir, QStringLiteral("Tesmar.exe"));
    QCOMPARE(acts.acts, (QList<QStringList>{QSysInfo::productType() == QLatin1String("windows")
                                                   ? QStringList{"explorer", client}
                                                   : QStringList{client}}));
    QVERIFY(!window.isVisible());
    QCOMPARE(applied.size(), 1);
}

void TestUpdateWindow::apply_data()
{
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("runValue");
    QTest::addColumn<bool>("menuFolder");
    QTest::newRow("standard edition") << "" << "zh_cn" << "泰斯玛" << true << true;
    QTest::newRow("KDRender") << "KDRender" << "zh_cn" << "泰斯玛" << true << true;
    QTest::newRow("no run value, no start-menu folder") << "" << "zh_cn" << "泰斯玛" << false << false;
    QTest::newRow("English names") << "" << "en_us" << "泰斯玛" << true << true;
    QTest::newRow("empty name") << "" << "zh_cn" << "" << true << true;
}

void TestUpdateWindow::apply()
{
    QFETCH(QString, third);
    QFETCH(QString, lang);
    QFETCH(QString, name);
    QFETCH(bool, runValue);
    QFETCH(bool, menuFolder);

    Sandbox sandbox;
    Installed installed(sandbox, third, lang, name, QStringLiteral("Tesmar"));
    const bool kd = third == QLatin1String("KDRender");
    installed.serveVersion(kd ? QStringLiteral("TesmarQLV.exe") : QStringLiteral("Tesmar.exe"), kd ? peFixture() : QByteArray("client v2"));
    if (runValue)
        Sandbox::setRegistryValue(runKey, QStringLiteral("Tesmar.exe"), QStringLiteral("old RegAutoRun"));
    BaseWidget settings;
    settings.isChinese();
    const bool chinese = lang != QLatin1String("en_us");
    const QString shown = chinese ? name : QStringLiteral("Tesmar");
    const QString menu = settings.startMenuPath() + QLatin1Char('/') + shown;
    if (menuFolder && !shown.isEmpty())
        sandbox.writeFile(QDir(sandbox.root()).relativeFilePath(menu + QStringLiteral("/old.lnk")), "old");

    const QStringList desktopBefore = QDir(settings.desktopPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    Widget window;
    QSignalSpy applied(&window, &Widget::updateApplied);
    QVERIFY(applied.wait(60000));
    const QString newDir = window.newDir;
    const QString client = inFolder(newDir, QStringLiteral("Tesmar.exe"));
    QVERIFY(QFileInfo::exists(client));

    if (kd) {
        QVERIFY(!QFileInfo::exists(inFolder(newDir, QStringLiteral("TesmarQLV.exe"))));
        QString why;
        QFile brand(QStringLiteral(":/TS-KD.ico"));
        QVERIFY(brand.open(QIODevice::ReadOnly));
        QCOMPARE(fileBytes(inFolder(newDir, QStringLiteral("TS.ico"))), brand.readAll());
        if (ResourceReader::available(&why))
            QVERIFY(!ResourceReader::read(client, 3, QStringLiteral("7"), 1033).isEmpty());
    }
    QCOMPARE(Sandbox::registryValue(runKey, QStringLiteral("Tesmar.exe")),
             runValue ? client + QStringLiteral(" RegAutoRun") : QString());
    const QString entry = uninstallKey.arg(installed.key);
    QCOMPARE(Sandbox::registryValue(entry, QStringLiteral("UninstallString")), inFolder(newDir, QStringLiteral("uninstall.exe")));
    QCOMPARE(Sandbox::registryValue(entry, QStringLiteral("installDir")), newDir);
    QCOMPARE(Sandbox::registryValue(entry, QStringLiteral("DisplayVersion")), QStringLiteral("5.2.0.0"));
    QCOMPARE(Sandbox::registryValue(entry, QStringLiteral("DisplayIcon")), client);
    QCOMPARE(Sandbox::registryValue(entry, QStringLiteral("DisplayName")), name); // the installer's, kept
    QCOMPARE(Sandbox::registryValue(settingsKey.arg(installed.key), QStringLiteral("InstallDir")), newDir);

    const QString desktop = settings.desktopPath() + QLatin1Char('/') + shown + QStringLiteral(".lnk");
    if (shown.isEmpty()) {
        QCOMPARE(QDir(settings.desktopPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), desktopBefore);
    } else {
        QCOMPARE(QDir::toNativeSeparators(QFileInfo(desktop).symLinkTarget()), client);
        const QString start = (chinese ? QStringLiteral("启动") : QStringLiteral("start ")) + shown + QStringLiteral(".lnk");
        QCOMPARE(QFileInfo::exists(menu + QLatin1Char('/') + start), menuFolder);
        QVERIFY(!QFileInfo::exists(menu + QStringLiteral("/old.lnk")));
    }
    QCOMPARE(button(window, "update")->text(), chinese ? QStringLiteral("完成") : QStringLiteral("Finish"));
    QVERIFY(button(window, "update")->isEnabled());
}

void TestUpdateWindow::kdRetryAfterIconFailureFailsAtRename()
{
    Sandbox sandbox;
    Installed installed(sandbox, QStringLiteral("KDRender"), QStringLiteral("en_us"), QStringLiteral("n"), QStringLiteral("N"));
    // Not an executable: the icon cannot be written into it.
    installed.serveVersion(QStringLiteral("TesmarQLV.exe"), "not a program");
    BaseWidget settings;
    settings.isChinese();
    Widget window;
    QVERIFY(settled(window));
    QCOMPARE(errorText(window), QStringLiteral("Change icon error!Please retry!"));
    QTest::mouseClick(button(window, "update"), Qt::LeftButton);
    QVERIFY(settled(window));
    QCOMPARE(errorText(window), QStringLiteral("Rename file error!Please retry!"));
    // Nothing was registered for the new folder.
    QCOMPARE(Sandbox::registryValue(uninstallKey.arg(installed.key), QStringLiteral("installDir")), installed.current);
}

void TestUpdateWindow::newDirBesideTheCurrentOne()
{
    QCOMPARE(Widget::brandCode(QStringLiteral("KDRender")), QStringLiteral("KD"));
    QCOMPARE(Widget::brandCode(QStringLiteral("RenderXRender")), QStringLiteral("X"));
    QCOMPARE(Widget::brandCode(QStringLiteral("render")), QStringLiteral("render"));
    const QString current = QDir::toNativeSeparators(QDir::tempPath() + QStringLiteral("/Tesmar/TesmarQLV/5.1.3.0.01234"));
    QCOMPARE(Widget::newDirFor(current, QStringLiteral("5.2.0.0"), QStringLiteral("07345")),
             QDir::toNativeSeparators(QDir::tempPath() + QStringLiteral("/Tesmar/TesmarQLV/5.2.0.0.07345")));
}

QTEST_MAIN(TestUpdateWindow)
#include "tst_updatewindow.moc"
