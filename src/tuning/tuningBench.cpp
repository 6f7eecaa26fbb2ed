#include "tuning/tuningBench.h"

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

void TuningBench::send(const QList<Tuning::Action> &actions)
{
    for (const Tuning::Action &a : actions) {
        switch (a.kind) {
        case Tuning::Action::ReadRegister: road.readRegister(a.rid); break;
        case Tuning::Action::Enable: road.special(MotorCommand::Enable, a.mode); break;
        case Tuning::Action::Disable: road.special(MotorCommand::Disable, a.mode); break;
        case Tuning::Action::Command: road.command(a.mode, a.payload); break;
        }
    }
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
