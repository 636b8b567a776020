#pragma once

#include "basewidget.h"

#include <QEventLoop>

#include <memory>

namespace Ui {
class UiMsgBox;
}

// The suite's message box: type 1 is a notice (OK only), any other type a question (OK, Cancel).
class MsgBox : public BaseWidget
{
    Q_OBJECT
public:
    MsgBox(int type, QWidget *parent = nullptr);
    ~MsgBox() override;

    void setInfo(const QString &text);
    // Waits until the box is answered or closed.
    void exec();

    int result = 0;

private slots:
    void on_okBtn_clicked();
    void on_noBtn_clicked();
    void on_closeButton_clicked();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void answer(int code);

    std::unique_ptr<Ui::UiMsgBox> ui;
    QEventLoop loop;
    bool m_answered = false;
};
