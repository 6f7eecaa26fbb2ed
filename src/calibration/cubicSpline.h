#pragma once

#include <QList>

// End conditions of interpolateBoundariesSorted, by value:
//  0  the first two slopes sum to twice the first secant (m0 + m1 = 2·s0)
//  1  the first derivative is given (m0 = value)
//  2, 3  the second derivative is given (2·m0 + m1 = 3·s0 − h0·value / 2); value 0 is a
//     natural end
// The conditions at the last knot are the mirror images.
enum SplineBoundaryCondition {
    SplineSecantSum = 0,
    SplineFirstDerivative = 1,
    SplineSecondDerivative = 2,
    SplineSecondDerivativeAlt = 3,
};

// A piecewise cubic: segment i covers x[i] ≤ t < x[i+1] with a[i] + b[i]·h + c[i]·h² +
// d[i]·h³, h = t − x[i]. x, a hold n entries; b, c, d n entries of which n − 1 are used.
class CubicSpline
{
public:
    QList<double> x, a, b, c, d;

    // Fewer than two knots: 0. Left of the first knot: the first value. Right of the
    // last knot: the last segment extended.
    double interpolate(double t) const;
};

// Natural cubic spline through the points, which may come in any order.
CubicSpline interpolateNatural(const QList<double> &x, const QList<double> &y);
// Knots ascending; solves for the knot slopes with the given end conditions.
CubicSpline interpolateBoundariesSorted(QList<double> x, QList<double> y, SplineBoundaryCondition left,
                                        double leftValue, SplineBoundaryCondition right, double rightValue);
// Thomas algorithm, no pivoting. lower[0] and upper[n−1] are not used.
QList<double> solveTridiagonal(const QList<double> &lower, const QList<double> &diagonal,
                               const QList<double> &upper, const QList<double> &rhs);
// The cubic Hermite segments for values y and slopes m at knots x (ascending).
CubicSpline interpolateHermiteSorted(const QList<double> &x, const QList<double> &y, const QList<double> &m);
