#pragma once

// Amplitude spectrum of the quality analysis: the motor records a block of samples, the
// tool windows them, transforms them with FFTW and judges the amplitudes at 24 Hz and
// 28 Hz against a limit. Plain maths on Qt Core and FFTW; the dialog only shows it.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QVector>

#include <fftw3.h>

// Every 4 bytes, little-endian, as an IEEE-754 float. A size that is not a multiple of 4
// gives an empty list (and a debug log line).
QList<float> ut32ToFloatVector(const QByteArray &bytes);

namespace Spectrum {

constexpr int SampleRate = 1000;     // Hz, the motor's recording rate
constexpr int FftSize = 1024;
constexpr int BlockSamples = 1024;   // samples in the motor's block
constexpr int BlockBytes = BlockSamples * 4;
constexpr float Limit = 0.04f;       // highest amplitude still judged normal
constexpr double FirstHz = 24.0;
constexpr double SecondHz = 28.0;
constexpr int RankedPeaks = 5;

struct Peak {
    int bin = 0;
    double frequency = 0;
    double amplitude = 0;
};

struct Result {
    int size = 0;                 // FFT size N; 0 when nothing could be computed
    int badSample = -1;           // the first sample that is no number (then size is 0)
    int sampleRate = 0;
    double binWidth = 0;          // sampleRate / N
    QVector<double> amplitudes;   // N/2 bins, bin 0 = DC
    int k24 = 0, k28 = 0;         // the bins judged
    double amp24 = 0, amp28 = 0;
    QList<Peak> ranking;          // the largest bins 1..N/2-1, largest first
    double axisMin = 0, axisMax = 0; // vertical axis range of the plot
};

// The bin nearest to `hz`, clamped to 0..bins-1.
int binFor(double hz, double binWidth, int bins);
// The `count` largest amplitudes among bins 1..size-1, largest first.
QList<Peak> rankBins(const QVector<double> &amplitudes, double binWidth, int count);
// The vertical range: min..max of bins 1..98 widened by 10 % on each side, or
// -0.12..0.12 when that part of the spectrum is all zero.
QPair<double, double> amplitudeAxisRange(const QVector<double> &amplitudes);
// The first of samples 0..n-1 that is NaN or infinite, -1 when all are numbers. One such
// sample spreads over every bin of the transform: no amplitude of that block means anything.
int firstNonFiniteSample(const QList<float> &samples, int n);
// The verdict of one amplitude: normal up to and including the limit.
inline bool withinLimit(float amplitude, float limit) { return amplitude <= limit; }

} // namespace Spectrum

// Holds the FFTW buffers and plan between analyses; they are made again only when the
// FFT size changes. FFTW's planner is not thread-safe: use one analyzer per thread, and
// make plans on one thread at a time.
class SpectrumAnalyzer
{
public:
    SpectrumAnalyzer() = default;
    ~SpectrumAnalyzer();
    SpectrumAnalyzer(const SpectrumAnalyzer &) = delete;
    SpectrumAnalyzer &operator=(const SpectrumAnalyzer &) = delete;

    // Samples beyond n are ignored, missing ones count as 0 (zero-padding).
    Spectrum::Result compute(const QList<float> &samples, int sampleRate, int n);

    int planSize() const { return size; }
    int plansMade() const { return plans; }

private:
    void preparePlan(int n);
    void release();

    fftw_complex *in = nullptr;
    fftw_complex *out = nullptr;
    fftw_plan plan = nullptr;
    int size = 0;
    int plans = 0;
};
