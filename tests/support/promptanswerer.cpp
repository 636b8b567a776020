#include "promptanswerer.h"

#include "msgbox.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

PromptAnswerer::PromptAnswerer(const QStringList &answers)
    : m_answers(answers)
{
    connect(&m_timer, &QTimer::timeout, this, &PromptAnswerer::answerOpenPrompt);
    m_timer.start(10);
}

void PromptAnswerer::answerOpenPrompt()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<MsgBox *>(widget);
        if (!box || !box->isVisible() || box->property("answered").toBool())
            continue;
        box->setProperty("answered", true);
        texts.append(box->findChild<QLabel *>(QStringLiteral("info"))->text());
        const QString answer = m_answers.isEmpty() ? QStringLiteral("noBtn") : m_answers.takeFirst();
        QTest::mouseClick(box->findChild<QPushButton *>(answer), Qt::LeftButton);
        return;
    }
}
