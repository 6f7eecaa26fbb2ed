#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

// The one place that knows which roads are sending on the link: a road that sends by
// itself (periodic motor commands, the CAN tab's repetition, an adapter repeating a
// frame, a replay, the terminal's send queue, a firmware transfer, a tuning run) is
// started here with the way to end it, and says when it has ended. Closing or losing the
// link, starting an upgrade or a calibration, and "stop all" end every road through
// stopAll(), so that nothing outlives its link or its user's stop. GUI thread only.
class SendingRoads : public QObject
{
    Q_OBJECT
public:
    enum Road {
        MotorPeriodic,  // the control panel's periodic motor commands
        CanTabPeriodic, // the CAN tab's send N times / periodically (the window's timer)
        AdapterRepeat,  // a frame the adapter repeats by itself until told to stop
        Replay,         // a recording played onto the bus
        SendQueue,      // the terminal's send queue
        FirmwareUpgrade,
        Tuning,         // a step or sweep test of the tuning bench
    };
    Q_ENUM(Road)
    using Stopper = std::function<void()>;

    explicit SendingRoads(QObject *parent = nullptr);

    // The road runs; `stop` ends it (it may call ended(), or not). A road started again
    // keeps its place and takes the new stopper.
    void started(Road road, Stopper stop);
    // The road has ended by itself or was stopped; nothing happens for a road not running.
    void ended(Road road);
    bool isRunning(Road road) const;
    bool anyRunning() const { return !m_running.isEmpty(); }
    // The running roads, oldest first.
    QList<Road> running() const;

    // Ends every running road, the newest first, each stopper once; the roads it ended.
    QList<Road> stopAll();
    // The user's name of a road ("周期发送电机命令", ...).
    static QString roadName(Road road);

signals:
    // The set of running roads changed (a road started or ended).
    void runningChanged(const QList<SendingRoads::Road> &roads);

private:
    struct Entry {
        Road road;
        Stopper stop;
    };
    QList<Entry> m_running;
};
