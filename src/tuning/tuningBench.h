#pragma once

#include "motor/motorProtocol.h"
#include "tuning/tuningSequence.h"

#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

class CustomCDC;

// Answers from the motor on their way to a running tuning run: the receive threads push
// decoded feedback (cheap: one lock, one append), the bench takes them in one batch per
// period on its own thread. Nothing is kept while no run listens.
class TuningInbox
{
public:
    void open();
    void close();
    bool isOpen() const { return listening.load(std::memory_order_relaxed); }
    void pushFeedback(const MotorFeedback &fb);
    void pushRegister(int rid, float value);
    // In arrival order: register answers first (they come before the run's feedback).
    void take(QList<MotorFeedback> &feedback, QList<QPair<int, float>> &registers);

private:
    std::atomic_bool listening{false};
    QMutex mutex;
    QList<MotorFeedback> feedback;
    QList<QPair<int, float>> registers;
};

// How a run reaches the motor: the roads the control panel and the parameter page use.
// Each says false when its frame was not sent (the link refused it or is gone).
struct TuningRoad
{
    std::function<bool(int rid)> readRegister;
    std::function<bool(MotorCommand command, int mode)> special; // enable or disable
    std::function<bool(int mode, const QByteArray &payload)> command;
};

// The motor roads of `link`: register reads on the register ID, enable and disable to the
// command ID of the run's mode, its command payloads; each a standard data frame of its
// own, whatever the CAN tab holds. Nothing goes out once `open` says the link is gone.
TuningRoad motorTuningRoad(CustomCDC &link, std::function<bool()> open);

// Runs one Tuning::Sequence on the thread it lives on: a precise timer ticks once a
// period, the inbox's answers go in, the sequence's frames go out on the road.
class TuningBench : public QObject
{
    Q_OBJECT
public:
    TuningBench(const Tuning::Test &test, bool wasEnabled, TuningRoad road, TuningInbox &inbox,
                QObject *parent = nullptr);
    ~TuningBench() override;

    void start();
    // Ends the run now (the user's stop, Stop all, the link closing): the disable goes out
    // at once when the run enabled the motor. Nothing is sent afterwards. A frame the road
    // refuses ends the run the same way, as failed.
    void stop(const QString &why = QString());
    // The link is gone: ends the run without sending anything.
    void abandon(const QString &why);

    bool isRunning() const { return !sequence.finished(); }
    const Tuning::Sequence &state() const { return sequence; }
    // Time spent in the ticks so far (taking the answers, sending the frames), for benchmarks.
    qint64 tickNanoseconds() const { return tickNs; }

signals:
    void finished();

private:
    void tick();
    void send(const QList<Tuning::Action> &actions);
    bool sendOne(const Tuning::Action &action);
    void end();

    Tuning::Sequence sequence;
    TuningRoad road;
    TuningInbox &inbox;
    QTimer timer;
    QElapsedTimer clock;
    bool ended = false;
    qint64 tickNs = 0;
};
