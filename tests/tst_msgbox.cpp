#include "msgbox.h"
#include "msgtool.h"
#include "sandbox.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <functional>

namespace {

MsgBox *openBox()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<MsgBox *>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

struct SeenBox
{
    QString title;
    QString ok;
    QString cancel;
    bool cancelShown = false;
    QString info;
    QSize size;
};

// Answers the box that the next prompt opens, as a user would, and notes what it showed.
void answerNextBox(const QString &action, SeenBox *seen)
{
    QTimer::singleShot(0, [action, seen] {
        MsgBox *box = openBox();
        QVERIFY(box);
        seen->title = box->findChild<QLabel *>(QStringLiteral("title"))->text();
        seen->ok = box->findChild<QPushButton *>(QStringLiteral("okBtn"))->text();
        auto *noBtn = box->findChild<QPushButton *>(QStringLiteral("noBtn"));
        seen->cancel = noBtn->text();
        seen->cancelShown = noBtn->isVisible();
        seen->info = box->findChild<QLabel *>(QStringLiteral("info"))->text();
        seen->size = box->size();
        if (action == QLatin1String("system close"))
            box->close();
        else
            QTest::mouseClick(box->findChild<QPushButton *>(action), Qt::LeftButton);
    });
}

} // namespace

class TestMsgBox : public QObject
{
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
    void longMessageKeepsSize();
    void boxIsReleasedAfterAnswer();
};

void TestMsgBox::answers_data()
{
    QTest::addColumn<bool>("question");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<int>("expected");

    QTest::newRow("ask, OK") << true << "okBtn" << true << 0;
    QTest::newRow("ask, Cancel") << true << "noBtn" << true << 1;
    QTest::newRow("ask, close button") << true << "closeButton" << true << 1;
    QTest::newRow("ask, system close") << true << "system close" << true << 1;
    QTest::newRow("ask, OK, English") << true << "okBtn" << false << 0;
    QTest::newRow("ask, Cancel, English") << true << "noBtn" << false << 1;
    QTest::newRow("warn, OK") << false << "okBtn" << true << 0;
    QTest::newRow("warn, close button") << false << "closeButton" << true << 1;
    QTest::newRow("warn, system close, English") << false << "system close" << false << 1;
}

void TestMsgBox::answers()
{
    QFETCH(bool, question);
    QFETCH(QString, action);
    QFETCH(bool, chinese);
    QFETCH(int, expected);

    Sandbox sandbox;
    sandbox.writeBranding({{"lang", chinese ? "zh_cn" : "en_us"}});
    BaseWidget settings;
    settings.isChinese();

    SeenBox seen;
    answerNextBox(action, &seen);
    const QString text = QStringLiteral("客户端已安装，是否覆盖安装？");
    const int result = question ? MsgTool::ask(text) : MsgTool::warn(text);

    QCOMPARE(result, expected);
    QCOMPARE(seen.info, text);
    QCOMPARE(seen.cancelShown, question);
    QCOMPARE(seen.title, chinese ? QStringLiteral("提示") : QStringLiteral("Prompt"));
    QCOMPARE(seen.ok, chinese ? QStringLiteral("确定") : QStringLiteral("OK"));
    QCOMPARE(seen.cancel, chinese ? QStringLiteral("取消") : QStringLiteral("Cancel"));
}

void TestMsgBox::longMessageKeepsSize()
{
    Sandbox sandbox;
    sandbox.writeBranding({{"name", "n"}});
    SeenBox seen;
    answerNextBox(QStringLiteral("okBtn"), &seen);
    MsgTool::warn(QString(40, QLatin1Char(' ')).replace(QLatin1Char(' '), QStringLiteral("a long message ")));
    QVERIFY(seen.size.width() <= 396);
    QVERIFY(seen.size.height() <= 206);
}

void TestMsgBox::boxIsReleasedAfterAnswer()
{
    Sandbox sandbox;
    sandbox.writeBranding({{"name", "n"}});
    SeenBox seen;
    answerNextBox(QStringLiteral("noBtn"), &seen);
    QCOMPARE(MsgTool::ask(QStringLiteral("?")), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!openBox());
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<MsgBox *>(widget));
}

QTEST_MAIN(TestMsgBox)
#include "tst_msgbox.moc"
