#pragma once

#include <QString>

// Bounds what one noisy source writes to the log: an item longer than perItemBytes is
// cut (its full length noted), and at most perSecondBytes go out in any one second.
// Items beyond that are held back and counted; the next item let through says how many.
class LogBudget
{
public:
    static constexpr int kLineOverhead = 80; // prefix of a log line, counted with its text

    LogBudget(int perItemBytes, int perSecondBytes) : m_perItem(perItemBytes), m_perSecond(perSecondBytes) {}

    // The line to write for one item, or a null string when this second's budget is
    // spent. nowMs: a steady clock in milliseconds.
    QString admit(const QString &text, qint64 nowMs);

    quint64 heldBack() const { return m_heldBack; } // items held back since the last admitted

private:
    int m_perItem;
    int m_perSecond;
    qint64 m_windowStart = -1;
    qint64 m_spent = 0;
    quint64 m_heldBack = 0;
};
