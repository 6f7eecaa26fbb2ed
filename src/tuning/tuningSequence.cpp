#include "tuning/tuningSequence.h"

#include "motor/escInf.h"

#include <QCoreApplication>

#include <cmath>

namespace Tuning {

namespace {

int rid(const char *name) { return ESC_INF::staticMetaObject.indexOfProperty(name); }
} // namespace

QList<int> Sequence::registersRead()
{
    QList<int> r;
    for (const QString &g : gainRegisters())
        r.append(rid(g.toLatin1().constData()));
    r << rid("PMAX") << rid("VMAX");
    return r;
}

Sequence::Sequence(const Test &t, bool enabledBefore)
    : test(t), plan(t), wasEnabled(enabledBefore), toRead(registersRead())
{
    record.test = t;
}

int Sequence::mode() const { return test.quantity == Quantity::Position ? PosVelMode : VelMode; }

Action Sequence::commandAt(double value) const
{
    ControlSetPoints sp;
    if (test.quantity == Quantity::Position) {
        sp.posPosition = float(value);
        sp.posVelocity = float(test.speedLimit);
    } else {
        sp.velVelocity = float(value);
    }
    Action a;
    a.kind = Action::Command;
    a.mode = mode();
    a.payload = canDataConvention(mode(), sp, false, MappingRanges());
    return a;
}

QList<Action> Sequence::finish(Outcome outcome, const QString &message)
{
    QList<Action> out;
    if (step == Phase::Finished)
        return out;
    // Commands still unanswered are lost.
    record.lostFeedback += int(pending.size());
    pending.clear();
    step = Phase::Finished;
    result = outcome;
    why = message;
    record.complete = outcome == Outcome::Complete;
    if (enabledHere) {
        Action a;
        a.kind = Action::Disable;
        a.mode = mode();
        out.append(a);
    }
    return out;
}

QList<Action> Sequence::stop(const QString &message)
{
    return finish(Outcome::Stopped, message.isEmpty() ? QCoreApplication::translate("Tuning", "已停止") : message);
}

QList<Action> Sequence::fail(const QString &message) { return finish(Outcome::Failed, message); }

void Sequence::registerValue(int r, float value)
{
    if (step == Phase::ReadingGains && toRead.contains(r))
        answers.append({r, value});
}

void Sequence::feedback(const MotorFeedback &fb)
{
    if (step == Phase::Enabling && !pending.empty()) {
        pending.pop_front();
        enableAnswered = true;
        enableFeedback = fb;
        return;
    }
    if ((step != Phase::Running && step != Phase::Draining) || pending.empty())
        return; // an answer to something sent before the run
    const Pending p = pending.front();
    pending.pop_front();
    if (fb.state != 1) {
        queued += finish(Outcome::Failed, QCoreApplication::translate("Tuning", "电机在测试中离开使能状态：%1").arg(motorStateDisplay(fb.state).text));
        return;
    }
    record.samples.append({p.t, p.command, fb.position, fb.velocity, fb.torque});
}

QList<Action> Sequence::tick(double now)
{
    QList<Action> out;
    out.swap(queued);
    switch (step) {
    case Phase::ReadingGains: {
        if (nextRead < toRead.size()) {
            Action a;
            a.kind = Action::ReadRegister;
            a.rid = toRead[nextRead++];
            out.append(a);
            waitSince = now;
            return out;
        }
        QList<int> missing = toRead;
        for (const auto &a : std::as_const(answers))
            missing.removeAll(a.first);
        if (!missing.isEmpty()) {
            if (now - waitSince > kAnswerTimeoutS)
                return finish(Outcome::Failed, QCoreApplication::translate("Tuning", "电机未回答寄存器读取（%1）").arg(ESC_INF::propertyName(missing.first())));
            return out;
        }
        Limits limits;
        limits.minPeriodMs = 1;
        record.gains.clear();
        for (const QString &g : gainRegisters())
            for (const auto &a : std::as_const(answers))
                if (a.first == rid(g.toLatin1().constData())) {
                    record.gains.append({g, double(a.second)});
                    break;
                }
        for (const auto &a : std::as_const(answers)) {
            if (a.first == rid("PMAX"))
                limits.positionMax = a.second;
            if (a.first == rid("VMAX"))
                limits.velocityMax = a.second;
        }
        // The motor's own ranges, checked before anything moves.
        const QString bad = validate(test, limits, 0.0);
        if (!bad.isEmpty())
            return finish(Outcome::Failed, bad);
        positionMax = limits.positionMax;
        velocityMax = limits.velocityMax;
        Action a;
        a.kind = Action::Enable;
        a.mode = mode();
        out.append(a);
        enabledHere = !wasEnabled;
        pending.push_back({0, 0});
        step = Phase::Enabling;
        waitSince = now;
        return out;
    }
    case Phase::Enabling: {
        if (!enableAnswered) {
            if (now - waitSince > kAnswerTimeoutS)
                return finish(Outcome::Failed, QCoreApplication::translate("Tuning", "电机对使能无反馈"));
            return out;
        }
        if (enableFeedback.state != 1)
            return finish(Outcome::Failed, QCoreApplication::translate("Tuning", "电机未能使能：%1").arg(motorStateDisplay(enableFeedback.state).text));
        record.start = test.quantity == Quantity::Position ? enableFeedback.position : enableFeedback.velocity;
        Limits limits;
        limits.positionMax = positionMax;
        limits.velocityMax = velocityMax;
        const QString bad = validate(test, limits, record.start);
        if (!bad.isEmpty())
            return finish(Outcome::Failed, bad);
        step = Phase::Running;
        t0 = now;
        [[fallthrough]];
    }
    case Phase::Running: {
        if (!pending.empty() && now - t0 - pending.front().t > std::max(kFeedbackTimeoutS, 50e-3 * test.periodMs))
            return finish(Outcome::Failed, QCoreApplication::translate("Tuning", "电机反馈中断"));
        const double t = now - t0;
        if (t >= plan.duration()) {
            step = Phase::Draining;
            waitSince = now;
            return tick(now);
        }
        const double value = record.start + plan.offsetAt(t);
        out.append(commandAt(value));
        pending.push_back({t, value});
        return out;
    }
    case Phase::Draining:
        if (pending.empty() || now - waitSince > kFeedbackTimeoutS)
            return finish(Outcome::Complete, QCoreApplication::translate("Tuning", "测试完成"));
        return out;
    case Phase::Finished:
        return out;
    }
    return out;
}

} // namespace Tuning
