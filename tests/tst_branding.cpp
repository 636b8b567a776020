#include "basewidget.h"
#include "sandbox.h"
#include "xfunc.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QtTest>

namespace {
const QString uninstallKey = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%1");
const QString settingsKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel\\%1\\Settings");

// Marks each product's settings key, so a test can tell which key a handle was opened on.
void markSettingsKeys()
{
    for (const QString &key : {QStringLiteral("TesmarQLV"), QStringLiteral("TesmarKD")})
        Sandbox::setRegistryValue(settingsKey.arg(key), QStringLiteral("InstallDir"), key + QStringLiteral("-marker"));
}

QString openedProductKey(const BaseWidget &widget)
{
    return widget.productSettings()->value(QStringLiteral("InstallDir")).toString().section(QLatin1Char('-'), 0, 0);
}

QStringList sixEmpty()
{
    QStringList list;
    for (int i = 0; i < 6; ++i)
        list.append(QString());
    return list;
}

} // namespace

class TestBranding : public QObject
{
    Q_OBJECT
private slots:
    void languageStartsChinese();
    void fromBrandingFile_data();
    void fromBrandingFile();
    void fromRegistryRecord_data();
    void fromRegistryRecord();
    void productKeyFromLocation_data();
    void productKeyFromLocation();
    void serviceFile_data();
    void serviceFile();
    void damagedBrandingFile_data();
    void damagedBrandingFile();
    void language_data();
    void language();
    void iniThirdReadsAfresh();
};

void TestBranding::languageStartsChinese()
{
    // Nothing has decided the language yet, so an early prompt is Chinese.
    QVERIFY(BaseWidget::chinese);
}

void TestBranding::fromBrandingFile_data()
{
    QTest::addColumn<QString>("third");
    QTest::addColumn<QByteArray>("codec");
    QTest::addColumn<QString>("expectedKey");
    QTest::addColumn<bool>("nameReadsRight");

    QTest::newRow("standard edition") << QString() << QByteArray("GB2312") << "TesmarQLV" << true;
    QTest::newRow("KDRender") << "KDRender" << QByteArray("GB2312") << "TesmarKD" << true;
    QTest::newRow("kdrender in lower case") << "kdrender" << QByteArray("GB2312") << "TesmarQLV" << true;
    QTest::newRow("KDRENDER in capitals") << "KDRENDER" << QByteArray("GB2312") << "TesmarQLV" << true;
    QTest::newRow("other partner") << "Vantoo" << QByteArray("GB2312") << "TesmarQLV" << true;
    QTest::newRow("saved as UTF-8") << QString() << QByteArray("UTF-8") << "TesmarQLV" << false;
}

void TestBranding::fromBrandingFile()
{
    QFETCH(QString, third);
    QFETCH(QByteArray, codec);
    QFETCH(QString, expectedKey);
    QFETCH(bool, nameReadsRight);

    Sandbox sandbox;
    QVERIFY(sandbox.isValid());
    const QString chineseName = QStringLiteral("泰斯玛云渲染");
    sandbox.writeBranding({{"exe", "Tesmar.exe"},
                           {"name", chineseName},
                           {"nameEN", "Tesmar Render"},
                           {"third", third},
                           {"mark", "mk42"},
                           {"lang", "en_us"}},
                          codec);
    sandbox.writeFile(QStringLiteral("program/service.ini"), "[server]\r\nbs=http://127.0.0.1:8080\r\n");
    markSettingsKeys();
    // An installation on record does not matter while "TS.ini" lies beside the program.
    Sandbox::setRegistryValue(uninstallKey.arg(expectedKey), QStringLiteral("installDir"), QStringLiteral("C:\\old"));

    BaseWidget widget;
    QCOMPARE(widget.name == chineseName, nameReadsRight);
    QCOMPARE(widget.nameEN, QStringLiteral("Tesmar Render"));
    QCOMPARE(widget.mark, QStringLiteral("mk42"));
    QCOMPARE(widget.lang, QStringLiteral("en_us"));
    QCOMPARE(BaseWidget::exe, QStringLiteral("Tesmar.exe"));
    QCOMPARE(BaseWidget::third, third);
    QCOMPARE(BaseWidget::productKey(), expectedKey);
    QCOMPARE(openedProductKey(widget), expectedKey);
    QVERIFY(widget.installDir.isEmpty());
    QCOMPARE(widget.appDir, sandbox.programDir());
    QCOMPARE(widget.bsServer, QStringLiteral("http://127.0.0.1:8080"));
}

void TestBranding::fromRegistryRecord_data()
{
    QTest::addColumn<QString>("info");
    QTest::addColumn<QStringList>("expected"); // third, name, nameEN, exe, mark, lang

    QJsonObject full;
    full.insert(QStringLiteral("third"), QStringLiteral("Vantoo"));
    full.insert(QStringLiteral("name"), QStringLiteral("渲染"));
    full.insert(QStringLiteral("nameEN"), QStringLiteral("Render"));
    full.insert(QStringLiteral("exe"), QStringLiteral("Tesmar.exe"));
    full.insert(QStringLiteral("mark"), QStringLiteral("m7"));
    full.insert(QStringLiteral("lang"), QStringLiteral("en_us"));
    const QStringList empty = sixEmpty();

    QTest::newRow("full record") << XFunc::jsonToString(full)
                                 << QStringList{"Vantoo", "渲染", "Render", "Tesmar.exe", "m7", "en_us"};
    QTest::newRow("empty object") << QStringLiteral("{}") << empty;
    QTest::newRow("malformed") << QStringLiteral("{\"name\":\"x\"") << empty;
    QTest::newRow("array") << QStringLiteral("[\"x\"]") << empty;
    QTest::newRow("no record") << QString() << empty;
    QTest::newRow("numeric lang") << QStringLiteral("{\"lang\":1,\"name\":\"n\",\"exe\":[\"a\"]}")
                                  << QStringList{"", "n", "", "", "", ""};
}

void TestBranding::fromRegistryRecord()
{
    QFETCH(QString, info);
    QFETCH(QStringList, expected);

    Sandbox sandbox;
    BaseWidget::setProgramDirForTesting(sandbox.path(QStringLiteral("programs/TesmarQLV/5.1.3.0.01234")));
    Sandbox::setRegistryValue(uninstallKey.arg(QStringLiteral("TesmarQLV")), QStringLiteral("installDir"),
                              QStringLiteral("D:\\Tesmar\\TesmarQLV\\5.1.3.0.01234"));
    if (!info.isNull())
        Sandbox::setRegistryValue(settingsKey.arg(QStringLiteral("TesmarQLV")), QStringLiteral("info"), info);

    BaseWidget widget;
    QCOMPARE(QStringList({BaseWidget::third, widget.name, widget.nameEN, BaseWidget::exe, widget.mark, widget.lang}),
             expected);
    QCOMPARE(widget.installDir, QStringLiteral("D:\\Tesmar\\TesmarQLV\\5.1.3.0.01234"));
    QVERIFY(widget.bsServer.isEmpty());
    QCOMPARE(widget.isChinese(), expected.last() != QStringLiteral("en_us"));
}

void TestBranding::productKeyFromLocation_data()
{
    QTest::addColumn<QString>("programDir");
    QTest::addColumn<QString>("expectedKey");

    QTest::newRow("standard folder") << "programs/TesmarQLV/5.1.3.0.01234" << "TesmarQLV";
    QTest::newRow("lower-case folder") << "programs/tesmarqlv/5.1.3.0.01234" << "TesmarKD";
    QTest::newRow("partner folder") << "programs/TesmarKD/5.1.3.0.01234" << "TesmarKD";
    QTest::newRow("anywhere else") << "programs/Render" << "TesmarKD";
}

void TestBranding::productKeyFromLocation()
{
    QFETCH(QString, programDir);
    QFETCH(QString, expectedKey);

    Sandbox sandbox;
    BaseWidget::setProgramDirForTesting(sandbox.path(programDir));
    markSettingsKeys();
    for (const QString &key : {QStringLiteral("TesmarQLV"), QStringLiteral("TesmarKD")})
        Sandbox::setRegistryValue(uninstallKey.arg(key), QStringLiteral("installDir"), QStringLiteral("C:\\") + key);

    BaseWidget widget;
    QCOMPARE(widget.installDir, QStringLiteral("C:\\") + expectedKey);
    QCOMPARE(openedProductKey(widget), expectedKey);
}

void TestBranding::serviceFile_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    QTest::newRow("missing") << false << QByteArray() << QString();
    QTest::newRow("address") << true << QByteArray("[server]\nbs=http://127.0.0.1:9\n") << "http://127.0.0.1:9";
    QTest::newRow("no key") << true << QByteArray("[server]\nops=http://127.0.0.1:9\n") << QString();
    QTest::newRow("no section") << true << QByteArray("bs=http://127.0.0.1:9\n") << QString();
    QTest::newRow("binary") << true << QByteArray("\x00\xff\xfe[server\n=\x01", 12) << QString();
}

void TestBranding::serviceFile()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);

    Sandbox sandbox;
    sandbox.writeBranding({{"name", "n"}});
    if (present)
        sandbox.writeFile(QStringLiteral("program/service.ini"), content);
    else
        QFile::remove(sandbox.path(QStringLiteral("program/service.ini")));

    const BaseWidget widget;
    QCOMPARE(widget.bsServer, expected);
    QCOMPARE(widget.name, QStringLiteral("n"));
    if (present)
        QCOMPARE(fileBytes(sandbox.path(QStringLiteral("program/service.ini"))), content);
}

void TestBranding::damagedBrandingFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("asFolder");

    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary += char(i * 7 % 256);
    QTest::newRow("binary") << binary << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("no section") << QByteArray("exe=x.exe\nname=y\n") << false;
    QTest::newRow("a folder named TS.ini") << QByteArray() << true;
}

void TestBranding::damagedBrandingFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, asFolder);

    Sandbox sandbox;
    const QString file = sandbox.path(QStringLiteral("program/TS.ini"));
    if (asFolder)
        QVERIFY(QDir().mkpath(file));
    else
        sandbox.writeFile(QStringLiteral("program/TS.ini"), content);
    const QStringList before = QDir(sandbox.programDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    {
        BaseWidget widget;
        QCOMPARE(QStringList({BaseWidget::exe, widget.name, widget.nameEN, BaseWidget::third, widget.mark, widget.lang}),
                 sixEmpty());
        QVERIFY(widget.installDir.isEmpty());
        QCOMPARE(BaseWidget::productKey(), QStringLiteral("TesmarQLV"));
        QVERIFY(widget.isChinese());
    }
    // Reading never writes: the file and the folder are as they were.
    QCOMPARE(QDir(sandbox.programDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    if (!asFolder)
        QCOMPARE(fileBytes(file), content);
}

void TestBranding::language_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<bool>("chinese");

    QTest::newRow("en_us") << "en_us" << false;
    QTest::newRow("EN_US") << "EN_US" << true;
    QTest::newRow("en_US") << "en_US" << true;
    QTest::newRow("zh_cn") << "zh_cn" << true;
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("en") << "en" << true;
}

void TestBranding::language()
{
    QFETCH(QString, lang);
    QFETCH(bool, chinese);

    Sandbox sandbox;
    sandbox.writeBranding({{"lang", lang}});
    BaseWidget widget;
    BaseWidget::chinese = !chinese;
    QCOMPARE(widget.isChinese(), chinese);
    QCOMPARE(BaseWidget::chinese, chinese);
}

void TestBranding::iniThirdReadsAfresh()
{
    Sandbox sandbox;
    QVERIFY(BaseWidget::iniThird().isEmpty());

    sandbox.writeBranding({{"third", "KDRender"}});
    BaseWidget widget;
    sandbox.writeBranding({{"third", "Vantoo"}});
    QCOMPARE(BaseWidget::iniThird(), QStringLiteral("Vantoo"));
    QCOMPARE(BaseWidget::third, QStringLiteral("KDRender"));
}

QTEST_MAIN(TestBranding)
#include "tst_branding.moc"
