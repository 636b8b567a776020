#include "widget.h"

#include "platform.h"
#include "ui_widget.h"
#include "zipthread.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
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

void Widget::zipOver()
{
    qDebug() << "extraction finished" << installDir;
    emit installationFinished();
}

void Widget::oneOk()
{
    ++m_entryCount;
    setProgress(m_entryCount / 3);
}

void Widget::launch()
{
    close();
}
