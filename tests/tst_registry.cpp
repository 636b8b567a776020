// The registry key handles every program opens: groups, values seen through other handles,
// removal of a whole sub-tree.
#include "platform.h"
#include "sandbox.h"

#include <QSettings>
#include <QtTest>

#include <memory>

namespace {
const QString company = QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel");

std::unique_ptr<QSettings> key(const QString &path)
{
    return std::unique_ptr<QSettings>(Platform::openKey(path, nullptr));
}

bool onWindows()
{
    return QSysInfo::productType() == QLatin1String("windows");
}
} // namespace

class TestRegistry : public QObject
{
    Q_OBJECT
private slots:
    void groupPathsAndKeyPathsMeet();
    void groupsOnAHandle();
    void removeWholeSubTree();
    void hivesAreSeparate();
    void letterCaseOfKeyNames();
};

void TestRegistry::groupPathsAndKeyPathsMeet()
{
    Sandbox sandbox;
    // A value addressed as group path + name through the company key is the value of the full key.
    key(company)->setValue(QStringLiteral("tesmartools/Settings/InstallDir"), QStringLiteral("C:\\Tools\\渲染"));
    QCOMPARE(key(company + QStringLiteral("\\tesmartools\\Settings"))->value(QStringLiteral("InstallDir")).toString(),
             QStringLiteral("C:\\Tools\\渲染"));

    key(company + QStringLiteral("\\TesmarQLV\\Settings"))->setValue(QStringLiteral("Language"), QStringLiteral("en_us"));
    QCOMPARE(key(company)->value(QStringLiteral("TesmarQLV/Settings/Language")).toString(), QStringLiteral("en_us"));
}

void TestRegistry::groupsOnAHandle()
{
    Sandbox sandbox;
    const QString uninstall = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    auto handle = key(uninstall);
    handle->beginGroup(QStringLiteral("TesmarQLV"));
    handle->setValue(QStringLiteral("installDir"), QStringLiteral("C:\\P\\TesmarQLV\\5.1.3.0.01234"));
    handle->setValue(QStringLiteral("DisplayVersion"), QStringLiteral("5.1.3.0"));
    handle->endGroup();
    handle->sync();

    // Another handle, opened on the sub-key itself, sees the same values at once.
    auto entry = key(uninstall + QStringLiteral("\\TesmarQLV"));
    QCOMPARE(entry->value(QStringLiteral("installDir")).toString(), QStringLiteral("C:\\P\\TesmarQLV\\5.1.3.0.01234"));
    QVERIFY(handle->childGroups().contains(QStringLiteral("TesmarQLV")));
    QCOMPARE(handle->value(QStringLiteral("TesmarQLV/DisplayVersion")).toString(), QStringLiteral("5.1.3.0"));

    handle->remove(QStringLiteral("TesmarQLV/DisplayVersion"));
    QVERIFY(!entry->contains(QStringLiteral("DisplayVersion")));
    QVERIFY(entry->contains(QStringLiteral("installDir")));
}

void TestRegistry::removeWholeSubTree()
{
    Sandbox sandbox;
    auto root = key(company);
    root->setValue(QStringLiteral("TesmarQLV/Settings/info"), QStringLiteral("{}"));
    root->setValue(QStringLiteral("TesmarQLV/Settings/Deeper/More/value"), QStringLiteral("x"));
    root->setValue(QStringLiteral("TesmarQLV/top"), QStringLiteral("y"));
    root->setValue(QStringLiteral("TesmarKD/Settings/info"), QStringLiteral("{}"));

    root->remove(QStringLiteral("TesmarQLV"));
    root->sync();

    QVERIFY(!root->childGroups().contains(QStringLiteral("TesmarQLV")));
    QVERIFY(!key(company + QStringLiteral("\\TesmarQLV\\Settings\\Deeper\\More"))->contains(QStringLiteral("value")));
    QVERIFY(key(company + QStringLiteral("\\TesmarQLV\\Settings"))->allKeys().isEmpty());
    QCOMPARE(key(company + QStringLiteral("\\TesmarKD\\Settings"))->value(QStringLiteral("info")).toString(),
             QStringLiteral("{}"));
}

void TestRegistry::hivesAreSeparate()
{
    Sandbox sandbox;
    key(QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\HavrelTest"))->setValue(QStringLiteral("v"), QStringLiteral("user"));
    key(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\HavrelTest"))->setValue(QStringLiteral("v"), QStringLiteral("machine"));
    QCOMPARE(key(QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\HavrelTest"))->value(QStringLiteral("v")).toString(),
             QStringLiteral("user"));
    QCOMPARE(key(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\HavrelTest"))->value(QStringLiteral("v")).toString(),
             QStringLiteral("machine"));
    key(QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\HavrelTest"))->remove(QString());
}

void TestRegistry::letterCaseOfKeyNames()
{
    // The Windows registry ignores the letter case of key names; the INI files that stand in for
    // it elsewhere do not. The suite always spells a key the same way, so it never relies on either.
    Sandbox sandbox;
    key(company + QStringLiteral("\\TesmarQLV\\Settings"))->setValue(QStringLiteral("InstallDir"), QStringLiteral("D"));
    const QString seen = key(company + QStringLiteral("\\tesmarqlv\\settings"))->value(QStringLiteral("InstallDir")).toString();
    QCOMPARE(seen, onWindows() ? QStringLiteral("D") : QString());
}

QTEST_MAIN(TestRegistry)
#include "tst_registry.moc"
