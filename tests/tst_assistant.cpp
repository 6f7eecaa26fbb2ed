// The shipped assistant program, run as the chat window runs it: one GBK line in, one
// GBK line out. Its command sentences must be the ones the tool recognises.
#include "chat/commandTable.h"
#include "chat/sentenceSplit.h"
#include "link/serial/textHelpers.h"

#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kProgram = QStringLiteral(ZK_BUILD_DIR "/retrieval_chatbot.exe");
const QString kKnowledgeBase = QStringLiteral(ZK_BUILD_DIR "/assistant_kb.txt");

using A = ChatAction;

struct Request {
    const char *text;
    A action;
    const char *value;
};

// Every row of the phrase table, asked for once in Chinese and once in English.
const Request kRequests[] = {
    {"刷新串口", A::RefreshPorts, ""},
    {"refresh the serial ports", A::RefreshPorts, ""},
    {"打开串口", A::OpenPort, ""},
    {"please connect the COM port", A::OpenPort, ""},
    {"帮我关闭串口", A::ClosePort, ""},
    {"close the port", A::ClosePort, ""},
    {"清空数据", A::ClearData, ""},
    {"clear the data", A::ClearData, ""},
    {"切换为UART通讯", A::SwitchToUart, ""},
    {"switch to UART", A::SwitchToUart, ""},
    {"切换到CAN通讯", A::SwitchToCan, ""},
    {"switch to CAN mode", A::SwitchToCan, ""},
    {"开始参数辨识", A::IdentifyParameters, ""},
    {"identify the motor parameters", A::IdentifyParameters, ""},
    {"读取一下参数", A::ReadParameters, ""},
    {"read the parameters", A::ReadParameters, ""},
    {"把参数写入电机", A::WriteParameters, ""},
    {"write the parameters", A::WriteParameters, ""},
    {"使能电机", A::EnableMotor, ""},
    {"Enable the motor.", A::EnableMotor, ""},
    {"电机失能", A::DisableMotor, ""},
    {"disable the motor", A::DisableMotor, ""},
    {"把当前位置设为零点", A::SetZero, ""},
    {"set the current position as zero", A::SetZero, ""},
    {"停止发送", A::StopDebugSend, ""},
    {"stop sending debug data", A::StopDebugSend, ""},
    {"开始发送调试数据", A::StartDebugSend, ""},
    {"start sending", A::StartDebugSend, ""},
    {"清除故障", A::ClearFault, ""},
    {"clear the motor faults", A::ClearFault, ""},
    {"更新调试数据", A::UpdateDebugData, ""},
    {"update the debug data", A::UpdateDebugData, ""},
    {"读取电机ID", A::ReadId, ""},
    {"read the motor IDs", A::ReadId, ""},
    {"写入ID", A::WriteId, ""},
    {"write the IDs", A::WriteId, ""},
    {"刷新USB设备", A::RefreshDevices, ""},
    {"refresh the USB devices", A::RefreshDevices, ""},
    {"应用配置", A::ApplyFdcanConfig, ""},
    {"apply the adapter configuration", A::ApplyFdcanConfig, ""},
    {"开始编码器标定", A::Calibrate, ""},
    {"calibrate the encoder", A::Calibrate, ""},
    {"读一下版本", A::ReadVersion, ""},
    {"read the firmware version", A::ReadVersion, ""},
    {"给电机做一下质量分析", A::QualityAnalysis, ""},
    {"run the quality check on the motor", A::QualityAnalysis, ""},
    {"切换为CAN2.0", A::SwitchToCan20, ""},
    {"switch to classic CAN", A::SwitchToCan20, ""},
    {"切换到CAN FD", A::SwitchToFdcan, ""},
    {"use FDCAN", A::SwitchToFdcan, ""},
    {"速度单位改为rad/s", A::SwitchToRadPerSecond, ""},
    {"switch to rad/s", A::SwitchToRadPerSecond, ""},
    {"切换为RPM", A::SwitchToRpm, ""},
    {"show the speed in RPM", A::SwitchToRpm, ""},
    {"显示改为ASCII", A::SwitchToAscii, ""},
    {"switch the terminal to ASCII", A::SwitchToAscii, ""},
    {"切换成十六进制显示", A::SwitchToHex, ""},
    {"switch to hex", A::SwitchToHex, ""},
    {"切换到MIT模式", A::SelectMitTab, ""},
    {"switch to MIT mode", A::SelectMitTab, ""},
    {"进入位置模式", A::SelectPositionTab, ""},
    {"go to position mode", A::SelectPositionTab, ""},
    {"切换为速度模式", A::SelectVelocityTab, ""},
    {"switch to velocity mode", A::SelectVelocityTab, ""},
    {"用PVT模式", A::SelectPvtTab, ""},
    {"use PVT mode", A::SelectPvtTab, ""},

    {"串口波特率设为115200", A::SetSerialBaud, "115200"},
    {"set the serial baud rate to 921600", A::SetSerialBaud, "921600"},
    {"CAN波特率改成500K", A::SetCanBaud, "500K"},
    {"set the CAN baud rate to 1000000", A::SetCanBaud, "1M"},
    {"set the CAN baud rate to 1,000,000", A::SetCanBaud, "1M"},
    {"数据域波特率设置为2M", A::SetDataBaud, "2M"},
    {"set the data baud rate to 5 Mbps", A::SetDataBaud, "5M"},
    {"仲裁域波特率设为1M", A::SetArbitrationBaud, "1M"},
    {"set the arbitration baud rate to 500 kbps", A::SetArbitrationBaud, "500K"},
    {"把位置设为1.5", A::SetPosition, "1.5"},
    {"set the position to 1.5", A::SetPosition, "1.5"},
    {"位置 -3.14", A::SetPosition, "-3.14"},
    {"position = .5", A::SetPosition, "0.5"},
    {"速度设为10", A::SetVelocity, "10"},
    {"set the velocity to -2", A::SetVelocity, "-2"},
    {"KP设为20", A::SetKp, "20"},
    {"set kp to 20", A::SetKp, "20"},
    {"把KD改成0.5", A::SetKd, "0.5"},
    {"set kd to 0.5", A::SetKd, "0.5"},
    {"转矩设为1.2", A::SetTorque, "1.2"},
    {"set the torque to 1.2", A::SetTorque, "1.2"},
    {"电流设为3", A::SetCurrent, "3"},
    {"set the current to 3", A::SetCurrent, "3"},
    {"极对数设为14", A::SetPolePairs, "14"},
    {"set the pole pairs to 14", A::SetPolePairs, "14"},
    {"减速比设为9", A::SetGearRatio, "9"},
    {"set the gear ratio to 9", A::SetGearRatio, "9"},
    {"过流保护设为30", A::SetOverCurrent, "30"},
    {"set the over-current limit to 30", A::SetOverCurrent, "30"},
    {"欠压保护值设为18", A::SetUnderVoltage, "18"},
    {"set under voltage to 18", A::SetUnderVoltage, "18"},
    {"过压设为60", A::SetOverVoltage, "60"},
    {"set overvoltage to 60", A::SetOverVoltage, "60"},
    {"过温保护设为80", A::SetOverTemperature, "80"},
    {"set the over temperature limit to 80", A::SetOverTemperature, "80"},
    {"加速度设为100", A::SetAcceleration, "100"},
    {"set the acceleration to 100", A::SetAcceleration, "100"},
    {"减速度设为50", A::SetDeceleration, "50"},
    {"set deceleration to 50", A::SetDeceleration, "50"},
    {"限速设为30", A::SetSpeedLimit, "30"},
    {"set the speed limit to 30", A::SetSpeedLimit, "30"},
    {"电流环增强系数设为0.8", A::SetCurrentLoopGain, "0.8"},
    {"set the current loop gain to 0.8", A::SetCurrentLoopGain, "0.8"},
    {"速度环增强系数设为0.6", A::SetSpeedLoopGain, "0.6"},
    {"set the speed loop gain to 0.6", A::SetSpeedLoopGain, "0.6"},
    {"速度环滤波带宽设为200", A::SetSpeedFilterBandwidth, "200"},
    {"set the speed filter bandwidth to 200", A::SetSpeedFilterBandwidth, "200"},
    {"CAN ID设为0x10", A::SetCanId, "16"},
    {"set the CAN ID to 5", A::SetCanId, "5"},
    {"MASTER ID设为0", A::SetMasterId, "0x0"},
    {"set the master id to 0x7F", A::SetMasterId, "0x7f"},
    {"CAN超时设为100", A::SetCanTimeout, "100"},
    {"set the CAN timeout to 100", A::SetCanTimeout, "100"},
    {"电机波特率设为1M", A::SetCanBr, "1M"},
    {"set can_br to 500k", A::SetCanBr, "500K"},
    {"PMAX设为12.5", A::SetPmax, "12.5"},
    {"set pmax to 12.5", A::SetPmax, "12.5"},
    {"VMAX设为30", A::SetVmax, "30"},
    {"set vmax to 30", A::SetVmax, "30"},
    {"TMAX设为10", A::SetTmax, "10"},
    {"set the maximum torque to 10", A::SetTmax, "10"},
    {"KT_OUT设为0.1", A::SetKtOut, "0.1"},
    {"set kt_out to 0.1", A::SetKtOut, "0.1"},
    {"齿轮系数设为1.5", A::SetGearFactor, "1.5"},
    {"set the gear factor to 1.5", A::SetGearFactor, "1.5"},
    {"阻尼因子设为0.02", A::SetDampingFactor, "0.02"},
    {"set the damping factor to 0.02", A::SetDampingFactor, "0.02"},
    {"电机设置为MIT模式", A::SetModeMit, ""},
    {"set the motor to MIT mode", A::SetModeMit, ""},
    {"把电机控制模式设为位置速度模式", A::SetModePositionVelocity, ""},
    {"set the motor control mode to position velocity", A::SetModePositionVelocity, ""},
    {"电机设为速度模式", A::SetModeVelocity, ""},
    {"set the motor to velocity mode", A::SetModeVelocity, ""},
    {"控制模式参数改为PVT", A::SetModePvt, ""},
    {"set the motor's control mode to pvt", A::SetModePvt, ""},
    {"速度环KP设为3", A::SetSpeedKp, "3"},
    {"set the speed kp to 3", A::SetSpeedKp, "3"},
    {"速度KI设为0.1", A::SetSpeedKi, "0.1"},
    {"set the velocity loop ki to 0.1", A::SetSpeedKi, "0.1"},
    {"位置环KP设为8", A::SetPositionKp, "8"},
    {"set the position kp to 8", A::SetPositionKp, "8"},
    {"位置KI设为0.05", A::SetPositionKi, "0.05"},
    {"set the position loop ki to 0.05", A::SetPositionKi, "0.05"},
};

bool hasChinese(const QString &s)
{
    for (QChar c : s) {
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    }
    return false;
}

// The rows a reply would trigger, in the order the tool would run them.
QList<ChatCommandMatch> commandsIn(const QString &reply)
{
    QList<ChatCommandMatch> out;
    for (const QString &s : splitIntoSentences(reply)) {
        if (const ChatCommandMatch m = matchChatCommand(s))
            out << m;
    }
    return out;
}

struct KbEntry {
    QStringList questions;
    QString zh;
    QString en;
};

QList<KbEntry> readKnowledgeBase(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QList<KbEntry> entries;
    KbEntry e;
    QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    lines << QString(); // ends the last entry
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith('#'))
            continue;
        if (line.isEmpty()) {
            if (!e.questions.isEmpty())
                entries << e;
            e = KbEntry();
        } else if (line.startsWith("Q:")) {
            e.questions << line.mid(2).trimmed();
        } else if (line.startsWith("A:")) {
            e.zh = line.mid(2).trimmed();
        } else if (line.startsWith("EN:")) {
            e.en = line.mid(3).trimmed();
        }
    }
    return entries;
}

class Bot
{
public:
    explicit Bot(const QStringList &args = {})
    {
        process.start(kProgram, args);
        started = process.waitForStarted(30000);
    }
    ~Bot()
    {
        process.closeWriteChannel();
        if (!process.waitForFinished(5000))
            process.kill();
    }
    // One message, one answer line.
    QString ask(const QString &message)
    {
        process.write(QStringToGBK(message + "\n"));
        while (!buffer.contains('\n')) {
            if (!process.waitForReadyRead(10000))
                return QStringLiteral("<no answer>");
            buffer += process.readAllStandardOutput();
        }
        const int end = int(buffer.indexOf('\n'));
        const QByteArray line = buffer.left(end);
        buffer.remove(0, end + 1);
        return QByteArrayToQString(line);
    }

    QProcess process;
    QByteArray buffer;
    bool started = false;
};

} // namespace

class TestAssistant : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void requests_data();
    void requests();
    void everyRowAskedForInBothLanguages();
    void severalRequestsInOneMessage_data();
    void severalRequestsInOneMessage();
    void noCommand_data();
    void noCommand();
    void knowledgeBase_data();
    void knowledgeBase();
    void answerTopics_data();
    void answerTopics();
    void unsafeEntryDropped();
    void endOfInput();

private:
    std::unique_ptr<Bot> m_bot;
};

void TestAssistant::initTestCase()
{
    QVERIFY2(QFileInfo(kProgram).isExecutable(), qPrintable(kProgram));
    m_bot = std::make_unique<Bot>();
    QVERIFY(m_bot->started);
}

void TestAssistant::cleanupTestCase()
{
    // The shipped knowledge base and every answer above passed without a complaint.
    const QString err = QString::fromLocal8Bit(m_bot->process.readAllStandardError());
    QVERIFY2(err.isEmpty(), qPrintable(err));
    m_bot.reset();
}

void TestAssistant::requests_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("value");
    for (const Request &r : kRequests)
        QTest::newRow(r.text) << QString::fromUtf8(r.text) << int(r.action) << QString::fromUtf8(r.value);
}

void TestAssistant::requests()
{
    QFETCH(QString, request);
    QFETCH(int, action);
    QFETCH(QString, value);
    const QString reply = m_bot->ask(request);
    const QList<ChatCommandMatch> commands = commandsIn(reply);
    QVERIFY2(commands.size() == 1, qPrintable(reply));
    QCOMPARE(int(commands.first().command->action), action);
    QCOMPARE(commands.first().value, value);
    // The command sentence is followed by a word for the user, in the user's language.
    const QStringList sentences = splitIntoSentences(reply);
    QVERIFY2(sentences.size() >= 2, qPrintable(reply));
    QCOMPARE(hasChinese(sentences.last()), hasChinese(request));
}

void TestAssistant::everyRowAskedForInBothLanguages()
{
    QSet<QPair<int, bool>> asked;
    for (const Request &r : kRequests)
        asked.insert(qMakePair(int(r.action), hasChinese(QString::fromUtf8(r.text))));
    for (const ChatCommand &c : chatCommandTable()) {
        QVERIFY2(asked.contains(qMakePair(int(c.action), true)), qPrintable(c.phrase));
        QVERIFY2(asked.contains(qMakePair(int(c.action), false)), qPrintable(c.phrase));
    }
}

void TestAssistant::severalRequestsInOneMessage_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<QStringList>("expected"); // phrase=value per command, in order
    QTest::newRow("en") << QString("enable the motor and then switch to velocity mode")
                        << QStringList{"电机使能=", "切换为速度模式="};
    QTest::newRow("zh values then send") << QString("把KP设为5，KD设为0.5，然后发送调试数据")
                                         << QStringList{"KP设置=5", "KD设置=0.5", "发送电机调试数据="};
    QTest::newRow("one refused, one done") << QString("set the CAN baud rate to 7M and read the parameters")
                                           << QStringList{"读参数="};
    QTest::newRow("one negated") << QString("read the parameters but don't write them")
                                 << QStringList{"读参数="};
}

void TestAssistant::severalRequestsInOneMessage()
{
    QFETCH(QString, request);
    QFETCH(QStringList, expected);
    const QString reply = m_bot->ask(request);
    QStringList got;
    for (const ChatCommandMatch &m : commandsIn(reply))
        got << m.command->phrase + "=" + m.value;
    QVERIFY2(got == expected, qPrintable(reply));
}

void TestAssistant::noCommand_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("says");
    QTest::newRow("missing value") << QString("set the position") << QString("What value");
    QTest::newRow("missing value zh") << QString("把位置设为") << QString("多少");
    QTest::newRow("missing baud") << QString("set the CAN baud rate") << QString("What value");
    QTest::newRow("baud not offered") << QString("set the CAN baud rate to 7M") << QString("must be one of");
    QTest::newRow("fraction of pole pairs") << QString("set pole pairs to 7.5") << QString("whole number");
    QTest::newRow("decimal comma") << QString("set the position to 1,5") << QString("decimal point");
    QTest::newRow("id too large") << QString("set the CAN ID to 5000") << QString("0x7FF");
    QTest::newRow("how-to question") << QString("how do I enable the motor?") << QString("enable button");
    QTest::newRow("how-to zh") << QString("如何打开串口？") << QString("COM口");
    QTest::newRow("question naming a command") << QString("怎么校准编码器") << QString("标定");
    QTest::newRow("negated") << QString("don't enable the motor") << QString("won't");
    QTest::newRow("negated zh") << QString("不要使能电机") << QString("不执行");
    QTest::newRow("unknown") << QString("what's the weather like today?") << QString("don't know");
    QTest::newRow("unknown zh") << QString("今天天气怎么样") << QString("不知道");
    QTest::newRow("a field named only") << QString("the position") << QString("position");
    QTest::newRow("greeting") << QString("你好") << QString("Zeka");
    QTest::newRow("greeting en") << QString("hello there") << QString("Zeka");
}

void TestAssistant::noCommand()
{
    QFETCH(QString, request);
    QFETCH(QString, says);
    const QString reply = m_bot->ask(request);
    QVERIFY2(commandsIn(reply).isEmpty(), qPrintable(reply));
    QVERIFY2(reply.contains(says), qPrintable(reply));
}

void TestAssistant::knowledgeBase_data()
{
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("answer");
    const QList<KbEntry> entries = readKnowledgeBase(kKnowledgeBase);
    QVERIFY(entries.size() >= 20);
    for (const KbEntry &e : entries) {
        // The answers themselves must never make the tool act.
        QVERIFY2(commandsIn(e.zh).isEmpty(), qPrintable(e.zh));
        QVERIFY2(commandsIn(e.en).isEmpty(), qPrintable(e.en));
        for (const QString &q : e.questions)
            QTest::newRow(qPrintable(q)) << q << (hasChinese(q) ? e.zh : e.en);
    }
}

void TestAssistant::knowledgeBase()
{
    QFETCH(QString, question);
    QFETCH(QString, answer);
    const QString reply = m_bot->ask(question);
    QCOMPARE(reply, answer);
}

// Questions put in other words than the knowledge base's reach the answer on their topic,
// not a neighbour sharing a word ("波特率", "ID").
void TestAssistant::answerTopics_data()
{
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("topic"); // a phrase of the right answer
    QTest::newRow("set ID, Chinese") << "怎么设置电机ID？" << "只有一台电机应答时";
    QTest::newRow("set ID, English") << "how do I set the ID of a motor" << "only when exactly one motor answers";
    QTest::newRow("CAN bit rate, English") << "How do I change the CAN bit rate?" << "The motor's CAN bit rate";
    QTest::newRow("CAN bit rate, Chinese") << "如何修改CAN波特率" << "电机的CAN波特率";
    QTest::newRow("motor bit rate") << "电机波特率怎么改" << "电机的CAN波特率";
    QTest::newRow("serial rate") << "串口波特率选多少" << "921600";
    QTest::newRow("error code 8") << "error code 8" << "supply over-voltage";
    QTest::newRow("error 0x0a, Chinese") << "错误码 0x0a 是什么" << "过流";
    QTest::newRow("error 13 in a sentence") << "what does error code 13 mean" << "communication lost";
    QTest::newRow("error 12 reported") << "电机报错误码12" << "电机过温";
    QTest::newRow("replay") << "回放会发送什么" << "默认只发送记录为发送";
}

void TestAssistant::answerTopics()
{
    QFETCH(QString, question);
    QFETCH(QString, topic);
    const QString reply = m_bot->ask(question);
    QVERIFY2(reply.contains(topic), qPrintable(reply));
}

void TestAssistant::unsafeEntryDropped()
{
    QTemporaryDir dir;
    const QString kb = dir.filePath("kb.txt");
    QFile f(kb);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("Q: 参数怎么读\nA: 直接读参数就好。\nEN: Just read them.\n\n"
            "Q: 端口在哪里\nA: 在左边。\nEN: On the left.\n\nQ: orphan question\n");
    f.close();

    Bot bot({"--kb", kb});
    QVERIFY(bot.started);
    QCOMPARE(bot.ask("端口在哪里"), QString("在左边。"));
    const QString reply = bot.ask("参数怎么读");
    QVERIFY2(commandsIn(reply).isEmpty(), qPrintable(reply));
    QVERIFY(reply.contains("不知道"));
    const QString err = QString::fromLocal8Bit(bot.process.readAllStandardError());
    QVERIFY2(err.contains("dropped") && err.contains("参数怎么读"), qPrintable(err));
    QVERIFY2(err.contains("without question or answer"), qPrintable(err));
}

void TestAssistant::endOfInput()
{
    Bot bot({"--kb", "/nonexistent/kb.txt"});
    QVERIFY(bot.started);
    // Without its knowledge base it still carries out requests and says what is missing.
    QCOMPARE(commandsIn(bot.ask("enable the motor")).size(), 1);
    bot.process.closeWriteChannel();
    QVERIFY(bot.process.waitForFinished(10000));
    QCOMPARE(bot.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(bot.process.exitCode(), 0);
    QVERIFY(QString::fromLocal8Bit(bot.process.readAllStandardError()).contains("cannot read the knowledge base"));
}

QTEST_GUILESS_MAIN(TestAssistant)
#include "tst_assistant.moc"
