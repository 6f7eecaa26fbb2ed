#pragma once

#include <QList>
#include <QString>

#include <cstdint>

// The steps of commissioning one motor after another on a bench: find the new motor,
// give it its IDs (counting up from a start), write the line's parameters, save them,
// calibrate, check its quality, write its report. One step at a time; any step may be
// skipped; the first failure stops the run until the user moves on to the next motor.
class CommissionSequence
{
public:
    enum class Step { Scan, SetId, WriteParameters, Save, Calibrate, Quality, Report };
    static constexpr int StepCount = 7;
    enum class Status { Pending, Done, Skipped, Failed };

    static QString stepName(Step step); // translated

    // IDs for the first motor; each motor that got its IDs moves both on by one.
    void setStartIds(uint32_t canid, uint32_t masterid);
    uint32_t canid() const { return nextCanid; }
    uint32_t masterid() const { return nextMasterid; }
    int motorsDone() const { return motors; }

    Step current() const { return Step(index); }
    bool finished() const { return index >= StepCount; }
    bool stopped() const { return failed; }
    // The current step may run: neither finished nor stopped.
    bool canRun() const { return !finished() && !failed; }

    Status status(Step step) const { return states[int(step)]; }
    QString result(Step step) const { return texts[int(step)]; }

    // What the current step did; succeed and skip move on, fail stops.
    void succeed(const QString &text);
    void skip();
    void fail(const QString &reason);

    // The next motor: every step pending again; the IDs count up when this motor got them.
    void nextMotor();

private:
    int index = 0;
    bool failed = false;
    Status states[StepCount] = {};
    QString texts[StepCount];
    uint32_t nextCanid = 1;
    uint32_t nextMasterid = 0x11;
    int motors = 0;
};
