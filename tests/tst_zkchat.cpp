// The chat window against a scripted assistant process, and the dispatch of reply
// sentences to widgets and handlers.
#include "chat/ui/chatCommandDispatcher.h"
#include "chat/ui/zkChat.h"
#include "log/log.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/customTabBar.h"
#include "widgets/switchbutton.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {

const QString kHelper = QStringLiteral(ZK_TEST_HELPER_DIR "/scripted_assistant");

// A stand-in for the main window's widgets that the phrase table names.
struct FakePanel {
    QWidget root;
    QLineEdit *pos = new QLineEdit(&root);
    QComboBox *idBaud = new QComboBox(&root);
    QComboBox *comBaud = new QComboBox(&root);
    QComboBox *canBr = new QComboBox(&root);
    QComboBox *ctrMode = new QComboBox(&root);
    CustomTabBar *tabs = new CustomTabBar(&root);
    SwitchButton *rpm = new SwitchButton(&root);
    QLineEdit *wrongKind = new QLineEdit(&root);

    FakePanel()
    {
        pos->setObjectName("POSEdit");
        idBaud->setObjectName("id_baud_combox");
        idBaud->addItems({"1Mbps", "500Kbps", "250Kbps"});
        comBaud->setObjectName("comboCom_Baud");
        comBaud->addItems({"115200", "921600"});
        canBr->setObjectName("comboBox_canBaud");
        canBr->addItems({"125K", "500K", "1M"});
        ctrMode->setObjectName("comboBox_ctrMode");
        ctrMode->addItems({"1:MIT模式", "2:位置速度模式", "3:速度模式", "4:PVT模式"});
        tabs->setObjectName("ctrModeTabBar");
        for (const char *t : {"MIT", "位置", "速度", "PVT"})
            tabs->addTab(QString::fromUtf8(t));
        tabs->setCurrentTab(0);
        rpm->setObjectName("sw_btn_rpmRads");
        rpm->setAnimation(false);
        wrongKind->setObjectName("sw_btn_ASCIIHex"); // a switch is expected here
    }
};

} // namespace

class TestZKChat : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void replySentencesInOrder();
    void messageIsOneLineAndShownAsText();
    void emptyInputSendsNothing_data();
    void emptyInputSendsNothing();
    void programNotStarted_data();
    void programNotStarted();
    void processEnd_data();
    void processEnd();
    void stderrIsLogged();
    void floodsAreBounded_data();
    void floodsAreBounded();
    void answerCutBetweenReads_data();
    void answerCutBetweenReads();
    void stopProcess_data();
    void stopProcess();
    void programBesideTheTool();

    void dispatchToWidgets_data();
    void dispatchToWidgets();
    void handlersComeFirst();
    void roadThroughTheDispatch();

private:
    QString writeScript(const QString &content);
    std::unique_ptr<ZKChat> startChat(const QString &script);
    static void say(ZKChat &chat, const QString &text);
    QString newLog() const;

    QTemporaryDir m_dir;
    qint64 m_logStart = 0;
};

void TestZKChat::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFileInfo(kHelper).isExecutable(), qPrintable(kHelper));
    Logger::init(m_dir.path() + "/logs", Logger::DEBUG);
    QVERIFY(!Logger::logFilePath().isEmpty());
}

void TestZKChat::init()
{
    m_logStart = QFileInfo(Logger::logFilePath()).size();
}

void TestZKChat::cleanup()
{
    qunsetenv(ZKChat::kProgramEnv);
    qunsetenv("ZK_ASSISTANT_SCRIPT");
}

QString TestZKChat::writeScript(const QString &content)
{
    static int n = 0;
    const QString path = m_dir.filePath(QString("script%1.txt").arg(++n));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(content.toUtf8());
    return path;
}

std::unique_ptr<ZKChat> TestZKChat::startChat(const QString &script)
{
    qputenv(ZKChat::kProgramEnv, kHelper.toLocal8Bit());
    qputenv("ZK_ASSISTANT_SCRIPT", writeScript(script).toLocal8Bit());
    return std::make_unique<ZKChat>();
}

void TestZKChat::say(ZKChat &chat, const QString &text)
{
    chat.input()->setPlainText(text);
    QTest::keyClick(chat.input(), Qt::Key_Return);
}

QString TestZKChat::newLog() const
{
    QFile f(Logger::logFilePath());
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    f.seek(m_logStart);
    return QString::fromUtf8(f.readAll());
}

void TestZKChat::replySentencesInOrder()
{
    auto chat = startChat("hello => 你好，已经将位置设置为1.5! 停止发送电机调试数据!\n");
    QVERIFY(newLog().contains("[ZKChat] Zeka智能chat已启动，请输入内容开始对话..."));
    QSignalSpy spy(chat.get(), &ZKChat::invokeQtFunction);

    say(*chat, "  hello ");
    QVERIFY(chat->input()->toPlainText().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 3, 10000);
    QCOMPARE(spy.at(0).at(0).toString(), QString("你好，"));
    QCOMPARE(spy.at(1).at(0).toString(), QString("已经将位置设置为1.5!"));
    QCOMPARE(spy.at(2).at(0).toString(), QString("停止发送电机调试数据!"));

    const QString shown = chat->transcript()->toPlainText();
    QVERIFY2(shown.contains("我: hello\n"), qPrintable(shown));
    QVERIFY2(shown.contains("zekaChat: 你好，已经将位置设置为1.5! 停止发送电机调试数据!"), qPrintable(shown));

    // The send button does the same as Return.
    chat->input()->setPlainText("hello");
    chat->sendButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 6, 10000);
    QVERIFY(!chat->sendButton()->icon().isNull());
}

void TestZKChat::messageIsOneLineAndShownAsText()
{
    auto chat = startChat("* => @echo\n");
    QSignalSpy spy(chat.get(), &ZKChat::invokeQtFunction);

    chat->input()->setPlainText("电机 <b>使能</b>");
    chat->input()->moveCursor(QTextCursor::End);
    QTest::keyClick(chat->input(), Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(chat->input()->toPlainText(), QString("电机 <b>使能</b>\n"));
    chat->input()->insertPlainText("第二行");
    QTest::keyClick(chat->input(), Qt::Key_Return);

    // One message, one answer: the assistant got a single line, in GBK and back.
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000);
    QCOMPARE(spy.at(0).at(0).toString(), QString("电机 <b>使能</b> 第二行"));
    QTest::qWait(200);
    QCOMPARE(spy.count(), 1);

    const QString shown = chat->transcript()->toPlainText();
    QVERIFY2(shown.contains("我: 电机 <b>使能</b>\n第二行"), qPrintable(shown));
    QVERIFY2(shown.contains("zekaChat: 电机 <b>使能</b> 第二行"), qPrintable(shown));
}

void TestZKChat::emptyInputSendsNothing_data()
{
    QTest::addColumn<QString>("input");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank lines") << QString("  \n\t \n ");
}

void TestZKChat::emptyInputSendsNothing()
{
    QFETCH(QString, input);
    auto chat = startChat("* => 收到!\n");
    QSignalSpy spy(chat.get(), &ZKChat::invokeQtFunction);
    say(*chat, input);
    chat->sendButton()->click();
    QTest::qWait(300);
    QCOMPARE(spy.count(), 0);
    QVERIFY(chat->transcript()->toPlainText().isEmpty());
}

void TestZKChat::programNotStarted_data()
{
    QTest::addColumn<QString>("env");
    QTest::newRow("no such file") << m_dir.filePath("missing/retrieval_chatbot.exe");
    QTest::newRow("relative name") << QString(ZKChat::kProgramName);
    QTest::newRow("unset") << QString();
}

void TestZKChat::programNotStarted()
{
    QFETCH(QString, env);
    // A same-named program in the current directory must never run.
    QTemporaryDir cwd;
    const QString marker = cwd.filePath("ran");
    QFile decoy(cwd.filePath(ZKChat::kProgramName));
    QVERIFY(decoy.open(QIODevice::WriteOnly));
    decoy.write(QString("#!/bin/sh\ntouch '%1'\n").arg(marker).toUtf8());
    decoy.close();
    decoy.setPermissions(decoy.permissions() | QFile::ExeOwner);
    const QString oldCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(cwd.path()));

    if (env.isEmpty())
        qunsetenv(ZKChat::kProgramEnv);
    else
        qputenv(ZKChat::kProgramEnv, env.toLocal8Bit());
    ZKChat chat;
    QDir::setCurrent(oldCwd);

    const QString log = newLog();
    QVERIFY2(log.contains("[ERROR] ") && log.contains("[ZKChat] 错误: 无法启动Python进程!"), qPrintable(log));
    QVERIFY2(log.contains("[ZKChat] 错误信息: "), qPrintable(log));
    QVERIFY(!log.contains("已启动"));

    QSignalSpy spy(&chat, &ZKChat::invokeQtFunction);
    say(chat, "电机使能");
    QVERIFY(chat.transcript()->toPlainText().endsWith("错误: Python进程未运行!"));
    QTest::qWait(200);
    QCOMPARE(spy.count(), 0);
    QVERIFY(!QFile::exists(marker));
}

void TestZKChat::processEnd_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("line");
    QTest::newRow("crash") << QString("bye => 再见!\nbye => @crash\n") << QString("[ERROR] [线程ID: ");
    QTest::newRow("normal exit") << QString("bye => 再见!\nbye => @exit 3\n") << QString("[INFO] [线程ID: ");
}

void TestZKChat::processEnd()
{
    QFETCH(QString, script);
    QFETCH(QString, line);
    auto chat = startChat(script);
    QSignalSpy said(chat.get(), &ZKChat::invokeQtFunction);
    QSignalSpy finished(chat->process(), &QProcess::finished);
    say(*chat, "bye");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    // What it said before it went is not lost.
    QCOMPARE(said.count(), 1);
    QCOMPARE(said.at(0).at(0).toString(), QString("再见!"));

    const QString log = newLog();
    const QString expected = QTest::currentDataTag() == QString("crash")
                                 ? QString("[ZKChat] Python进程异常终止!")
                                 : QString("[ZKChat] Python进程已正常退出，退出代码: 3");
    const int at = log.indexOf(expected);
    QVERIFY2(at > 0, qPrintable(log));
    QVERIFY(log.lastIndexOf(line, at) > log.lastIndexOf('\n', at));

    // Not restarted: later messages are refused.
    say(*chat, "again");
    QVERIFY(chat->transcript()->toPlainText().endsWith("错误: Python进程未运行!"));
}

void TestZKChat::stderrIsLogged()
{
    auto chat = startChat("x => @stderr 模型文件缺失\n");
    say(*chat, "x");
    QTRY_VERIFY_WITH_TIMEOUT(newLog().contains("[ZKChat] Python脚本错误详情：模型文件缺失"), 10000);
    QVERIFY(chat->transcript()->toPlainText().indexOf("zekaChat") < 0);
}

void TestZKChat::floodsAreBounded_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("sentences");   // acted on
    QTest::addColumn<bool>("overLong");   // logged once as over-long
    QTest::addColumn<int>("logBytes");    // at most, beyond the fixed lines
    const int held = ZKChat::kMaxHeldChars;
    QTest::newRow("no sentence mark") << QString("@flood %1 abcdefghij").arg(held / 10 * 3) << 3 << true << 4096;
    QTest::newRow("more sentences than acted on") << "@flood 200 电机使能!" << ZKChat::kMaxSentencesPerAnswer << true
                                                  << 16384;
    QTest::newRow("standard error") << "@errflood 20000 模型加载失败，请检查文件" << 0 << false
                                    << 3 * ZKChat::kMaxLoggedBytesPerSecond;
}

// An assistant that never stops talking is held, shown, acted on and logged within
// bounds, and the over-long answer is logged once.
void TestZKChat::floodsAreBounded()
{
    QFETCH(QString, action);
    QFETCH(int, sentences);
    QFETCH(bool, overLong);
    QFETCH(int, logBytes);
    auto chat = startChat("go => " + action + "\ngo => @sleep 1500\ngo => 完毕!\n");
    QSignalSpy spy(chat.get(), &ZKChat::invokeQtFunction);
    QElapsedTimer clock;
    clock.start();
    say(*chat, "go");
    QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty() && spy.last().at(0).toString() == "完毕!", 20000);
    QCOMPARE(spy.count() - 1, sentences);
    const QString shown = chat->transcript()->toPlainText();
    QVERIFY2(shown.size() < 2 * ZKChat::kMaxShownChars, qPrintable(QString::number(shown.size())));
    const QString log = newLog();
    QCOMPARE(log.count("助手回答过长"), overLong ? 1 : 0);
    QVERIFY2(log.toUtf8().size() < logBytes + 2048 * (1 + clock.elapsed() / 1000),
             qPrintable(QString::number(log.toUtf8().size())));
}

void TestZKChat::answerCutBetweenReads_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("inside a character") << QString("@split 3 已经将位置设置为1.5!");
    QTest::newRow("inside the number") << QString("@split 17 已经将位置设置为1.5!");
    QTest::newRow("no end mark") << QString("@raw 已经将位置设置为1.5");
}

void TestZKChat::answerCutBetweenReads()
{
    QFETCH(QString, action);
    auto chat = startChat("x => " + action + "\n");
    QSignalSpy spy(chat.get(), &ZKChat::invokeQtFunction);
    say(*chat, "x");
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000);
    QVERIFY(spy.at(0).at(0).toString().startsWith("已经将位置设置为1.5"));
    const ChatCommandMatch m = matchChatCommand(spy.at(0).at(0).toString());
    QVERIFY(m);
    QCOMPARE(m.value, QString("1.5"));
    QTest::qWait(ZKChat::kPartialAnswerWaitMs + 100);
    QCOMPARE(spy.count(), 1);
}

void TestZKChat::stopProcess_data()
{
    QTest::addColumn<QString>("script");
    QTest::newRow("ends on terminate") << QString("@start => ready\n");
    QTest::newRow("ignores terminate") << QString("@start => @ignore-term\n@start => ready\n");
}

void TestZKChat::stopProcess()
{
    QFETCH(QString, script);
    auto chat = startChat(script);
    QSignalSpy spy(chat.get(), &ZKChat::invokeQtFunction);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000); // the script's start actions have run
    QCOMPARE(chat->process()->state(), QProcess::Running);

    chat->stopProcess();
    QCOMPARE(chat->process()->state(), QProcess::NotRunning);
    const QString log = newLog();
    QVERIFY2(log.contains("[ZKChat] Python进程已随窗口关闭而结束"), qPrintable(log));
    QVERIFY(!log.contains("Python进程异常终止"));
    chat->stopProcess(); // a second call finds nothing to stop
}

void TestZKChat::programBesideTheTool()
{
    qunsetenv(ZKChat::kProgramEnv);
    QCOMPARE(ZKChat::assistantProgram(),
             QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("retrieval_chatbot.exe"));
    qputenv(ZKChat::kProgramEnv, "/opt/mine/../bot");
    QCOMPARE(ZKChat::assistantProgram(), QString("/opt/bot"));
    qputenv(ZKChat::kProgramEnv, "bot");
    QString why;
    QVERIFY(ZKChat::assistantProgram(&why).isEmpty());
    QVERIFY(why.contains(ZKChat::kProgramEnv));
}

void TestZKChat::dispatchToWidgets_data()
{
    using O = ChatCommandDispatcher::Outcome;
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("state"); // POSEdit | id baud | com baud | can_br | mode | tab | rpm

    const QString initial = "|1Mbps|115200|125K|0|0|0";
    QTest::newRow("no phrase") << QString("你好，") << int(O::NoMatch) << initial;
    QTest::newRow("position") << QString("已经将位置设置为1.5!") << int(O::WidgetSet) << "1.5" + initial;
    QTest::newRow("position text kept") << QString("已经将位置设置为abc!") << int(O::WidgetSet) << "abc" + initial;
    QTest::newRow("can baud with unit") << QString("已经将CAN波特率设置为500K!") << int(O::WidgetSet)
                                        << QString("|500Kbps|115200|125K|0|0|0");
    QTest::newRow("arbitration baud") << QString("已经将仲裁域波特率设置为250K!") << int(O::WidgetSet)
                                      << QString("|250Kbps|115200|125K|0|0|0");
    QTest::newRow("can baud not offered") << QString("已经将CAN波特率设置为7M!") << int(O::Refused) << initial;
    QTest::newRow("serial baud") << QString("已经将串口波特率设置为921600!") << int(O::WidgetSet)
                                 << QString("|1Mbps|921600|125K|0|0|0");
    QTest::newRow("can_br") << QString("已经将can_br设置为1M!") << int(O::WidgetSet)
                            << QString("|1Mbps|115200|1M|0|0|0");
    QTest::newRow("can_br not offered") << QString("已经将can_br设置为9M!") << int(O::Refused) << initial;
    QTest::newRow("mode register") << QString("电机设置为PVT模式!") << int(O::WidgetSet)
                                   << QString("|1Mbps|115200|125K|3|0|0");
    QTest::newRow("mode page") << QString("切换为速度模式!") << int(O::WidgetSet) << QString("|1Mbps|115200|125K|0|2|0");
    QTest::newRow("rpm on") << QString("切换为RPM!") << int(O::WidgetSet) << QString("|1Mbps|115200|125K|0|0|1");
    QTest::newRow("rad/s stays off") << QString("切换为rad/s!") << int(O::WidgetSet) << initial;
    QTest::newRow("command without handler") << QString("电机使能!") << int(O::NotAvailable) << initial;
    QTest::newRow("field not in this build") << QString("已经将速度设置为3!") << int(O::NotAvailable) << initial;
    QTest::newRow("widget of another kind") << QString("切换为HEX!") << int(O::Refused) << initial;
}

void TestZKChat::dispatchToWidgets()
{
    QFETCH(QString, sentence);
    QFETCH(int, outcome);
    QFETCH(QString, state);
    FakePanel panel;
    ChatCommandDispatcher dispatcher(&panel.root);
    QCOMPARE(int(dispatcher.dispatch(sentence)), outcome);
    const QString now = QStringList{panel.pos->text(),
                                    panel.idBaud->currentText(),
                                    panel.comBaud->currentText(),
                                    panel.canBr->currentText(),
                                    QString::number(panel.ctrMode->currentIndex()),
                                    QString::number(panel.tabs->currentIndex()),
                                    QString::number(panel.rpm->isChecked())}
                            .join('|');
    QCOMPARE(now, state);
    const QString log = newLog();
    QVERIFY2(log.contains("[INFO] ") && log.contains("[on_invokeQtFunction] " + sentence), qPrintable(log));
    if (outcome == int(ChatCommandDispatcher::Outcome::NotAvailable))
        QVERIFY2(log.contains("在此版本中不可用"), qPrintable(log));
}

void TestZKChat::handlersComeFirst()
{
    FakePanel panel;
    ChatCommandDispatcher dispatcher(&panel.root);
    QStringList calls;
    dispatcher.registerHandler(ChatAction::EnableMotor, [&](const QString &v) { calls << "enable:" + v; });
    dispatcher.registerHandler(ChatAction::SetCanId, [&](const QString &v) { calls << "canid:" + v; });
    dispatcher.registerHandler(ChatAction::SetPosition, [&](const QString &v) { calls << "pos:" + v; });

    using O = ChatCommandDispatcher::Outcome;
    QCOMPARE(dispatcher.dispatch("电机使能!"), O::Handled);
    QCOMPARE(dispatcher.dispatch("已经将CAN ID设置为5!"), O::Handled);
    QCOMPARE(dispatcher.dispatch("已经将位置设置为2!"), O::Handled);
    QCOMPARE(calls, (QStringList{"enable:", "canid:5", "pos:2"}));
    QVERIFY(panel.pos->text().isEmpty()); // the handler replaced the generic fill-in

    dispatcher.unregisterHandler(ChatAction::SetPosition);
    panel.pos->setEnabled(false); // what the user cannot edit, the assistant cannot either
    QCOMPARE(dispatcher.dispatch("已经将位置设置为2!"), O::Refused);
    QVERIFY(panel.pos->text().isEmpty());
    QCOMPARE(dispatcher.dispatch("电机失能!"), O::NotAvailable);
}

// A reply travels from the assistant process through the window and the dispatch to
// the widgets and the owner's handlers.
void TestZKChat::roadThroughTheDispatch()
{
    FakePanel panel;
    ChatCommandDispatcher dispatcher(&panel.root);
    QStringList calls;
    dispatcher.registerHandler(ChatAction::StopDebugSend, [&](const QString &) { calls << "stop"; });
    dispatcher.registerHandler(ChatAction::StartDebugSend, [&](const QString &) { calls << "send"; });
    dispatcher.registerHandler(ChatAction::ReadParameters, [&](const QString &) { calls << "read"; });

    auto chat = startChat("go => 好的，已经将位置设置为1.5! 发送电机调试数据!\n"
                          "halt => 停止发送电机调试数据! 先读参数再读ID!\n");
    connect(chat.get(), &ZKChat::invokeQtFunction, chat.get(),
            [&](const QString &s) { dispatcher.dispatch(s); });
    say(*chat, "go");
    QTRY_COMPARE_WITH_TIMEOUT(calls.size(), 1, 10000);
    QCOMPARE(panel.pos->text(), QString("1.5"));
    say(*chat, "halt");
    QTRY_COMPARE_WITH_TIMEOUT(calls.size(), 3, 10000);
    QCOMPARE(calls, (QStringList{"send", "stop", "read"}));
}

QTEST_MAIN(TestZKChat)
#include "tst_zkchat.moc"
