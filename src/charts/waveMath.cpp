#include "charts/waveMath.h"

#include "charts/waveData.h"

#include <QFileDevice>
#include <QIODevice>
#include <QTextStream>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

void registerWaveMetaTypes()
{
    qRegisterMetaType<WaveDataContainer>("WaveDataContainer");
    qRegisterMetaType<MultiWaveDataContainer>("MultiWaveDataContainer");
}

QPair<double, double> calculateAlignedYRange(double min, double max, double &step, int &tickCount)
{
    static const double candidates[] = {0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100};

    if (!std::isfinite(min) || !std::isfinite(max)) {
        min = -1.0;
        max = 1.0;
    }
    if (min > max)
        std::swap(min, max);
    if (max - min < 1e-9) {
        min -= 0.5;
        max += 0.5;
    }

    const double raw = (max - min) / 5.0;
    step = 100.0;
    for (double c : candidates) {
        if (c >= raw) {
            step = c;
            break;
        }
    }
    // Step 100 with a huge range would mean thousands of labels: climb 200, 500, 1000, …
    static const int mantissa[] = {1, 2, 5};
    int m = 0;
    double decade = 100.0;
    auto ticksFor = [&](double s) { return std::ceil(max / s) - std::floor(min / s) + 1.0; };
    while (raw > 100.0 && ticksFor(step) > WaveMath::kMaxAlignedTicks) {
        if (++m == 3) {
            m = 0;
            decade *= 10.0;
        }
        step = mantissa[m] * decade;
    }

    double lo = std::floor(min / step) * step;
    double hi = std::ceil(max / step) * step;
    if (qFuzzyCompare(lo, hi))
        hi = lo + step;

    tickCount = std::max(2, int((hi - lo) / step) + 1);
    return qMakePair(lo, hi);
}

namespace WaveMath {

double unitFactor(const QString &unit)
{
    return unit == QLatin1String("RPM") ? kRpmPerRadPerSec : 1.0;
}

qsizetype appendTrimmed(QList<float> &history, const QList<float> &samples, int maxPoints)
{
    history.append(samples);
    const qsizetype cap = std::max(0, maxPoints);
    const qsizetype surplus = history.size() - cap;
    if (surplus > 0) {
        // Qt 6 drops a prefix by moving the begin pointer, not by shifting the rest
        history.remove(0, surplus);
        return surplus;
    }
    return 0;
}

WaveWindow extractWindow(const QList<float> &history, int visiblePoints, double factor, bool withPoints)
{
    WaveWindow w;
    w.shown = std::min<qsizetype>(std::max(0, visiblePoints), history.size());
    if (w.shown == 0)
        return w;
    const qsizetype start = history.size() - w.shown;
    if (withPoints)
        w.points.resize(w.shown);
    float lo = FLT_MAX, hi = -FLT_MAX;
    const float *src = history.constData() + start;
    QPointF *dst = withPoints ? w.points.data() : nullptr;
    for (qsizetype k = 0; k < w.shown; ++k) {
        const float v = float(src[k] * factor);
        if (dst)
            dst[k] = QPointF(double(k), double(v));
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    w.last = float(src[w.shown - 1] * factor);
    w.hasRange = lo <= hi;
    if (w.hasRange) {
        w.lo = lo;
        w.hi = hi;
    }
    return w;
}

QPair<float, float> backgroundYRange(const WaveWindow &window, bool includeZero, float yLimitMin, float yLimitMax)
{
    if (window.shown == 0 || !window.hasRange)
        return qMakePair(-1.0f, 1.0f);
    float lo = window.lo, hi = window.hi;
    float span = hi - lo;
    if (includeZero) {
        if (lo > 0) {
            span = hi;
            lo = 0;
        } else if (hi < 0) {
            span = -lo;
            hi = 0;
        }
    }
    float yMin, yMax;
    if (span > 0) {
        yMin = float(lo - 0.1 * span);
        yMax = float(hi + 0.1 * span);
    } else {
        yMin = float(lo - 0.1);
        yMax = float(hi + 0.1);
    }
    if (yLimitMin != 0.0f || yLimitMax != 0.0f)
        return qMakePair(yLimitMin, yLimitMax);
    return qMakePair(yMin, yMax);
}

QPair<double, double> syncYRange(float lo, float hi, bool includeZero)
{
    double l = lo, h = hi;
    double span = h - l;
    double m = span > 0 ? 0.1 * span : 0.1;
    if (includeZero) {
        if (l > 0) {
            l = 0;
            m = 0.1 * h;
        } else if (h < 0) {
            h = 0;
            span = -l;
            m = span > 0 ? 0.1 * span : 0.1;
        }
    }
    if (l != 0)
        l -= m;
    if (h != 0)
        h += m;
    if (l == h) {
        // all samples exactly 0: an empty axis range would show nothing
        l -= m;
        h += m;
    }
    return qMakePair(l, h);
}

QPair<float, float> zeroIncludedYRange(float lo, float hi, bool hasData)
{
    if (!hasData)
        return qMakePair(-1.0f, 1.0f);
    float span;
    if (lo <= 0) {
        if (hi < 0) {
            span = -lo;
            hi = 0;
        } else {
            span = hi - lo;
        }
    } else {
        span = hi;
        lo = 0;
    }
    const float margin = span > 0 ? 0.1f * span : 0.1f;
    return qMakePair(lo - margin, hi + margin);
}

QPair<double, double> vectorYRange(float lo, float hi, bool includeZero)
{
    double l = lo, h = hi;
    double margin = 0.1 * (h - l);
    if (includeZero) {
        if (l > 0) {
            l = 0;
            margin = 0.1 * h;
        } else if (h < 0) {
            h = 0;
            margin = 0.1 * -l;
        }
    }
    if (std::fabs(lo - hi) * 100000.f <= std::min(std::fabs(lo), std::fabs(hi)))
        margin = 1.0;
    if (l != 0)
        l -= margin;
    if (h != 0)
        h += margin;
    return qMakePair(l, h);
}

// ---- MinMaxIndex -------------------------------------------------------------------

void MinMaxIndex::clear()
{
    for (Level &l : m_levels) {
        l.blocks.clear();
        l.firstBlock = 0;
    }
    m_dropped = 0;
    m_total = 0;
}

void MinMaxIndex::append(const float *values, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i) {
        const float v = values[i];
        const qint64 a = m_total++;
        const bool finite = std::isfinite(v);
        for (int L = 0; L < kLevels; ++L) {
            Level &level = m_levels[size_t(L)];
            const qint64 b = a >> (kBaseShift + L);
            const bool fresh = level.blocks.empty() || b != level.firstBlock + qint64(level.blocks.size()) - 1;
            if (fresh) {
                if (level.blocks.empty())
                    level.firstBlock = b;
                // an empty summary is (+max, -max) so that any finite value replaces it
                level.blocks.emplace_back(finite ? v : FLT_MAX, finite ? v : -FLT_MAX);
                continue;
            }
            auto &back = level.blocks.back();
            if (!finite || (v >= back.first && v <= back.second))
                break; // an enclosing block of the next level already covers v
            back.first = std::min(back.first, v);
            back.second = std::max(back.second, v);
        }
    }
}

void MinMaxIndex::dropFront(qsizetype count)
{
    m_dropped = std::min(m_total, m_dropped + count);
    for (int L = 0; L < kLevels; ++L) {
        Level &level = m_levels[size_t(L)];
        const int shift = kBaseShift + L;
        while (!level.blocks.empty() && ((level.firstBlock + 1) << shift) <= m_dropped) {
            level.blocks.pop_front();
            ++level.firstBlock;
        }
    }
}

bool MinMaxIndex::query(const QList<float> &history, qsizetype from, qsizetype to, float &lo, float &hi) const
{
    lo = FLT_MAX;
    hi = -FLT_MAX;
    from = std::max<qsizetype>(0, from);
    to = std::min(to, history.size());
    const float *data = history.constData();
    qint64 p = m_dropped + from;
    const qint64 end = m_dropped + to;
    auto scanRaw = [&](qint64 until) {
        for (; p < until; ++p) {
            const float v = data[p - m_dropped];
            if (std::isfinite(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
    };
    while (p < end) {
        // the largest aligned block that starts at p and ends inside the range
        int shift = p == 0 ? 62 : __builtin_ctzll(quint64(p));
        const int fit = 63 - __builtin_clzll(quint64(end - p));
        shift = std::min({shift, fit, kBaseShift + kLevels - 1});
        if (shift < kBaseShift) {
            const qint64 blockSize = qint64(1) << kBaseShift;
            scanRaw(std::min(end, (p / blockSize + 1) * blockSize));
            continue;
        }
        const Level &level = m_levels[size_t(shift - kBaseShift)];
        const qint64 b = p >> shift;
        const qint64 idx = b - level.firstBlock;
        if (idx < 0 || idx >= qint64(level.blocks.size())) {
            // cannot happen while every change goes through append/dropFront; stay correct anyway
            scanRaw(std::min(end, p + (qint64(1) << shift)));
            continue;
        }
        const auto &mm = level.blocks[size_t(idx)];
        lo = std::min(lo, mm.first);
        hi = std::max(hi, mm.second);
        p += qint64(1) << shift;
    }
    return lo <= hi;
}

void appendTrimmedChannels(QList<QList<float>> &histories, QList<MinMaxIndex> &indexes,
                           const QList<QList<float>> &samples, int maxPoints)
{
    histories.resize(samples.size());
    indexes.resize(samples.size());
    for (qsizetype i = 0; i < samples.size(); ++i) {
        const QList<float> &in = samples.at(i);
        indexes[i].append(in.constData(), in.size());
        const qsizetype dropped = appendTrimmed(histories[i], in, maxPoints);
        if (dropped > 0)
            indexes[i].dropFront(dropped);
    }
}

QList<QPointF> decimateMinMax(const QList<float> &history, const MinMaxIndex &index, qsizetype start,
                              qsizetype shown, int plotWidth, double factor, float &lo, float &hi,
                              bool &hasRange)
{
    QList<QPointF> out;
    lo = FLT_MAX;
    hi = -FLT_MAX;
    hasRange = false;
    if (shown <= 0)
        return out;
    const qsizetype stride = std::max<qsizetype>(1, shown / std::max(1, plotWidth));
    out.reserve(2 * (shown / stride + 1));
    const qsizetype end = start + shown;
    for (qsizetype b = start; b < end; b += stride) {
        float bLo, bHi;
        if (!index.query(history, b, std::min(end, b + stride), bLo, bHi))
            continue;
        // a positive factor keeps the order of min and max
        const float cLo = float(bLo * factor), cHi = float(bHi * factor);
        const double x = double(b - start);
        out.append(QPointF(x, cLo));
        if (cHi != cLo)
            out.append(QPointF(x, cHi));
        lo = std::min(lo, cLo);
        hi = std::max(hi, cHi);
        hasRange = true;
    }
    return out;
}

QList<QPointF> decimatePoints(const QList<QPointF> &points, int maxPoints)
{
    const qsizetype n = points.size();
    const qsizetype target = std::max(2, maxPoints);
    if (n <= target)
        return points;
    const qsizetype blocks = target / 2; // two points per block at most
    const qsizetype stride = (n + blocks - 1) / blocks;
    QList<QPointF> out;
    out.reserve(2 * (n / stride + 1) + 1);
    const QPointF *p = points.constData();
    for (qsizetype b = 0; b < n; b += stride) {
        const qsizetype end = std::min(n, b + stride);
        qsizetype lo = b, hi = b;
        for (qsizetype i = b + 1; i < end; ++i) {
            const double y = p[i].y();
            // NaN never wins a comparison, so a block keeps its finite extremes
            if (y < p[lo].y() || std::isnan(p[lo].y()))
                lo = i;
            if (y > p[hi].y() || std::isnan(p[hi].y()))
                hi = i;
        }
        // The extremes where they lie, in the order they came: the reduced curve runs
        // through real samples instead of drawing steps at the block starts.
        out.append(p[std::min(lo, hi)]);
        if (hi != lo && !std::isnan(p[hi].y()))
            out.append(p[std::max(lo, hi)]);
    }
    if (out.last() != points.last())
        out.append(points.last());
    return out;
}

double wheelZoomFactor(int steps)
{
    if (steps > 0)
        return 1.1 * steps;
    if (steps < 0)
        return std::pow(0.9, -steps);
    return 1.0;
}

QString formatLegendValue(float value, int decimals)
{
    return QString("%1").arg(double(value), 0, 'f', decimals);
}

qsizetype saveRangeSize(const QList<float> &history, const QList<QList<float>> &multiHistory)
{
    if (!history.isEmpty())
        return history.size();
    qsizetype n = 0;
    for (const QList<float> &ch : multiHistory)
        n = std::max(n, ch.size());
    return n;
}

QString waveCsvRow(int r, int index, const QList<float> &history, const QList<QList<float>> &multiHistory)
{
    QString row = QString::number(double(r), 'f', 6);
    if (!history.isEmpty()) {
        row += QLatin1Char(',');
        if (index >= 0 && index < history.size())
            row += QString::number(double(history.at(index)), 'f', 6);
        return row;
    }
    for (const QList<float> &ch : multiHistory) {
        row += QLatin1Char(',');
        if (index >= 0 && index < ch.size())
            row += QString::number(double(ch.at(index)), 'f', 6);
    }
    return row;
}

bool writeWaveCsv(QIODevice *device, const QList<float> &history, const QList<QList<float>> &multiHistory,
                  int left, int right, QString *error)
{
    QTextStream out(device);
    const int count = right - left;
    for (int r = 0; r <= count; ++r)
        out << waveCsvRow(r, left + r, history, multiHistory) << '\n';
    out.flush();
    bool ok = out.status() == QTextStream::Ok;
    if (auto *file = qobject_cast<QFileDevice *>(device))
        ok = file->flush() && file->error() == QFileDevice::NoError && ok;
    if (!ok && error)
        *error = device->errorString();
    return ok;
}

QPair<float, float> calculateMinMax(const QList<float> &data, int left, int right)
{
    float lo = FLT_MAX, hi = -FLT_MAX;
    const qsizetype last = std::min<qsizetype>(right, data.size() - 1);
    for (qsizetype i = std::max(0, left); i <= last; ++i) {
        const float v = data.at(i);
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    return lo <= hi ? qMakePair(lo, hi) : qMakePair(0.0f, 0.0f);
}

QPair<float, float> calculateGlobalMinMax(const QList<QList<float>> &channels, int left, int right)
{
    float lo = FLT_MAX, hi = -FLT_MAX;
    for (const QList<float> &ch : channels) {
        if (ch.size() <= right)
            continue;
        for (int i = std::max(0, left); i <= right; ++i) {
            const float v = ch.at(i);
            if (std::isfinite(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
    }
    return lo <= hi ? qMakePair(lo, hi) : qMakePair(0.0f, 0.0f);
}

QPair<float, float> applyMargin(float min, float max)
{
    const float span = max - min;
    if (span > 0)
        return qMakePair(min - 0.1f * span, max + 0.1f * span);
    return qMakePair(min - 0.5f, max + 0.5f);
}

double mapYValue(float value, float min, float max, const QRectF &rect)
{
    const double span = double(max) - double(min);
    if (!(span > 0))
        return rect.center().y();
    return rect.bottom() - (double(value) - min) / span * rect.height();
}

} // namespace WaveMath
