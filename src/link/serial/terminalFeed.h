#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>

#include <atomic>

// Bytes for the terminal on their way from the dispatcher task to the GUI thread. The
// task appends chunks; only when the feed was empty does it need to tell the GUI, which
// then takes everything that arrived meanwhile: a flood queues one event at a time, not
// one per chunk. Beyond maxBytes the oldest chunks are dropped and counted; the terminal
// keeps only its newest lines anyway.
class TerminalFeed
{
public:
    static constexpr qsizetype kDefaultMaxBytes = 1024 * 1024;

    explicit TerminalFeed(qsizetype maxBytes = kDefaultMaxBytes) : m_maxBytes(maxBytes) {}

    // True when the feed was empty: the caller then tells the GUI thread.
    bool append(const QByteArray &chunk);
    QList<QByteArray> take();

    quint64 droppedBytes() const { return m_dropped; }
    void resetDropCount() { m_dropped = 0; }

private:
    QMutex m_mutex;
    QList<QByteArray> m_chunks;
    qsizetype m_bytes = 0;
    qsizetype m_maxBytes;
    std::atomic<quint64> m_dropped{0};
};
