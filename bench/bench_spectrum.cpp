// Spectrum computation of the quality analysis: window, FFT, amplitudes, verdict bins,
// ranking and axis range, for the motor's 1 024-sample block and for 65 536 samples.
// The plan is made once per size (as the dialog keeps it); its making is timed apart.
// Also the check of a received block (CRC-32 and conversion).

#include "charts/spectrum.h"
#include "charts/spectrumCapture.h"
#include "log/log.h"
#include "simConsoleExtras.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QList<float> signal(int n)
{
    SimSpectrumSignal s = SimSpectrumSignal::healthy();
    s.samples = n;
    return SimSpectrum::samples(s);
}

// Median of `rounds` timings of f, in microseconds.
template <typename F>
double medianMicros(int rounds, F f)
{
    std::vector<double> t;
    t.reserve(rounds);
    QElapsedTimer clock;
    for (int i = 0; i < rounds; ++i) {
        clock.start();
        f();
        t.push_back(clock.nsecsElapsed() / 1000.0);
    }
    std::nth_element(t.begin(), t.begin() + rounds / 2, t.end());
    return t[rounds / 2];
}

} // namespace

int main()
{
    // The block check logs its verdict at info level; only the figures are wanted here.
    Logger::setLogLevel(Logger::WARNING);
    for (int n : {1024, 65536}) {
        const QList<float> x = signal(n);
        SpectrumAnalyzer fft;
        QElapsedTimer first;
        first.start();
        Spectrum::Result r = fft.compute(x, Spectrum::SampleRate, n);
        const double firstMs = first.nsecsElapsed() / 1e6;
        const int rounds = n <= 1024 ? 2000 : 100;
        const double us = medianMicros(rounds, [&] { r = fft.compute(x, Spectrum::SampleRate, n); });
        std::printf("spectrum of %6d samples: %9.1f us per run (plan kept; first run with planning %.2f ms), "
                    "24 Hz %.6f, 28 Hz %.6f\n",
                    n, us, firstMs, r.amp24, r.amp28);
    }

    const QByteArray block = SimSpectrum::answer(SimSpectrumSignal::healthy()).mid(1);
    QList<float> samples;
    const double checkUs = medianMicros(2000, [&] { SpectrumCapture::checkBlock(block, &samples); });
    std::printf("block check (CRC-32 of 4096 bytes, 1024 floats): %.1f us\n", checkUs);
    return 0;
}
