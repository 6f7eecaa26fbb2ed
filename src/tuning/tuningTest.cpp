#include "tuning/tuningTest.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace Tuning {

namespace {

constexpr int kMinCycles = 4;        // per sweep frequency, the first of them to settle
constexpr int kSamplesPerCycle = 10; // the fastest sine keeps at least this many feedbacks a cycle
constexpr int kMaxSweepSteps = 31;

QString num(double v) { return QString::number(v, 'g', 6); }
} // namespace

bool Test::operator==(const Test &o) const
{
    return signal == o.signal && quantity == o.quantity && size == o.size && durationS == o.durationS
        && repeats == o.repeats && fromHz == o.fromHz && toHz == o.toHz && speedLimit == o.speedLimit
        && periodMs == o.periodMs;
}

QString quantityUnit(Quantity q) { return q == Quantity::Position ? QStringLiteral("rad") : QStringLiteral("rad/s"); }

int minimumPeriodMs(int bitRate)
{
    // A standard data frame of 8 bytes is at most 135 bits with stuffing; two per period
    // at no more than half the bus.
    const double rate = bitRate > 0 ? bitRate : 1000000.0;
    const double seconds = 2.0 * 135.0 / (0.5 * rate);
    return std::clamp(int(std::ceil(seconds * 1000.0 - 1e-9)), 1, kMaxPeriodMs);
}

QString validate(const Test &t, const Limits &l, double start)
{
    const bool position = t.quantity == Quantity::Position;
    const double max = position ? l.positionMax : l.velocityMax;
    const QString unit = quantityUnit(t.quantity);
    auto finite = [](double v) { return std::isfinite(v); };
    if (!finite(t.size) || !finite(t.durationS) || !finite(t.fromHz) || !finite(t.toHz) || !finite(t.speedLimit)
        || !finite(start))
        return QCoreApplication::translate("Tuning", "测试参数必须是数字");
    if (!(max > 0) || !finite(max))
        return QCoreApplication::translate("Tuning", "范围 ±%1 %2 无效：请先读取参数").arg(num(max), unit);
    if (t.periodMs < l.minPeriodMs || t.periodMs > kMaxPeriodMs)
        return QCoreApplication::translate("Tuning", "周期 %1 ms 超出范围 %2 … %3 ms（链路所能承载的反馈速率）").arg(t.periodMs).arg(l.minPeriodMs).arg(kMaxPeriodMs);
    if (t.durationS < kMinDurationS || t.durationS > kMaxDurationS)
        return QCoreApplication::translate("Tuning", "时长 %1 s 超出范围 %2 … %3 s").arg(num(t.durationS), num(kMinDurationS), num(kMaxDurationS));
    if (t.repeats < 1 || t.repeats > kMaxRepeats)
        return QCoreApplication::translate("Tuning", "重复次数 %1 超出范围 1 … %2").arg(t.repeats).arg(kMaxRepeats);
    if (position && (!(t.speedLimit > 0) || t.speedLimit > l.velocityMax))
        return QCoreApplication::translate("Tuning", "限速 %1 rad/s 超出范围 (0, %2] rad/s").arg(num(t.speedLimit), num(l.velocityMax));
    if (t.signal == Signal::Step) {
        if (t.size == 0 || std::fabs(start + t.size) > max)
            return QCoreApplication::translate("Tuning", "阶跃 %1 %2 超出范围：从 %3 %2 起，目标须在 ±%4 %2 之内")
                .arg(num(t.size), unit, num(start), num(max));
        return QString();
    }
    if (!(t.size > 0) || std::fabs(start) + t.size > max)
        return QCoreApplication::translate("Tuning", "扫频幅值 %1 %2 超出范围：从 %3 %2 起，须大于 0 且不超出 ±%4 %2")
            .arg(num(t.size), unit, num(start), num(max));
    const double top = std::min(kMaxSweepHz, 1000.0 / (kSamplesPerCycle * t.periodMs));
    if (t.fromHz < kMinSweepHz || t.toHz > top || !(t.fromHz < t.toHz))
        return QCoreApplication::translate("Tuning", "扫频 %1 … %2 Hz 超出范围：%3 … %4 Hz，起始频率须低于终止频率")
            .arg(num(t.fromHz), num(t.toHz), num(kMinSweepHz), num(top));
    return QString();
}

Plan::Plan(const Test &t) : test(t)
{
    if (t.signal == Signal::Step) {
        const double d = t.durationS;
        for (int r = 0; r < t.repeats; ++r) {
            const double up = kLeadS + 2 * r * d;
            stepEdges.append({up, up + d, 0.0, t.size});
            stepEdges.append({up + d, up + 2 * d, t.size, 0.0});
        }
        total = kLeadS + 2 * t.repeats * d;
        return;
    }
    // Log-spaced frequencies, about ten a decade; each held for whole cycles so that the
    // sine starts and ends at the start value.
    const double decades = std::log10(t.toHz / t.fromHz);
    const int n = std::clamp(int(std::lround(10 * decades)) + 1, 2, kMaxSweepSteps);
    double at = kLeadS;
    for (int r = 0; r < t.repeats; ++r) {
        for (int k = 0; k < n; ++k) {
            const double hz = t.fromHz * std::pow(t.toHz / t.fromHz, double(k) / (n - 1));
            const int cycles = std::max(kMinCycles, int(std::ceil(hz * t.durationS / n - 1e-9)));
            const int settle = std::max(1, cycles / 4);
            SweepStep s;
            s.hz = hz;
            s.repeat = r;
            s.begin = at;
            s.analysisBegin = at + settle / hz;
            s.end = at + cycles / hz;
            sweepSteps.append(s);
            at = s.end;
        }
    }
    total = at;
}

double Plan::offsetAt(double t) const
{
    if (t < kLeadS || t >= total)
        return 0.0;
    if (test.signal == Signal::Step) {
        const int k = int(std::floor((t - kLeadS) / test.durationS));
        return k % 2 == 0 ? test.size : 0.0;
    }
    auto it = std::upper_bound(sweepSteps.cbegin(), sweepSteps.cend(), t,
                               [](double v, const SweepStep &s) { return v < s.begin; });
    if (it == sweepSteps.cbegin())
        return 0.0;
    const SweepStep &s = *(it - 1);
    return test.size * std::sin(2 * M_PI * s.hz * (t - s.begin));
}

QList<double> Plan::frequencies() const
{
    QList<double> out;
    for (const SweepStep &s : sweepSteps)
        if (s.repeat == 0)
            out.append(s.hz);
    return out;
}

} // namespace Tuning
