#pragma once

#include "can/canLogFile.h"
#include "link/canAdapter.h"

#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QTimer>

#include <functional>

// Plays a recording onto a bus through a send function (the active adapter), reading the
// file as it goes: with the recorded gaps between frames divided by `speed`, or with no
// gaps at all (speed 0). Error frames are not sent (no adapter can); with `sentOnly`
// only the frames recorded as sent. Runs on the thread that owns it, by timer.
//
// With a back-pressure function it never runs ahead of the device: while that many
// frames wait to be written, it waits too, so memory stays flat however slow the device.
// At the end (or when stopped, which takes no further frame) it waits for the frames
// still queued to be written (at most DrainLimitMs) and counts as sent only those.
class CanReplay : public QObject
{
    Q_OBJECT
public:
    using SendFunction = std::function<bool(const CanBusFrame &)>;

    struct Result {
        qint64 sent = 0;
        qint64 skipped = 0;   // error frames, or received frames with sentOnly
        qint64 refused = 0;   // the adapter did not take them
        qint64 malformed = 0; // lines skipped
        QList<CanLogReader::Problem> problems;
        QString error;        // the file could not be read, or the replay was stopped
        bool stopped = false;
    };

    using PendingFunction = std::function<qint64()>;
    static constexpr int DrainLimitMs = 2000;

    explicit CanReplay(SendFunction send, QObject *parent = nullptr);
    // Frames handed over and not yet written; the replay waits while it is `limit` or more.
    void setBackPressure(PendingFunction pending, qint64 limit);

    bool start(const QString &path, double speed, bool sentOnly, QString *error);
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    // The most frames seen waiting to be written during the last replay.
    qint64 mostPending() const { return m_mostPending; }
    // 0-1000 by the file read so far.
    int progressPermille() const;

    static CanBusFrame frameOf(const CanLogRecord &r);

signals:
    void progress(int permille);
    void finished(const CanReplay::Result &result);

private:
    void tick();
    void drain();
    void finish(bool stopped);
    void report();
    qint64 pendingNow();

    SendFunction m_send;
    PendingFunction m_pendingFrames;
    qint64 m_pendingLimit = 0;
    qint64 m_mostPending = 0;
    bool m_draining = false;
    QElapsedTimer m_drainClock;
    CanLogReader m_reader;
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_speed = 1.0;
    bool m_sentOnly = false;
    bool m_havePending = false;
    CanLogRecord m_pending;
    quint64 m_firstUs = 0;
    bool m_first = true;
    Result m_result;
};
Q_DECLARE_METATYPE(CanReplay::Result)

// What a replay of a recording would send, read from the whole file before anything goes.
struct CanReplayPlan
{
    struct Frames {
        qint64 count = 0;
        quint64 lastUs = 0;            // the last one's time stamp
        QMap<quint32, qint64> ids;     // CAN ID -> frames
    };
    Frames sent; // marked as sent ('T')
    Frames all;  // every frame but error frames
    qint64 received = 0;
    qint64 unmarked = 0;
    qint64 errorFrames = 0;
    quint64 firstUs = 0; // the file's first frame: the replay's clock starts there
    QList<CanLogReader::Problem> problems;
    qint64 problemCount = 0;
    QString error; // the file could not be read

    const Frames &going(bool sentOnly) const { return sentOnly ? sent : all; }
    // Seconds the replay takes at `speed` (0: as fast as the link takes them).
    double seconds(bool sentOnly, double speed) const;
};
CanReplayPlan planCanReplay(const QString &path);
// "0x001 ×120, 0x7FF ×2" with at most `limit` IDs, the most frequent first, and "…" after.
QString canReplayIdsText(const QMap<quint32, qint64> &ids, int limit);
