// The built programs, started as a user would start them, inside a sandbox.
#include "sandbox.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QtTest>

#include <memory>

namespace {

const int finishLimit = 30000;

struct Program
{
    const char *name;
    QString builtFile;
};

const QList<Program> programs = {{"install", QStringLiteral(INSTALL_EXE)},
                                 {"uninstall", QStringLiteral(UNINSTALL_EXE)},
                                 {"update", QStringLiteral(UPDATE_EXE)}};

QString builtFile(const QString &name)
{
    for (const Program &program : programs) {
        if (name == QLatin1String(program.name))
            return program.builtFile;
    }
    return QString();
}

// Copies the program into the sandbox's program folder, where it finds "TS.ini" if there is one.
QString placeProgram(const Sandbox &sandbox, const QString &name)
{
    const QString source = builtFile(name);
    const QString target = sandbox.programDir() + QLatin1Char('/') + QFileInfo(source).fileName();
    QFile::remove(target);
    return QFile::copy(source, target) ? target : QString();
}

// The updater is started with the version to install, as the client starts it.
std::unique_ptr<QProcess> start(const Sandbox &sandbox, const QString &file, QStringList arguments = {QStringLiteral("-")})
{
    if (arguments == QStringList{QStringLiteral("-")})
        arguments = QFileInfo(file).baseName() == QLatin1String("update") ? QStringList{QStringLiteral("5.2.0.0")} : QStringList();
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(sandbox.environment());
    // Own pipes, not the test's output: a tool the program had started when the test stopped it
    // (tasklist, say) would otherwise hold the test runner's output open.
    process->start(file, arguments);
    return process;
}

// True once a program of the suite owns the shared endpoint (the test's TMPDIR is the sandbox's).
bool waitForOwner(QProcess &owner)
{
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (owner.state() == QProcess::NotRunning)
            return false;
        QLocalSocket probe;
        probe.connectToServer(QStringLiteral("qelvora_install"));
        if (probe.waitForConnected(100))
            return true;
        QTest::qWait(100);
    }
    return false;
}

void expectQuietEnd(QProcess &process)
{
    QVERIFY2(process.waitForFinished(finishLimit), "the program did not end by itself");
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
}

} // namespace

class TestPrograms : public QObject
{
    Q_OBJECT
private slots:
    void notInstalledEndsQuietly_data();
    void notInstalledEndsQuietly();
    void oneProgramAtATime_data();
    void oneProgramAtATime();
    void killedOwnerFreesTheEndpoint();
    void updaterWithoutVersionEndsQuietly();
};

void TestPrograms::notInstalledEndsQuietly_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("install") << "install";
    QTest::newRow("uninstall") << "uninstall";
    QTest::newRow("update") << "update";
}

void TestPrograms::notInstalledEndsQuietly()
{
    QFETCH(QString, program);
    Sandbox sandbox;
    const QString file = placeProgram(sandbox, program);
    QVERIFY(!file.isEmpty());

    // No "TS.ini" beside it and no installation recorded.
    auto process = start(sandbox, file);
    expectQuietEnd(*process);
}

void TestPrograms::oneProgramAtATime_data()
{
    QTest::addColumn<QString>("owner");
    QTest::addColumn<QString>("second");
    QTest::newRow("install, then uninstall") << "install" << "uninstall";
    QTest::newRow("install, then update") << "install" << "update";
    QTest::newRow("install twice") << "install" << "install";
    QTest::newRow("update, then install") << "update" << "install";
}

void TestPrograms::oneProgramAtATime()
{
    QFETCH(QString, owner);
    QFETCH(QString, second);

    Sandbox sandbox;
    sandbox.writeBranding({{"exe", "Tesmar.exe"}, {"name", "泰斯玛"}, {"nameEN", "Tesmar"}});
    const QString ownerFile = placeProgram(sandbox, owner);
    const QString secondFile = owner == second ? ownerFile : placeProgram(sandbox, second);
    QVERIFY(!ownerFile.isEmpty() && !secondFile.isEmpty());

    auto first = start(sandbox, ownerFile);
    QVERIFY2(waitForOwner(*first), "the first program did not take the endpoint");

    auto refused = start(sandbox, secondFile);
    expectQuietEnd(*refused);
    QCOMPARE(first->state(), QProcess::Running);

    first->kill();
    first->waitForFinished(finishLimit);
}

void TestPrograms::killedOwnerFreesTheEndpoint()
{
    Sandbox sandbox;
    sandbox.writeBranding({{"exe", "Tesmar.exe"}, {"name", "泰斯玛"}});
    const QString installFile = placeProgram(sandbox, QStringLiteral("install"));
    const QString updateFile = placeProgram(sandbox, QStringLiteral("update"));

    auto first = start(sandbox, installFile);
    QVERIFY(waitForOwner(*first));
    first->kill();
    QVERIFY(first->waitForFinished(finishLimit));

    // The killed owner may leave its endpoint behind; the next start clears it and runs.
    auto next = start(sandbox, updateFile);
    QVERIFY2(waitForOwner(*next), "the next program did not take the endpoint");
    QCOMPARE(next->state(), QProcess::Running);

    auto refused = start(sandbox, installFile);
    expectQuietEnd(*refused);

    next->kill();
    next->waitForFinished(finishLimit);
}

void TestPrograms::updaterWithoutVersionEndsQuietly()
{
    Sandbox sandbox;
    sandbox.writeBranding({{"exe", "Tesmar.exe"}, {"name", "n"}});
    const QString file = placeProgram(sandbox, QStringLiteral("update"));
    auto process = start(sandbox, file, QStringList());
    expectQuietEnd(*process);
}

QTEST_MAIN(TestPrograms)
#include "tst_programs.moc"
