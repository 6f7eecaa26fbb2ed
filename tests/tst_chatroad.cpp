// The assistant operating the tool: a scripted assistant drives a whole road through the
// chat's command dispatch against the simulated motor, and the shipped assistant program
// answers a question and carries out a request.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "chat/ui/zkChat.h"
#include "procedures/customCDC.h"
#include "log/log.h"
#include "simCodec.h"
#include "simWindow.h"
#include "widgets/customPlainTextEdit.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <csignal>

class TestChatRoad : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    SimWindow sw;

    MainWindow *w() const { return sw.window(); }
    Ui_MainWindow *ui() const { return sw.window()->form(); }
    ZKChat *chat() const { return sw.window()->chatWindow(); }

    void say(const QString &text)
    {
        chat()->input()->setPlainText(text);
        chat()->sendButton()->click();
    }

    QString writeScript(const QString &text)
    {
        const QString path = dir.filePath("script.txt");
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QString();
        f.write(text.toUtf8());
        return path;
    }

    QList<SimCanFrame> framesOn(quint32 id) const
    {
        QList<SimCanFrame> out;
        for (const auto &f : sw.adapter()->busFrames())
            if (f.id == id)
                out << f;
        return out;
    }

private slots:
    void initTestCase() { Logger::init(dir.path(), Logger::DEBUG); }

    void cleanup()
    {
        sw.stop();
        qunsetenv(ZKChat::kProgramEnv);
        qunsetenv("ZK_ASSISTANT_SCRIPT");
    }

    void scriptedAssistantDrivesTheMotor()
    {
        qputenv(ZKChat::kProgramEnv, ZK_TEST_HELPER_DIR "/scripted_assistant");
        qputenv("ZK_ASSISTANT_SCRIPT", writeScript("open => 好的，已经为您打开串口!\n"
                                                   "enable => 电机使能!\n"
                                                   "set => 好的，已经将位置设置为1.5!已经将速度设置为2!"
                                                   "已经将KP设置为50!已经将KD设置为1!已经将转矩设置为0.5!\n"
                                                   "start => 发送电机调试数据!\n"
                                                   "stop => 停止发送电机调试数据!\n"
                                                   "again => 停止发送电机调试数据!\n"
                                                   "read => 读参数!\n")
                                           .toLocal8Bit());
        QString error;
        QVERIFY2(sw.start(SimSerialAdapter::Adapter, SimMotor::Layout::Long, &error), qPrintable(error));
        QTRY_COMPARE(chat()->process()->state(), QProcess::Running);
        chat()->show();

        say("open");
        QTRY_VERIFY(w()->isPortOpen());

        say("enable");
        QTRY_VERIFY(sw.motor()->isEnabled());
        const auto enable = framesOn(0x001);
        QCOMPARE(enable.size(), 1);
        QCOMPARE(enable[0].data, SimCodec::specialCommand(SimCodec::SpecialEnable));

        say("set");
        QTRY_COMPARE(ui()->TOREdit->text(), QString("0.5"));
        QCOMPARE(ui()->POSEdit->text(), QString("1.5"));
        QCOMPARE(ui()->VELEdit->text(), QString("2"));
        QCOMPARE(ui()->KPEdit->text(), QString("50"));
        QCOMPARE(ui()->KDEdit->text(), QString("1"));
        // Setting fields sends nothing.
        QTest::qWait(50);
        QCOMPARE(framesOn(0x001).size(), 1);

        // The user's own setting: periodic sending every 10 ms.
        ui()->periodicSend->setChecked(true);
        ui()->sendIntervalEdit_2->setText("10");
        say("start");
        QTRY_COMPARE(ui()->btn_canDebugSend->text(), QString("停止"));
        QTRY_VERIFY(framesOn(0x001).size() > 10);
        QVERIFY(w()->link()->periodicTimer->isActive());

        say("stop");
        QTRY_COMPARE(ui()->btn_canDebugSend->text(), QString("发送"));
        QVERIFY(!w()->link()->periodicTimer->isActive());
        QTest::qWait(30); // a frame already written still reaches the bus
        const int sent = int(framesOn(0x001).size());
        QTest::qWait(60);
        QCOMPARE(int(framesOn(0x001).size()), sent);
        // Stopping again while idle does nothing (the button stays a send button).
        say("again");
        QTest::qWait(60);
        QCOMPARE(ui()->btn_canDebugSend->text(), QString("发送"));
        QCOMPARE(int(framesOn(0x001).size()), sent);

        // Every command after the enable frame is the MIT frame the buttons would send,
        // as the simulator's own encoder writes it.
        const QByteArray mit = SimCodec::mitCommand(1.5f, 2.0f, 50.0f, 1.0f, 0.5f);
        const auto frames = framesOn(0x001);
        for (int i = 1; i < frames.size(); ++i)
            QCOMPARE(frames[i].data.toHex(' '), mit.toHex(' '));
        QVERIFY(qAbs(sw.motor()->setPoint().kp - 50.0f) < 0.2f); // 12-bit resolution

        say("read");
        const QString pmax = QString::number(sw.motor()->registerFloat(SimMotor::registerIndex("PMAX")));
        QTRY_COMPARE(ui()->PMAXEdit->text().toDouble(), pmax.toDouble());
        QVERIFY(shownMessages().isEmpty());

        const QString shot = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
        if (!shot.isEmpty()) {
            chat()->resize(640, 420);
            QTest::qWait(100);
            QVERIFY(chat()->grab().save(shot + "/chat_conversation.png"));
        }
    }

    void shippedAssistantAnswersAndActs()
    {
        qputenv(ZKChat::kProgramEnv, ZK_BUILD_DIR "/retrieval_chatbot.exe");
        QString error;
        QVERIFY2(sw.start(SimSerialAdapter::Adapter, SimMotor::Layout::Long, &error), qPrintable(error));
        QTRY_COMPARE(chat()->process()->state(), QProcess::Running);
        QVERIFY(sw.open());

        // A how-to question is answered and operates nothing.
        const QString before = chat()->transcript()->toPlainText();
        say("how do I read the parameters?");
        QTRY_VERIFY(chat()->transcript()->toPlainText().count("zekaChat:") > before.count("zekaChat:"));
        QTest::qWait(100);
        QCOMPARE(sw.adapter()->stats().framesReceived, quint64(0));

        // A request is carried out.
        say("请使能电机");
        QTRY_VERIFY(sw.motor()->isEnabled());

        // Closing the tool ends the assistant.
        const qint64 pid = chat()->process()->processId();
        QVERIFY(pid > 0);
        w()->close();
        QTRY_COMPARE(chat()->process()->state(), QProcess::NotRunning);
        QVERIFY(::kill(pid_t(pid), 0) != 0);
    }
};

QTEST_MAIN(TestChatRoad)
#include "tst_chatroad.moc"
