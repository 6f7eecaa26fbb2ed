// Figures for the waveform chart: the background computation, the GUI-thread redraw,
// the decimated multi-channel path at two history lengths, and the GUI-thread cost of
// one 100 ms feedback cycle with three charts fed at 1 kHz.
//
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_waveform

#include "charts/ui/waveForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#ifdef ZK_HAVE_GBENCH
#include <benchmark/benchmark.h>
#endif

namespace {

QList<float> signal(int n, int offset, float amplitude = 1.0f)
{
    QList<float> out;
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out.append(amplitude * float(std::sin((offset + i) * 0.01)) + 0.1f * float((offset + i) % 7));
    return out;
}

// A waveform with a fixed number of periods across n samples: the picture, and so the
// painting cost, is the same at every history length, which leaves the length itself
// as the only difference between two runs.
QList<float> periodic(int n, int offset, int length, float amplitude)
{
    QList<float> out;
    out.reserve(n);
    const double w = 2 * M_PI * 20 / length;
    for (int i = 0; i < n; ++i)
        out.append(amplitude * float(std::sin((offset + i) * w)) + 0.05f * float((offset + i) % 3));
    return out;
}

qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void flushPaint()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// Counts the paints of a viewport, to show that the figures include painting.
struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// One chart of the size it has in the main window, shown (offscreen) and laid out.
std::unique_ptr<WaveForm> shownChart(int width, int height)
{
    auto w = std::make_unique<WaveForm>();
    w->createChart("bench", false);
    w->resize(width, height);
    w->show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    return w;
}

// Three feedback charts stacked in one window, as on the debug page.
struct FeedbackPage
{
    QWidget window;
    WaveForm *charts[3];

    FeedbackPage()
    {
        auto *layout = new QVBoxLayout(&window);
        const QColor colors[3] = {Qt::red, Qt::blue, Qt::darkGreen};
        for (int i = 0; i < 3; ++i) {
            charts[i] = new WaveForm(&window);
            charts[i]->createChart("bench", false);
            charts[i]->setWaveColor(colors[i]);
            charts[i]->setIncludeZero(true);
            layout->addWidget(charts[i]);
        }
        window.resize(900, 900);
        window.show();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        // full history, as after a minute of running
        for (int i = 0; i < 3; ++i)
            charts[i]->drawWaveData(charts[i]->processWaveData(signal(50000, 0, float(i + 1))));
        flushPaint();
    }

    // GUI-thread part of one cycle: three redraws and the painting they cause (the
    // scene collects its changes in one posted event, the paint follows in the next).
    void guiCycle(const WaveDataContainer data[3])
    {
        for (int i = 0; i < 3; ++i)
            charts[i]->drawWaveData(data[i]);
        flushPaint();
    }
};

double multiCycleMs(int historyLength, int cycles)
{
    auto w = shownChart(900, 300);
    w->setMaxPoints(historyLength);
    w->setVisiblePoints(historyLength);
    QList<QList<float>> fill;
    for (int c = 0; c < 5; ++c)
        fill.append(periodic(historyLength, 0, historyLength, float(c + 1)));
    w->drawMultiWaveData(w->processMultiWaveData(fill));
    QList<QList<float>> chunk;
    for (int c = 0; c < 5; ++c)
        chunk.append(periodic(100, historyLength, historyLength, float(c + 1)));
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < cycles; ++i) {
        w->drawMultiWaveData(w->processMultiWaveData(chunk));
        flushPaint();
    }
    return double(t.nsecsElapsed()) / 1e6 / cycles;
}

} // namespace

#ifdef ZK_HAVE_GBENCH

static void BM_ProcessWaveData(benchmark::State &state)
{
    WaveForm w;
    w.createChart("bench", false);
    w.setIncludeZero(true);
    w.processWaveData(signal(50000, 0));
    const QList<float> chunk = signal(100, 50000); // 100 ms at 1 kHz
    for (auto _ : state)
        benchmark::DoNotOptimize(w.processWaveData(chunk));
    state.SetLabel("history 50000, window 5000, +100 samples");
}
BENCHMARK(BM_ProcessWaveData)->Unit(benchmark::kMicrosecond);

static void BM_DrawWaveData(benchmark::State &state)
{
    auto w = shownChart(900, 300);
    w->processWaveData(signal(50000, 0));
    const WaveDataContainer a = w->processWaveData(signal(100, 50000));
    const WaveDataContainer b = w->processWaveData(signal(100, 50100));
    const bool paint = state.range(0) != 0;
    PaintCounter counter;
    w->view()->viewport()->installEventFilter(&counter);
    bool flip = false;
    for (auto _ : state) {
        w->drawWaveData((flip = !flip) ? a : b);
        if (paint)
            flushPaint();
    }
    state.counters["paints"] = counter.paints;
    state.SetLabel(paint ? "5000 points, redraw + paint" : "5000 points, redraw only");
}
BENCHMARK(BM_DrawWaveData)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

static void BM_MultiWave(benchmark::State &state)
{
    const int n = int(state.range(0));
    auto w = shownChart(900, 300);
    w->setMaxPoints(n);
    w->setVisiblePoints(n);
    QList<QList<float>> fill;
    for (int c = 0; c < 5; ++c)
        fill.append(periodic(n, 0, n, float(c + 1)));
    w->drawMultiWaveData(w->processMultiWaveData(fill));
    QList<QList<float>> chunk;
    for (int c = 0; c < 5; ++c)
        chunk.append(periodic(100, n, n, float(c + 1)));
    for (auto _ : state) {
        w->drawMultiWaveData(w->processMultiWaveData(chunk));
        flushPaint();
    }
    state.SetLabel("5 channels, window = history, +100 samples each, with paint");
}
BENCHMARK(BM_MultiWave)->Arg(50000)->Arg(500000)->Unit(benchmark::kMicrosecond);

static void BM_FeedbackCycleGuiTime(benchmark::State &state)
{
    FeedbackPage page;
    int offset = 50000;
    for (auto _ : state) {
        state.PauseTiming(); // done on pool threads in the tool
        WaveDataContainer data[3];
        for (int i = 0; i < 3; ++i)
            data[i] = page.charts[i]->processWaveData(signal(100, offset, float(i + 1)));
        offset += 100;
        state.ResumeTiming();
        page.guiCycle(data);
    }
    state.SetLabel("3 charts x 100 samples, redraw + paint");
}
BENCHMARK(BM_FeedbackCycleGuiTime)->Unit(benchmark::kMillisecond);

#endif

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

#ifdef ZK_HAVE_GBENCH
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
#endif

    // Derived figures, measured directly so that they print without the library too.
    const double small = multiCycleMs(50000, 200);
    const double large = multiCycleMs(500000, 200);
    std::printf("\nmulti-channel cycle (5 ch, +100 samples, process + draw + paint): %.3f ms at 50000, %.3f ms at 500000, "
                "ratio %.2f (aim <= 1.5)\n",
                small, large, large / small);

    FeedbackPage page;
    PaintCounter counter;
    for (WaveForm *c : page.charts)
        c->view()->viewport()->installEventFilter(&counter);
    const int cycles = 300;
    int offset = 50000;
    qint64 guiNs = 0, maxNs = 0, cpuNs = 0;
    std::vector<qint64> cpuPerCycle;
    for (int c = 0; c < cycles; ++c) {
        WaveDataContainer data[3];
        for (int i = 0; i < 3; ++i)
            data[i] = page.charts[i]->processWaveData(signal(100, offset, float(i + 1)));
        offset += 100;
        QElapsedTimer t;
        t.start();
        const qint64 cpu0 = threadCpuNs();
        page.guiCycle(data);
        const qint64 cpu = threadCpuNs() - cpu0;
        const qint64 ns = t.nsecsElapsed();
        guiNs += ns;
        cpuNs += cpu;
        cpuPerCycle.push_back(cpu);
        maxNs = std::max(maxNs, ns);
    }
    std::sort(cpuPerCycle.begin(), cpuPerCycle.end());
    // The thread's own CPU time hardly depends on what else the machine runs; the wall
    // time does.
    std::printf("feedback cycle GUI-thread time (3 charts, 1 kHz, 100 ms, redraw + paint): mean %.3f ms, "
                "max %.3f ms; CPU mean %.3f ms, median %.3f ms (aim < 3 ms idle, < 5 ms busy); %d chart paints in "
                "%d cycles\n",
                double(guiNs) / 1e6 / cycles, double(maxNs) / 1e6, double(cpuNs) / 1e6 / cycles,
                double(cpuPerCycle[cpuPerCycle.size() / 2]) / 1e6, counter.paints, cycles);
    return 0;
}
