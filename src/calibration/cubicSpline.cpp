#include "calibration/cubicSpline.h"

#include <algorithm>
#include <utility>

double CubicSpline::interpolate(double t) const
{
    const qsizetype n = x.size();
    if (n < 2)
        return 0.0;
    if (t <= x.first())
        return a.first();
    qsizetype i;
    if (t >= x.last()) {
        i = n - 2;
    } else {
        // the last knot not above t
        i = qsizetype(std::upper_bound(x.cbegin(), x.cend(), t) - x.cbegin()) - 1;
    }
    const double h = t - x[i];
    return a[i] + h * (b[i] + h * (c[i] + h * d[i]));
}

CubicSpline interpolateNatural(const QList<double> &x, const QList<double> &y)
{
    const qsizetype n = std::min(x.size(), y.size());
    QList<std::pair<double, double>> pts;
    pts.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        pts.append({x[i], y[i]});
    std::sort(pts.begin(), pts.end());
    QList<double> xs, ys;
    xs.reserve(n);
    ys.reserve(n);
    for (const auto &p : pts) {
        xs.append(p.first);
        ys.append(p.second);
    }
    return interpolateBoundariesSorted(xs, ys, SplineSecondDerivative, 0.0, SplineSecondDerivative, 0.0);
}

QList<double> solveTridiagonal(const QList<double> &lower, const QList<double> &diagonal, const QList<double> &upper,
                               const QList<double> &rhs)
{
    const qsizetype n = diagonal.size();
    QList<double> c(n), d(n), out(n);
    if (n == 0)
        return out;
    c[0] = upper.value(0) / diagonal[0];
    d[0] = rhs[0] / diagonal[0];
    for (qsizetype i = 1; i < n; ++i) {
        const double m = diagonal[i] - lower[i] * c[i - 1];
        c[i] = upper.value(i) / m;
        d[i] = (rhs[i] - lower[i] * d[i - 1]) / m;
    }
    out[n - 1] = d[n - 1];
    for (qsizetype i = n - 2; i >= 0; --i)
        out[i] = d[i] - c[i] * out[i + 1];
    return out;
}

CubicSpline interpolateBoundariesSorted(QList<double> x, QList<double> y, SplineBoundaryCondition left,
                                        double leftValue, SplineBoundaryCondition right, double rightValue)
{
    const qsizetype n = std::min(x.size(), y.size());
    x.resize(n);
    y.resize(n);
    if (n < 2)
        return interpolateHermiteSorted(x, y, QList<double>(n, 0.0));

    QList<double> h(n - 1), s(n - 1);
    for (qsizetype i = 0; i + 1 < n; ++i) {
        h[i] = x[i + 1] - x[i];
        s[i] = (y[i + 1] - y[i]) / h[i];
    }
    QList<double> lo(n, 0.0), di(n, 0.0), up(n, 0.0), r(n, 0.0);
    for (qsizetype i = 1; i + 1 < n; ++i) {
        lo[i] = h[i];
        di[i] = 2.0 * (h[i - 1] + h[i]);
        up[i] = h[i - 1];
        r[i] = 3.0 * (h[i] * s[i - 1] + h[i - 1] * s[i]);
    }
    switch (left) {
    case SplineSecantSum:
        di[0] = 1;
        up[0] = 1;
        r[0] = 2 * s[0];
        break;
    case SplineFirstDerivative:
        di[0] = 1;
        r[0] = leftValue;
        break;
    default:
        di[0] = 2;
        up[0] = 1;
        r[0] = 3 * s[0] - h[0] * leftValue / 2;
        break;
    }
    const qsizetype e = n - 1;
    switch (right) {
    case SplineSecantSum:
        lo[e] = 1;
        di[e] = 1;
        r[e] = 2 * s[e - 1];
        break;
    case SplineFirstDerivative:
        di[e] = 1;
        r[e] = rightValue;
        break;
    default:
        lo[e] = 1;
        di[e] = 2;
        r[e] = 3 * s[e - 1] + h[e - 1] * rightValue / 2;
        break;
    }
    return interpolateHermiteSorted(x, y, solveTridiagonal(lo, di, up, r));
}

CubicSpline interpolateHermiteSorted(const QList<double> &x, const QList<double> &y, const QList<double> &m)
{
    CubicSpline sp;
    const qsizetype n = std::min({x.size(), y.size(), m.size()});
    sp.x = x.mid(0, n);
    sp.a = y.mid(0, n);
    sp.b = m.mid(0, n);
    sp.c = QList<double>(n, 0.0);
    sp.d = QList<double>(n, 0.0);
    for (qsizetype i = 0; i + 1 < n; ++i) {
        const double h = x[i + 1] - x[i];
        const double s = (y[i + 1] - y[i]) / h;
        sp.c[i] = (3 * s - 2 * m[i] - m[i + 1]) / h;
        sp.d[i] = (m[i] + m[i + 1] - 2 * s) / (h * h);
    }
    return sp;
}
