// The application manifest that Windows reads when it starts each program.
#include <QtTest>

#include <windows.h>

class TestManifest : public QObject
{
    Q_OBJECT
private slots:
    void programsAskForAdministratorRights_data();
    void programsAskForAdministratorRights();
};

void TestManifest::programsAskForAdministratorRights_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("install") << QStringLiteral(INSTALL_EXE);
    QTest::newRow("uninstall") << QStringLiteral(UNINSTALL_EXE);
    QTest::newRow("update") << QStringLiteral(UPDATE_EXE);
}

void TestManifest::programsAskForAdministratorRights()
{
    QFETCH(QString, program);
    const QString native = QDir::toNativeSeparators(QFileInfo(program).absoluteFilePath());
    HMODULE module = LoadLibraryExW(reinterpret_cast<LPCWSTR>(native.utf16()), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    QVERIFY2(module, qPrintable(native));
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    QVERIFY(resource);
    const QByteArray manifest(static_cast<const char *>(LockResource(LoadResource(module, resource))),
                              int(SizeofResource(module, resource)));
    FreeLibrary(module);

    QVERIFY(manifest.contains("requestedExecutionLevel level=\"requireAdministrator\""));
    QVERIFY(manifest.contains("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
}

QTEST_GUILESS_MAIN(TestManifest)
#include "tst_manifest.moc"
