#include "tuning/tuningFigures.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace Tuning {

namespace {

constexpr double kRiseLow = 0.1, kRiseHigh = 0.9;
constexpr double kSettleBand = 0.02;
constexpr double kFinalShare = 0.1; // the last tenth of an edge gives its final value

double valueOf(const Sample &s, Quantity q) { return q == Quantity::Position ? s.position : s.velocity; }

int firstAtOrAfter(const QVector<Sample> &s, double t)
{
    return int(std::lower_bound(s.cbegin(), s.cend(), t, [](const Sample &a, double v) { return a.t < v; })
               - s.cbegin());
}

// The time at which the straight line between two samples reaches `level`.
double crossing(double t0, double z0, double t1, double z1, double level)
{
    return z1 == z0 ? t1 : t0 + (level - z0) / (z1 - z0) * (t1 - t0);
}

// The top of the parabola through three samples, when it lies between the outer two.
double parabolaPeak(double x0, double y0, double x1, double y1, double x2, double y2)
{
    x0 -= x1;
    x2 -= x1;
    const double d01 = (y1 - y0) / (0 - x0), d12 = (y2 - y1) / x2;
    const double a = (d12 - d01) / (x2 - x0);
    if (!(a < 0))
        return y1;
    const double b = d01 - a * x0; // slope at x1 = 0
    const double xv = -b / (2 * a);
    if (xv < x0 || xv > x2)
        return y1;
    return y1 + b * xv + a * xv * xv;
}

} // namespace

StepFigures stepFigures(const QVector<Sample> &s, Quantity q, double initialFrom, double edgeTime, double end)
{
    StepFigures f;
    const int i0 = firstAtOrAfter(s, edgeTime);
    const int iEnd = firstAtOrAfter(s, end);
    if (iEnd - i0 < 4)
        return f;
    f.edgeTime = s[i0].t;
    double initial = 0;
    int n = 0;
    for (int i = firstAtOrAfter(s, initialFrom); i < i0; ++i, ++n)
        initial += valueOf(s[i], q);
    if (n == 0 && i0 > 0)
        initial = valueOf(s[i0 - 1], q), n = 1;
    if (n == 0)
        return f;
    f.initial = initial / n;
    if (i0 > 0)
        f.commanded = s[i0].command - s[i0 - 1].command;
    const int tail = std::max(1, int((iEnd - i0) * kFinalShare));
    double final = 0;
    for (int i = iEnd - tail; i < iEnd; ++i)
        final += valueOf(s[i], q);
    f.final = final / tail;
    f.peakTorque = 0;
    for (int i = i0; i < iEnd; ++i)
        f.peakTorque = std::max(f.peakTorque, std::fabs(s[i].torque));

    const double step = f.final - f.initial;
    if (std::isfinite(f.commanded) && f.commanded != 0)
        f.steadyStateError = (f.commanded - step) * (f.commanded > 0 ? 1 : -1);
    if (!std::isfinite(step) || std::fabs(step) < 1e-9)
        return f;
    // The response as a share of its own step: 0 before, 1 at the end.
    auto z = [&](int i) { return (valueOf(s[i], q) - f.initial) / step; };

    double t10 = qQNaN(), t90 = qQNaN();
    for (int i = i0; i < iEnd && std::isnan(t90); ++i) {
        const double zp = i > i0 ? z(i - 1) : 0.0, tp = i > i0 ? s[i - 1].t : f.edgeTime;
        if (std::isnan(t10) && z(i) >= kRiseLow)
            t10 = crossing(tp, zp, s[i].t, z(i), kRiseLow);
        if (!std::isnan(t10) && z(i) >= kRiseHigh)
            t90 = crossing(tp, zp, s[i].t, z(i), kRiseHigh);
    }
    f.riseTime = t90 - t10;

    int top = i0;
    for (int i = i0; i < iEnd; ++i)
        if (z(i) > z(top))
            top = i;
    double peak = z(top);
    if (top > i0 && top + 1 < iEnd)
        peak = parabolaPeak(s[top - 1].t, z(top - 1), s[top].t, z(top), s[top + 1].t, z(top + 1));
    f.overshootPct = std::max(0.0, (peak - 1.0) * 100.0);

    int last = -1;
    for (int i = iEnd - 1; i >= i0; --i)
        if (std::fabs(z(i) - 1.0) > kSettleBand) {
            last = i;
            break;
        }
    if (last < 0)
        f.settlingTime = 0;
    else if (last + 1 < iEnd) {
        const double bound = z(last) > 1.0 ? 1.0 + kSettleBand : 1.0 - kSettleBand;
        f.settlingTime = crossing(s[last].t, z(last), s[last + 1].t, z(last + 1), bound) - f.edgeTime;
    }
    return f;
}

StepFigures meanStepFigures(const QList<StepFigures> &edges)
{
    StepFigures m;
    auto mean = [&](double StepFigures::*field) {
        double sum = 0;
        int n = 0;
        for (const StepFigures &e : edges)
            if (std::isfinite(e.*field))
                sum += e.*field, ++n;
        m.*field = n > 0 ? sum / n : qQNaN();
    };
    for (auto field : {&StepFigures::riseTime, &StepFigures::overshootPct, &StepFigures::settlingTime,
                       &StepFigures::steadyStateError, &StepFigures::peakTorque})
        mean(field);
    // Up and down edges differ in sign; the mean step is their size.
    double sum = 0;
    int n = 0;
    for (const StepFigures &e : edges)
        if (std::isfinite(e.commanded))
            sum += std::fabs(e.commanded), ++n;
    m.commanded = n > 0 ? sum / n : qQNaN();
    double peak = 0;
    for (const StepFigures &e : edges)
        if (std::isfinite(e.peakTorque))
            peak = std::max(peak, e.peakTorque);
    if (std::isfinite(m.peakTorque))
        m.peakTorque = peak; // the largest of all edges is what the motor had to give
    return m;
}

Ratio frequencyRatio(const QVector<Sample> &s, Quantity q, double hz, double from, double to)
{
    const int a = firstAtOrAfter(s, from), b = firstAtOrAfter(s, to);
    if (b - a < 8 || !(hz > 0))
        return {};
    // Least squares of x(t) = p sin(wt) + c cos(wt) + d for command and response: exact for
    // a sine whatever the window and the sample times. p + ic is the phasor A e^(i phi).
    const double w = 2 * M_PI * hz;
    double m[3][3] = {}, ru[3] = {}, ry[3] = {};
    for (int i = a; i < b; ++i) {
        const double base[3] = {std::sin(w * s[i].t), std::cos(w * s[i].t), 1.0};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                m[r][c] += base[r] * base[c];
            ru[r] += base[r] * s[i].command;
            ry[r] += base[r] * valueOf(s[i], q);
        }
    }
    auto det = [](const double (&x)[3][3]) {
        return x[0][0] * (x[1][1] * x[2][2] - x[1][2] * x[2][1]) - x[0][1] * (x[1][0] * x[2][2] - x[1][2] * x[2][0])
            + x[0][2] * (x[1][0] * x[2][1] - x[1][1] * x[2][0]);
    };
    const double d = det(m);
    if (!(std::fabs(d) > 0))
        return {};
    // Cramer's rule for the sine and cosine parts.
    auto part = [&](const double (&rhs)[3], int k) {
        double x[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                x[r][c] = c == k ? rhs[r] : m[r][c];
        return det(x) / d;
    };
    const std::complex<double> u(part(ru, 0), part(ru, 1)), y(part(ry, 0), part(ry, 1));
    if (!(std::abs(u) > 0))
        return {};
    const std::complex<double> h = y / u;
    return {h.real(), h.imag()};
}

double bandwidthHz(const QList<SweepPoint> &p)
{
    // The lowest frequency measured is the reference; a frequency whose samples were lost
    // (a stalled link) is passed over instead of voiding the whole sweep.
    int last = -1;
    double level = qQNaN();
    for (int k = 0; k < p.size(); ++k) {
        if (!std::isfinite(p[k].gainDb))
            continue;
        if (last < 0) {
            level = p[k].gainDb - 3.0;
        } else if (p[k].gainDb < level) {
            const double x0 = std::log10(p[last].hz), x1 = std::log10(p[k].hz);
            return std::pow(10.0, crossing(x0, p[last].gainDb, x1, p[k].gainDb, level));
        }
        last = k;
    }
    return qQNaN();
}

SweepFigures sweepFigures(const QVector<Sample> &s, Quantity q, const Plan &plan)
{
    SweepFigures f;
    const QList<double> hz = plan.frequencies();
    for (int k = 0; k < hz.size(); ++k) {
        double re = 0, im = 0;
        int n = 0;
        for (const SweepStep &step : plan.sweep()) {
            if (step.hz != hz[k])
                continue;
            const Ratio r = frequencyRatio(s, q, step.hz, step.analysisBegin, step.end);
            if (std::isfinite(r.re) && std::isfinite(r.im))
                re += r.re, im += r.im, ++n;
        }
        SweepPoint p;
        p.hz = hz[k];
        if (n > 0 && (re != 0 || im != 0)) {
            p.gainDb = 20 * std::log10(std::hypot(re, im) / n);
            p.phaseDeg = std::atan2(im, re) * 180 / M_PI;
            // Phase keeps on from the frequency below instead of jumping by whole turns.
            if (!f.points.isEmpty() && std::isfinite(f.points.last().phaseDeg)) {
                while (p.phaseDeg - f.points.last().phaseDeg > 180)
                    p.phaseDeg -= 360;
                while (p.phaseDeg - f.points.last().phaseDeg < -180)
                    p.phaseDeg += 360;
            }
        }
        f.points.append(p);
    }
    f.bandwidthHz = bandwidthHz(f.points);
    return f;
}

} // namespace Tuning
