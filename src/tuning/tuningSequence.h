#pragma once

#include "motor/motorProtocol.h"
#include "tuning/tuningRun.h"
#include "tuning/tuningTest.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <deque>

// One tuning run as a state machine: read the loop gains and ranges, enable, run the test
// one command per period, then disable unless the motor was enabled before. The owner calls
// tick() once a period with its clock and sends what it returns on the motor's own roads
// (register reads, the special frames and the control panel's command payloads); feedback
// and register answers come in through feedback() and registerValue() in arrival order.
namespace Tuning {

struct Action
{
    enum Kind { ReadRegister, Enable, Disable, Command };
    Kind kind = Command;
    int rid = -1;        // ReadRegister
    int mode = 0;        // the control mode whose command ID the frame goes to
    QByteArray payload;  // Command: the control panel's payload for that mode
};

class Sequence
{
public:
    enum class Phase { ReadingGains, Enabling, Running, Draining, Finished };
    enum class Outcome { Running, Complete, Stopped, Failed };

    // `wasEnabled`: the motor was enabled before the run, so it stays enabled after it.
    Sequence(const Test &test, bool wasEnabled);

    // What to send now; `now` in seconds on any steady clock.
    QList<Action> tick(double now);
    void registerValue(int rid, float value);
    // A feedback that ends the run (a fault) queues the disable for the next tick.
    void feedback(const MotorFeedback &fb);
    // Ends the run at once; returns the disable frame when the run enabled the motor.
    QList<Action> stop(const QString &why = QString());
    // The same, for a run that cannot go on (its frames are refused): it ends as failed.
    QList<Action> fail(const QString &why);

    Phase phase() const { return step; }
    Outcome outcome() const { return result; }
    bool finished() const { return step == Phase::Finished; }
    QString message() const { return why; } // translated; why it stopped or failed
    const Run &run() const { return record; }
    bool enabledByRun() const { return enabledHere; }
    int mode() const;
    // Registers read before the run: the gains, then PMAX and VMAX (the ranges checked).
    static QList<int> registersRead();

    static constexpr double kAnswerTimeoutS = 1.0;    // register answers, the enable's feedback
    static constexpr double kFeedbackTimeoutS = 0.5;  // a command still unanswered after this ends the run

private:
    struct Pending { double t; double command; };
    QList<Action> finish(Outcome outcome, const QString &message);
    Action commandAt(double value) const;

    Test test;
    Plan plan;
    bool wasEnabled;
    bool enabledHere = false;
    Phase step = Phase::ReadingGains;
    Outcome result = Outcome::Running;
    QString why;
    Run record;

    QList<int> toRead;
    int nextRead = 0;
    QList<QPair<int, float>> answers;
    double waitSince = -1;   // when the current wait began
    double t0 = 0;           // the first command of the test
    bool enableAnswered = false;
    MotorFeedback enableFeedback;
    std::deque<Pending> pending;
    QList<Action> queued; // frames decided between ticks, sent with the next one
    double positionMax = 0, velocityMax = 0; // the motor's ranges, read before the run
};

} // namespace Tuning
