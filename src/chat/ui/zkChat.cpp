#include "chat/ui/zkChat.h"

#include "chat/sentenceSplit.h"
#include "link/serial/textHelpers.h"
#include "log/log.h"
#include "widgets/customPlainTextEdit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QTextCodec>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr const char *kSource = "ZKChat";

QTextDecoder *makeGbkDecoder()
{
    QTextCodec *codec = QTextCodec::codecForName("GBK");
    if (!codec)
        codec = QTextCodec::codecForName("UTF-8");
    return codec->makeDecoder();
}

bool isSentenceMark(QChar c)
{
    switch (c.unicode()) {
    case 0x3002: case 0xFF1F: case 0xFF01: case 0xFF1B: case 0xFF0C: case '!': case '?': case ';':
        return true;
    default:
        return false;
    }
}

bool endsAnswer(const QString &text)
{
    if (text.endsWith(QLatin1Char('\n')))
        return true;
    const QString t = text.trimmed();
    return !t.isEmpty() && isSentenceMark(t.back());
}

// Where to cut held output that has grown past `limit`: after the last line break or
// sentence mark within the limit, so that no sentence is acted on by halves; at the
// limit when there is none.
qsizetype heldCut(QStringView text, qsizetype limit)
{
    for (qsizetype i = limit - 1; i > 0; --i) {
        if (text[i] == QLatin1Char('\n') || isSentenceMark(text[i]))
            return i + 1;
    }
    return limit;
}

} // namespace

// The widget library is static: without this the linker may leave its resources out.
static void initChatResources()
{
    static const bool once = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(once);
}

ZKChat::ZKChat(QWidget *parent)
    : QDialog(parent), m_outDecoder(makeGbkDecoder()), m_errDecoder(makeGbkDecoder())
{
    initChatResources();
    setMinimumSize(600, 400);

    m_transcript = new QTextEdit(this);
    m_transcript->setObjectName("chatTranscript");
    m_transcript->setReadOnly(true);
    m_transcript->document()->setMaximumBlockCount(kMaxTranscriptEntries);

    m_input = new CustomPlainTextEdit(this);
    m_input->setObjectName("chatInput");
    m_input->setMaximumHeight(88);

    m_sendButton = new QPushButton(QIcon(":/source/send-plane.png"), QString(), this);
    m_sendButton->setObjectName("chatSendButton");
    m_sendButton->setMaximumHeight(68);

    auto *row = new QHBoxLayout;
    row->addWidget(m_input);
    row->addWidget(m_sendButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_transcript);
    layout->addLayout(row);

    retranslate();
    m_clock.start();
    connect(m_sendButton, &QPushButton::clicked, this, &ZKChat::sendMessage);
    connect(m_input, &CustomPlainTextEdit::returnPressed, this, &ZKChat::sendMessage);
    connect(m_input, &CustomPlainTextEdit::shiftReturnPressed, this, &ZKChat::newLine);

    m_partialTimer = new QTimer(this);
    m_partialTimer->setSingleShot(true);
    m_partialTimer->setInterval(kPartialAnswerWaitMs);
    connect(m_partialTimer, &QTimer::timeout, this, &ZKChat::flushResponse);

    m_process = new QProcess(this);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &ZKChat::handleResponse);
    connect(m_process, &QProcess::readyReadStandardError, this, &ZKChat::handleError);
    connect(m_process, &QProcess::finished, this, &ZKChat::processFinished);

    QString reason;
    const QString program = assistantProgram(&reason);
    bool started = false;
    if (!program.isEmpty()) {
        m_process->setProgram(program);
        m_process->setArguments({});
        // Its own folder, so that it finds the files it ships with; a folder that does
        // not exist would hide the real reason (the program is missing) behind chdir.
        const QString folder = QFileInfo(program).absolutePath();
        if (QFileInfo(folder).isDir())
            m_process->setWorkingDirectory(folder);
        m_process->start(QIODevice::ReadWrite);
        started = m_process->waitForStarted(kStartTimeoutMs);
        reason = m_process->errorString();
    }
    if (started) {
        Logger::info("Zeka智能chat已启动，请输入内容开始对话...", kSource);
    } else {
        Logger::error("错误: 无法启动Python进程!", kSource);
        Logger::error("错误信息: " + reason, kSource);
    }
}

ZKChat::~ZKChat()
{
    stopProcess();
}

QString ZKChat::assistantProgram(QString *error)
{
    const QString fromEnv = qEnvironmentVariable(kProgramEnv);
    if (!fromEnv.isEmpty()) {
        // A relative name would be resolved against the current directory or PATH.
        if (QDir::isRelativePath(fromEnv)) {
            if (error)
                *error = QString("%1 必须是完整路径: %2").arg(kProgramEnv, fromEnv);
            return QString();
        }
        return QDir::cleanPath(fromEnv);
    }
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(kProgramName);
}

void ZKChat::sendMessage()
{
    const QString text = m_input->toPlainText().trimmed();
    if (text.isEmpty())
        return;
    appendEntry(tr("我:"), text);
    m_input->clear();

    if (m_process->state() != QProcess::Running) {
        m_transcript->append(tr("错误: Python进程未运行!").toHtmlEscaped());
        return;
    }
    // One message is one line for the assistant: a line break typed with Shift+Return
    // must not turn it into two messages.
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line += QLatin1Char('\n');
    QByteArray bytes = QStringToGBK(line);
    if (bytes.isEmpty())
        bytes = line.toUtf8();
    m_process->write(bytes);
    m_process->waitForBytesWritten(kWriteTimeoutMs);
}

void ZKChat::handleResponse()
{
    m_pending += m_outDecoder->toUnicode(m_process->readAllStandardOutput());
    // Output that never ends a sentence is not held without limit. A read of many
    // megabytes is cut into pieces and shortened once, not once per piece; the pieces
    // are acted on after that, when what is held is consistent again.
    QStringList pieces;
    qsizetype from = 0;
    while (m_pending.size() - from > kMaxHeldChars) {
        const qsizetype cut = heldCut(QStringView(m_pending).mid(from), kMaxHeldChars);
        pieces.append(m_pending.mid(from, cut));
        from += cut;
    }
    m_pending.remove(0, from);
    for (const QString &piece : std::as_const(pieces))
        takeAnswer(piece, true);
    // An answer normally ends with a line break or a sentence mark. Anything else may
    // be cut between two reads; acting on half of "...设置为1.5!" would set 1.
    if (endsAnswer(m_pending))
        flushResponse();
    else if (!m_pending.isEmpty())
        m_partialTimer->start();
}

void ZKChat::flushResponse()
{
    m_partialTimer->stop();
    const QString text = m_pending;
    m_pending.clear();
    takeAnswer(text, false);
}

void ZKChat::takeAnswer(const QString &raw, bool cut)
{
    const QString text = raw.trimmed();
    const bool continued = m_answerGoesOn;
    if (!continued) {
        m_answerSentences = 0;
        m_answerShown = 0;
        m_answerReported = false;
    }
    m_answerGoesOn = cut;
    if (text.isEmpty())
        return;

    if (m_answerShown < kMaxShownChars) {
        const int room = kMaxShownChars - m_answerShown;
        QString shown = text.left(room);
        m_answerShown += int(shown.size());
        if (text.size() > room)
            shown += tr("…（回答过长，其余部分未显示）");
        if (continued)
            appendEntry(QString(), shown);
        else
            appendEntry(QStringLiteral("zekaChat:"), shown);
    }

    const QStringList sentences = splitIntoSentences(text);
    const int room = std::max(kMaxSentencesPerAnswer - m_answerSentences, 0);
    const int acted = std::min(int(sentences.size()), room);
    if ((cut || sentences.size() > room) && !m_answerReported) {
        // Once per answer, however long it goes on.
        m_answerReported = true;
        const QString note = m_answerLog.admit(
            QString("助手回答过长（超过 %1 字符或 %2 句）：按段处理，只执行前 %2 句")
                .arg(kMaxHeldChars)
                .arg(kMaxSentencesPerAnswer),
            m_clock.elapsed());
        if (!note.isNull())
            Logger::warning(note, kSource);
    }
    m_answerSentences += acted;
    for (int i = 0; i < acted; ++i)
        emit invokeQtFunction(sentences.at(i));
}

void ZKChat::handleError()
{
    const QString text = m_errDecoder->toUnicode(m_process->readAllStandardError()).trimmed();
    if (text.isEmpty())
        return;
    const QString line = m_errorLog.admit(text, m_clock.elapsed());
    if (!line.isNull())
        Logger::error("Python脚本错误详情：" + line, kSource);
}

void ZKChat::retranslate()
{
    setWindowTitle(tr("Zeka智能chat"));
    m_transcript->setPlaceholderText(tr("对话内容将显示在这里..."));
    m_input->setPlaceholderText(tr("输入消息..."));
    m_sendButton->setText(tr("发送"));
}

void ZKChat::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void ZKChat::processFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    // Whatever the assistant said last still counts.
    handleResponse();
    flushResponse();
    handleError();

    if (m_stopping)
        Logger::info(QString("Python进程已随窗口关闭而结束，退出代码: %1").arg(exitCode), kSource);
    else if (exitStatus == QProcess::CrashExit)
        Logger::error("Python进程异常终止!", kSource);
    else
        Logger::info(QString("Python进程已正常退出，退出代码: %1").arg(exitCode), kSource);
}

void ZKChat::newLine()
{
    m_input->insertPlainText(QStringLiteral("\n"));
}

void ZKChat::stopProcess()
{
    if (!m_process || m_process->state() == QProcess::NotRunning)
        return;
    m_stopping = true;
    m_process->terminate();
    if (!m_process->waitForFinished(0)) {
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

void ZKChat::appendEntry(const QString &speaker, const QString &text)
{
    // The text is shown as typed or answered, never interpreted as markup.
    QString body = text.toHtmlEscaped();
    body.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    if (speaker.isEmpty())
        m_transcript->append(body);
    else
        m_transcript->append(QStringLiteral("<b>%1</b> %2").arg(speaker.toHtmlEscaped(), body));
}
