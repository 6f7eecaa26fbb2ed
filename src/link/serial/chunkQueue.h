#pragma once

#include "link/serial/receiveDispatcher.h"

#include <QByteArray>
#include <QList>
#include <QMutex>

#include <atomic>

// The received chunks between the reader (GUI thread) and the dispatcher task. When the
// dispatcher falls behind, as in a flood above what it can decode, the queue holds at
// most maxBytes: a chunk that does not fit is dropped and counted, so memory stays
// bounded and the owner can show what was lost. Closing the link abandons the queue:
// what is queued is dropped and a dispatcher pass that is under way stops taking.
class ChunkQueue : public ReceiveDispatcher::ChunkSource
{
public:
    static constexpr qsizetype kDefaultMaxBytes = 4 * 1024 * 1024; // about 2 s of a flood

    explicit ChunkQueue(qsizetype maxBytes = kDefaultMaxBytes) : m_maxBytes(maxBytes) {}

    // Queues a chunk; false when it was dropped because the queue is full.
    bool push(const QByteArray &chunk);
    // Drops everything queued (not counted as dropped: nobody waits for it any more).
    // Returns the number of bytes abandoned.
    qsizetype abandon();

    // The reader looked at the port (with or without bytes), after queueing its chunk.
    void noteRead() { ++m_reads; }

    bool take(QByteArray &chunk) override;
    bool empty() override;
    void sleepMs(int ms) override;
    quint64 reads() override { return m_reads; }

    qsizetype queuedBytes() const;
    quint64 droppedBytes() const { return m_droppedBytes; }
    quint64 droppedChunks() const { return m_droppedChunks; }
    void resetDropCounts();

private:
    mutable QMutex m_mutex;
    QList<QByteArray> m_chunks;
    qsizetype m_bytes = 0;
    qsizetype m_maxBytes;
    std::atomic<quint64> m_droppedBytes{0};
    std::atomic<quint64> m_droppedChunks{0};
    std::atomic<quint64> m_reads{0};
};
