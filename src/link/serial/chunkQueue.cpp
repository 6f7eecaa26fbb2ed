#include "link/serial/chunkQueue.h"

#include <QThread>

bool ChunkQueue::push(const QByteArray &chunk)
{
    if (chunk.isEmpty())
        return true;
    {
        QMutexLocker lock(&m_mutex);
        if (m_bytes + chunk.size() <= m_maxBytes) {
            m_chunks.append(chunk);
            m_bytes += chunk.size();
            return true;
        }
    }
    m_droppedBytes += quint64(chunk.size());
    ++m_droppedChunks;
    return false;
}

qsizetype ChunkQueue::abandon()
{
    QMutexLocker lock(&m_mutex);
    const qsizetype bytes = m_bytes;
    m_chunks.clear();
    m_bytes = 0;
    return bytes;
}

bool ChunkQueue::take(QByteArray &chunk)
{
    QMutexLocker lock(&m_mutex);
    if (m_chunks.isEmpty())
        return false;
    chunk = m_chunks.takeFirst();
    m_bytes -= chunk.size();
    return true;
}

bool ChunkQueue::empty()
{
    QMutexLocker lock(&m_mutex);
    return m_chunks.isEmpty();
}

void ChunkQueue::sleepMs(int ms) { QThread::msleep(ms); }

qsizetype ChunkQueue::queuedBytes() const
{
    QMutexLocker lock(&m_mutex);
    return m_bytes;
}

void ChunkQueue::resetDropCounts()
{
    m_droppedBytes = 0;
    m_droppedChunks = 0;
}
