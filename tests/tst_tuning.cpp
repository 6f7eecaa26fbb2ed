// The tuning bench's maths against responses whose figures are known in closed form, its
// file round trip, and whole runs against the simulated motor compared with the analytic
// response of the motor's documented loop model.
#include "link/serial/protocolFormat.h"
#include "motor/motorProtocol.h"
#include "motor/paramRegisters.h"
#include "tuning/tuningBench.h"
#include "tuning/tuningRun.h"
#include "tuning/tuningSequence.h"

#include "simCodec.h"
#include "simMotor.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <complex>

using namespace Tuning;

namespace {

// Samples of a response y(t) to a step of `size` at `edge`, one per millisecond.
QVector<Sample> stepSamples(double size, double edge, double end, const std::function<double(double)> &y)
{
    QVector<Sample> s;
    for (int i = 0; i * 1e-3 < end; ++i) {
        const double t = i * 1e-3, u = t >= edge ? size : 0.0;
        s.append({t, u, t >= edge ? size * y(t - edge) : 0.0, 0, t >= edge ? 2.0 * std::exp(-(t - edge)) : 0.0});
    }
    return s;
}

// The second-order step response with final value 1.
double secondOrder(double zeta, double wn, double t)
{
    const double s = zeta * wn, wd = wn * std::sqrt(1 - zeta * zeta);
    return 1 - std::exp(-s * t) * (std::cos(wd * t) + s / wd * std::sin(wd * t));
}

// Drives a sequence against a simulated motor with the motor's clock stepped by hand.
struct SimDrive
{
    SimMotor motor{1, 0x11, SimMotor::Layout::Long};
    MappingRanges ranges;
    int disables = 0;

    SimDrive() { motor.setManualClock(true); }

    void set(const char *name, double v)
    {
        QVERIFY(motor.setRegister(name, float(v)));
        const int rid = SimMotor::registerIndex(name);
        ranges.applyRegister(rid, float(v));
    }
    void send(Sequence &seq, const QList<Action> &actions)
    {
        for (const Action &a : actions) {
            SimCanFrame f;
            if (a.kind == Action::ReadRegister) {
                f.id = 0x7FF;
                f.data = registerReadFrame(1, a.rid);
                for (const SimCanFrame &r : motor.receiveCan(f))
                    seq.registerValue(quint8(r.data[3]), SimCodec::bitsFloat(SimCodec::getU32(r.data, 4)));
                continue;
            }
            f.id = canidConvention(1, a.mode);
            f.data = a.kind == Action::Command ? a.payload
                                                : specialFrame(a.kind == Action::Enable ? MotorCommand::Enable
                                                                                         : MotorCommand::Disable);
            disables += a.kind == Action::Disable;
            for (const SimCanFrame &r : motor.receiveCan(f))
                seq.feedback(classifyMotorFrame(r.id, r.data, 1, 0x11, ranges, ReceivePath::UsbAdapter).feedback);
        }
    }
    // Runs until the sequence ends, or `stopAt` seconds into it.
    void run(Sequence &seq, double stopAt = 1e9)
    {
        const double period = seq.run().test.periodMs * 1e-3;
        for (int i = 0; !seq.finished() && i < 10000000; ++i) {
            if (i * period >= stopAt) {
                send(seq, seq.stop());
                break;
            }
            send(seq, seq.tick(i * period));
            motor.advanceClock(period);
        }
        send(seq, seq.tick(1e9)); // as the bench does: what an answer decided goes out with the next tick
    }
};

} // namespace

class TestTuning : public QObject
{
    Q_OBJECT
private slots:
    void stepFiguresOfKnownResponses_data();
    void stepFiguresOfKnownResponses();
    void sweepOfFirstOrderLowPass();
    void testsOutsideTheirRanges_data();
    void testsOutsideTheirRanges();
    void savedRunsReopenIdentical();
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();
    void simulatedStepMatchesAnalyticModel_data();
    void simulatedStepMatchesAnalyticModel();
    void simulatedSweepBandwidthMatchesModel();
    void runsThatCannotGoOnEndSafely_data();
    void runsThatCannotGoOnEndSafely();
    void stopEndsTheRunAndDisablesOnlyWhatItEnabled_data();
    void stopEndsTheRunAndDisablesOnlyWhatItEnabled();
    void refusedFramesEndTheRun_data();
    void refusedFramesEndTheRun();
};

void TestTuning::stepFiguresOfKnownResponses_data()
{
    QTest::addColumn<double>("size");
    QTest::addColumn<double>("gain");  // final value / command
    QTest::addColumn<int>("kind");     // 0 first order tau = 0.05, 1 second order zeta 0.5 wn 40
    QTest::addColumn<double>("rise");  // NaN: not checked
    QTest::addColumn<double>("overshoot");
    QTest::addColumn<double>("settling");
    const double tau = 0.05, zeta = 0.5;
    QTest::newRow("first order up") << 2.0 << 1.0 << 0 << tau * std::log(9.0) << 0.0 << tau * std::log(50.0);
    QTest::newRow("first order down, 20 % short") << -3.0 << 0.8 << 0 << tau * std::log(9.0) << 0.0
                                                  << tau * std::log(50.0);
    QTest::newRow("second order") << 1.0 << 1.0 << 1 << qQNaN()
                                  << 100 * std::exp(-M_PI * zeta / std::sqrt(1 - zeta * zeta)) << qQNaN();
    QTest::newRow("no response") << 1.0 << 0.0 << 0 << qQNaN() << qQNaN() << qQNaN();
}

void TestTuning::stepFiguresOfKnownResponses()
{
    QFETCH(double, size);
    QFETCH(double, gain);
    QFETCH(int, kind);
    QFETCH(double, rise);
    QFETCH(double, overshoot);
    QFETCH(double, settling);
    const QVector<Sample> s = stepSamples(size, 0.1, 1.5, [&](double t) {
        return gain * (kind == 0 ? 1 - std::exp(-t / 0.05) : secondOrder(0.5, 40, t));
    });
    const StepFigures f = stepFigures(s, Quantity::Position, 0.0, 0.1, 1.5);
    QCOMPARE(f.edgeTime, 0.1);
    QCOMPARE(f.commanded, size);
    QVERIFY(std::fabs(f.peakTorque - 2.0) < 1e-9);
    QVERIFY2(std::fabs(f.steadyStateError - std::fabs(size) * (1 - gain)) < 1e-3 * std::fabs(size),
             qPrintable(QString::number(f.steadyStateError)));
    auto near = [](double got, double want, double tol) {
        return std::isnan(want) ? true : std::fabs(got - want) <= tol * std::fabs(want) + 1e-6;
    };
    if (gain == 0) {
        QVERIFY(std::isnan(f.riseTime) && std::isnan(f.overshootPct) && std::isnan(f.settlingTime));
        return;
    }
    QVERIFY2(near(f.riseTime, rise, 0.005), qPrintable(QString::number(f.riseTime)));
    QVERIFY2(near(f.overshootPct, overshoot, 0.005), qPrintable(QString::number(f.overshootPct)));
    QVERIFY2(near(f.settlingTime, settling, 0.005), qPrintable(QString::number(f.settlingTime)));
}

void TestTuning::sweepOfFirstOrderLowPass()
{
    // The steady response of 1 / (1 + s tau) to each sine of the plan.
    Test t;
    t.signal = Signal::Sweep;
    t.quantity = Quantity::Velocity;
    t.size = 2.0;
    t.fromHz = 1;
    t.toHz = 50;
    t.durationS = 2;
    const double tau = 1 / (2 * M_PI * 8.0); // corner at 8 Hz
    const Plan plan(t);
    QVector<Sample> s;
    for (int i = 0; i * 1e-3 < plan.duration(); ++i) {
        const double time = i * 1e-3;
        Sample x{time, 3.0 + plan.offsetAt(time), 0, 3.0, 0};
        for (const SweepStep &st : plan.sweep())
            if (time >= st.begin && time < st.end) {
                const std::complex<double> h = 1.0 / std::complex<double>(1, 2 * M_PI * st.hz * tau);
                x.velocity += t.size * std::abs(h) * std::sin(2 * M_PI * st.hz * (time - st.begin) + std::arg(h));
            }
        s.append(x);
    }
    const SweepFigures f = sweepFigures(s, Quantity::Velocity, plan);
    QCOMPARE(f.points.size(), 18);
    for (const SweepPoint &p : f.points) {
        const std::complex<double> h = 1.0 / std::complex<double>(1, 2 * M_PI * p.hz * tau);
        QVERIFY2(std::fabs(p.gainDb - 20 * std::log10(std::abs(h))) < 0.01, qPrintable(QString("%1 Hz: %2 dB").arg(p.hz).arg(p.gainDb)));
        QVERIFY2(std::fabs(p.phaseDeg - std::arg(h) * 180 / M_PI) < 0.1, qPrintable(QString::number(p.hz)));
    }
    QVERIFY2(std::fabs(f.bandwidthHz - 8.1) < 0.2, qPrintable(QString::number(f.bandwidthHz)));

    // Feedback lost over the lowest frequency's window: the next one is the reference.
    const SweepStep &first = plan.sweep().first();
    s.erase(std::remove_if(s.begin(), s.end(), [&](const Sample &x) { return x.t >= first.begin && x.t < first.end; }),
            s.end());
    const SweepFigures gap = sweepFigures(s, Quantity::Velocity, plan);
    QVERIFY(!std::isfinite(gap.points.first().gainDb));
    QVERIFY2(std::fabs(gap.bandwidthHz - 8.1) < 0.2, qPrintable(QString::number(gap.bandwidthHz)));
}

void TestTuning::testsOutsideTheirRanges_data()
{
    QTest::addColumn<int>("field");  // which field is spoiled
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("named");
    QTest::newRow("step beyond PMAX") << 0 << 13.0 << "12.5";
    QTest::newRow("zero step") << 0 << 0.0 << "阶跃 0 rad";
    QTest::newRow("duration too short") << 1 << 0.01 << "0.01";
    QTest::newRow("no repeat") << 2 << 0.0 << "重复";
    QTest::newRow("period the link cannot carry") << 3 << 1.0 << "2 …";
    QTest::newRow("speed limit beyond VMAX") << 4 << 31.0 << "31";
    QTest::newRow("not a number") << 0 << qQNaN() << "数字";
}

void TestTuning::testsOutsideTheirRanges()
{
    QFETCH(int, field);
    QFETCH(double, value);
    QFETCH(QString, named);
    Test t;
    t.periodMs = 2;
    Limits l;
    l.minPeriodMs = minimumPeriodMs(500000);
    QCOMPARE(l.minPeriodMs, 2);
    QCOMPARE(minimumPeriodMs(1000000), 1);
    QCOMPARE(minimumPeriodMs(125000), 5);
    QVERIFY(validate(t, l).isEmpty());
    switch (field) {
    case 0: t.size = value; break;
    case 1: t.durationS = value; break;
    case 2: t.repeats = int(value); break;
    case 3: t.periodMs = int(value); break;
    case 4: t.speedLimit = value; break;
    }
    const QString why = validate(t, l);
    QVERIFY2(why.contains(named), qPrintable(why));
}

void TestTuning::savedRunsReopenIdentical()
{
    QList<Run> runs;
    for (int k = 0; k < 2; ++k) {
        Run r;
        r.name = k ? QString("运行 2") : QString("step \"a\"");
        r.started = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC);
        r.canId = 0x21 + k;
        r.test.signal = k ? Signal::Sweep : Signal::Step;
        r.test.quantity = k ? Quantity::Velocity : Quantity::Position;
        r.test.size = 0.1 + k / 3.0;
        r.start = -1.0 / 7;
        r.gains = {{"KP_ASR", 0.1f}, {"KI_ASR", 1e-7}};
        for (int i = 0; i < 500; ++i)
            r.samples.append({i * 1e-3 + 1e-17 * i, std::sin(i) / 3, double(float(i / 7.0)), -1e-300 * i, 1e300 / (i + 1)});
        r.lostFeedback = k;
        r.complete = k == 0;
        runs.append(r);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.zktune");
    QString error;
    QVERIFY2(saveRuns(path, runs, &error), qPrintable(error));
    QList<Run> back;
    QVERIFY2(loadRuns(path, &back, &error), qPrintable(error));
    QCOMPARE(back.size(), 2);
    QVERIFY(back == runs);
    QVERIFY(runFigures(back[0]).step.riseTime == runFigures(runs[0]).step.riseTime
            || std::isnan(runFigures(runs[0]).step.riseTime));

    const QList<QByteArray> csv = runCsv(runs[0]).split('\n');
    QCOMPARE(csv.first(), QByteArray("time_s,command,position_rad,velocity_rad_s,torque_Nm"));
    QCOMPARE(csv.size(), 502); // header, 500 samples, the empty piece after the last newline
    const QList<QByteArray> row = csv[8].split(',');
    QCOMPARE(row.size(), 5);
    QCOMPARE(row[2].toDouble(), runs[0].samples[7].position);
}

void TestTuning::damagedFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("named");
    QTest::newRow("not JSON") << QByteArray("{\"format\"") << QByteArray("{format") << "不是调参文件";
    QTest::newRow("other format") << QByteArray("zktool-tuning") << QByteArray("zktool-other") << "不是调参文件";
    QTest::newRow("number that is none") << QByteArray("\"torque\":[") << QByteArray("\"torque\":[\"NaN\",")
                                         << "torque";
    QTest::newRow("short channel") << QByteArray("\"velocity\":[0,") << QByteArray("\"velocity\":[")
                                   << "velocity";
    QTest::newRow("time runs back") << QByteArray("\"t\":[0,0.001") << QByteArray("\"t\":[0,-0.001") << "倒退";
    QTest::newRow("unknown signal") << QByteArray("\"step\"") << QByteArray("\"ramp\"") << "测试信号";
    QTest::newRow("period out of range") << QByteArray("\"periodMs\":1") << QByteArray("\"periodMs\":0") << "测试参数";
}

void TestTuning::damagedFilesAreRefused()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, named);
    Run r;
    r.started = QDateTime::currentDateTimeUtc();
    r.gains = {{"KP_ASR", 1}};
    for (int i = 0; i < 3; ++i)
        r.samples.append({i * 1e-3, 0, 0, 0, 0});
    QByteArray bytes = runsJson({r});
    QVERIFY2(bytes.contains(from), bytes.constData());
    bytes.replace(from, to);
    QList<Run> runs{r};
    QString error;
    QVERIFY(!parseRuns(bytes, &runs, &error));
    QVERIFY2(error.contains(named), qPrintable(error));
    QCOMPARE(runs.size(), 1); // what the caller had is untouched
}

void TestTuning::simulatedStepMatchesAnalyticModel_data()
{
    QTest::addColumn<double>("speedKp");
    QTest::newRow("KP_ASR 2") << 2.0;
    QTest::newRow("KP_ASR 4") << 4.0;
}

void TestTuning::simulatedStepMatchesAnalyticModel()
{
    QFETCH(double, speedKp);
    // A velocity step with KI_ASR = 0 is the model's textbook second-order response.
    auto figuresFor = [](double kp, RunFigures &f, LoopModel::Plant &plant) {
        SimDrive d;
        d.set("TMAX", 200); // no torque limit reached: the response stays linear
        d.set("KP_ASR", kp);
        d.set("KI_ASR", 0);
        plant = d.motor.loopPlant();
        Test t;
        t.quantity = Quantity::Velocity;
        t.size = 20;
        t.durationS = 0.5;
        t.repeats = 2;
        Sequence seq(t, false);
        d.run(seq);
        QCOMPARE(seq.outcome(), Sequence::Outcome::Complete);
        QCOMPARE(d.disables, 1);
        QVERIFY(!d.motor.isEnabled());
        QCOMPARE(seq.run().gains.first().second, kp);
        f = runFigures(seq.run());
        QCOMPARE(f.edges.size(), 4);
    };
    RunFigures f;
    LoopModel::Plant p;
    figuresFor(speedKp, f, p);

    const double J = p.inertia, b = p.damping, tc = p.torqueLag, K = speedKp;
    const double wn = std::sqrt((b + K) / (J * tc)), zeta = (J + b * tc) / (2 * J * tc * wn);
    auto y = [&](double t) { return secondOrder(zeta, wn, t); };
    auto solve = [&](double level, double lo, double hi) {
        for (int i = 0; i < 100; ++i)
            (y((lo + hi) / 2) < level ? lo : hi) = (lo + hi) / 2;
        return lo;
    };
    const double peakTime = M_PI / (wn * std::sqrt(1 - zeta * zeta));
    const double rise = solve(0.9, 0, peakTime) - solve(0.1, 0, peakTime);
    const double overshoot = 100 * (y(peakTime) - 1);
    double settling = 0;
    for (double t = 0.5; t > 0; t -= 1e-6)
        if (std::fabs(y(t) - 1) > 0.02) {
            settling = t;
            break;
        }
    auto within = [](double got, double want, double share) { return std::fabs(got - want) <= share * want; };
    QVERIFY2(within(f.step.riseTime, rise, 0.02), qPrintable(QString("%1 vs %2").arg(f.step.riseTime).arg(rise)));
    QVERIFY2(within(f.step.overshootPct, overshoot, 0.02),
             qPrintable(QString("%1 vs %2").arg(f.step.overshootPct).arg(overshoot)));
    QVERIFY2(within(f.step.settlingTime, settling, 0.02),
             qPrintable(QString("%1 vs %2").arg(f.step.settlingTime).arg(settling)));
    QVERIFY2(within(f.step.steadyStateError, 20 * b / (b + K), 0.02),
             qPrintable(QString::number(f.step.steadyStateError)));

    // A higher speed-loop gain: faster and less damped.
    RunFigures higher;
    figuresFor(speedKp * 2, higher, p);
    QVERIFY(higher.step.riseTime < f.step.riseTime);
    QVERIFY(higher.step.overshootPct > f.step.overshootPct);
    QVERIFY(higher.step.steadyStateError < f.step.steadyStateError);
}

void TestTuning::simulatedSweepBandwidthMatchesModel()
{
    SimDrive d;
    d.set("TMAX", 100);
    d.set("KP_ASR", 2);
    d.set("KI_ASR", 0);
    const LoopModel::Plant p = d.motor.loopPlant();
    Test t;
    t.signal = Signal::Sweep;
    t.quantity = Quantity::Velocity;
    t.size = 5;
    t.fromHz = 2;
    t.toHz = 60;
    t.durationS = 2;
    Sequence seq(t, true);
    d.run(seq);
    QCOMPARE(seq.outcome(), Sequence::Outcome::Complete);
    QCOMPARE(d.disables, 0); // it was enabled before: it stays so
    QVERIFY(d.motor.isEnabled());
    const SweepFigures f = runFigures(seq.run()).sweep;

    auto gain = [&](double hz) {
        const std::complex<double> s(0, 2 * M_PI * hz);
        return std::abs(2.0 / (p.inertia * p.torqueLag * s * s + (p.inertia + p.damping * p.torqueLag) * s + p.damping + 2.0));
    };
    const double level = gain(2) / std::sqrt(2.0);
    double lo = 2, hi = 60;
    while (gain(lo) >= level && lo < hi)
        lo += 0.01; // the first fall below, past any resonance
    hi = lo, lo -= 0.01;
    for (int i = 0; i < 60; ++i)
        (gain((lo + hi) / 2) >= level ? lo : hi) = (lo + hi) / 2;
    QVERIFY2(std::fabs(f.bandwidthHz - lo) <= 0.05 * lo, qPrintable(QString("%1 vs %2").arg(f.bandwidthHz).arg(lo)));
    QVERIFY(std::fabs(f.points.first().gainDb - 20 * std::log10(gain(2))) < 0.1);
}

void TestTuning::runsThatCannotGoOnEndSafely_data()
{
    QTest::addColumn<QString>("trouble");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("disables");  // disable frames: once the run sent its enable, it disables
    QTest::addColumn<bool>("commanded"); // any set-point reached the motor
    QTest::newRow("silent motor") << "silent" << "寄存器读取（KP_ASR）" << 0 << false;
    QTest::newRow("faulted motor") << "fault" << "电机未能使能" << 1 << false;
    QTest::newRow("fault during the run") << "fault later" << "离开使能状态" << 1 << true;
    QTest::newRow("standing too near PMAX") << "near limit" << "±12.5 rad" << 1 << false;
}

void TestTuning::runsThatCannotGoOnEndSafely()
{
    QFETCH(QString, trouble);
    QFETCH(QString, message);
    QFETCH(int, disables);
    QFETCH(bool, commanded);
    SimDrive d;
    if (trouble == "silent")
        d.motor.setIds(2, 0x12); // nobody answers as motor 1
    if (trouble == "fault")
        QVERIFY(d.motor.injectFault(SimMotor::FaultOverCurrent));
    if (trouble == "near limit") {
        d.motor.setRegister("cmode", 2u);
        SimCanFrame f{0x101, specialFrame(MotorCommand::Enable)};
        d.motor.receiveCan(f);
        f.data = canDataConvention(PosVelMode, ControlSetPoints{0, 0, 0, 0, 0, 12.0f, 10.0f}, false, MappingRanges());
        d.motor.receiveCan(f);
        d.motor.advanceClock(2.0);
        SimCanFrame off{0x101, specialFrame(MotorCommand::Disable)};
        d.motor.receiveCan(off);
    }
    Test t;
    t.size = 1.0;
    Sequence seq(t, false);
    const quint64 before = d.motor.commandCount();
    for (int i = 0; !seq.finished() && i < 5000; ++i) {
        if (trouble == "fault later" && i == 300)
            QVERIFY(d.motor.injectFault(SimMotor::FaultOverCurrent));
        d.send(seq, seq.tick(i * 1e-3));
        d.motor.advanceClock(1e-3);
    }
    d.send(seq, seq.tick(10.0));
    QCOMPARE(seq.outcome(), Sequence::Outcome::Failed);
    QVERIFY2(seq.message().contains(message), qPrintable(seq.message()));
    QCOMPARE(d.disables, disables);
    QVERIFY(!d.motor.isEnabled());
    // Enable and disable aside, did any set-point go out?
    QCOMPARE(d.motor.commandCount() - before > quint64(1 + disables), commanded);
}

void TestTuning::stopEndsTheRunAndDisablesOnlyWhatItEnabled_data()
{
    QTest::addColumn<bool>("wasEnabled");
    QTest::newRow("enabled by the run") << false;
    QTest::newRow("enabled before") << true;
}

void TestTuning::stopEndsTheRunAndDisablesOnlyWhatItEnabled()
{
    QFETCH(bool, wasEnabled);
    SimDrive d;
    Test t;
    t.size = 1.0;
    Sequence seq(t, wasEnabled);
    d.run(seq, 0.3);
    QCOMPARE(seq.outcome(), Sequence::Outcome::Stopped);
    QVERIFY(!seq.run().complete);
    QVERIFY(seq.run().samples.size() > 100);
    QCOMPARE(d.motor.isEnabled(), wasEnabled);
    QCOMPARE(d.disables, wasEnabled ? 0 : 1);
    const quint64 frames = d.motor.receivedFrameCount();
    d.send(seq, seq.tick(0.4));
    d.send(seq, seq.stop());
    QCOMPARE(d.motor.receivedFrameCount(), frames); // nothing after the stop
}

void TestTuning::refusedFramesEndTheRun_data()
{
    QTest::addColumn<bool>("linkGone"); // after the enable, the link refuses every frame
    QTest::newRow("commands refused") << false;
    QTest::newRow("link gone after the enable") << true;
}

// A bench whose commands the link refuses ends as failed, tries its disable once and
// then sends nothing.
void TestTuning::refusedFramesEndTheRun()
{
    QFETCH(bool, linkGone);
    SimDrive d;
    TuningInbox inbox;
    int tries = 0, disables = 0;
    bool enabledOnce = false;
    const auto deliver = [&](quint32 id, const QByteArray &data) {
        for (const SimCanFrame &r : d.motor.receiveCan(SimCanFrame{id, data})) {
            if (id == 0x7FF)
                inbox.pushRegister(quint8(r.data[3]), SimCodec::bitsFloat(SimCodec::getU32(r.data, 4)));
            else
                inbox.pushFeedback(classifyMotorFrame(r.id, r.data, 1, 0x11, d.ranges, ReceivePath::UsbAdapter).feedback);
        }
    };
    TuningRoad road;
    road.readRegister = [&](int rid) {
        ++tries;
        deliver(0x7FF, registerReadFrame(1, rid));
        return true;
    };
    road.special = [&](MotorCommand c, int mode) {
        ++tries;
        disables += c == MotorCommand::Disable;
        if (linkGone && enabledOnce)
            return false;
        enabledOnce |= c == MotorCommand::Enable;
        deliver(canidConvention(1, mode), specialFrame(c));
        return true;
    };
    road.command = [&](int, const QByteArray &) {
        ++tries;
        return false;
    };
    Test t;
    t.size = 0.5;
    TuningBench bench(t, false, road, inbox);
    QSignalSpy finished(&bench, &TuningBench::finished);
    bench.start();
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(bench.state().outcome(), Sequence::Outcome::Failed);
    QVERIFY2(bench.state().message().contains("指令未能发送"), qPrintable(bench.state().message()));
    QVERIFY(enabledOnce);
    QCOMPARE(disables, 1);
    QCOMPARE(d.motor.isEnabled(), linkGone);
    const int sent = tries;
    QTest::qWait(50);
    bench.stop();
    QCOMPARE(tries, sent);
}

QTEST_GUILESS_MAIN(TestTuning)
#include "tst_tuning.moc"
