#include "widget.h"

#include "cleanupscript.h"
#include "survey.h"
#include "ui_widget.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDebug>
#include <QFile>
#include <QIcon>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QSignalBlocker>

static void initUninstallResources()
{
    Q_INIT_RESOURCE(uninstall);
}

namespace {
constexpr int otherId = 5;
constexpr int maxOtherLength = 100;
} // namespace

Widget::Widget(QWidget *parent)
    : BaseWidget(parent)
    , ui(std::make_unique<Ui::Widget>())
{
    initUninstallResources();
    ui->setupUi(this);
    m_pages = ui->stackedWidget;
    ui->stackedWidget->setCurrentIndex(0);
    ui->uninstall_ok->hide();
    if (!chinese) {
        // The English name serves the whole window, the shortcuts searched for included.
        name = nameEN;
        ui->uninstall->setText(QStringLiteral("Uninstall"));
        ui->cancel->setText(QStringLiteral("Cancel"));
        ui->uninstall_commit->setText(QStringLiteral("Uninstall"));
        ui->uninstall_ok->setText(QStringLiteral("Finish"));
    }
    ui->title->setText(name);
    if (!third.isEmpty()) {
        ui->label->setPixmap(QIcon(installDir + QStringLiteral("/TS.ico")).pixmap(16, 16));
        ui->label_bg->setStyleSheet(QStringLiteral("background-image: url(:/bg1_third.png);"));
    } else {
        ui->label->setStyleSheet(QStringLiteral("background-image: url(:/logo.png)"));
    }
    ui->uninstall_commit->setEnabled(false);

    reasonGroup = new QButtonGroup(this);
    reasonGroup->setExclusive(false);
    int id = 1;
    for (QCheckBox *option : {ui->check1, ui->check2, ui->check3, ui->check4, ui->checkOther}) {
        reasonGroup->addButton(option, id++);
        option->setCheckable(true);
    }
    connect(reasonGroup, &QButtonGroup::idToggled, this, &Widget::checkToggle);

    netManager = new QNetworkAccessManager(this);
    connect(netManager, &QNetworkAccessManager::finished, this, &Widget::repllyFinished);
    netManager->get(QNetworkRequest(QUrl(Survey::listAddress(bsServer))));

    ui->phone->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9a-zA-Z@.]+$")), ui->phone));
}

Widget::~Widget() = default;

void Widget::on_uninstall_clicked()
{
    if (chinese && third.isEmpty())
        ui->stackedWidget->setCurrentIndex(1);
    else
        on_uninstall_commit_clicked();
}

void Widget::on_uninstall_commit_clicked()
{
    if (third.isEmpty())
        sendAnswer();
    // The buttons that lead here live on the pages: once they are gone the removal cannot run
    // twice, and the finish view beneath them shows.
    ui->stackedWidget->deleteLater();
    doUninstall();
}

void Widget::sendAnswer()
{
    QStringList checked;
    for (QAbstractButton *option : reasonGroup->buttons()) {
        if (option->isChecked())
            checked.append(option->toolTip());
    }
    const QByteArray body = Survey::answerBody(checked, ui->textEdit->toPlainText(), ui->phone->text());
    QNetworkRequest request{QUrl(Survey::answerAddress(bsServer))};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    netManager->post(request, body);
}

void Widget::on_uninstall_ok_clicked()
{
    close();
}

void Widget::on_minBtn_clicked()
{
    showMinimized();
}

void Widget::on_closeBtn_clicked()
{
    close();
}

void Widget::on_cancel_clicked()
{
    close();
}

void Widget::checkToggle(int idx, bool check)
{
    bool any = false;
    for (QAbstractButton *option : reasonGroup->buttons())
        any = any || option->isChecked();
    ui->uninstall_commit->setEnabled(any);
    if (idx == otherId && !check)
        ui->textEdit->clear();
}

void Widget::on_textEdit_textChanged()
{
    QString text = ui->textEdit->toPlainText();
    if (text.size() > maxOtherLength) {
        // What was typed or pasted last stands before the cursor: that is what goes.
        const int excess = text.size() - maxOtherLength;
        const int start = qMax(0, ui->textEdit->textCursor().position() - excess);
        text.remove(start, excess);
        const QSignalBlocker blocker(ui->textEdit);
        ui->textEdit->setPlainText(text);
        QTextCursor cursor = ui->textEdit->textCursor();
        cursor.setPosition(start);
        ui->textEdit->setTextCursor(cursor);
    }
    ui->checkOther->setChecked(!text.isEmpty());
}

void Widget::repllyFinished(QNetworkReply *reply)
{
    qDebug() << reply->error() << reply->errorString();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError && status >= 200 && status <= 299) {
        const QByteArray body = reply->readAll();
        qDebug() << QString::fromUtf8(body);
        const QList<Survey::Reason> reasons = Survey::reasonsFromReply(body);
        if (m_pages) {
            for (int i = 0; i < reasons.size(); ++i) {
                QAbstractButton *option = reasonGroup->button(i + 1);
                option->setText(reasons.at(i).text);
                option->setToolTip(QString::number(reasons.at(i).id));
            }
            ui->checkOther->setToolTip(QStringLiteral("-1"));
        }
    }
    // Only the first reply is ever read: normally the reason list, never the answer's.
    disconnect(netManager, nullptr, nullptr, nullptr);
    reply->deleteLater();
}

void Widget::setProgress(int value)
{
    ui->progressBar->setValue(value);
    if (ui->progressBar->value() == ui->progressBar->maximum())
        ui->progressBar->hide();
}

void Widget::doUninstall()
{
    ui->minBtn->hide();
    ui->closeBtn->hide();
    setProgress(10);
    if (existProcess(exe))
        killProcess(exe);
    setProgress(60);
    if (!name.isEmpty()) {
        veryDel(startMenuPath() + QLatin1Char('/') + name);
        veryDel(desktopPath() + QLatin1Char('/') + QStringLiteral("%1.lnk").arg(name));
    }
    setProgress(40);

    // A damaged or foreign "installDir" (a drive root, a home or system folder) must not be
    // deleted, nor handed to the clean-up script with its parent: only the installer's layout is.
    m_productFolder = CleanupScript::productFolderOf(installDir, productKey());
    if (!m_productFolder.isEmpty())
        veryDel(installDir);
    else
        qDebug() << "not the installer's layout, no folder is deleted:" << installDir;

    uninstallReg->remove(productKey());
    uninstallReg->sync();
    setProgress(70);
    runReg->remove(exe);
    runReg->sync();
    companyReg->remove(productKey());
    companyReg->sync();

    // The "KDRender" client does not hook into 3ds Max.
    if (third != QStringLiteral("KDRender")) {
        // 3ds Max 2010 to 2012 load the script under its older name.
        const QRegularExpression oldMax(QStringLiteral("201[0-2]"));
        for (const QString &folder : allMaxPath()) {
            const QString script = oldMax.match(folder).hasMatch() ? QStringLiteral("/o_tesmarMenu.ms")
                                                                   : QStringLiteral("/tesmarMenu.ms");
            QFile::remove(folder + script);
        }
    }
    setProgress(100);
    ui->uninstall_ok->show();
    ui->closeBtn->show();
    uninstalled = true;
}

void Widget::closeEvent(QCloseEvent *event)
{
    if (uninstalled && !m_productFolder.isEmpty())
        CleanupScript::writeAndStart(m_productFolder);
    event->accept();
}
