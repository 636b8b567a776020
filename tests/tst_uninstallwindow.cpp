// The uninstaller's window, its start-up check and the reason survey against a server on
// 127.0.0.1.
#include "actrecorder.h"
#include "basewidget.h"
#include "platform.h"
#include "probeprocess.h"
#include "promptanswerer.h"
#include "recordingserver.h"
#include "sandbox.h"
#include "survey.h"
#include "uninstallerentry.h"
#include "widget.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {

const QString uninstallKey = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%1");
const QString settingsKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Havrel\\%1\\Settings");

// An installed client whose uninstaller asks the given content-management server (none: a
// closed port).
struct Installed
{
    Installed(Sandbox &sandbox, const QString &third, const QString &lang, const QString &bsServer = QString())
        : key(third == QLatin1String("KDRender") ? QStringLiteral("TesmarKD") : QStringLiteral("TesmarQLV"))
    {
        installDir = QDir::toNativeSeparators(sandbox.path(QStringLiteral("programs/Havrel/%1/5.1.3.0.01234").arg(key)));
        const QString relative = QDir(sandbox.root()).relativeFilePath(installDir);
        sandbox.writeFile(relative + QStringLiteral("/uninstall.exe"), "uninstaller");
        sandbox.writeFile(relative + QStringLiteral("/service.ini"),
                          "[server]\nbs=" + (bsServer.isEmpty() ? QByteArray("http://127.0.0.1:9") : bsServer.toUtf8()) + "\n");
        BaseWidget::setProgramDirForTesting(installDir);
        Sandbox::setRegistryValue(uninstallKey.arg(key), QStringLiteral("installDir"), installDir);
        Sandbox::setRegistryValue(settingsKey.arg(key), QStringLiteral("info"),
                                  QStringLiteral("{\"exe\":\"Tesmar.exe\",\"lang\":\"%1\",\"name\":\"泰斯玛渲染\","
                                                 "\"nameEN\":\"Tesmar Render\",\"third\":\"%2\"}")
                                      .arg(lang, third));
        BaseWidget::chinese = lang != QLatin1String("en_us");
    }
    QString key;
    QString installDir;
};

// Starting and stopping programs is recorded, not done.
template <typename T>
T *child(const Widget &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

QCheckBox *option(const Widget &window, int id)
{
    return qobject_cast<QCheckBox *>(window.reasonGroup->button(id));
}

// Types text key by key as a keyboard would, characters outside ASCII included.
void typeInto(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, c.unicode() < 128 ? QChar(c).toUpper().unicode() : 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, press.key(), Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

// The window lets go of a reply once it has handled it.
bool listHandled(const Widget &window)
{
    return window.netManager->findChildren<QNetworkReply *>().isEmpty();
}

QByteArray sixRows()
{
    return QStringLiteral("{\"rows\":[{\"id\":16,\"order\":6,\"reason\":\"六\"},{\"id\":12,\"order\":2,\"reason\":\"价格太高\"},"
                          "{\"id\":15,\"order\":5,\"reason\":\"五\"},{\"id\":11,\"order\":1,\"reason\":\"不好用\"},"
                          "{\"id\":14,\"order\":4,\"reason\":\"速度慢\"},{\"id\":13,\"order\":3,\"reason\":\"找到替代\"}],\"total\":6}")
        .toUtf8();
}

const QByteArray listPath = "/cms/uninstallReason/getPresent";
const QByteArray answerPath = "/cms/uninstallReason/getUserUninstallReason";

} // namespace

class TestUninstallWindow : public QObject
{
    Q_OBJECT
private slots:
    void reasonsFromReply_data();
    void reasonsFromReply();
    void answerBody_data();
    void answerBody();
    void surveyRoundTrip();
    void answerWithoutList_data();
    void answerWithoutList();
    void skippedSurvey_data();
    void skippedSurvey();
    void unreachableServerStillRemoves();
    void commitButtonFollowsOptions();
    void otherTextAndOption();
    void pastingPastTheLimit_data();
    void pastingPastTheLimit();
    void contactInput_data();
    void contactInput();
    void texts_data();
    void texts();
    void maxRunning_data();
    void maxRunning();
};

void TestUninstallWindow::reasonsFromReply_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("expected"); // "text=id"

    QTest::newRow("six rows: the four of lowest order") << sixRows() << QStringList{"不好用=11", "价格太高=12", "找到替代=13", "速度慢=14"};
    QTest::newRow("equal orders: the later wins")
        << QByteArray(R"({"rows":[{"id":1,"order":1,"reason":"a"},{"id":2,"order":1,"reason":"b"},{"id":3,"order":0,"reason":"c"}]})")
        << QStringList{"c=3", "b=2"};
    QTest::newRow("two rows") << QByteArray(R"({"rows":[{"id":7,"order":2,"reason":"b"},{"id":5,"order":1,"reason":"a"}]})")
                              << QStringList{"a=5", "b=7"};
    QTest::newRow("id and order as strings count as 0")
        << QByteArray(R"({"rows":[{"id":"9","order":3,"reason":"x"},{"id":4,"order":"1","reason":"y"}]})")
        << QStringList{"y=4", "x=0"};
    QTest::newRow("missing fields") << QByteArray(R"({"rows":[{"order":1},{"order":2,"reason":5}]})") << QStringList{"=0", "=0"};
    QTest::newRow("element that is no object") << QByteArray(R"({"rows":[3,{"id":2,"order":1,"reason":"b"}]})")
                                               << QStringList{"=0", "b=2"};
    QTest::newRow("rows not an array") << QByteArray(R"({"rows":{"id":1}})") << QStringList{};
    QTest::newRow("not a JSON object") << QByteArray(R"([{"rows":[]}])") << QStringList{};
    QTest::newRow("not JSON") << QByteArray("<html>502</html>") << QStringList{};
}

void TestUninstallWindow::reasonsFromReply()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, expected);

    QStringList got;
    for (const Survey::Reason &reason : Survey::reasonsFromReply(body))
        got.append(reason.text + QLatin1Char('=') + QString::number(reason.id));
    QCOMPARE(got, expected);
}

void TestUninstallWindow::answerBody_data()
{
    QTest::addColumn<QStringList>("toolTips");
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("contact");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("reasons 1 and 3 and Other") << QStringList{"11", "13", "-1"} << "太贵了" << "a@b.cn"
                                               << QByteArray(R"({"rows":[{"id":11},{"id":13},{"contact":"a@b.cn","id":0,"other":"太贵了"}]})");
    QTest::newRow("Other with empty texts") << QStringList{"-1"} << "" << ""
                                            << QByteArray(R"({"rows":[{"contact":"","id":0,"other":""}]})");
    QTest::newRow("options the list never filled") << QStringList{"", ""} << "ignored" << "ignored"
                                                   << QByteArray(R"({"rows":[{"id":0},{"id":0}]})");
    QTest::newRow("nothing checked") << QStringList{} << "" << "" << QByteArray(R"({"rows":[]})");
    QTest::newRow("text cut at 100 characters") << QStringList{"-1"} << QString(150, QLatin1Char('x')) << "1"
                                                << QByteArray(R"({"rows":[{"contact":"1","id":0,"other":")" + QByteArray(100, 'x') + "\"}]}");
}

void TestUninstallWindow::answerBody()
{
    QFETCH(QStringList, toolTips);
    QFETCH(QString, other);
    QFETCH(QString, contact);
    QFETCH(QByteArray, body);

    QCOMPARE(Survey::answerBody(toolTips, other, contact), body);
}

void TestUninstallWindow::surveyRoundTrip()
{
    Sandbox sandbox;
    RecordingServer server;
    server.answer(listPath, sixRows());
    server.answer(answerPath, "{\"code\":0}");
    Installed installed(sandbox, QString(), QStringLiteral("zh_cn"), server.base());
    ActRecorder acts;

    Widget window;
    window.show();
    QVERIFY(QTest::qWaitFor([&] { return option(window, 4)->text() != QStringLiteral("无"); }, 30000));
    QCOMPARE(server.requests.size(), 1);
    QCOMPARE(server.requests.first().method, QByteArray("GET"));
    QCOMPARE(server.requests.first().target, listPath);
    const QStringList texts = {"不好用", "价格太高", "找到替代", "速度慢"};
    for (int id = 1; id <= 4; ++id) {
        QCOMPARE(option(window, id)->text(), texts.at(id - 1));
        QCOMPARE(option(window, id)->toolTip(), QString::number(10 + id));
    }
    QCOMPARE(option(window, 5)->toolTip(), QStringLiteral("-1"));

    QTest::mouseClick(child<QPushButton>(window, "uninstall"), Qt::LeftButton);
    QCOMPARE(child<QStackedWidget>(window, "stackedWidget")->currentIndex(), 1);
    QVERIFY(!window.uninstalled);
    option(window, 1)->click();
    option(window, 3)->click();
    child<QTextEdit>(window, "textEdit")->setPlainText(QStringLiteral("太贵了"));
    QTest::keyClicks(child<QLineEdit>(window, "phone"), QStringLiteral("a@b.cn"));
    QTest::mouseClick(child<QPushButton>(window, "uninstall_commit"), Qt::LeftButton);
    QVERIFY(window.uninstalled);

    QVERIFY(server.waitForRequests(2));
    const RecordingServer::Request answer = server.requests.at(1);
    QCOMPARE(answer.method, QByteArray("POST"));
    QCOMPARE(answer.target, answerPath);
    QCOMPARE(answer.headers.value("content-type"), QByteArray("application/json"));
    QCOMPARE(answer.body, QByteArray(R"({"rows":[{"id":11},{"id":13},{"contact":"a@b.cn","id":0,"other":"太贵了"}]})"));
    // The pages are gone once the event loop runs again; the finish view shows.
    QVERIFY(QTest::qWaitFor([&] { return !child<QStackedWidget>(window, "stackedWidget"); }, 5000));
    QVERIFY(child<QPushButton>(window, "uninstall_ok")->isVisible());
}

void TestUninstallWindow::answerWithoutList_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("list");

    QTest::newRow("server error") << 500 << sixRows();
    QTest::newRow("two rows") << 200 << QByteArray(R"({"rows":[{"id":7,"order":2,"reason":"b"},{"id":5,"order":1,"reason":"a"}]})");
}

void TestUninstallWindow::answerWithoutList()
{
    QFETCH(int, status);
    QFETCH(QByteArray, list);

    Sandbox sandbox;
    RecordingServer server;
    server.answer(listPath, list, status);
    Installed installed(sandbox, QString(), QStringLiteral("zh_cn"), server.base());
    ActRecorder acts;

    Widget window;
    QVERIFY(server.waitForRequests(1));
    QVERIFY(QTest::qWaitFor([&] { return listHandled(window); }, 30000));
    QCOMPARE(option(window, 3)->text(), QStringLiteral("无"));
    QCOMPARE(option(window, 4)->text(), QStringLiteral("无"));
    QCOMPARE(option(window, 5)->toolTip().isEmpty(), status != 200);
    option(window, 1)->click();
    option(window, 4)->click();
    child<QTextEdit>(window, "textEdit")->setPlainText(QStringLiteral("x"));
    child<QPushButton>(window, "uninstall_commit")->click();
    QVERIFY(server.waitForRequests(2));
    QCOMPARE(server.requests.at(1).body,
             status == 200 ? QByteArray(R"({"rows":[{"id":5},{"id":0},{"contact":"","id":0,"other":"x"}]})")
                           : QByteArray(R"({"rows":[{"id":0},{"id":0},{"id":0}]})"));
}

void TestUninstallWindow::skippedSurvey_data()
{
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<bool>("answered");

    QTest::newRow("English standard: empty answer") << "" << "en_us" << true;
    QTest::newRow("partner: no answer") << "Vantoo" << "zh_cn" << false;
    QTest::newRow("KDRender: no answer") << "KDRender" << "zh_cn" << false;
}

void TestUninstallWindow::skippedSurvey()
{
    QFETCH(QString, third);
    QFETCH(QString, lang);
    QFETCH(bool, answered);

    Sandbox sandbox;
    RecordingServer server;
    server.answer(listPath, sixRows());
    Installed installed(sandbox, third, lang, server.base());
    ActRecorder acts;

    Widget window;
    window.show();
    QVERIFY(QTest::qWaitFor([&] { return listHandled(window); }, 30000));
    QCOMPARE(server.requests.size(), 1);
    QTest::mouseClick(child<QPushButton>(window, "uninstall"), Qt::LeftButton);
    // Straight to the removal, the survey page never shown.
    QVERIFY(window.uninstalled);
    QCOMPARE(child<QStackedWidget>(window, "stackedWidget")->currentIndex(), 0);
    // An answer is a reply in the manager's hands, handed over before the removal began.
    QCOMPARE(window.netManager->findChildren<QNetworkReply *>().size(), answered ? 1 : 0);
    if (answered) {
        QVERIFY(server.waitForRequests(2));
        QCOMPARE(server.requests.at(1).body, QByteArray(R"({"rows":[]})"));
    }
}

void TestUninstallWindow::unreachableServerStillRemoves()
{
    Sandbox sandbox;
    Installed installed(sandbox, QString(), QStringLiteral("zh_cn"));
    ActRecorder acts;

    Widget window;
    QTest::mouseClick(child<QPushButton>(window, "uninstall"), Qt::LeftButton);
    option(window, 2)->click();
    child<QPushButton>(window, "uninstall_commit")->click();
    QVERIFY(window.uninstalled);
    QVERIFY(!QFileInfo::exists(installed.installDir));
    QVERIFY(Sandbox::registryValue(uninstallKey.arg(installed.key), QStringLiteral("installDir")).isNull());
}

void TestUninstallWindow::commitButtonFollowsOptions()
{
    Sandbox sandbox;
    Installed installed(sandbox, QString(), QStringLiteral("zh_cn"));
    Widget window;
    QPushButton *commit = child<QPushButton>(window, "uninstall_commit");

    QVERIFY(!commit->isEnabled());
    for (int id = 1; id <= 5; ++id) {
        option(window, id)->click();
        QVERIFY2(commit->isEnabled(), qPrintable(QString::number(id)));
        option(window, id)->click();
        QVERIFY(!commit->isEnabled());
    }
    option(window, 2)->click();
    option(window, 4)->click();
    option(window, 2)->click();
    QVERIFY(commit->isEnabled());
    option(window, 4)->click();
    QVERIFY(!commit->isEnabled());
}

void TestUninstallWindow::otherTextAndOption()
{
    Sandbox sandbox;
    Installed installed(sandbox, QString(), QStringLiteral("zh_cn"));
    Widget window;
    window.show();
    QTextEdit *text = child<QTextEdit>(window, "textEdit");
    QCheckBox *other = option(window, 5);

    QTest::keyClicks(text, QStringLiteral("ab"));
    QVERIFY(other->isChecked());
    QVERIFY(child<QPushButton>(window, "uninstall_commit")->isEnabled());
    QTest::keyClick(text, Qt::Key_Backspace);
    QVERIFY(other->isChecked());
    QTest::keyClick(text, Qt::Key_Backspace);
    QVERIFY(!other->isChecked());
    QVERIFY(!child<QPushButton>(window, "uninstall_commit")->isEnabled());

    QTest::keyClicks(text, QStringLiteral("kept until Other goes"));
    other->click();
    QVERIFY(text->toPlainText().isEmpty());
    QVERIFY(!other->isChecked());
}

void TestUninstallWindow::pastingPastTheLimit_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("paste");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("cursorAfter");

    const QString digits = QStringLiteral("0123456789").repeated(15);
    QTest::newRow("150 into an empty field") << "" << 0 << digits << digits.left(100) << 100;
    QTest::newRow("into the middle of 90") << QString(90, QLatin1Char('a')) << 40 << QStringLiteral("XXXXXXXXXXXXXXX")
                                           << QString(40, QLatin1Char('a')) + QStringLiteral("XXXXXXXXXX") + QString(50, QLatin1Char('a'))
                                           << 50;
    QTest::newRow("exactly 100 stays") << QString(99, QLatin1Char('a')) << 99 << QStringLiteral("b")
                                       << QString(99, QLatin1Char('a')) + QLatin1Char('b') << 100;
}

void TestUninstallWindow::pastingPastTheLimit()
{
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, paste);
    QFETCH(QString, after);
    QFETCH(int, cursorAfter);

    Sandbox sandbox;
    Installed installed(sandbox, QString(), QStringLiteral("zh_cn"));
    Widget window;
    QTextEdit *text = child<QTextEdit>(window, "textEdit");
    text->setPlainText(before);
    QTextCursor position = text->textCursor();
    position.setPosition(cursor);
    text->setTextCursor(position);

    // What a paste does: the clipboard's text inserted at the cursor in one edit.
    text->insertPlainText(paste);
    QCOMPARE(text->toPlainText(), after);
    QCOMPARE(text->textCursor().position(), cursorAfter);
    QVERIFY(option(window, 5)->isChecked());
}

void TestUninstallWindow::contactInput_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");

    QTest::newRow("mail address") << "li.ming@qq.com" << "li.ming@qq.com";
    QTest::newRow("spaces, dashes, plus and Chinese refused") << "+86 138-0013 8000 电话" << "8613800138000";
    QTest::newRow("stops at 30") << QString(40, QLatin1Char('7')) << QString(30, QLatin1Char('7'));
}

void TestUninstallWindow::contactInput()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);

    Sandbox sandbox;
    Installed installed(sandbox, QString(), QStringLiteral("zh_cn"));
    Widget window;
    window.show();
    QLineEdit *phone = child<QLineEdit>(window, "phone");
    typeInto(phone, typed);
    QCOMPARE(phone->text(), kept);
    QVERIFY(!phone->isClearButtonEnabled());
}

void TestUninstallWindow::texts_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("third");
    QTest::addColumn<QStringList>("texts"); // title, uninstall, cancel, commit, finish

    QTest::newRow("Chinese") << "zh_cn" << "" << QStringList{"泰斯玛渲染", "卸载", "取消", "确定卸载", "卸载完成"};
    QTest::newRow("English") << "en_us" << "" << QStringList{"Tesmar Render", "Uninstall", "Cancel", "Uninstall", "Finish"};
    QTest::newRow("partner, Chinese") << "zh_cn" << "Vantoo" << QStringList{"泰斯玛渲染", "卸载", "取消", "确定卸载", "卸载完成"};
}

void TestUninstallWindow::texts()
{
    QFETCH(QString, lang);
    QFETCH(QString, third);
    QFETCH(QStringList, texts);

    Sandbox sandbox;
    Installed installed(sandbox, third, lang);
    Widget window;
    QCOMPARE(child<QLabel>(window, "title")->text(), texts.at(0));
    QCOMPARE(child<QPushButton>(window, "uninstall")->text(), texts.at(1));
    QCOMPARE(child<QPushButton>(window, "cancel")->text(), texts.at(2));
    QCOMPARE(child<QPushButton>(window, "uninstall_commit")->text(), texts.at(3));
    QCOMPARE(child<QPushButton>(window, "uninstall_ok")->text(), texts.at(4));
    QVERIFY(child<QPushButton>(window, "uninstall_ok")->isHidden());
    QCOMPARE(child<QLabel>(window, "label_bg")->styleSheet(),
             third.isEmpty() ? QStringLiteral("background-image: url(:/bg1.png);") : QStringLiteral("background-image: url(:/bg1_third.png);"));
    QCOMPARE(child<QLabel>(window, "label")->styleSheet(),
             third.isEmpty() ? QStringLiteral("background-image: url(:/logo.png)") : QString());
    // The survey keeps its Chinese texts: it is shown in Chinese only.
    QCOMPARE(child<QLabel>(window, "label_2")->text(), QStringLiteral("请选择卸载原因（必选）"));
    QCOMPARE(child<QLineEdit>(window, "phone")->placeholderText(), QStringLiteral("电话/邮箱/QQ"));
    QCOMPARE(child<QStackedWidget>(window, "stackedWidget")->currentIndex(), 0);
}

void TestUninstallWindow::maxRunning_data()
{
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("prompt"); // empty: no prompt, the window opens

    QTest::newRow("Chinese") << "" << "zh_cn" << "请先关闭max，再卸载客户端！";
    QTest::newRow("English") << "" << "en_us" << "Pleace close max first and uninstall client!";
    QTest::newRow("partner") << "Vantoo" << "zh_cn" << "请先关闭max，再卸载客户端！";
    QTest::newRow("KDRender does not mind") << "KDRender" << "zh_cn" << "";
}

void TestUninstallWindow::maxRunning()
{
    QFETCH(QString, third);
    QFETCH(QString, lang);
    QFETCH(QString, prompt);

    Sandbox sandbox;
    Installed installed(sandbox, third, lang);
    BaseWidget settings;
    settings.isChinese();
    ProbeProcess max(sandbox, QStringLiteral("3dsmax.exe"));
    QVERIFY(max.isStarted());

    PromptAnswerer answerer({QStringLiteral("okBtn")});
    QCOMPARE(UninstallerEntry::checks(), prompt.isEmpty());
    QCOMPARE(answerer.texts, prompt.isEmpty() ? QStringList{} : QStringList{prompt});
    // Nothing was removed.
    QVERIFY(QFileInfo::exists(installed.installDir + QStringLiteral("/uninstall.exe")));
}

QTEST_MAIN(TestUninstallWindow)
#include "tst_uninstallwindow.moc"
