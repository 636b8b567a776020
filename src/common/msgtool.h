#pragma once

#include <QObject>
#include <QString>

// The prompts of the suite. Each waits for the answer: 0 for OK, 1 for Cancel or a close.
class MsgTool : public QObject
{
    Q_OBJECT
public:
    static int prompt(int type, const QString &text);
    // A notice with OK only.
    static int warn(const QString &text);
    // A question with OK and Cancel.
    static int ask(const QString &text);
};
