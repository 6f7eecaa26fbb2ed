#pragma once

#include "can/canFrameData.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class QFile;

// Records the frames of the receive log, both directions, to a can-utils log file while
// the session runs. Rows are handed over from any thread as they are made; a writer
// thread turns them into lines and streams them to disk, so a long session never holds
// more than the rows not yet written. Times: each link's own clock (the serial adapter's
// time of day, an adapter's or interface's microseconds) anchored to the wall clock at
// its first frame, never going back.
class CanRecorder : public QObject
{
    Q_OBJECT
public:
    // Rows waiting beyond this many (the disk stalled) are dropped and counted.
    static constexpr qsizetype MaxPendingRows = 1 << 20;

    explicit CanRecorder(QObject *parent = nullptr);
    ~CanRecorder() override;

    bool start(const QString &path, const QByteArray &iface, QString *error);
    // Writes what is pending, closes the file; the reason when anything went wrong.
    QString stop();
    bool isRecording() const { return m_running.load(); }
    QString path() const { return m_path; }
    // The interface name of the frames from now on (a link opened on another adapter).
    void setInterfaceName(const QByteArray &iface);

    // Thread-safe; ignored while not recording.
    void append(const QList<CANFrameData> &rows);

    qint64 framesWritten() const { return m_frames.load(); }
    qint64 bytesWritten() const { return m_bytes.load(); }
    qint64 droppedRows() const { return m_dropped.load(); }

signals:
    // The file could not be written (disk full, removed medium): recording has stopped.
    void failed(const QString &reason);

private:
    struct Batch {
        QList<CANFrameData> rows;
        qint64 arrivalUs; // wall clock when handed over
        QByteArray iface;
    };
    struct Clock {
        int source = -1;
        qint64 anchorRowUs = 0;
        quint64 anchorWallUs = 0;
        qint64 lastRowUs = 0;
        qint64 dayOffsetUs = 0;
        quint64 lastUs = 0;
        quint64 map(const CANFrameData &row, qint64 arrivalUs);
    };
    void run();
    // Writes whole lines (`lineEnds`: the offset after each line of `out`); false, with
    // m_error set and the file ending in the last whole line, when the disk refused.
    bool writeLines(const QByteArray &out, const QList<qsizetype> &lineEnds);

    QString m_path;
    QFile *m_file = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QList<Batch> m_pending;
    qsizetype m_pendingRows = 0;
    bool m_stopRequested = false;
    QByteArray m_iface;
    QString m_error;
    Clock m_clock;
    std::atomic_bool m_running{false};
    std::atomic<qint64> m_frames{0};
    std::atomic<qint64> m_bytes{0};
    std::atomic<qint64> m_dropped{0};
};
