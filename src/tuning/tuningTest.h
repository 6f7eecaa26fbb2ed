#pragma once

#include <QList>
#include <QString>

// The test signals of the tuning bench and their timetable: a step in position or velocity
// from the value the motor holds, or a stepped sine sweep between two frequencies. Plain
// functions on numbers; the bench turns the timetable into command frames.
namespace Tuning {

enum class Signal { Step, Sweep };
enum class Quantity { Position, Velocity };

struct Test
{
    Signal signal = Signal::Step;
    Quantity quantity = Quantity::Position;
    double size = 0.5;       // step: the change (signed, rad or rad/s); sweep: the amplitude (> 0)
    double durationS = 1.0;  // step: how long each step is held; sweep: the wanted length of one sweep
    int repeats = 1;         // step: up-and-back pairs; sweep: whole sweeps, averaged
    double fromHz = 1.0;     // sweep only
    double toHz = 20.0;
    double speedLimit = 10.0; // position tests: the speed limit sent with every position, rad/s
    int periodMs = 1;        // one command (and one feedback) per period

    bool operator==(const Test &o) const;
};

// The ranges a test is checked against before anything is sent.
struct Limits
{
    double positionMax = 12.5; // the panel's position range [-max, max], rad
    double velocityMax = 30.0; // rad/s
    int minPeriodMs = 1;       // what the link carries: one command and one feedback per period
};

constexpr int kMaxRepeats = 20;
constexpr double kMinDurationS = 0.05;
constexpr double kMaxDurationS = 60.0;
constexpr double kMaxSweepHz = 200.0;
constexpr double kMinSweepHz = 0.1;
constexpr int kMaxPeriodMs = 50;
constexpr double kLeadS = 0.1; // held at the start value before the first edge or sine

// Empty when the test may run from `start` (the value the motor holds, in the test's
// quantity); otherwise a translated text naming the field and its range.
QString validate(const Test &test, const Limits &limits, double start = 0.0);

// The period the link allows: one command and one feedback frame per period may take at
// most half of a CAN bus at `bitRate` bit/s (0: unknown, taken as 1 Mbit/s).
int minimumPeriodMs(int bitRate);

// One frequency of a sweep: the sine runs from `begin` for whole cycles until `end`; the
// response is judged over [analysisBegin, end), after the first cycles settled.
struct SweepStep
{
    double hz = 0;
    double begin = 0, analysisBegin = 0, end = 0;
    int repeat = 0;
};

// One step edge: from `from` to `to` (relative to the start value) at `time`, judged until `end`.
struct StepEdge
{
    double time = 0, end = 0;
    double from = 0, to = 0;
};

// The timetable of a test, times in seconds from its first command.
class Plan
{
public:
    explicit Plan(const Test &test);
    double duration() const { return total; }
    // The command at time t, relative to the start value.
    double offsetAt(double t) const;
    const QList<StepEdge> &edges() const { return stepEdges; }
    const QList<SweepStep> &sweep() const { return sweepSteps; }
    // The distinct sweep frequencies, lowest first.
    QList<double> frequencies() const;

private:
    Test test;
    double total = 0;
    QList<StepEdge> stepEdges;
    QList<SweepStep> sweepSteps;
};

QString quantityUnit(Quantity q); // "rad" or "rad/s"

} // namespace Tuning
