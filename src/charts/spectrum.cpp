#include "charts/spectrum.h"

#include "log/log.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

QList<float> ut32ToFloatVector(const QByteArray &bytes)
{
    QList<float> out;
    if (bytes.size() % 4 != 0) {
        Logger::debug("数据长度不是4的倍数，无法完整转换为float", "ut32ToFloatVector");
        return out;
    }
    out.reserve(bytes.size() / 4);
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size(); i += 4) {
        const quint32 bits = qFromLittleEndian<quint32>(p + i);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        out.append(f);
    }
    return out;
}

namespace Spectrum {

int binFor(double hz, double binWidth, int bins)
{
    if (bins <= 0 || !(binWidth > 0))
        return 0;
    const int k = int(hz / binWidth + 0.5);
    return std::clamp(k, 0, bins - 1);
}

QList<Peak> rankBins(const QVector<double> &amplitudes, double binWidth, int count)
{
    const int bins = int(amplitudes.size());
    const int take = std::max(0, std::min(count, bins - 1));
    QVector<int> order(std::max(0, bins - 1));
    std::iota(order.begin(), order.end(), 1);
    // Equal amplitudes keep the lower bin first, so the ranking is reproducible.
    auto larger = [&amplitudes](int a, int b) {
        return amplitudes[a] != amplitudes[b] ? amplitudes[a] > amplitudes[b] : a < b;
    };
    std::partial_sort(order.begin(), order.begin() + take, order.end(), larger);
    QList<Peak> out;
    for (int i = 0; i < take; ++i)
        out.append({order[i], order[i] * binWidth, amplitudes[order[i]]});
    return out;
}

int firstNonFiniteSample(const QList<float> &samples, int n)
{
    const int given = int(std::min<qsizetype>(samples.size(), std::max(n, 0)));
    for (int i = 0; i < given; ++i)
        if (!std::isfinite(samples[i]))
            return i;
    return -1;
}

QPair<double, double> amplitudeAxisRange(const QVector<double> &amplitudes)
{
    const int last = std::min(98, int(amplitudes.size()) - 1);
    if (last < 1)
        return {-0.12, 0.12};
    const auto [lo, hi] = std::minmax_element(amplitudes.begin() + 1, amplitudes.begin() + last + 1);
    if (*lo == 0 && *hi == 0)
        return {-0.12, 0.12};
    const double margin = (*hi - *lo) * 0.1;
    // A flat, non-zero spectrum would give an empty range: give it the default height.
    if (margin == 0)
        return {*lo - 0.12, *hi + 0.12};
    return {*lo - margin, *hi + margin};
}

} // namespace Spectrum

SpectrumAnalyzer::~SpectrumAnalyzer() { release(); }

void SpectrumAnalyzer::release()
{
    if (plan)
        fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
    plan = nullptr;
    in = out = nullptr;
    size = 0;
}

void SpectrumAnalyzer::preparePlan(int n)
{
    if (n == size && plan)
        return;
    release();
    in = static_cast<fftw_complex *>(fftw_malloc(sizeof(fftw_complex) * size_t(n)));
    out = static_cast<fftw_complex *>(fftw_malloc(sizeof(fftw_complex) * size_t(n)));
    plan = fftw_plan_dft_1d(n, in, out, FFTW_FORWARD, FFTW_ESTIMATE);
    size = n;
    ++plans;
}

Spectrum::Result SpectrumAnalyzer::compute(const QList<float> &samples, int sampleRate, int n)
{
    Spectrum::Result r;
    if (n < 2 || sampleRate <= 0)
        return r;
    r.badSample = Spectrum::firstNonFiniteSample(samples, n);
    if (r.badSample >= 0)
        return r;
    preparePlan(n);

    const int given = int(std::min<qsizetype>(samples.size(), n));
    const double step = 2.0 * M_PI / double(n - 1);
    for (int i = 0; i < n; ++i) {
        const double x = i < given ? double(samples[i]) : 0.0;
        in[i][0] = (1.0 - std::cos(step * i)) * x;
        in[i][1] = 0.0;
    }
    fftw_execute(plan);

    const int bins = n / 2;
    r.size = n;
    r.sampleRate = sampleRate;
    r.binWidth = double(sampleRate) / n;
    r.amplitudes.resize(bins);
    for (int k = 0; k < bins; ++k)
        r.amplitudes[k] = 2.0 * std::hypot(out[k][0], out[k][1]) / n;
    if (bins > 0)
        r.amplitudes[0] /= 2.0;

    r.k24 = Spectrum::binFor(Spectrum::FirstHz, r.binWidth, bins);
    r.k28 = Spectrum::binFor(Spectrum::SecondHz, r.binWidth, bins);
    r.amp24 = bins > 0 ? r.amplitudes[r.k24] : 0.0;
    r.amp28 = bins > 0 ? r.amplitudes[r.k28] : 0.0;
    r.ranking = Spectrum::rankBins(r.amplitudes, r.binWidth, Spectrum::RankedPeaks);
    const auto range = Spectrum::amplitudeAxisRange(r.amplitudes);
    r.axisMin = range.first;
    r.axisMax = range.second;
    return r;
}
