#include "assistant.h"

#include "chat/commandTable.h"
#include "chat/sentenceSplit.h"
#include "intents.h"

#include <QRegularExpression>

namespace {

QString tr2(bool chinese, const char *zh, const char *en)
{
    return chinese ? QString::fromUtf8(zh) : QString::fromUtf8(en);
}

bool isGreeting(const QString &m)
{
    static const QRegularExpression re(QString::fromUtf8(
        "^(?:hi|hello|hey|good (?:morning|afternoon|evening)|你好|您好|嗨|哈喽|早上好|下午好|晚上好)"
        "(?: there| everyone| zeka| assistant|呀|啊)?[\\s!.,。！，~]*$"));
    return re.match(m).hasMatch();
}

bool isThanks(const QString &m)
{
    static const QRegularExpression re(QString::fromUtf8(
        "^(?:thanks|thank you|thx|ok|okay|好的|谢谢|多谢|感谢|收到)[\\s!.,。！，~a-z]*$"));
    return re.match(m).hasMatch();
}

} // namespace

Assistant::Assistant(KnowledgeBase kb) : m_kb(std::move(kb)) {}

QStringList Assistant::takeDiagnostics()
{
    QStringList d = m_diagnostics;
    m_diagnostics.clear();
    return d;
}

bool Assistant::triggersCommand(const QString &text)
{
    for (const QString &sentence : splitIntoSentences(text)) {
        if (matchChatCommand(sentence))
            return true;
    }
    return false;
}

QString Assistant::safe(const QString &text, bool chinese)
{
    if (!triggersCommand(text))
        return text;
    m_diagnostics << QString("reply withheld, it would trigger a command: %1").arg(text);
    return tr2(chinese, "好的。", "OK.");
}

QString Assistant::answer(const QString &message)
{
    const QString text = message.trimmed();
    if (text.isEmpty())
        return QString();
    const bool chinese = containsChinese(text);
    const QString norm = normalizeText(text);

    if (isGreeting(norm))
        return safe(tr2(chinese,
                        "你好！我是Zeka助手。你可以问我这个调试工具怎么用，也可以让我替你操作，"
                        "例如“使能电机”“把位置设为1.5”“切换到速度模式”。",
                        "Hello! I'm the Zeka assistant. Ask me how to use the tool, or ask me to operate it, "
                        "for example \"enable the motor\", \"set the position to 1.5\" or \"switch to velocity mode\"."),
                    chinese);
    if (isThanks(norm))
        return safe(tr2(chinese, "不客气，还有什么需要帮忙的吗？", "You're welcome. Anything else?"), chinese);

    const bool question = isQuestion(norm);
    if (question)
        return fromKnowledgeBase(text, chinese);

    QStringList confirmations;
    QStringList replies;
    QList<ChatAction> done;
    for (const QString &clause : splitClauses(norm)) {
        const Intent intent = recogniseIntent(clause);
        if (!intent.rule)
            continue;
        if (isNegated(clause)) {
            replies << tr2(chinese, "好的，这一项我不执行。", "OK, I won't do that.");
            continue;
        }
        const ChatCommand *row = chatCommandFor(intent.rule->action);
        if (!row) {
            m_diagnostics << QString("no table row for an intent (%1)").arg(int(intent.rule->action));
            continue;
        }
        if (intent.rule->kind == ValueKind::None) {
            if (done.contains(row->action))
                continue;
            done << row->action;
            confirmations << chatConfirmation(*row);
            replies << (chinese ? intent.rule->zhName : intent.rule->enName);
            continue;
        }
        switch (intent.value.status) {
        case ParsedValue::Missing:
            replies << (chinese ? QString("%1要设为多少？请告诉我具体数值。").arg(intent.rule->zhName)
                                : QString("What value should the %1 get? Please tell me the number.")
                                      .arg(intent.rule->enName));
            break;
        case ParsedValue::Invalid:
            replies << (chinese ? intent.value.zhHint : intent.value.enHint);
            break;
        case ParsedValue::Ok:
            confirmations << chatConfirmation(*row, intent.value.value);
            replies << (chinese ? QString("好的，%1已填为%2，发送或写入后生效。").arg(intent.rule->zhName, intent.value.value)
                                : QString("The %1 field now holds %2; it takes effect once sent or written.")
                                      .arg(intent.rule->enName, intent.value.value));
            break;
        }
    }

    if (confirmations.isEmpty() && replies.isEmpty())
        return fromKnowledgeBase(text, chinese);

    // The command sentences come first: each ends with "!", so whatever follows can
    // never run into them, whatever punctuation the reply uses.
    QString out = confirmations.join(' ');
    const QString human = safe(replies.join(chinese ? QString() : QStringLiteral(" ")), chinese);
    if (!human.isEmpty())
        out += (out.isEmpty() ? QString() : QStringLiteral(" ")) + human;
    return out;
}

QString Assistant::fromKnowledgeBase(const QString &message, bool chinese)
{
    const KnowledgeBase::Hit hit = m_kb.find(message);
    if (hit.entry >= 0) {
        const KnowledgeBase::Entry &e = m_kb.entry(hit.entry);
        QString a = chinese ? e.zhAnswer : e.enAnswer;
        if (a.isEmpty())
            a = chinese ? e.enAnswer : e.zhAnswer;
        return safe(a, chinese);
    }
    return tr2(chinese,
               "抱歉，这个我还不知道。你可以换个说法，或者问我这个工具某个功能怎么用。",
               "Sorry, I don't know that. Try other words, or ask me how to use a feature of the tool.");
}
