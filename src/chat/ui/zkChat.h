#pragma once

#include <QByteArray>
#include <QDialog>
#include <QProcess>
#include <QElapsedTimer>
#include <QString>

#include "log/logBudget.h"

#include <memory>

class QPushButton;
class QTextDecoder;
class QTextEdit;
class QTimer;
class CustomPlainTextEdit;

// The assistant chat window. It starts the assistant program once, when it is built,
// sends it one GBK line per user message and shows its answers; every sentence of an
// answer is emitted as invokeQtFunction so that the main window can act on it.
//
// Which program runs: the environment variable ZKTOOL_ASSISTANT, when set, names it by
// full path and wins (a user who sets it means it); otherwise "retrieval_chatbot.exe"
// beside the tool's own executable. The program is never looked up on PATH or in the
// current directory, and no shell is involved.
class ZKChat : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char *kProgramName = "retrieval_chatbot.exe";
    static constexpr const char *kProgramEnv = "ZKTOOL_ASSISTANT";
    static constexpr int kStartTimeoutMs = 30000;
    static constexpr int kWriteTimeoutMs = 30000;
    // How long an answer that stops mid-sentence waits for the rest.
    static constexpr int kPartialAnswerWaitMs = 500;
    // An answer that never ends is not held without limit: beyond this many characters
    // what is held counts as complete. Of one answer at most kMaxSentencesPerAnswer
    // sentences are acted on and kMaxShownChars characters shown; the transcript keeps
    // its newest kMaxTranscriptEntries entries.
    static constexpr int kMaxHeldChars = 32 * 1024;
    static constexpr int kMaxSentencesPerAnswer = 32;
    static constexpr int kMaxShownChars = 4000;
    static constexpr int kMaxTranscriptEntries = 1000;
    // Standard error reaches the log cut to kMaxLoggedErrorBytes per chunk and
    // kMaxLoggedBytesPerSecond per second.
    static constexpr int kMaxLoggedErrorBytes = 1024;
    static constexpr int kMaxLoggedBytesPerSecond = 16 * 1024;

    explicit ZKChat(QWidget *parent = nullptr);
    ~ZKChat() override;

    // The program the window starts; empty with a reason in *error when none is allowed.
    static QString assistantProgram(QString *error = nullptr);

    // Called by the main window when it closes: terminate the assistant, then kill it and
    // wait up to 1000 ms if it is still running.
    void stopProcess();

    QProcess *process() const { return m_process; }
    QTextEdit *transcript() const { return m_transcript; }
    CustomPlainTextEdit *input() const { return m_input; }
    QPushButton *sendButton() const { return m_sendButton; }

    // A line of the tool's own in the transcript: what a command did, or why not.
    void appendNote(const QString &text);

signals:
    void invokeQtFunction(const QString &functionName);
    // The user typed a stop ("停止", "stop"): the tool stops everything at once.
    void stopAllRequested();

public slots:
    void sendMessage();
    void handleResponse();
    void processFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void newLine();

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void handleError();
    void flushResponse();
    // Acts on one complete piece of an answer; `cut` when it was cut at kMaxHeldChars.
    void takeAnswer(const QString &text, bool cut);
    void appendEntry(const QString &speaker, const QString &text);

    QTextEdit *m_transcript = nullptr;
    CustomPlainTextEdit *m_input = nullptr;
    QPushButton *m_sendButton = nullptr;
    QProcess *m_process = nullptr;
    QTimer *m_partialTimer = nullptr;
    // Stateful, so that a character split between two reads is decoded whole.
    std::unique_ptr<QTextDecoder> m_outDecoder;
    std::unique_ptr<QTextDecoder> m_errDecoder;
    QString m_pending;
    bool m_stopping = false;
    // The answer under way: a cut answer goes on in the next pieces until one ends.
    bool m_answerGoesOn = false;
    int m_answerSentences = 0;
    int m_answerShown = 0;
    bool m_answerReported = false;
    QElapsedTimer m_clock;
    LogBudget m_errorLog{kMaxLoggedErrorBytes, kMaxLoggedBytesPerSecond};
    LogBudget m_answerLog{256, 1024};
};
