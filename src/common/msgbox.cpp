#include "msgbox.h"

#include "ui_msgbox.h"

#include <QCloseEvent>

MsgBox::MsgBox(int type, QWidget *parent)
    : BaseWidget(parent)
    , ui(std::make_unique<Ui::UiMsgBox>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_ShowModal);
    setWindowFlags(Qt::SubWindow | Qt::FramelessWindowHint);
    if (type == 1)
        ui->noBtn->hide();
    raise();
    show();
    if (!chinese) {
        ui->title->setText(QStringLiteral("Prompt"));
        ui->okBtn->setText(QStringLiteral("OK"));
        ui->noBtn->setText(QStringLiteral("Cancel"));
    }
}

MsgBox::~MsgBox()
{
    if (loop.isRunning())
        loop.exit(0);
}

void MsgBox::setInfo(const QString &text)
{
    ui->info->setText(text);
}

void MsgBox::exec()
{
    // A box closed before the wait began has already answered.
    if (!m_answered)
        loop.exec(QEventLoop::AllEvents);
}

void MsgBox::answer(int code)
{
    result = code;
    m_answered = true;
    loop.exit(0);
    deleteLater();
}

void MsgBox::on_okBtn_clicked()
{
    answer(0);
}

void MsgBox::on_noBtn_clicked()
{
    answer(1);
}

void MsgBox::on_closeButton_clicked()
{
    answer(1);
}

void MsgBox::closeEvent(QCloseEvent *event)
{
    // A close from the system (Alt+F4, the task bar) must end the wait like the close button.
    if (!m_answered)
        answer(1);
    event->accept();
}
