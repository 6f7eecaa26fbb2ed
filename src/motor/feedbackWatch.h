#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cstdint>

// Whether the motor panel's read-outs are still fed, and whether the commanded motor's
// feedback arrives on another ID than the master ID the panel decodes. The receive thread
// reports frames without a lock; the GUI thread looks on a timer, never once per frame.
class FeedbackWatch
{
public:
    FeedbackWatch() { m_clock.start(); }

    // Receive thread: a feedback frame was decoded.
    void fed() { m_lastFed = m_clock.elapsed(); }
    // Receive thread: a frame shaped like the commanded motor's feedback arrived on `id`.
    void strayFrom(uint32_t id)
    {
        m_strayId = int(id);
        m_lastStray = m_clock.elapsed();
    }

    struct Look
    {
        bool everFed = false; // feedback since the last reset
        bool stale = false;   // fed once, then silent for longer than the limit
        int strayId = -1;     // the ID the motor answers on while the master ID stays silent
    };
    // GUI thread. `staleAfterMs` is the silence after which the read-outs no longer count.
    Look look(int staleAfterMs) const
    {
        const qint64 now = m_clock.elapsed();
        const qint64 fedAt = m_lastFed, strayAt = m_lastStray;
        Look l;
        l.everFed = fedAt >= 0;
        const bool silent = !l.everFed || now - fedAt > staleAfterMs;
        l.stale = l.everFed && silent;
        // Frames elsewhere count while they keep coming and nothing reaches the panel.
        if (silent && strayAt >= 0 && now - strayAt <= std::max(staleAfterMs, 1000))
            l.strayId = m_strayId;
        return l;
    }

    // A new link, or the master ID changed: nothing fed yet, nothing seen elsewhere.
    void reset()
    {
        m_lastFed = -1;
        m_lastStray = -1;
        m_strayId = -1;
    }

    // Read-outs count as stale after 0.5 s without feedback, or five send intervals of a
    // periodic command when that is longer (`intervalMs` 0: nothing sent periodically).
    static int staleAfterMs(int intervalMs) { return std::max(500, 5 * std::max(intervalMs, 0)); }

private:
    QElapsedTimer m_clock;
    std::atomic<qint64> m_lastFed{-1};
    std::atomic<qint64> m_lastStray{-1};
    std::atomic_int m_strayId{-1};
};
