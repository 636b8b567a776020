#include "xfunc.h"

#include <QJsonArray>
#include <QtTest>

class TestXFunc : public QObject
{
    Q_OBJECT
private slots:
    void jsonToStringIsCompactAndSorted();
    void stringToJsonRejectsNonObjects_data();
    void stringToJsonRejectsNonObjects();
    void roundTripKeepsChineseNames();
};

void TestXFunc::jsonToStringIsCompactAndSorted()
{
    QJsonObject info;
    info.insert(QStringLiteral("third"), QStringLiteral("KDRender"));
    info.insert(QStringLiteral("name"), QStringLiteral("云 渲染"));
    info.insert(QStringLiteral("nameEN"), QStringLiteral("Cloud Render"));
    info.insert(QStringLiteral("exe"), QStringLiteral("Tesmar.exe"));
    info.insert(QStringLiteral("mark"), QStringLiteral("m1"));
    info.insert(QStringLiteral("lang"), QStringLiteral("en_us"));

    QCOMPARE(XFunc::jsonToString(info),
             QStringLiteral("{\"exe\":\"Tesmar.exe\",\"lang\":\"en_us\",\"mark\":\"m1\",\"name\":\"云 渲染\","
                            "\"nameEN\":\"Cloud Render\",\"third\":\"KDRender\"}"));
}

void TestXFunc::stringToJsonRejectsNonObjects_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("array") << QStringLiteral("[1,2]");
    QTest::newRow("empty") << QString();
    QTest::newRow("malformed") << QStringLiteral("{\"name\":");
    QTest::newRow("plain text") << QStringLiteral("TesmarQLV");
    QTest::newRow("number") << QStringLiteral("42");
    QTest::newRow("trailing garbage") << QStringLiteral("{\"a\":\"b\"} x");
}

void TestXFunc::stringToJsonRejectsNonObjects()
{
    QFETCH(QString, text);
    QVERIFY(XFunc::stringToJson(text).isEmpty());
}

void TestXFunc::roundTripKeepsChineseNames()
{
    QJsonObject info;
    info.insert(QStringLiteral("name"), QStringLiteral("渲染客户端"));
    info.insert(QStringLiteral("nameEN"), QStringLiteral("Render \"Client\"\n"));
    info.insert(QStringLiteral("third"), QString());
    QCOMPARE(XFunc::stringToJson(XFunc::jsonToString(info)), info);
    QVERIFY(!XFunc::jsonToString(info).contains(QLatin1Char('\n')));
}

QTEST_GUILESS_MAIN(TestXFunc)
#include "tst_xfunc.moc"
