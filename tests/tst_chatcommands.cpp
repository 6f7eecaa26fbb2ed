// Sentence splitting of assistant replies, the phrase table and its matching, and the
// GBK line encoding of the assistant pipe.
#include "chat/commandTable.h"
#include "chat/sentenceSplit.h"
#include "link/serial/textHelpers.h"

#include <QSet>
#include <QtTest>

class TestChatCommands : public QObject
{
    Q_OBJECT

private slots:
    void splitIntoSentences_data();
    void splitIntoSentences();
    void match_data();
    void match();
    void everyRowReachable_data();
    void everyRowReachable();
    void tableShape();
    void gbkRoundTrip_data();
    void gbkRoundTrip();
};

void TestChatCommands::splitIntoSentences_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("sentences");

    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("blank") << QString(" \t\n ") << QStringList();
    QTest::newRow("greeting then value") << QString("你好，已经将位置设置为1.5!")
                                         << QStringList{"你好，", "已经将位置设置为1.5!"};
    QTest::newRow("full-width marks") << QString("一。二？三！四；五，六")
                                      << QStringList{"一。", "二？", "三！", "四；", "五，", "六"};
    QTest::newRow("ascii marks") << QString("a!b?c;d") << QStringList{"a!", "b?", "c;", "d"};
    QTest::newRow("dot and comma keep") << QString("1.5, 2.5. ok") << QStringList{"1.5, 2.5. ok"};
    QTest::newRow("trimmed, lone marks kept") << QString("  a !  ! b  ") << QStringList{"a !", "!", "b"};
    QTest::newRow("line breaks are not marks") << QString("第一行\n第二行!") << QStringList{"第一行\n第二行!"};
    QTest::newRow("ends with mark") << QString("读参数!") << QStringList{"读参数!"};
}

void TestChatCommands::splitIntoSentences()
{
    QFETCH(QString, text);
    QFETCH(QStringList, sentences);
    QCOMPARE(::splitIntoSentences(text), sentences);
}

void TestChatCommands::match_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<int>("action"); // -1: no row
    QTest::addColumn<QString>("value");

    const int none = -1;
    QTest::newRow("value after greeting split") << QString("已经将位置设置为1.5!") << int(ChatAction::SetPosition)
                                                << QString("1.5");
    QTest::newRow("stop before send") << QString("停止发送电机调试数据!") << int(ChatAction::StopDebugSend) << QString();
    QTest::newRow("send") << QString("好的发送电机调试数据!") << int(ChatAction::StartDebugSend) << QString();
    QTest::newRow("read params wins over read id") << QString("先读ID再读参数!") << int(ChatAction::ReadParameters)
                                                   << QString();
    QTest::newRow("no phrase") << QString("你好，很高兴见到你。") << none << QString();
    QTest::newRow("empty") << QString() << none << QString();
    QTest::newRow("case-sensitive") << QString("切换为hex!") << none << QString();
    QTest::newRow("every announcement removed") << QString("已经将位置设置为1.5已经将位置设置为!")
                                                << int(ChatAction::SetPosition) << QString("1.5");
    QTest::newRow("every ! removed") << QString("已经将速度设置为!2!") << int(ChatAction::SetVelocity) << QString("2");
    QTest::newRow("full-width end mark") << QString("已经将位置设置为-0.5！") << int(ChatAction::SetPosition)
                                         << QString("-0.5");
    QTest::newRow("value not a number kept") << QString("已经将KD设置为abc!") << int(ChatAction::SetKd)
                                             << QString("abc");
    QTest::newRow("speed KP not MIT KP") << QString("已经将速度KP设置为3!") << int(ChatAction::SetSpeedKp)
                                         << QString("3");
    QTest::newRow("position KP not MIT KP") << QString("已经将位置KP设置为4!") << int(ChatAction::SetPositionKp)
                                            << QString("4");
    QTest::newRow("MIT KP") << QString("已经将KP设置为5!") << int(ChatAction::SetKp) << QString("5");
    QTest::newRow("over-current announcement") << QString("已经将过流保护值设置为20!")
                                               << int(ChatAction::SetOverCurrent) << QString("20");
    QTest::newRow("acceleration announcement") << QString("已经将加速度参数设置为8!")
                                               << int(ChatAction::SetAcceleration) << QString("8");
    QTest::newRow("current") << QString("已经将电流设置为2.5!") << int(ChatAction::SetCurrent) << QString("2.5");
    QTest::newRow("mode register, no value") << QString("电机设置为速度模式!") << int(ChatAction::SetModeVelocity)
                                             << QString();
    QTest::newRow("mode page") << QString("切换为速度模式!") << int(ChatAction::SelectVelocityTab) << QString();
    QTest::newRow("can2.0 not can") << QString("切换为CAN2.0!") << int(ChatAction::SwitchToCan20) << QString();
}

void TestChatCommands::match()
{
    QFETCH(QString, sentence);
    QFETCH(int, action);
    QFETCH(QString, value);
    const ChatCommandMatch m = matchChatCommand(sentence);
    if (action < 0) {
        QVERIFY2(!m, qPrintable(m ? m.command->phrase : QString()));
        return;
    }
    QVERIFY(m);
    QCOMPARE(int(m.command->action), action);
    QCOMPARE(m.value, value);
}

// Whatever the assistant says to trigger a row must reach that row and no earlier one.
void TestChatCommands::everyRowReachable_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QString>("value");
    const QList<ChatCommand> &table = chatCommandTable();
    for (int i = 0; i < table.size(); ++i) {
        const ChatCommand &c = table.at(i);
        const QString value = c.takesValue() ? QStringLiteral("1.5") : QString();
        QTest::newRow(qPrintable(c.phrase)) << i << chatConfirmation(c, value) << value;
        // The phrase alone, as an assistant might word it, reaches the row too.
        if (c.takesValue())
            QTest::newRow(qPrintable(c.phrase + " phrase")) << i << c.phrase + QStringLiteral("!") << c.phrase;
    }
}

void TestChatCommands::everyRowReachable()
{
    QFETCH(int, row);
    QFETCH(QString, sentence);
    QFETCH(QString, value);
    const ChatCommandMatch m = matchChatCommand(sentence);
    QVERIFY(m);
    QCOMPARE(m.command->phrase, chatCommandTable().at(row).phrase);
    QCOMPARE(m.value, value);
}

void TestChatCommands::tableShape()
{
    const QList<ChatCommand> &table = chatCommandTable();
    QSet<int> actions;
    int valueRows = 0;
    for (const ChatCommand &c : table) {
        QVERIFY2(!actions.contains(int(c.action)), qPrintable(c.phrase));
        actions.insert(int(c.action));
        QCOMPARE(chatCommandFor(c.action), &c);
        if (c.takesValue()) {
            ++valueRows;
            QVERIFY2(c.targetKind != ChatTarget::ComboIndex && c.targetKind != ChatTarget::Switch
                         && c.targetKind != ChatTarget::TabIndex,
                     qPrintable(c.phrase));
        }
        if (c.targetKind != ChatTarget::None)
            QVERIFY2(!c.target.isEmpty(), qPrintable(c.phrase));
    }
    // 34 commands; 40 rows in the value table, of which 4 select the control mode
    // without a value.
    QCOMPARE(table.size(), 34 + 40);
    QCOMPARE(valueRows, 36);
    QCOMPARE(chatCommandFor(ChatAction::SetCanBaud)->comboText("1M"), QString("1Mbps"));
    QCOMPARE(chatCommandFor(ChatAction::SetSerialBaud)->comboText("921600"), QString("921600"));
}

void TestChatCommands::gbkRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("start"); // first bytes of the GBK encoding
    QTest::newRow("command") << QString("电机使能!") << QByteArray("\xB5\xE7\xBB\xFA");
    QTest::newRow("mixed") << QString("已经将位置设置为-1.5! ok？") << QByteArray("\xD2\xD1");
    QTest::newRow("ascii") << QString("set position 1.5\n") << QByteArray("set");
}

void TestChatCommands::gbkRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, start);
    const QByteArray bytes = QStringToGBK(text);
    QVERIFY(bytes.startsWith(start));
    QCOMPARE(QByteArrayToQString(bytes), text);
}

QTEST_GUILESS_MAIN(TestChatCommands)
#include "tst_chatcommands.moc"
