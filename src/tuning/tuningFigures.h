#pragma once

#include "tuning/tuningTest.h"

#include <QList>
#include <QVector>
#include <QtNumeric>

// The figures of a tuning run, from its samples: for a step, rise time (10-90 %), overshoot,
// settling time (2 % band), steady-state error and peak torque; for a sweep, gain and phase
// against frequency and the -3 dB bandwidth. Plain functions on recorded numbers.
namespace Tuning {

// One feedback as the bench recorded it: the time of the command it answers (s from the
// run's first command), that command (absolute, in the test's quantity) and the feedback.
struct Sample
{
    double t = 0;
    double command = 0;
    double position = 0; // rad
    double velocity = 0; // rad/s
    double torque = 0;   // N-m
    bool operator==(const Sample &o) const
    {
        return t == o.t && command == o.command && position == o.position && velocity == o.velocity
            && torque == o.torque;
    }
};

// NaN marks a figure that the record cannot give (no response, never settled).
struct StepFigures
{
    double edgeTime = qQNaN(); // s from the run's start, the first sample of the new command
    double commanded = qQNaN(); // the step the command made
    double initial = qQNaN(), final = qQNaN(); // response before the edge and at its end
    double riseTime = qQNaN();       // s, 10 % to 90 % of the response's own step
    double overshootPct = qQNaN();   // % of the response's step, 0 without overshoot
    double settlingTime = qQNaN();   // s from the edge until it stays within 2 % of its step
    // How far the response's step fell short of the command's, in the test's unit
    // (negative: beyond it).
    double steadyStateError = qQNaN();
    double peakTorque = qQNaN();     // N-m, largest magnitude during the edge
};

// One edge judged over samples[begin, end): the response is `quantity` of each sample,
// the edge's time is that of the first sample at or after `edgeTime`. The initial value
// is the mean of the samples in [initialFrom, edgeTime); the final value the mean of the
// last tenth of the edge.
StepFigures stepFigures(const QVector<Sample> &samples, Quantity quantity, double initialFrom, double edgeTime,
                        double end);

// The mean of each figure over the edges that give it (NaN when none does).
StepFigures meanStepFigures(const QList<StepFigures> &edges);

struct SweepPoint
{
    double hz = 0;
    double gainDb = qQNaN();
    double phaseDeg = qQNaN();
};

struct SweepFigures
{
    QList<SweepPoint> points;    // lowest frequency first, phase unwrapped
    double bandwidthHz = qQNaN(); // where the gain first falls 3 dB below the lowest frequency's
};

// The response at one frequency over [from, to): the complex ratio of the response's and
// the command's sine at that frequency, each fitted by least squares at the samples' own times.
struct Ratio { double re = qQNaN(), im = qQNaN(); };
Ratio frequencyRatio(const QVector<Sample> &samples, Quantity quantity, double hz, double from, double to);

// Gain and phase per planned frequency (averaged over the repeats), and the bandwidth.
SweepFigures sweepFigures(const QVector<Sample> &samples, Quantity quantity, const Plan &plan);
// The -3 dB point of points already measured: linear in dB over log frequency.
double bandwidthHz(const QList<SweepPoint> &points);

} // namespace Tuning
