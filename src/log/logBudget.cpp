#include "log/logBudget.h"

QString LogBudget::admit(const QString &text, qint64 nowMs)
{
    if (m_windowStart < 0 || nowMs - m_windowStart >= 1000) {
        m_windowStart = nowMs;
        m_spent = 0;
    }
    QString line = text;
    const qsizetype bytes = text.toUtf8().size();
    if (bytes > m_perItem) {
        // Cut on a character boundary, never inside a surrogate pair.
        qsizetype keep = 0, used = 0;
        while (keep < text.size()) {
            const char16_t c = text.at(keep).unicode();
            const bool pair = QChar::isHighSurrogate(c) && keep + 1 < text.size();
            const int width = pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
            if (used + width > m_perItem)
                break;
            used += width;
            keep += pair ? 2 : 1;
        }
        line = text.left(keep) + QString("…（共 %1 字节）").arg(bytes);
    }
    // What the line costs in the file: the text and the time, level, thread and source.
    const qsizetype cost = line.toUtf8().size() + kLineOverhead;
    if (m_spent + cost > m_perSecond) {
        ++m_heldBack;
        return QString();
    }
    m_spent += cost;
    if (m_heldBack > 0) {
        line += QString("（此前 %1 条因过多未记录）").arg(m_heldBack);
        m_heldBack = 0;
    }
    return line;
}
