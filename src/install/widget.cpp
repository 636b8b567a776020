#include "widget.h"

#include "installreport.h"
#include "msgtool.h"
#include "platform.h"
#include "ui_widget.h"
#include "xfunc.h"
#include "zipthread.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QJsonObject>
#include <QSettings>
#include <QTime>

static void initInstallResources()
{
    Q_INIT_RESOURCE(install);
}

const QString Widget::installerVersion = QStringLiteral("5.1.3.0");

Widget::Widget(BaseWidget *parent)
    : BaseWidget(parent)
    , ui(std::make_unique<Ui::Widget>())
{
    initInstallResources();
    ui->setupUi(this);

    if (!chinese) {
        name = nameEN;
        ui->install->setText(QStringLiteral("Install"));
        ui->para->setText(QStringLiteral("Custom"));
        ui->browse->setText(QStringLiteral("Browse"));
        ui->startMenu->setText(QStringLiteral("Add to start menu"));
        ui->autoRun->setText(QStringLiteral("Auto-start-system"));
    }
    ui->title->setText(name);

    if (third.isEmpty()) {
        ui->label->setStyleSheet(QStringLiteral("background-image: url(:/logo.png)"));
    } else {
        ui->label->setPixmap(QIcon(appDir + QStringLiteral("/TS.ico")).pixmap(16, 16));
        ui->label_bg->setStyleSheet(QStringLiteral("background-image: url(:/bg_third.png)"));
    }

    ui->widget_2->setFixedHeight(380);
    setFixedHeight(386);

    installDir = defaultRoot(Platform::programFilesFolder(), third, QDir::separator());
    ui->path->setText(installDir);

    ui->startMenu->setChecked(true);
    ui->autoRun->setChecked(true);
    ui->installVantoo->setChecked(true);
    ui->installVantoo->hide();
    ui->progressBar->hide();
}

Widget::~Widget()
{
    // A window closed by the system while unpacking must not pull the thread from under it.
    if (m_zipThread)
        m_zipThread->wait();
}

QString Widget::versionedDir(const QString &root, const QString &key, const QString &version,
                             const QString &stamp, QChar separator)
{
    return root + separator + key + separator + version + QLatin1Char('.') + stamp;
}

QString Widget::defaultRoot(const QString &programFiles, const QString &third, QChar separator)
{
    return programFiles + separator + (third.isEmpty() ? QStringLiteral("Tesmar") : third);
}

void Widget::setInstallRoot(const QString &root)
{
    if (root.isEmpty())
        return;
    installDir = QDir::toNativeSeparators(root);
    on_install_clicked();
}

void Widget::setProgress(int value)
{
    ui->progressBar->setValue(value);
    if (ui->progressBar->value() == ui->progressBar->maximum())
        ui->progressBar->hide();
}

void Widget::on_install_clicked()
{
    ui->minBtn->hide();
    ui->closeBtn->hide();

    if (ui->progressBar->value() == ui->progressBar->maximum()) {
        launch();
        return;
    }

    ui->progressBar->show();
    ui->install->hide();
    ui->para->hide();
    ui->widget_2->setFixedHeight(380);
    setFixedHeight(386);

    const QString archive = appDir + QStringLiteral("/files.zip");
    qDebug() << "exist zip" << QFileInfo::exists(archive);

    m_zipThread = new ZipThread(this);
    connect(m_zipThread, &QThread::finished, this, &Widget::zipOver);
    connect(m_zipThread, &ZipThread::oneOk, this, &Widget::oneOk);

    installDir = versionedDir(installDir, productKey(), installerVersion,
                              QTime::currentTime().toString(QStringLiteral("sszzz")), QDir::separator());
    m_zipThread->setPaths(archive, installDir);
    m_zipThread->start(QThread::InheritPriority);
    setProgress(10);
}

void Widget::on_para_clicked()
{
    QString style = ui->para->styleSheet();
    if (height() >= 500) {
        ui->widget_2->setFixedHeight(380);
        setFixedHeight(386);
        style.replace(QStringLiteral("up.png"), QStringLiteral("down.png"));
    } else {
        ui->widget_2->setFixedHeight(510);
        setFixedHeight(516);
        style.replace(QStringLiteral("down.png"), QStringLiteral("up.png"));
    }
    ui->para->setStyleSheet(style);
}

void Widget::on_minBtn_clicked()
{
    showMinimized();
}

void Widget::on_closeBtn_clicked()
{
    close();
}

void Widget::on_browse_clicked()
{
    const QString chosen = QFileDialog::getExistingDirectory(
        this, chinese ? QStringLiteral("选择安装目录") : QStringLiteral("Choose install dir"),
        QStringLiteral("/home"), QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return;
    ui->path->setText(QDir::toNativeSeparators(chosen));
    installDir = ui->path->text();
    ui->path->repaint();
    ui->path->setCursorPosition(0);
}

namespace {
QString inFolder(const QString &folder, const QString &name)
{
    return folder + QDir::separator() + name;
}

// Runtime libraries the client needs beside it; they come with the installer, not the package.
const QStringList runtimeLibraries = {
    QStringLiteral("Qt5Widgets.dll"), QStringLiteral("Qt5Gui.dll"),    QStringLiteral("Qt5Core.dll"),
    QStringLiteral("msvcr100.dll"),   QStringLiteral("msvcp100.dll"),  QStringLiteral("icuuc52.dll"),
    QStringLiteral("icuin52.dll"),    QStringLiteral("icudt52.dll"),
};

// The general-edition client's plug-in files, which would clash with this client's.
const QStringList generalEditionFiles = {
    QStringLiteral("3dsMax.dll"),     QStringLiteral("Newtonsoft.Json.dll"), QStringLiteral("Skyloft.dll"),
    QStringLiteral("tesmar_2.mse"),   QStringLiteral("tesmar_1.mse"),        QStringLiteral("render_fn.mse"),
    QStringLiteral("o_tesmar_2.mse"), QStringLiteral("o_tesmar_1.mse"),      QStringLiteral("o_render_fn.mse"),
};
} // namespace

QString Widget::clientPath() const
{
    return inFolder(installDir, exe);
}

void Widget::zipOver()
{
    setProgress(40);
    // QFile::copy never overwrites: what an earlier installation left in place stays.
    for (const QString &library : runtimeLibraries)
        QFile::copy(inFolder(appDir, library), inFolder(installDir, library));

    QString dataFolder = XFunc::readUserReg(
                             QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
                             QStringLiteral("AppData"))
                             .toString();
    dataFolder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    dataFolder += QLatin1Char('/') + productKey();
    QDir().mkpath(dataFolder);
    const QString allUsers = dataFolder + QStringLiteral("/AllUser");
    QDir().mkpath(allUsers);
    QFile::copy(inFolder(appDir, QStringLiteral("SPCache")), allUsers + QStringLiteral("/SPCache"));

    if (third == QLatin1String("KDRender")) {
        // The "KDRender" package carries the standard client; it runs under the partner's name.
        if (!QFile::rename(inFolder(installDir, QStringLiteral("TesmarQLV.exe")), clientPath())) {
            MsgTool::warn(chinese ? QStringLiteral("重命名失败") : QStringLiteral("Rename file error"));
            endProgram(0);
            return;
        }
    }
    const QString icon = installDir + QStringLiteral("/TS.ico");
    QFile::copy(appDir + QStringLiteral("/TS.ico"), icon);
    if (!third.isEmpty() && !ChangeExeIcon(icon, clientPath())) {
        MsgTool::warn(chinese ? QStringLiteral("换图标失败") : QStringLiteral("Change icon error"));
        endProgram(0);
        return;
    }
    setProgress(50);

    createShortcuts();
    setProgress(60);
    setProgress(70);

    if (ui->autoRun->isChecked())
        runReg->setValue(exe, clientPath() + QStringLiteral(" RegAutoRun"));
    writeUninstallEntry();
    writeProductSettings();
    // Written through before the window says the installation is done, not whenever the
    // settings find time: a machine switched off at "Finish" keeps its registration.
    runReg->sync();
    uninstallReg->sync();
    productReg->sync();

    Platform::openToAllUsers(QFileInfo(installDir).absolutePath());
    removeGeneralEditionFiles();
    setProgress(100);
    InstallReport::send(this, mark);

    ui->install->setText(chinese ? QStringLiteral("开启%1").arg(name) : QStringLiteral("Finish"));
    ui->install->show();
    ui->closeBtn->show();
    if (third.isEmpty() && chinese)
        ui->installVantoo->show();
    else
        ui->installVantoo->setChecked(false);
    emit installationFinished();
}

void Widget::createShortcuts()
{
    const QString startMenuFolder = startMenuPath() + QLatin1Char('/') + name;
    const QString desktopShortcut = desktopPath() + QLatin1Char('/') + name + QStringLiteral(".lnk");
    // An earlier installation's shortcuts point into its own versioned folder.
    if (!name.isEmpty()) {
        if (QFileInfo::exists(startMenuFolder))
            veryDel(startMenuFolder);
        veryDel(desktopShortcut);
    }
    if (ui->startMenu->isChecked())
        createMenuShortcuts(startMenuFolder, clientPath(), inFolder(installDir, QStringLiteral("uninstall.exe")));
    QFile::link(clientPath(), desktopShortcut);
}

void Widget::writeUninstallEntry()
{
    uninstallReg->beginGroup(productKey());
    uninstallReg->setValue(QStringLiteral("DisplayName"), name);
    uninstallReg->setValue(QStringLiteral("UninstallString"), inFolder(installDir, QStringLiteral("uninstall.exe")));
    uninstallReg->setValue(QStringLiteral("installDir"), installDir);
    uninstallReg->setValue(QStringLiteral("DisplayVersion"), installerVersion);
    if (third.isEmpty()) {
        uninstallReg->setValue(QStringLiteral("URLInfoAbout"), QStringLiteral(SUITE_WEBSITE));
        uninstallReg->setValue(QStringLiteral("Publisher"), QStringLiteral("Havrel科技股份有限公司"));
    }
    uninstallReg->setValue(QStringLiteral("DisplayIcon"), clientPath());
    uninstallReg->endGroup();
}

void Widget::writeProductSettings()
{
    productReg->setValue(QStringLiteral("ThirdPart"), third);
    productReg->setValue(QStringLiteral("Language"), chinese ? QStringLiteral("zh_cn") : QStringLiteral("en_us"));
    productReg->setValue(QStringLiteral("InstallDir"), installDir);
    QJsonObject info;
    info.insert(QStringLiteral("third"), third);
    info.insert(QStringLiteral("name"), name);
    info.insert(QStringLiteral("nameEN"), nameEN);
    info.insert(QStringLiteral("exe"), exe);
    info.insert(QStringLiteral("mark"), mark);
    info.insert(QStringLiteral("lang"), lang);
    productReg->setValue(QStringLiteral("info"), XFunc::jsonToString(info));
}

void Widget::removeGeneralEditionFiles()
{
    const std::unique_ptr<QSettings> general(
        Platform::openKey(QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel\\DVClient\\Settings"), nullptr));
    const QString folder = general->value(QStringLiteral("InstallDir")).toString();
    if (folder.isEmpty())
        return;
    for (const QString &file : generalEditionFiles)
        QFile::remove(inFolder(folder, file));
}

void Widget::oneOk()
{
    ++m_entryCount;
    setProgress(m_entryCount / 3);
}

void Widget::launch()
{
    ui->minBtn->hide();
    ui->closeBtn->hide();
    Platform::startClient(clientPath());
    // The companion's installer runs only where the companion is not installed yet.
    if (ui->installVantoo->isChecked() && !companyReg->contains(QStringLiteral("tesmartools/Settings/InstallDir")))
        Platform::startDetached(inFolder(appDir, QStringLiteral("Vantoosetup.exe")), {QStringLiteral("/sp-"), QStringLiteral("/silent")});
    close();
}
