// Figures for encoder calibration: the motor-side table computation for 21 pole pairs,
// and the live calibration chart's redraw (3 channels, as a motor-side run draws it)
// with a history of 500 000 samples against 50 000.
//
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_calibration

#include "calibration/calibrationMath.h"
#include "charts/ui/waveForm.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

// A motor-side run of P pole pairs with a two-harmonic encoder error and a zero offset.
struct Run {
    QList<float> refer, real, err;
    QList<int> raw;
};

Run motorRun(int P)
{
    Run r;
    const int Q = 256 * P;
    for (int i = 0; i < 2 * Q; ++i) {
        const int pos = i < Q ? i + 1 : 2 * Q - 1 - i;
        const double ref = 2 * M_PI * pos / Q;
        const double reading = ref + 0.02 * std::sin(ref + 0.3) + 0.008 * std::sin(2 * ref + 1.1) + 0.25;
        const double real = std::fmod(reading, 2 * M_PI);
        r.refer << float(ref);
        r.real << float(real);
        r.err << float(std::remainder(ref - real, 2 * M_PI));
        r.raw << int(std::lround(real / (2 * M_PI) * 16384)) % 16384;
    }
    return r;
}

void flushPaint()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// The mean time of one 100 ms chart update at a given history length: 250 new samples
// per channel (a run at 2500 records/s), redraw and paint.
double chartUpdateMs(int history, int updates)
{
    WaveForm w;
    w.createChart("校准", false);
    w.resize(990, 760); // the calibration page's chart
    w.setMaxPoints(history);
    w.setVisiblePoints(history);
    w.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    auto chunk = [](int n, int offset, int period) {
        QList<QList<float>> ch(3);
        for (int i = 0; i < n; ++i) {
            const double a = 2 * M_PI * double(offset + i) / period;
            ch[0] << float(std::fmod(a, 2 * M_PI));
            ch[1] << float(std::fmod(a + 0.25, 2 * M_PI));
            ch[2] << float(0.25 + 0.02 * std::sin(a));
        }
        return ch;
    };
    // the same picture at both lengths: one turn over the whole history
    QList<QList<float>> fill = chunk(history, 0, history);
    w.prepareDataVector(fill, {});
    flushPaint();
    QElapsedTimer t;
    t.start();
    for (int u = 0; u < updates; ++u) {
        QList<QList<float>> c = chunk(250, history + 250 * u, history);
        w.prepareDataVector(c, {});
        flushPaint();
    }
    return double(t.nsecsElapsed()) / 1e6 / updates;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const Run run = motorRun(21);
    const int reps = 20;
    QElapsedTimer t;
    t.start();
    float sink = 0;
    for (int i = 0; i < reps; ++i) {
        const CalMath::MotorCalibration c = CalMath::calibrateMotorSide(run.refer, run.real, run.err, run.raw, 21);
        sink += c.compTable.value(0);
    }
    std::printf("Cal_calibrate, 21 pole pairs (%lld samples): %.2f ms per table (checksum %.3f)\n",
                static_cast<long long>(run.err.size()), double(t.nsecsElapsed()) / 1e6 / reps, double(sink));

    const double small = chartUpdateMs(50000, 60);
    const double large = chartUpdateMs(500000, 60);
    std::printf("calibration chart update (3 channels, +250 samples, redraw + paint): %.3f ms at 50000, "
                "%.3f ms at 500000, ratio %.2f (aim <= 1.5)\n",
                small, large, large / small);
    return 0;
}
