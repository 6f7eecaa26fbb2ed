#include "widgets/terminalOutput.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

TerminalOutput::TerminalOutput(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    // The document drops its oldest lines itself, in one step per flush.
    setMaximumBlockCount(kMaxLines);
    m_flushTimer = new QTimer(this);
    m_flushTimer->setSingleShot(true);
    m_flushTimer->setInterval(kFlushMs);
    connect(m_flushTimer, &QTimer::timeout, this, &TerminalOutput::flushPending);
}

void TerminalOutput::appendLine(const QString &text)
{
    // Lines end where the document would end them: CR LF, CR or LF.
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        const bool end = i == n || text[i] == QLatin1Char('\n') || text[i] == QLatin1Char('\r');
        if (!end)
            continue;
        const QStringView line = QStringView(text).mid(start, i - start);
        qsizetype at = 0;
        do {
            m_pending.append(line.mid(at, kMaxLineChars).toString());
            at += kMaxLineChars;
        } while (at < line.size());
        if (i + 1 < n && text[i] == QLatin1Char('\r') && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    // Only the newest lines can ever be shown.
    if (m_pending.size() > kMaxLines)
        m_pending.remove(0, m_pending.size() - kMaxLines);
    if (!m_flushTimer->isActive())
        m_flushTimer->start();
}

void TerminalOutput::flushPending()
{
    m_flushTimer->stop();
    if (m_pending.isEmpty())
        return;
    QElapsedTimer took;
    took.start();
    setUpdatesEnabled(false);
    const qsizetype excess = blockCount() + m_pending.size() - kMaxLines;
    if (excess > kMaxLines / 10) {
        // Removing many lines from the front costs far more than writing the box anew
        // (a flood replaces most of it at every flush): keep the newest lines, rebuild.
        QStringList lines = toPlainText().split(QLatin1Char('\n'));
        lines.remove(0, std::min(excess, lines.size()));
        lines += m_pending;
        setPlainText(lines.join(QLatin1Char('\n')));
    } else {
        appendPlainText(m_pending.join(QLatin1Char('\n')));
    }
    m_pending.clear();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    setUpdatesEnabled(true);
    // Under a flood flushes get long: space them so that they take at most a quarter
    // of the GUI thread's time.
    m_flushTimer->setInterval(int(std::clamp<qint64>(3 * took.elapsed(), kFlushMs, 1000)));
}

void TerminalOutput::clearAll()
{
    m_flushTimer->stop();
    m_pending.clear();
    clear();
}
