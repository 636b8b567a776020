#include "installerentry.h"
#include "promptanswerer.h"
#include "sandbox.h"
#include "widget.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

namespace {

template<typename T>
T *child(const QWidget &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

// An .ico file of one 16 x 16 image, as partner builds ship beside the installer.
void writeIcon(const QString &file)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(QColor(3, 224, 175));
    QVERIFY(image.save(file, "ICO"));
}

} // namespace

class TestInstallWindow : public QObject
{
    Q_OBJECT
private slots:
    void startsCollapsed();
    void toggleTwiceReturnsCollapsed();
    void partnerLook();
    void texts_data();
    void texts();
    void versionedDir_data();
    void versionedDir();
    void installRootOf_data();
    void installRootOf();
    void installRootStartsInstalling();
};

void TestInstallWindow::startsCollapsed()
{
    Sandbox sandbox;
    sandbox.writeBranding({{"name", "泰斯玛"}, {"nameEN", "Tesmar"}});
    Widget window;
    window.show();

    QCOMPARE(window.height(), 386);
    QCOMPARE(window.width(), 586);
    QVERIFY(child<QPushButton>(window, "para")->styleSheet().contains(QLatin1String("down.png")));
    QVERIFY(!child<QProgressBar>(window, "progressBar")->isVisible());
    QVERIFY(!child<QCheckBox>(window, "installVantoo")->isVisible());
    QVERIFY(child<QPushButton>(window, "install")->isVisible());
    QVERIFY(child<QCheckBox>(window, "startMenu")->isChecked());
    QVERIFY(child<QCheckBox>(window, "autoRun")->isChecked());
    QCOMPARE(child<QLabel>(window, "title")->text(), QStringLiteral("泰斯玛"));
    QCOMPARE(child<QLabel>(window, "label")->styleSheet(), QStringLiteral("background-image: url(:/logo.png)"));
    QCOMPARE(child<QLabel>(window, "label_bg")->styleSheet(), QStringLiteral("background-image: url(:/bg.png);"));
    const QString root = QDir::toNativeSeparators(sandbox.path(QStringLiteral("programs/Tesmar")));
    QCOMPARE(window.installDir, root);
    QCOMPARE(child<QLineEdit>(window, "path")->text(), root);
}

void TestInstallWindow::toggleTwiceReturnsCollapsed()
{
    Sandbox sandbox;
    sandbox.writeBranding({{"name", "n"}});
    Widget window;
    window.show();
    auto *para = child<QPushButton>(window, "para");

    QTest::mouseClick(para, Qt::LeftButton);
    QCOMPARE(window.height(), 516);
    QVERIFY(para->styleSheet().contains(QLatin1String("up.png")));
    QVERIFY(!para->styleSheet().contains(QLatin1String("down.png")));
    QVERIFY(child<QLineEdit>(window, "path")->isVisible());

    QTest::mouseClick(para, Qt::LeftButton);
    QCOMPARE(window.height(), 386);
    QVERIFY(para->styleSheet().contains(QLatin1String("down.png")));
    QVERIFY(!para->styleSheet().contains(QLatin1String("up.png")));
}

void TestInstallWindow::partnerLook()
{
    Sandbox sandbox;
    sandbox.writeBranding({{"name", "n"}, {"third", "Vantoo"}});
    writeIcon(sandbox.path(QStringLiteral("program/TS.ico")));
    Widget window;

    const QPixmap logo = child<QLabel>(window, "label")->pixmap(Qt::ReturnByValue);
    QVERIFY(!logo.isNull());
    QCOMPARE(logo.size(), QSize(16, 16));
    QCOMPARE(logo.toImage().pixelColor(8, 8), QColor(3, 224, 175));
    QCOMPARE(child<QLabel>(window, "label_bg")->styleSheet(), QStringLiteral("background-image: url(:/bg_third.png)"));
    QCOMPARE(window.installDir, QDir::toNativeSeparators(sandbox.path(QStringLiteral("programs/Vantoo"))));
}

void TestInstallWindow::texts_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QStringList>("expected"); // title, install, para, browse, startMenu, autoRun

    QTest::newRow("Chinese") << "zh_cn" << QStringList{"泰斯玛", "一键安装", "自定义", "浏览", "添加到开始菜单", "开机自启动"};
    QTest::newRow("English") << "en_us" << QStringList{"Tesmar", "Install", "Custom", "Browse", "Add to start menu",
                                                      "Auto-start-system"};
}

void TestInstallWindow::texts()
{
    QFETCH(QString, lang);
    QFETCH(QStringList, expected);

    Sandbox sandbox;
    sandbox.writeBranding({{"name", "泰斯玛"}, {"nameEN", "Tesmar"}, {"lang", lang}});
    BaseWidget settings;
    settings.isChinese();
    Widget window;
    QCOMPARE(QStringList({child<QLabel>(window, "title")->text(), child<QPushButton>(window, "install")->text(),
                          child<QPushButton>(window, "para")->text(), child<QPushButton>(window, "browse")->text(),
                          child<QCheckBox>(window, "startMenu")->text(), child<QCheckBox>(window, "autoRun")->text()}),
             expected);
    QCOMPARE(window.name, expected.first());
}

void TestInstallWindow::versionedDir_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Windows") << "C:\\Program Files\\Tesmar" << QChar('\\')
                             << "C:\\Program Files\\Tesmar\\TesmarQLV\\5.1.3.0.07345";
    // A drive root gives a doubled separator, which Windows accepts.
    QTest::newRow("Windows drive root") << "D:\\" << QChar('\\') << "D:\\\\TesmarQLV\\5.1.3.0.07345";
    QTest::newRow("Linux") << "/opt/Tesmar" << QChar('/') << "/opt/Tesmar/TesmarQLV/5.1.3.0.07345";
}

void TestInstallWindow::versionedDir()
{
    QFETCH(QString, root);
    QFETCH(QChar, separator);
    QFETCH(QString, expected);
    QCOMPARE(Widget::versionedDir(root, QStringLiteral("TesmarQLV"), Widget::installerVersion, QStringLiteral("07345"),
                                  separator),
             expected);
}

void TestInstallWindow::installRootOf_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("recorded");
    QTest::addColumn<QString>("expected");

    QTest::newRow("whole tree") << QStringList{"D/Tesmar/TesmarQLV/5.1.3.0.01234"} << "D/Tesmar/TesmarQLV/5.1.3.0.01234"
                                << "D/Tesmar";
    QTest::newRow("versioned folder gone") << QStringList{"D/Tesmar/TesmarQLV"} << "D/Tesmar/TesmarQLV/5.1.3.0.01234"
                                           << "D/Tesmar";
    QTest::newRow("product folder gone") << QStringList{"D/Tesmar"} << "D/Tesmar/TesmarQLV/5.1.3.0.01234"
                                         << "D/Tesmar/TesmarQLV/5.1.3.0.01234";
}

void TestInstallWindow::installRootOf()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, recorded);
    QFETCH(QString, expected);

    Sandbox sandbox;
    for (const QString &folder : existing)
        QVERIFY(QDir().mkpath(sandbox.path(folder)));
    QCOMPARE(InstallerEntry::installRootOf(QDir::toNativeSeparators(sandbox.path(recorded))), sandbox.path(expected));
}

void TestInstallWindow::installRootStartsInstalling()
{
    Sandbox sandbox;
    sandbox.writeBranding({{"name", "n"}, {"third", "Vantoo"}});
    Widget window;
    window.show();
    QSignalSpy finished(&window, &Widget::installationFinished);
    // No package here: the procedure ends with its icon warning, which this test answers.
    PromptAnswerer answerer({QStringLiteral("okBtn")});
    BaseWidget::setEndProgramForTesting([](int) {});
    window.setInstallRoot(sandbox.path(QStringLiteral("old/root")));

    // Installing at once: bar shown, main button and toggle hidden, versioned folder under the root.
    QVERIFY(child<QProgressBar>(window, "progressBar")->isVisible());
    QVERIFY(!child<QPushButton>(window, "install")->isVisible());
    QVERIFY(!child<QPushButton>(window, "para")->isVisible());
    QVERIFY(!child<QPushButton>(window, "closeBtn")->isVisible());
    const QString prefix = QDir::toNativeSeparators(sandbox.path(QStringLiteral("old/root/TesmarQLV/5.1.3.0.")));
    QVERIFY2(window.installDir.startsWith(prefix), qPrintable(window.installDir));
    QCOMPARE(window.installDir.size(), prefix.size() + 5);
    QTRY_COMPARE_WITH_TIMEOUT(answerer.texts, QStringList{QStringLiteral("换图标失败")}, 30000);
    BaseWidget::setEndProgramForTesting({});
}

QTEST_MAIN(TestInstallWindow)
#include "tst_installwindow.moc"
