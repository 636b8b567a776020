// Queries of the machine and the installation report built from them.
#include "installreport.h"
#include "recordingserver.h"
#include "sandbox.h"
#include "xfunc.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

using Interfaces = QList<QPair<QString, QString>>;
Q_DECLARE_METATYPE(Interfaces)

class TestSysInfo : public QObject
{
    Q_OBJECT
private slots:
    void encodeUrl_data();
    void encodeUrl();
    void macAddress_data();
    void macAddress();
    void processorDescription();
    void userRegistry();
    void reportAddress();
    void reportReachesTheServer();
};

void TestSysInfo::encodeUrl_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("MAC address") << "AA:BB:CC:DD:EE:FF" << "AA%3ABB%3ACC%3ADD%3AEE%3AFF";
    QTest::newRow("untouched") << "a b%" << "a b%";
    QTest::newRow("all five") << "x:/?&=y" << "x%3A%2F%3F%26%3Dy";
    QTest::newRow("others stay") << "[4]Intel(R) #1 + 渲染" << "[4]Intel(R) #1 + 渲染";
    QTest::newRow("empty") << "" << "";
}

void TestSysInfo::encodeUrl()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(XFunc::encodeUrl(text), expected);
}

void TestSysInfo::macAddress_data()
{
    QTest::addColumn<Interfaces>("interfaces");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one adapter, upper-cased") << Interfaces{{"Ethernet", "aa:bb:cc:dd:ee:01"}} << "AA:BB:CC:DD:EE:01";
    QTest::newRow("last one wins") << Interfaces{{"Ethernet", "AA:BB:CC:DD:EE:01"}, {"Wi-Fi", "AA:BB:CC:DD:EE:02"}}
                                   << "AA:BB:CC:DD:EE:02";
    QTest::newRow("VMware in any case") << Interfaces{{"Ethernet", "AA:BB:CC:DD:EE:01"},
                                                      {"vmWARE Network Adapter VMnet1", "00:50:56:C0:00:01"}}
                                        << "AA:BB:CC:DD:EE:01";
    QTest::newRow("eight-byte tunnel address") << Interfaces{{"Ethernet", "AA:BB:CC:DD:EE:01"},
                                                             {"Teredo", "00:00:00:00:00:00:00:E0"}}
                                               << "AA:BB:CC:DD:EE:01";
    QTest::newRow("loopback, pseudo, isatap, tunnel")
        << Interfaces{{"Ethernet", "AA:BB:CC:DD:EE:01"},  {"Loopback Pseudo-Interface 1", "AA:BB:CC:DD:EE:02"},
                      {"isatap.{1234}", "AA:BB:CC:DD:EE:03"}, {"Teredo Tunneling", "AA:BB:CC:DD:EE:04"},
                      {"6TO4 tunnel", "AA:BB:CC:DD:EE:05"}}
        << "AA:BB:CC:DD:EE:01";
    QTest::newRow("empty address") << Interfaces{{"Ethernet", "AA:BB:CC:DD:EE:01"}, {"lo", ""}} << "AA:BB:CC:DD:EE:01";
    QTest::newRow("nothing qualifies") << Interfaces{{"VMware", "AA:BB:CC:DD:EE:01"}} << "";
}

void TestSysInfo::macAddress()
{
    QFETCH(Interfaces, interfaces);
    QFETCH(QString, expected);
    QCOMPARE(XFunc::pickMacAddress(interfaces), expected);
    // The machine's own answer has the same form, whatever adapters it has.
    const QString own = XFunc::getMacAddress();
    QVERIFY(own.isEmpty() || QRegularExpression(QStringLiteral("^([0-9A-F]{2}:){5}[0-9A-F]{2}$")).match(own).hasMatch());
}

void TestSysInfo::processorDescription()
{
    MachineInfo info;
    QVERIFY(XFunc::getCpuInfo(info));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\[[1-9][0-9]*\\]\\S")).match(info.cpuName).hasMatch(),
             qPrintable(info.cpuName));
}

void TestSysInfo::userRegistry()
{
    Sandbox sandbox;
    Sandbox::setRegistryValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel\\DVClient\\Settings"),
                              QStringLiteral("InstallDir"), QStringLiteral("C:\\DV"));
    QCOMPARE(XFunc::readUserReg(QStringLiteral("Software\\Havrel\\DVClient\\Settings"), QStringLiteral("InstallDir")).toString(),
             QStringLiteral("C:\\DV"));
    QVERIFY(!XFunc::readUserReg(QStringLiteral("Software\\Havrel\\DVClient\\Settings"), QStringLiteral("missing")).isValid());
    QVERIFY(!XFunc::readUserReg(QStringLiteral("Software\\Havrel\\Nothing"), QStringLiteral("InstallDir")).isValid());

    // The per-user data folder: the shell's on Windows, the sandbox's XDG data folder elsewhere.
    const QString appData = XFunc::readUserReg(
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"), QStringLiteral("AppData")).toString();
    QVERIFY(!appData.isEmpty());
    if (QSysInfo::productType() != QLatin1String("windows"))
        QCOMPARE(appData, sandbox.path(QStringLiteral("home/.local/share")));
}

void TestSysInfo::reportAddress()
{
    const QUrl url = InstallReport::address(QStringLiteral("http://127.0.0.1:9"), QString(), QStringLiteral("AA:BB:CC:DD:EE:FF"),
                                            QStringLiteral("[8]Intel(R) Core(TM) i7: 3.6GHz/boost"));
    QCOMPARE(url.toString(QUrl::FullyEncoded),
             QStringLiteral("http://127.0.0.1:9/clientChannel/clientChannelInfo?mark=&macAddr=AA%3ABB%3ACC%3ADD%3AEE%3AFF"
                            "&cpu=[8]Intel(R)%20Core(TM)%20i7%3A%203.6GHz%2Fboost"));
}

void TestSysInfo::reportReachesTheServer()
{
    RecordingServer server;
    QVERIFY(server.isListening());
    QObject owner;
    InstallReport::post(&owner, InstallReport::address(server.base(), QStringLiteral("qd-7"), QStringLiteral("AA:BB:CC:DD:EE:FF"),
                                                       QStringLiteral("[4]AMD: x/y")));
    QVERIFY(server.waitForRequests(1));
    const RecordingServer::Request request = server.requests.first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.target, QByteArray("/clientChannel/clientChannelInfo?mark=qd-7&macAddr=AA%3ABB%3ACC%3ADD%3AEE%3AFF"
                                        "&cpu=[4]AMD%3A%20x%2Fy"));
    QVERIFY(request.body.isEmpty());
    // Decoded, the server reads the values as they were.
    const QUrlQuery query(QUrl(QString::fromLatin1(request.target)).query());
    QCOMPARE(query.queryItemValue(QStringLiteral("cpu"), QUrl::FullyDecoded), QStringLiteral("[4]AMD: x/y"));
    QCOMPARE(query.queryItemValue(QStringLiteral("mark"), QUrl::FullyDecoded), QStringLiteral("qd-7"));
}

QTEST_MAIN(TestSysInfo)
#include "tst_sysinfo.moc"
