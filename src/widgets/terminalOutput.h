#pragma once

#include <QPlainTextEdit>
#include <QStringList>

class QTimer;

// The receive box of the serial terminal. Received text is gathered and written to the
// document a few times a second, so that a flood of console text costs one layout per
// flush instead of one per chunk and the window stays responsive. The box keeps the
// newest kMaxLines lines, and a line longer than kMaxLineChars is broken, so the memory
// it holds stays bounded however long the port runs.
class TerminalOutput : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int kMaxLines = 10000;
    static constexpr int kMaxLineChars = 2000;
    static constexpr int kFlushMs = 50;

    explicit TerminalOutput(QWidget *parent = nullptr);

    // Queues text as one new paragraph (as appendPlainText would add it).
    void appendLine(const QString &text);
    // Writes the queued text now and scrolls to the end.
    void flushPending();
    // Empties the box and drops what is queued.
    void clearAll();
    int pendingLines() const { return int(m_pending.size()); }

private:
    QStringList m_pending;
    QTimer *m_flushTimer = nullptr;
};
