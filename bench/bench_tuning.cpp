// The tuning window during a 1 kHz run: a position step test against the simulated motor
// behind the simulated serial adapter (in this process, on its own threads), with the
// window's plot refreshing every 100 ms. Reports the GUI thread's own CPU time per 100 ms
// (it sends every command and draws), the feedback kept against the commands sent, and
// the figures of the run.
//
// For comparison the same window without a run ("idle"), and the control panel's own
// periodic send at 1 ms ("panel"), which takes the same road.
//
// Run from the build tree: bench/bench_tuning [seconds] [idle|panel]

#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "tuning/ui/tuningWindow.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include "simMotor.h"
#include "simSerialAdapter.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(1.0, atof(argv[1])) : 10.0;
    DialogService::setHandler([](const DialogService::Request &r) {
        DialogService::Reply reply;
        reply.result = r.kind == DialogService::Question ? QMessageBox::Yes : QMessageBox::Ok;
        return reply;
    });

    SimSerialAdapter sim;
    sim.setMode(SimSerialAdapter::Adapter);
    sim.setHeartbeatEnabled(false);
    auto motor = std::make_shared<SimMotor>(1, 0x11, SimMotor::Layout::Long);
    sim.addMotor(motor);
    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "simulated adapter: %s\n", qPrintable(error));
        return 1;
    }
    StartupOptions o;
    o.port = sim.slavePath();
    MainWindow w(o);
    w.form()->masteridEdit->setText("11");
    w.show();
    w.form()->btn_comSwitch->click();
    if (!w.isPortOpen()) {
        std::fprintf(stderr, "port did not open\n");
        return 1;
    }
    w.form()->btn_tuning->click();
    TuningWindow *bench = w.tuningBench();
    Tuning::Test t;
    t.size = 0.5;
    t.durationS = seconds / 4;
    t.repeats = 2;
    t.periodMs = 1;
    bench->setTest(t);
    bench->resize(1100, 600);

    // The GUI thread's own CPU time in each 100 ms window (read on the GUI thread itself).
    auto threadCpuNs = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    };
    QList<double> perWindow; // ms of GUI-thread CPU in each 100 ms
    QTimer window;
    window.setTimerType(Qt::PreciseTimer);
    qint64 lastCpu = threadCpuNs();
    QObject::connect(&window, &QTimer::timeout, [&] {
        const qint64 now = threadCpuNs();
        perWindow.append((now - lastCpu) / 1e6);
        lastCpu = now;
    });

    const QString mode = argc > 2 ? QString(argv[2]) : QString();
    if (mode == "idle" || mode == "panel") {
        if (mode == "panel") {
            w.form()->btn_motorMode->click();
            w.form()->periodicSend->setChecked(true);
            w.form()->sendIntervalEdit_2->setText("1");
            w.form()->btn_canDebugSend->click();
        }
        window.start(100);
        QEventLoop loop;
        QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
        loop.exec();
        window.stop();
        QList<double> steady = perWindow.mid(3);
        std::sort(steady.begin(), steady.end());
        double sum = 0;
        for (double v : steady)
            sum += v;
        std::printf("%s: GUI thread CPU per 100 ms over %lld windows: mean %.2f ms, median %.2f ms, max %.2f ms\n",
                    qPrintable(mode), qint64(steady.size()), steady.isEmpty() ? 0.0 : sum / steady.size(),
                    steady.isEmpty() ? 0.0 : steady[steady.size() / 2], steady.isEmpty() ? 0.0 : steady.last());
        return 0;
    }
    const quint64 framesBefore = motor->receivedFrameCount();
    bench->findChild<QPushButton *>("tuneStartButton")->click();
    window.start(100);
    QEventLoop loop;
    QObject::connect(bench, &TuningWindow::runFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(int(seconds * 1000) + 5000, &loop, &QEventLoop::quit);
    loop.exec();
    window.stop();
    const quint64 frames = motor->receivedFrameCount() - framesBefore;

    if (bench->runs().isEmpty()) {
        std::fprintf(stderr, "the run kept nothing\n");
        return 1;
    }
    const Tuning::Run &run = bench->runs().last();
    const Tuning::RunFigures f = Tuning::runFigures(run);
    // The first windows read gains and enable; the steady part is what a run costs.
    QList<double> steady = perWindow.mid(3);
    std::sort(steady.begin(), steady.end());
    double sum = 0;
    for (double v : steady)
        sum += v;
    const auto pct = [&](double p) { return steady.isEmpty() ? 0.0 : steady[int(p * (steady.size() - 1))]; };
    std::printf("1 kHz position step run of %.1f s: %lld samples kept, %d lost, %llu frames reached the motor%s\n",
                Tuning::Plan(t).duration(), qint64(run.samples.size()), run.lostFeedback,
                static_cast<unsigned long long>(frames), run.complete ? "" : " (incomplete)");
    std::printf("GUI thread CPU per 100 ms over %lld windows: mean %.2f ms, median %.2f ms, p95 %.2f ms, max %.2f ms\n",
                qint64(steady.size()), steady.isEmpty() ? 0.0 : sum / steady.size(), pct(0.5), pct(0.95),
                steady.isEmpty() ? 0.0 : steady.last());
    const double windows = Tuning::Plan(t).duration() / 0.1;
    std::printf("the bench's own share: drawing %.2f ms and ticks (answers in, frames out) %.2f ms per 100 ms\n",
                bench->liveDrawNanoseconds() / 1e6 / windows, bench->lastRunTickNanoseconds() / 1e6 / windows);
    std::printf("figures: rise %.1f ms, overshoot %.1f %%, settling %.1f ms, peak torque %.2f N-m\n",
                f.step.riseTime * 1000, f.step.overshootPct, f.step.settlingTime * 1000, f.step.peakTorque);
    return 0;
}
