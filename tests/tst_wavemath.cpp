#include "charts/waveMath.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <cfloat>
#include <cmath>
#include <limits>

using namespace WaveMath;

namespace {

// The axis rule written out step by step, as a reference for sane ranges.
QPair<double, double> referenceAligned(double min, double max, double &step, int &ticks)
{
    const double candidates[] = {0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100};
    if (max - min < 1e-9) {
        min -= 0.5;
        max += 0.5;
    }
    const double raw = (max - min) / 5;
    step = 100;
    if (raw <= 100) {
        for (double c : candidates) {
            if (c >= raw) {
                step = c;
                break;
            }
        }
    }
    const double lo = int(std::floor(min / step)) * step;
    double hi = int(std::ceil(max / step)) * step;
    if (qFuzzyCompare(lo, hi))
        hi = lo + step;
    ticks = std::max(2, int((hi - lo) / step) + 1);
    return qMakePair(lo, hi);
}

QList<float> ramp(int n, float from = 0, float by = 1)
{
    QList<float> out;
    for (int i = 0; i < n; ++i)
        out.append(from + i * by);
    return out;
}

} // namespace

class TestWaveMath : public QObject
{
    Q_OBJECT

private slots:
    void alignedRange_data();
    void alignedRange();
    void alignedRangeMatchesRuleOnSaneRanges();
    void multiRanges_data();
    void multiRanges();
    void windowAndUnit();
    void appendTrims_data();
    void appendTrims();
    void minMaxIndexAgreesWithScan();
    void decimationKeepsBlockExtremes_data();
    void decimationKeepsBlockExtremes();
    void pointReduction_data();
    void pointReduction();
    void wheelFactor_data();
    void wheelFactor();
    void csvRows_data();
    void csvRows();
    void csvWriteFailureIsReported();
    void previewHelpers();
};

void TestWaveMath::alignedRange_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("ticks");

    QTest::newRow("0.3..7.9") << 0.3 << 7.9 << 0.0 << 8.0 << 2.0 << 5;
    QTest::newRow("0..100") << 0.0 << 100.0 << 0.0 << 100.0 << 20.0 << 6;
    QTest::newRow("0..0 widened") << 0.0 << 0.0 << -0.6 << 0.6 << 0.2 << 7;
    // A constant 3 reaches the axis as the single-precision 3 ∓ 0.1 of the background
    // path: (hi - lo) / step is just below 2 and truncates.
    QTest::newRow("constant 3 (float margins)") << double(float(3.0f - 0.1)) << double(float(3.0f + 0.1)) << 2.9
                                                << 3.1 << 0.1 << 2;
    // The same bounds as exact doubles: 2.9 / 0.1 is 28.999… and floors one step lower,
    // and (3.1 - 2.8) / 0.1 truncates to 2.
    QTest::newRow("2.9..3.1 as doubles") << 2.9 << 3.1 << 2.8 << 3.1 << 0.1 << 3;
    QTest::newRow("negative") << -7.9 << -0.3 << -8.0 << 0.0 << 2.0 << 5;
    QTest::newRow("reversed bounds") << 7.9 << 0.3 << 0.0 << 8.0 << 2.0 << 5;
    QTest::newRow("raw above 100 keeps step 100") << 0.0 << 1000.0 << 0.0 << 1000.0 << 100.0 << 11;
    QTest::newRow("huge range climbs past 100") << 0.0 << 1e6 << 0.0 << 1e6 << 10000.0 << 101;
    QTest::newRow("float extremes") << double(-FLT_MAX) << double(FLT_MAX) << -3.5e38 << 3.5e38 << 1e37 << 71;
    QTest::newRow("NaN") << std::nan("") << 1.0 << -1.0 << 1.0 << 0.5 << 5;
    QTest::newRow("infinity") << 0.0 << std::numeric_limits<double>::infinity() << -1.0 << 1.0 << 0.5 << 5;
}

void TestWaveMath::alignedRange()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(double, step);
    QFETCH(int, ticks);
    double gotStep = 0;
    int gotTicks = 0;
    const auto r = calculateAlignedYRange(min, max, gotStep, gotTicks);
    QVERIFY2(std::fabs(r.first - lo) < 1e-9 * std::max(1.0, std::fabs(lo)), qPrintable(QString::number(r.first, 'g', 17)));
    QVERIFY2(std::fabs(r.second - hi) < 1e-9 * std::max(1.0, std::fabs(hi)), qPrintable(QString::number(r.second, 'g', 17)));
    QVERIFY(std::fabs(gotStep - step) < 1e-9 * step);
    QCOMPARE(gotTicks, ticks);
}

void TestWaveMath::alignedRangeMatchesRuleOnSaneRanges()
{
    QRandomGenerator rng(7);
    for (int i = 0; i < 20000; ++i) {
        const double min = rng.bounded(10000.0) - 5000.0;
        // spans from nothing to the largest one whose step 100 stays under the tick bound
        const double span = (i % 4 == 0) ? rng.bounded(1e-6) : rng.bounded(10000.0 - 200.0);
        double s1, s2;
        int t1, t2;
        const auto got = calculateAlignedYRange(min, min + span, s1, t1);
        const auto want = referenceAligned(min, min + span, s2, t2);
        QVERIFY2(got == want && s1 == s2 && t1 == t2,
                 qPrintable(QString("min %1 span %2").arg(min, 0, 'g', 17).arg(span, 0, 'g', 17)));
    }
}

void TestWaveMath::multiRanges_data()
{
    QTest::addColumn<int>("which"); // 0 decimated path, 1 synchronous vector path
    QTest::addColumn<float>("lo");
    QTest::addColumn<float>("hi");
    QTest::addColumn<bool>("flag"); // has data / includeZero
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");

    QTest::newRow("decimated: positive pulls in 0") << 0 << 2.f << 10.f << true << -1.0 << 11.0;
    QTest::newRow("decimated: negative pushes out 0") << 0 << -10.f << -2.f << true << -11.0 << 1.0;
    QTest::newRow("decimated: straddling") << 0 << -4.f << 6.f << true << -5.0 << 7.0;
    QTest::newRow("decimated: constant 0") << 0 << 0.f << 0.f << true << -0.1 << 0.1;
    QTest::newRow("decimated: no data") << 0 << FLT_MAX << -FLT_MAX << false << -1.0 << 1.0;
    QTest::newRow("vector: plain") << 1 << 2.f << 12.f << false << 1.0 << 13.0;
    QTest::newRow("vector: zero included") << 1 << 2.f << 12.f << true << 0.0 << 13.2;
    QTest::newRow("vector: negative, zero included") << 1 << -12.f << -2.f << true << -13.2 << 0.0;
    QTest::newRow("vector: flat gets margin 1") << 1 << 5.f << 5.f << false << 4.0 << 6.0;
    QTest::newRow("vector: flat zero stays") << 1 << 0.f << 0.f << false << 0.0 << 0.0;
}

void TestWaveMath::multiRanges()
{
    QFETCH(int, which);
    QFETCH(float, lo);
    QFETCH(float, hi);
    QFETCH(bool, flag);
    QFETCH(double, min);
    QFETCH(double, max);
    QPair<double, double> r;
    if (which == 0) {
        const auto f = zeroIncludedYRange(lo, hi, flag);
        r = qMakePair(double(f.first), double(f.second));
    } else {
        r = vectorYRange(lo, hi, flag);
    }
    QVERIFY2(std::fabs(r.first - min) < 1e-5, qPrintable(QString::number(r.first)));
    QVERIFY2(std::fabs(r.second - max) < 1e-5, qPrintable(QString::number(r.second)));
}

void TestWaveMath::windowAndUnit()
{
    const QList<float> h = ramp(10, 1); // 1 … 10
    QCOMPARE(unitFactor("RPM"), kRpmPerRadPerSec);
    QCOMPARE(unitFactor("rpm"), 1.0);
    QCOMPARE(unitFactor("rad/s"), 1.0);

    const WaveWindow w = extractWindow(h, 4, unitFactor("RPM"));
    QCOMPARE(w.shown, qsizetype(4));
    QCOMPARE(w.points.size(), 4);
    QCOMPARE(w.points.first().x(), 0.0);
    QCOMPARE(w.points.last().x(), 3.0);
    QCOMPARE(float(w.points.first().y()), float(7 * 9.549296748407162));
    QCOMPARE(w.last, float(10 * 9.549296748407162));
    QCOMPARE(w.lo, float(7 * 9.549296748407162));
    QCOMPARE(w.hi, w.last);

    const WaveWindow all = extractWindow(h, 5000, 1.0);
    QCOMPARE(all.shown, qsizetype(10));
    QCOMPARE(all.last, 10.f);
    QCOMPARE(extractWindow(h, 0, 1.0).shown, qsizetype(0));
    QCOMPARE(extractWindow(h, -3, 1.0).shown, qsizetype(0));
}

void TestWaveMath::appendTrims_data()
{
    QTest::addColumn<int>("cap");
    QTest::addColumn<QList<int>>("chunks");
    QTest::addColumn<int>("size");
    QTest::addColumn<float>("first");

    QTest::newRow("below cap") << 100 << QList<int>{30, 30} << 60 << 0.f;
    QTest::newRow("exactly cap") << 100 << QList<int>{100} << 100 << 0.f;
    QTest::newRow("one over in one go") << 50000 << QList<int>{50001} << 50000 << 1.f;
    QTest::newRow("sliding in chunks") << 1000 << QList<int>{700, 700, 700} << 1000 << 1100.f;
    QTest::newRow("cap 0 keeps nothing") << 0 << QList<int>{5} << 0 << 0.f;
}

void TestWaveMath::appendTrims()
{
    QFETCH(int, cap);
    QFETCH(QList<int>, chunks);
    QFETCH(int, size);
    QFETCH(float, first);
    QList<float> history;
    int next = 0;
    for (int n : chunks) {
        appendTrimmed(history, ramp(n, float(next)), cap);
        next += n;
    }
    QCOMPARE(history.size(), qsizetype(size));
    if (size > 0) {
        QCOMPARE(history.first(), first);
        QCOMPARE(history.last(), float(next - 1)); // the newest are always kept
    }
}

void TestWaveMath::minMaxIndexAgreesWithScan()
{
    QRandomGenerator rng(42);
    QList<QList<float>> histories;
    QList<MinMaxIndex> indexes;
    const int cap = 3000;
    for (int round = 0; round < 60; ++round) {
        QList<float> chunk;
        const int n = int(rng.bounded(400)) + 1;
        for (int i = 0; i < n; ++i) {
            float v = float(rng.bounded(2000.0) - 1000.0);
            if (rng.bounded(200) == 0)
                v = std::nanf("");
            chunk.append(v);
        }
        appendTrimmedChannels(histories, indexes, {chunk}, cap);
        const QList<float> &h = histories.first();
        for (int q = 0; q < 40; ++q) {
            const qsizetype a = rng.bounded(int(h.size()));
            const qsizetype b = a + 1 + rng.bounded(int(h.size() - a));
            float lo, hi, wantLo = FLT_MAX, wantHi = -FLT_MAX;
            for (qsizetype i = a; i < b; ++i) {
                if (std::isfinite(h[i])) {
                    wantLo = std::min(wantLo, h[i]);
                    wantHi = std::max(wantHi, h[i]);
                }
            }
            const bool ok = indexes.first().query(h, a, b, lo, hi);
            QCOMPARE(ok, wantLo <= wantHi);
            if (ok) {
                QCOMPARE(lo, wantLo);
                QCOMPARE(hi, wantHi);
            }
        }
    }
    QCOMPARE(histories.first().size(), qsizetype(cap));
}

void TestWaveMath::decimationKeepsBlockExtremes_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("visible");
    QTest::addColumn<int>("plotWidth");

    QTest::newRow("fewer samples than pixels") << 300 << 5000 << 800;
    QTest::newRow("ragged last block") << 10007 << 5000 << 333;
    QTest::newRow("long history, full window") << 200000 << 200000 << 700;
    QTest::newRow("width below 1 counts as 1") << 500 << 500 << 0;
}

void TestWaveMath::decimationKeepsBlockExtremes()
{
    QFETCH(int, size);
    QFETCH(int, visible);
    QFETCH(int, plotWidth);
    QRandomGenerator rng(size);
    QList<float> samples;
    for (int i = 0; i < size; ++i)
        samples.append(float(std::sin(i * 0.01) * 100 + rng.bounded(10.0)));
    QList<QList<float>> h;
    QList<MinMaxIndex> idx;
    appendTrimmedChannels(h, idx, {samples}, size);

    const qsizetype shown = std::min<qsizetype>(visible, size);
    const qsizetype start = size - shown;
    float lo, hi;
    bool has;
    const QList<QPointF> pts = decimateMinMax(h[0], idx[0], start, shown, plotWidth, 1.0, lo, hi, has);
    QVERIFY(has);

    const qsizetype stride = std::max<qsizetype>(1, shown / std::max(1, plotWidth));
    QVERIFY(pts.size() <= 2 * (shown / stride + 1));
    float allLo = FLT_MAX, allHi = -FLT_MAX;
    qsizetype p = 0;
    for (qsizetype b = start; b < start + shown; b += stride) {
        float bLo = FLT_MAX, bHi = -FLT_MAX;
        for (qsizetype i = b; i < std::min(start + shown, b + stride); ++i) {
            bLo = std::min(bLo, samples[i]);
            bHi = std::max(bHi, samples[i]);
        }
        allLo = std::min(allLo, bLo);
        allHi = std::max(allHi, bHi);
        QVERIFY(p < pts.size());
        QCOMPARE(pts[p], QPointF(double(b - start), double(bLo)));
        ++p;
        if (bHi != bLo) {
            QCOMPARE(pts[p], QPointF(double(b - start), double(bHi)));
            ++p;
        }
    }
    QCOMPARE(p, pts.size());
    QCOMPARE(lo, allLo);
    QCOMPARE(hi, allHi);
}

void TestWaveMath::pointReduction_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("maxPoints");
    QTest::newRow("fits: unchanged") << 800 << 850;
    QTest::newRow("feedback window on a typical plot") << 5000 << 850;
    QTest::newRow("hidden chart") << 5000 << 99;
    QTest::newRow("degenerate width") << 5000 << 0;
}

void TestWaveMath::pointReduction()
{
    QFETCH(int, count);
    QFETCH(int, maxPoints);
    QRandomGenerator rng(count + maxPoints);
    QList<QPointF> pts;
    for (int i = 0; i < count; ++i)
        pts.append(QPointF(i, rng.bounded(100.0) - 50.0));
    const QList<QPointF> out = decimatePoints(pts, maxPoints);
    if (count <= std::max(2, maxPoints)) {
        QCOMPARE(out, pts);
        return;
    }
    QVERIFY2(out.size() <= std::max(2, maxPoints) + 1, qPrintable(QString::number(out.size())));
    QCOMPARE(out.last(), pts.last());
    // real samples in their order, and every block's extremes among them
    for (int i = 1; i < out.size(); ++i)
        QVERIFY(out[i].x() > out[i - 1].x());
    for (const QPointF &q : out)
        QCOMPARE(pts[int(q.x())], q);
    const int target = std::max(2, maxPoints);
    const int stride = (count + target / 2 - 1) / (target / 2);
    for (int b = 0; b < count; b += stride) {
        int lo = b, hi = b;
        for (int i = b; i < std::min(count, b + stride); ++i) {
            lo = pts[i].y() < pts[lo].y() ? i : lo;
            hi = pts[i].y() > pts[hi].y() ? i : hi;
        }
        QVERIFY(out.contains(pts[lo]));
        QVERIFY(out.contains(pts[hi]));
    }
}

void TestWaveMath::wheelFactor_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<double>("factor");
    QTest::newRow("no step") << 0 << 1.0;
    QTest::newRow("one forward") << 1 << 1.1;
    QTest::newRow("two forward") << 2 << 2.2;
    QTest::newRow("one back") << -1 << 0.9;
    QTest::newRow("two back") << -2 << 0.81;
    QTest::newRow("three back") << -3 << 0.729;
}

void TestWaveMath::wheelFactor()
{
    QFETCH(int, steps);
    QFETCH(double, factor);
    QVERIFY(std::fabs(wheelZoomFactor(steps) - factor) < 1e-12);
    // backwards always zooms out, further with each notch
    if (steps < 0) {
        QVERIFY(wheelZoomFactor(steps) < 1.0);
        QVERIFY(wheelZoomFactor(steps - 1) < wheelZoomFactor(steps));
    }
}

void TestWaveMath::csvRows_data()
{
    QTest::addColumn<QList<float>>("single");
    QTest::addColumn<QList<QList<float>>>("multi");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("single, first row") << QList<float>{1.25f, 2.5f} << QList<QList<float>>{} << 0 << 1
                                       << QStringList{"0.000000,1.250000", "1.000000,2.500000"};
    QTest::newRow("single, offset range") << QList<float>{9, 8, -7.5f, 6} << QList<QList<float>>{} << 1 << 3
                                          << QStringList{"0.000000,8.000000", "1.000000,-7.500000",
                                                         "2.000000,6.000000"};
    QTest::newRow("single wins over channels") << QList<float>{1} << QList<QList<float>>{{5, 6}} << 0 << 0
                                               << QStringList{"0.000000,1.000000"};
    QTest::newRow("channels") << QList<float>{} << QList<QList<float>>{{1, 2}, {3, 4}} << 0 << 1
                              << QStringList{"0.000000,1.000000,3.000000", "1.000000,2.000000,4.000000"};
    QTest::newRow("ragged channels leave fields empty")
        << QList<float>{} << QList<QList<float>>{{1, 2, 3}, {4}, {}, {7, 8, 9}} << 1 << 2
        << QStringList{"0.000000,2.000000,,,8.000000", "1.000000,3.000000,,,9.000000"};
}

void TestWaveMath::csvRows()
{
    QFETCH(QList<float>, single);
    QFETCH(QList<QList<float>>, multi);
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(QStringList, rows);
    QBuffer buffer;
    QVERIFY(buffer.open(QIODevice::WriteOnly | QIODevice::Text));
    QVERIFY(writeWaveCsv(&buffer, single, multi, left, right));
    const QString text = QString::fromUtf8(buffer.data());
    QCOMPARE(text, rows.join('\n') + '\n');
    QCOMPARE(rows.size(), right - left + 1);
}

void TestWaveMath::csvWriteFailureIsReported()
{
    if (!QFile::exists("/dev/full"))
        QSKIP("no /dev/full on this system");
    QFile full("/dev/full");
    QVERIFY(full.open(QIODevice::WriteOnly | QIODevice::Text));
    QString error;
    QVERIFY(!writeWaveCsv(&full, ramp(20000), {}, 0, 19999, &error));
    QVERIFY(!error.isEmpty());
}

void TestWaveMath::previewHelpers()
{
    const QList<float> d{5, -2, 7, 1};
    QCOMPARE(calculateMinMax(d, 1, 2), qMakePair(-2.f, 7.f));
    QCOMPARE(calculateMinMax(d, 2, 99), qMakePair(1.f, 7.f));
    // channels too short for the right bound do not count
    QCOMPARE(calculateGlobalMinMax({{1, 2, 3}, {-50}, {0, 9, -1}}, 0, 2), qMakePair(-1.f, 9.f));
    QCOMPARE(calculateGlobalMinMax({{1}}, 0, 2), qMakePair(0.f, 0.f));
    QCOMPARE(applyMargin(0, 10), qMakePair(-1.f, 11.f));
    QCOMPARE(applyMargin(3, 3), qMakePair(2.5f, 3.5f));
    const QRectF plot(40, 40, 540, 200);
    QCOMPARE(mapYValue(0, 0, 10, plot), plot.bottom());
    QCOMPARE(mapYValue(10, 0, 10, plot), plot.top());
    QCOMPARE(mapYValue(4, 4, 4, plot), plot.center().y());
    QCOMPARE(saveRangeSize({}, {{1, 2}, {1, 2, 3, 4}, {}}), qsizetype(4));
    QCOMPARE(saveRangeSize({1, 2}, {{1, 2, 3}}), qsizetype(2));
    QCOMPARE(formatLegendValue(1.2345678f, 6), QString("1.234568"));
    QCOMPARE(formatLegendValue(42.46f, 1), QString("42.5"));
}

QTEST_GUILESS_MAIN(TestWaveMath)
#include "tst_wavemath.moc"
