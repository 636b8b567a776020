#include "msgtool.h"

#include "msgbox.h"

int MsgTool::prompt(int type, const QString &text)
{
    // The box schedules its own deletion when answered; result stays readable until the event
    // loop runs again.
    auto *box = new MsgBox(type, nullptr);
    box->setInfo(text);
    box->exec();
    return box->result;
}

int MsgTool::warn(const QString &text)
{
    return prompt(1, text);
}

int MsgTool::ask(const QString &text)
{
    return prompt(2, text);
}
