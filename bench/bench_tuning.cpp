// The tuning window during a 1 kHz run: a position step test against the simulated motor
// behind the simulated serial adapter (in this process, on its own threads), with the
// window's plot refreshing every 100 ms. Reports the GUI thread's busy time per 100 ms
// (the time between the event dispatcher waking and going back to sleep), the feedback
// kept against the commands sent, and the figures of the run.
//
// Run from the build tree: bench/bench_tuning [seconds]

#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "tuning/ui/tuningWindow.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include "simMotor.h"
#include "simSerialAdapter.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>

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

    // Busy time of the GUI thread: from each wake-up of its event dispatcher to its next sleep.
    QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance();
    QElapsedTimer clock;
    clock.start();
    qint64 awakeSince = -1, busy = 0;
    QObject::connect(d, &QAbstractEventDispatcher::awake, [&] {
        if (awakeSince < 0)
            awakeSince = clock.nsecsElapsed();
    });
    QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, [&] {
        if (awakeSince >= 0)
            busy += clock.nsecsElapsed() - awakeSince;
        awakeSince = -1;
    });
    QList<double> perWindow; // ms of busy time in each 100 ms
    QTimer window;
    window.setTimerType(Qt::PreciseTimer);
    qint64 lastBusy = 0;
    QObject::connect(&window, &QTimer::timeout, [&] {
        perWindow.append((busy - lastBusy) / 1e6);
        lastBusy = busy;
    });

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
    std::printf("GUI thread busy per 100 ms over %lld windows: mean %.2f ms, median %.2f ms, p95 %.2f ms, max %.2f ms\n",
                qint64(steady.size()), steady.isEmpty() ? 0.0 : sum / steady.size(), pct(0.5), pct(0.95),
                steady.isEmpty() ? 0.0 : steady.last());
    std::printf("figures: rise %.1f ms, overshoot %.1f %%, settling %.1f ms, peak torque %.2f N-m\n",
                f.step.riseTime * 1000, f.step.overshootPct, f.step.settlingTime * 1000, f.step.peakTorque);
    return 0;
}
