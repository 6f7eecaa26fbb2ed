#include "link/serial/terminalFeed.h"

bool TerminalFeed::append(const QByteArray &chunk)
{
    QMutexLocker lock(&m_mutex);
    const bool wasEmpty = m_chunks.isEmpty();
    m_chunks.append(chunk);
    m_bytes += chunk.size();
    while (m_bytes > m_maxBytes && m_chunks.size() > 1) {
        m_bytes -= m_chunks.first().size();
        m_dropped += quint64(m_chunks.first().size());
        m_chunks.removeFirst();
    }
    return wasEmpty;
}

QList<QByteArray> TerminalFeed::take()
{
    QMutexLocker lock(&m_mutex);
    m_bytes = 0;
    return std::exchange(m_chunks, {});
}
