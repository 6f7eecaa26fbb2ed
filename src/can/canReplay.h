#pragma once

#include "can/canLogFile.h"
#include "link/canAdapter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

// Plays a recording onto a bus through a send function (the active adapter), reading the
// file as it goes: with the recorded gaps between frames divided by `speed`, or with no
// gaps at all (speed 0). Error frames are not sent (no adapter can); with `sentOnly`
// only the frames recorded as sent. Runs on the thread that owns it, by timer.
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

    explicit CanReplay(SendFunction send, QObject *parent = nullptr);

    bool start(const QString &path, double speed, bool sentOnly, QString *error);
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    // 0-1000 by the file read so far.
    int progressPermille() const;

    static CanBusFrame frameOf(const CanLogRecord &r);

signals:
    void progress(int permille);
    void finished(const CanReplay::Result &result);

private:
    void tick();
    void finish(bool stopped);

    SendFunction m_send;
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
