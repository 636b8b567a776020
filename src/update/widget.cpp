#include "widget.h"

#include "platform.h"
#include "ui_widget.h"
#include "updatework.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QSettings>
#include <QThread>
#include <QTime>

static void initUpdateResources()
{
    Q_INIT_RESOURCE(update);
}

namespace {
QString inFolder(const QString &folder, const QString &name)
{
    return folder + QDir::separator() + name;
}
} // namespace

Widget::Widget(QWidget *parent)
    : BaseWidget(parent)
    , ui(std::make_unique<Ui::Widget>())
{
    initUpdateResources();
    ui->setupUi(this);
    if (!chinese) {
        name = nameEN;
        ui->update->setText(QStringLiteral("Update"));
        ui->ut->setText(QStringLiteral("Updates"));
    }
    ui->title->setText(name);
    if (third.isEmpty())
        ui->label->setStyleSheet(QStringLiteral("background-image: url(:/logo.png)"));
    else
        ui->label->setPixmap(QIcon(installDir + QStringLiteral("/TS.ico")).pixmap(16, 16));

    installDir = QDir::toNativeSeparators(installDir);
    UpdateWork::currentDir = installDir;
    newDir = newDirFor(installDir, UpdateWork::updateVersion, QTime::currentTime().toString(QStringLiteral("sszzz")));
    UpdateWork::newDir = newDir;
    qDebug() << installDir << newDir;
    on_update_clicked();
}

Widget::~Widget()
{
    discardAttempt();
}

QString Widget::newDirFor(const QString &current, const QString &version, const QString &stamp)
{
    const QString parent = QFileInfo(current).absolutePath();
    return QDir::toNativeSeparators(parent + QStringLiteral("/%1.%2").arg(version, stamp));
}

QString Widget::brandCode(const QString &third)
{
    return QString(third).remove(QStringLiteral("Render"));
}

void Widget::on_minBtn_clicked()
{
    showMinimized();
}

void Widget::on_closeBtn_clicked()
{
    close();
}

void Widget::on_update_clicked()
{
    ui->update->setText(chinese ? QStringLiteral("更新中") : QStringLiteral("Updating"));
    ui->update->setEnabled(false);
    ui->minBtn->hide();
    ui->closeBtn->hide();
    ui->err->clear();

    // A thread that is still there belongs to the attempt that succeeded: this is "Finish".
    if (m_thread) {
        Platform::startClient(inFolder(newDir, exe));
        close();
        return;
    }
    m_thread = new QThread;
    m_work = new UpdateWork;
    connect(m_work, &UpdateWork::content, this, &Widget::content);
    connect(m_work, &UpdateWork::error, this, &Widget::error);
    connect(m_work, &UpdateWork::pro, this, &Widget::pro);
    m_work->moveToThread(m_thread);
    m_thread->start(QThread::InheritPriority);
    QMetaObject::invokeMethod(m_work, "start", Qt::QueuedConnection);
}

void Widget::error(int err)
{
    QString text;
    switch (err) {
    case -1: text = chinese ? QStringLiteral("获取更新文件列表失败！") : QStringLiteral("File list error!"); break;
    case -2: text = chinese ? QStringLiteral("下载文件失败！") : QStringLiteral("File download error!"); break;
    case -3: text = chinese ? QStringLiteral("重命名文件失败！") : QStringLiteral("Rename file error!"); break;
    case -4: text = chinese ? QStringLiteral("换图标失败！") : QStringLiteral("Change icon error!"); break;
    default: break;
    }
    ui->err->setText(text + (chinese ? QStringLiteral("请重试！") : QStringLiteral("Please retry!")));
    discardAttempt();
    ui->update->setText(chinese ? QStringLiteral("更新") : QStringLiteral("Update"));
    ui->update->setEnabled(true);
    ui->closeBtn->show();
}

void Widget::pro(int value)
{
    ui->progressBar->setValue(value);
    if (value == 100)
        applyUpdate();
}

void Widget::content(QString note)
{
    ui->textEdit->setText(note);
}

void Widget::discardAttempt()
{
    if (!m_thread)
        return;
    // Deferred, never a blocking wait: the worker goes with its thread's last events.
    m_work->deleteLater();
    m_work = nullptr;
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    m_thread->quit();
    m_thread = nullptr;
}

void Widget::applyUpdate()
{
    const QString client = inFolder(newDir, exe);
    const QString uninstaller = inFolder(newDir, QStringLiteral("uninstall.exe"));
    if (third == QLatin1String("KDRender")) {
        // Never replaces: a retry after a later failure finds the renamed client and fails here.
        if (!QFile::rename(inFolder(newDir, QStringLiteral("TesmarQLV.exe")), client)) {
            error(-3);
            return;
        }
    }
    if (!third.isEmpty()) {
        const QString icon = inFolder(newDir, QStringLiteral("TS.ico"));
        QFile::copy(QStringLiteral(":/TS-%1.ico").arg(brandCode(third)), icon);
        QFile::setPermissions(icon, QFile::permissions(icon) | QFile::WriteOwner);
        if (!ChangeExeIcon(icon, client)) {
            error(-4);
            return;
        }
    }
    if (runReg->contains(exe))
        runReg->setValue(exe, client + QStringLiteral(" RegAutoRun"));
    uninstallReg->beginGroup(productKey());
    uninstallReg->setValue(QStringLiteral("UninstallString"), uninstaller);
    uninstallReg->setValue(QStringLiteral("installDir"), newDir);
    uninstallReg->setValue(QStringLiteral("DisplayVersion"), UpdateWork::updateVersion);
    uninstallReg->setValue(QStringLiteral("DisplayIcon"), client);
    uninstallReg->endGroup();
    productReg->setValue(QStringLiteral("InstallDir"), newDir);
    // Written through before the window offers "Finish".
    runReg->sync();
    uninstallReg->sync();
    productReg->sync();

    if (!name.isEmpty()) {
        const QString menu = startMenuPath() + QLatin1Char('/') + name;
        if (QFileInfo::exists(menu)) {
            veryDel(menu);
            createMenuShortcuts(menu, client, uninstaller);
        }
        const QString desktop = desktopPath() + QLatin1Char('/') + name + QStringLiteral(".lnk");
        veryDel(desktop);
        QFile::link(client, desktop);
    }
    Platform::openToAllUsers(QFileInfo(newDir).absolutePath());

    ui->update->setEnabled(true);
    ui->update->setText(chinese ? QStringLiteral("完成") : QStringLiteral("Finish"));
    ui->closeBtn->show();
    emit updateApplied();
}
