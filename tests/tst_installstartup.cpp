// The installer's start-up checks, with the prompts answered as a user would.
#include "installerentry.h"
#include "probeprocess.h"
#include "promptanswerer.h"
#include "sandbox.h"
#include "widget.h"
#include "ziptool.h"

#include <QDir>
#include <QProgressBar>
#include <QtTest>

namespace {
const QString settingsKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel\\%1\\Settings");

const QString maxWarning = QStringLiteral("请先关闭max，再安装客户端！");
const QString maxWarningEN = QStringLiteral("Pleace close max first and install client!");
const QString generalWarning = QStringLiteral("已安装通用版客户端，请卸载后安装！");
const QString generalWarningEN =
    QStringLiteral("The general version of the client has been installed, please install it after uninstall!");
const QString overwrite = QStringLiteral("客户端已安装，是否覆盖安装？");
const QString overwriteEN = QStringLiteral("The client has been installed, whether or not to cover the installation?");

// Records an earlier installation of the product under sandbox/old/Tesmar.
QString recordInstallation(const Sandbox &sandbox, const QString &key, const QString &installedThird)
{
    const QString versioned = sandbox.path(QStringLiteral("old/Tesmar/%1/5.1.3.0.01234").arg(key));
    QDir().mkpath(versioned);
    Sandbox::setRegistryValue(settingsKey.arg(key), QStringLiteral("InstallDir"), QDir::toNativeSeparators(versioned));
    Sandbox::setRegistryValue(settingsKey.arg(key), QStringLiteral("ThirdPart"), installedThird);
    return versioned;
}

} // namespace

class TestInstallStartup : public QObject
{
    Q_OBJECT
private slots:
    void checks_data();
    void checks();
    void overwriteInstallsUnderTheOldRoot();
    void runningClientIsStopped();
};

void TestInstallStartup::checks_data()
{
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<bool>("maxRuns");
    QTest::addColumn<QString>("recordedThird"); // "-" for no earlier installation
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<bool>("windowOpens");

    QTest::newRow("fresh machine") << "" << "zh_cn" << false << "-" << QStringList() << QStringList() << true;
    QTest::newRow("3ds Max runs") << "" << "zh_cn" << true << "-" << QStringList{"okBtn"} << QStringList{maxWarning} << false;
    QTest::newRow("3ds Max runs, English") << "" << "en_us" << true << "-" << QStringList{"okBtn"} << QStringList{maxWarningEN}
                                           << false;
    QTest::newRow("KDRender is not stopped by 3ds Max") << "KDRender" << "zh_cn" << true << "-" << QStringList()
                                                        << QStringList() << true;
    QTest::newRow("partner build over the standard edition")
        << "Vantoo" << "zh_cn" << false << "" << QStringList{"okBtn"} << QStringList{generalWarning} << false;
    QTest::newRow("partner build over the standard edition, English")
        << "Vantoo" << "en_us" << false << "" << QStringList{"okBtn"} << QStringList{generalWarningEN} << false;
    QTest::newRow("partner build over itself") << "Vantoo" << "zh_cn" << false << "Vantoo" << QStringList{"noBtn"}
                                               << QStringList{overwrite} << false;
    QTest::newRow("overwrite declined") << "" << "zh_cn" << false << "" << QStringList{"noBtn"} << QStringList{overwrite}
                                        << false;
    QTest::newRow("overwrite closed, English") << "" << "en_us" << false << "" << QStringList{"closeButton"}
                                               << QStringList{overwriteEN} << false;
    QTest::newRow("KDRender asks to overwrite too") << "KDRender" << "zh_cn" << true << "" << QStringList{"noBtn"}
                                                    << QStringList{overwrite} << false;
}

void TestInstallStartup::checks()
{
    QFETCH(QString, third);
    QFETCH(QString, lang);
    QFETCH(bool, maxRuns);
    QFETCH(QString, recordedThird);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, prompts);
    QFETCH(bool, windowOpens);

    Sandbox sandbox;
    sandbox.writeBranding({{"exe", "Tesmar.exe"}, {"name", "n"}, {"nameEN", "n"}, {"third", third}, {"lang", lang}});
    std::unique_ptr<ProbeProcess> max;
    if (maxRuns) {
        max = std::make_unique<ProbeProcess>(sandbox, QStringLiteral("3dsmax.exe"));
        QVERIFY(max->isStarted());
    }
    const QString key = third == QLatin1String("KDRender") ? QStringLiteral("TesmarKD") : QStringLiteral("TesmarQLV");
    if (recordedThird != QLatin1String("-"))
        recordInstallation(sandbox, key, recordedThird);

    BaseWidget settings;
    settings.isChinese();
    PromptAnswerer answerer(answers);
    const std::unique_ptr<Widget> window = InstallerEntry::checks(settings);

    QCOMPARE(answerer.texts, prompts);
    QCOMPARE(bool(window), windowOpens);
    if (window) {
        QVERIFY(!window->findChild<QProgressBar *>(QStringLiteral("progressBar"))->isVisibleTo(window.get()));
        QCOMPARE(window->installDir,
                 QDir::toNativeSeparators(sandbox.path(QStringLiteral("programs/") + (third.isEmpty() ? QStringLiteral("Tesmar") : third))));
    }
    if (max)
        QCOMPARE(max->process().state(), QProcess::Running);
}

void TestInstallStartup::overwriteInstallsUnderTheOldRoot()
{
    Sandbox sandbox;
    sandbox.writeBranding({{"exe", "Tesmar.exe"}, {"name", "n"}});
    QVERIFY(writeZip(sandbox.path(QStringLiteral("program/files.zip")), {{"Tesmar.exe", "MZ"}, {"plugins/a.dll", "a"}}));
    const QString old = recordInstallation(sandbox, QStringLiteral("TesmarQLV"), QString());

    BaseWidget settings;
    settings.isChinese();
    PromptAnswerer answerer({QStringLiteral("okBtn")});
    const std::unique_ptr<Widget> window = InstallerEntry::checks(settings);
    QCOMPARE(answerer.texts, QStringList{overwrite});
    QVERIFY(window);

    QSignalSpy finished(window.get(), &Widget::installationFinished);
    const QString prefix = QDir::toNativeSeparators(sandbox.path(QStringLiteral("old/Tesmar/TesmarQLV/5.1.3.0.")));
    QVERIFY2(window->installDir.startsWith(prefix), qPrintable(window->installDir));
    QVERIFY(finished.wait(30000));
    QVERIFY(QFileInfo::exists(window->installDir + QStringLiteral("/plugins/a.dll")));
    // The earlier installation's folder is left as it was.
    QVERIFY(QFileInfo(old).isDir());
}

void TestInstallStartup::runningClientIsStopped()
{
    Sandbox sandbox;
    ProbeProcess client(sandbox);
    QVERIFY(client.isStarted());
    sandbox.writeBranding({{"exe", client.imageName()}, {"name", "n"}});

    BaseWidget settings;
    settings.isChinese();
    const std::unique_ptr<Widget> window = InstallerEntry::checks(settings);
    QVERIFY(window);
    QVERIFY(client.process().waitForFinished(30000));
}

QTEST_MAIN(TestInstallStartup)
#include "tst_installstartup.moc"
