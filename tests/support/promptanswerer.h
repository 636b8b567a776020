#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers the prompts a test provokes, one answer per prompt in the order given ("okBtn",
// "noBtn" or "closeButton"), and notes what each prompt said.
class PromptAnswerer : public QObject
{
    Q_OBJECT
public:
    explicit PromptAnswerer(const QStringList &answers);

    QStringList texts;

private:
    void answerOpenPrompt();

    QStringList m_answers;
    QTimer m_timer;
};
