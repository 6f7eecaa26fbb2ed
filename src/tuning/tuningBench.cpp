#include "tuning/tuningBench.h"

#include "link/serial/protocolFormat.h"
#include "procedures/customCDC.h"

#include <QCoreApplication>

void TuningInbox::open()
{
    QMutexLocker lock(&mutex);
    feedback.clear();
    registers.clear();
    listening = true;
}

void TuningInbox::close()
{
    listening = false;
    QMutexLocker lock(&mutex);
    feedback.clear();
    registers.clear();
}

void TuningInbox::pushFeedback(const MotorFeedback &fb)
{
    if (!isOpen())
        return;
    QMutexLocker lock(&mutex);
    feedback.append(fb);
}

void TuningInbox::pushRegister(int rid, float value)
{
    if (!isOpen())
        return;
    QMutexLocker lock(&mutex);
    registers.append({rid, value});
}

void TuningInbox::take(QList<MotorFeedback> &fb, QList<QPair<int, float>> &regs)
{
    QMutexLocker lock(&mutex);
    fb.swap(feedback);
    regs.swap(registers);
    feedback.clear();
    registers.clear();
}

TuningBench::TuningBench(const Tuning::Test &test, bool wasEnabled, TuningRoad r, TuningInbox &in, QObject *parent)
    : QObject(parent), sequence(test, wasEnabled), road(std::move(r)), inbox(in)
{
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(test.periodMs);
    connect(&timer, &QTimer::timeout, this, &TuningBench::tick);
}

TuningBench::~TuningBench()
{
    if (ended)
        return;
    send(sequence.stop());
    ended = true;
    inbox.close();
}

void TuningBench::start()
{
    inbox.open();
    clock.start();
    timer.start();
    tick();
}

void TuningBench::tick()
{
    if (ended)
        return;
    const qint64 begin = clock.nsecsElapsed();
    QList<MotorFeedback> fb;
    QList<QPair<int, float>> regs;
    inbox.take(fb, regs);
    for (const auto &r : std::as_const(regs))
        sequence.registerValue(r.first, r.second);
    for (const MotorFeedback &f : std::as_const(fb))
        sequence.feedback(f);
    send(sequence.tick(begin * 1e-9));
    tickNs += clock.nsecsElapsed() - begin;
    if (sequence.finished())
        end();
}

bool TuningBench::sendOne(const Tuning::Action &a)
{
    switch (a.kind) {
    case Tuning::Action::ReadRegister: return road.readRegister(a.rid);
    case Tuning::Action::Enable: return road.special(MotorCommand::Enable, a.mode);
    case Tuning::Action::Disable: return road.special(MotorCommand::Disable, a.mode);
    case Tuning::Action::Command: return road.command(a.mode, a.payload);
    }
    return false;
}

void TuningBench::send(const QList<Tuning::Action> &actions)
{
    for (const Tuning::Action &a : actions) {
        if (sendOne(a))
            continue;
        // A run that cannot reach the motor measures nothing: it ends, with the disable
        // tried when the run enabled the motor (the road may refuse only one kind).
        if (!sequence.finished())
            send(sequence.fail(QCoreApplication::translate("Tuning", "指令未能发送，调参已停止")));
        return;
    }
}

TuningRoad motorTuningRoad(CustomCDC &link, std::function<bool()> open)
{
    TuningRoad road;
    road.readRegister = [&link, open](int rid) { return open() && link.controllerAllParamsCRUFunc(0, rid); };
    road.special = [&link, open](MotorCommand c, int mode) { return open() && link.motorMode(int(c), false, mode); };
    road.command = [&link, open](int mode, const QByteArray &payload) {
        return open() && link.frameSend(payload, canidConvention(link.motorCanid(), mode));
    };
    return road;
}

void TuningBench::stop(const QString &why)
{
    if (ended)
        return;
    send(sequence.stop(why));
    end();
}

void TuningBench::abandon(const QString &why)
{
    if (ended)
        return;
    sequence.stop(why); // the link is gone: its disable cannot go out
    end();
}

void TuningBench::end()
{
    ended = true;
    timer.stop();
    inbox.close();
    emit finished();
}
