// Spectrum maths, block check and the two dialogs of the quality analysis, without a
// device: known signals against a direct DFT, the verdict at the limit, zero-padding,
// the plan kept between runs, and the coordinate read-out.
#include "charts/spectrum.h"
#include "charts/spectrumCapture.h"
#include "charts/ui/spectrumAnalyzerDialog.h"
#include "charts/ui/spectrumTableDialog.h"
#include "log/log.h"
#include "simConsoleExtras.h"

#include <QChart>
#include <QChartView>
#include <QFrame>
#include <QLabel>
#include <QLineSeries>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QtTest>

#include <cmath>

namespace {
QList<float> sine(double hz, double amplitude, int n, int rate = 1000)
{
    SimSpectrumSignal s = SimSpectrumSignal::tone(hz, amplitude);
    s.samples = n;
    s.sampleRate = rate;
    return SimSpectrum::samples(s);
}

// The windowed amplitude at bin k by the definition of the DFT, for reference.
double directAmplitude(const QList<float> &x, int n, int k)
{
    double re = 0, im = 0;
    for (int i = 0; i < n; ++i) {
        const double v = (i < x.size() ? x[i] : 0.0) * (1 - std::cos(2 * M_PI * i / (n - 1)));
        re += v * std::cos(2 * M_PI * k * i / n);
        im -= v * std::sin(2 * M_PI * k * i / n);
    }
    const double a = 2 * std::hypot(re, im) / n;
    return k == 0 ? a / 2 : a;
}
} // namespace

class TestSpectrum : public QObject
{
    Q_OBJECT
    QTemporaryDir logDir;

private slots:
    void initTestCase() { Logger::init(logDir.path(), Logger::DEBUG); }

    void floatConversion()
    {
        QCOMPARE(ut32ToFloatVector(QByteArray::fromHex("0000803f000020c1")), (QList<float>{1.0f, -10.0f}));
        QVERIFY(ut32ToFloatVector(QByteArray::fromHex("0000803f00")).isEmpty());
    }

    // The block check on the answer the simulated console builds.
    void blockCheck_data()
    {
        QTest::addColumn<int>("cut");   // bytes removed from the end (-n: n added)
        QTest::addColumn<bool>("breakCrc");
        QTest::addColumn<int>("outcome");
        QTest::newRow("good") << 0 << false << int(SpectrumCapture::Outcome::Done);
        QTest::newRow("broken CRC") << 0 << true << int(SpectrumCapture::Outcome::CrcMismatch);
        QTest::newRow("tail of 3") << 1 << false << int(SpectrumCapture::Outcome::TailLength);
        QTest::newRow("tail of 5") << -1 << false << int(SpectrumCapture::Outcome::TailLength);
    }

    void blockCheck()
    {
        QFETCH(int, cut);
        QFETCH(bool, breakCrc);
        QFETCH(int, outcome);
        SimSpectrumSignal s = SimSpectrumSignal::healthy();
        s.breakCrc = breakCrc;
        QByteArray block = SimSpectrum::answer(s).mid(1);
        block = cut >= 0 ? block.left(block.size() - cut) : block + QByteArray(-cut, 'x');
        QList<float> samples;
        QCOMPARE(int(SpectrumCapture::checkBlock(block, &samples)), outcome);
        if (outcome == int(SpectrumCapture::Outcome::Done))
            QCOMPARE(samples, SimSpectrum::samples(s));
        else
            QVERIFY(samples.isEmpty());
    }

    // Sample count, tone, expected peak bin and amplitude, verdicts at 24 and 28 Hz.
    void knownSignals_data()
    {
        QTest::addColumn<QList<float>>("samples");
        QTest::addColumn<int>("peakBin");
        QTest::addColumn<double>("peak");
        QTest::addColumn<bool>("normal24");
        QTest::addColumn<bool>("normal28");
        QTest::newRow("24.414 Hz, 0.1") << sine(1000.0 * 25 / 1024, 0.1, 1024) << 25 << 0.1 << false << true;
        QTest::newRow("28.32 Hz, 0.1") << sine(1000.0 * 29 / 1024, 0.1, 1024) << 29 << 0.1 << true << false;
        QTest::newRow("24.414 Hz, 0.03") << sine(1000.0 * 25 / 1024, 0.03, 1024) << 25 << 0.03 << true << true;
        QTest::newRow("100 Hz, 1.0") << sine(100, 1.0, 1024) << 102 << 0.85 << true << true;
    }

    void knownSignals()
    {
        QFETCH(QList<float>, samples);
        QFETCH(int, peakBin);
        QFETCH(double, peak);
        QFETCH(bool, normal24);
        QFETCH(bool, normal28);
        SpectrumAnalyzer fft;
        const Spectrum::Result r = fft.compute(samples, 1000, 1024);
        QCOMPARE(r.amplitudes.size(), 512);
        QCOMPARE(r.binWidth, 0.9765625);
        QCOMPARE(r.k24, 25);
        QCOMPARE(r.k28, 29);
        QCOMPARE(r.ranking.size(), 5);
        QCOMPARE(r.ranking.first().bin, peakBin);
        QVERIFY2(std::abs(r.ranking.first().amplitude - peak) < 0.15 * peak,
                 qPrintable(QString::number(r.ranking.first().amplitude)));
        for (int i = 1; i < r.ranking.size(); ++i)
            QVERIFY(r.ranking[i - 1].amplitude >= r.ranking[i].amplitude);
        for (int k : {0, 1, 25, 29, 102, 300, 511})
            QVERIFY2(std::abs(r.amplitudes[k] - directAmplitude(samples, 1024, k)) < 1e-6, qPrintable(QString::number(k)));
        QCOMPARE(Spectrum::withinLimit(float(r.amp24), Spectrum::Limit), normal24);
        QCOMPARE(Spectrum::withinLimit(float(r.amp28), Spectrum::Limit), normal28);
        // The axis follows bins 1..98 with 10 % room.
        QVERIFY(r.axisMax > *std::max_element(r.amplitudes.begin() + 1, r.amplitudes.begin() + 99));
    }

    void zerosAndPadding()
    {
        SpectrumAnalyzer fft;
        const Spectrum::Result zeros = fft.compute(QList<float>(1024, 0.0f), 1000, 1024);
        QVERIFY(std::all_of(zeros.amplitudes.begin(), zeros.amplitudes.end(), [](double a) { return a == 0; }));
        QCOMPARE(zeros.axisMin, -0.12);
        QCOMPARE(zeros.axisMax, 0.12);

        // 300 samples are the first 300 of a block whose other 724 are zero.
        QList<float> padded = sine(24.414, 0.1, 300);
        const QVector<double> shortBlock = fft.compute(padded, 1000, 1024).amplitudes;
        padded.append(QList<float>(724, 0.0f));
        QCOMPARE(fft.compute(padded, 1000, 1024).amplitudes, shortBlock);
        // Samples beyond N are not used.
        QList<float> longer = padded + sine(300, 5.0, 500);
        QCOMPARE(fft.compute(longer, 1000, 1024).amplitudes, shortBlock);
    }

    void planKeptBetweenRuns()
    {
        SpectrumAnalyzer fft;
        fft.compute(sine(24, 1, 1024), 1000, 1024);
        const Spectrum::Result again = fft.compute(sine(24, 1, 1024), 1000, 1024);
        QCOMPARE(fft.plansMade(), 1);
        fft.compute(sine(24, 1, 64), 1000, 64);
        QCOMPARE(fft.plansMade(), 2);
        QCOMPARE(fft.compute(sine(24, 1, 1024), 1000, 1024).amplitudes, again.amplitudes);
        QCOMPARE(fft.compute({}, 0, 1024).size, 0);
    }

    void verdictTable_data()
    {
        QTest::addColumn<float>("amp24");
        QTest::addColumn<float>("amp28");
        QTest::addColumn<QStringList>("expected"); // value and status of both rows
        QTest::newRow("exactly at the limit") << 0.04f << 0.0f << QStringList{"0.040000", "正常", "0.000000", "正常"};
        QTest::newRow("just above") << 0.0400001f << 0.1f << QStringList{"0.040000", "异常", "0.100000", "异常"};
    }

    void verdictTable()
    {
        QFETCH(float, amp24);
        QFETCH(float, amp28);
        QFETCH(QStringList, expected);
        SpectrumTableDialog d;
        d.updateData(amp24, amp28, 0.04f);
        const QTableWidget *t = d.table();
        QCOMPARE(t->item(0, 0)->text(), QString("24Hz幅值"));
        QCOMPARE(t->item(1, 0)->text(), QString("28Hz幅值"));
        QCOMPARE((QStringList{t->item(0, 1)->text(), t->item(0, 3)->text(), t->item(1, 1)->text(),
                              t->item(1, 3)->text()}),
                 expected);
        QCOMPARE(t->item(1, 2)->text(), QString("0.040000"));
        QVERIFY(!t->item(0, 3)->icon().isNull());
    }

    void dialogShowsSpectrumAndReadOut()
    {
        SpectrumAnalyzerDialog d;
        d.resize(800, 600);
        QCOMPARE(d.axisY()->titleText(), QString("幅度 (dB)"));
        d.setData(sine(1000.0 * 25 / 1024, 0.1, 1024), 1000, 1024);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(d.series()->count(), 512);
        QCOMPARE(QPointF(d.axisX()->min(), d.axisX()->max()), QPointF(1, 50));
        QCOMPARE(d.axisY()->titleText(), QString("幅度"));
        QVERIFY(d.tableDialog()->isVisible());

        // The middle of the plot area reads the middle of both axis ranges.
        const QRectF plot = d.chart()->plotArea();
        const QPoint centre = d.chartView()->mapFromScene(d.chart()->mapToScene(plot.center()));
        QTest::mouseMove(d.chartView()->viewport(), centre);
        QTRY_VERIFY(d.coordinateBox()->isVisible());
        const double midY = (d.axisY()->min() + d.axisY()->max()) / 2;
        const QStringList parts = d.coordinateLabel()->text().split(QRegularExpression("[^0-9.\\-]+"),
                                                                      Qt::SkipEmptyParts);
        QCOMPARE(parts.size(), 2);
        QVERIFY2(std::abs(parts[0].toDouble() - 25.5) < 0.5, qPrintable(d.coordinateLabel()->text()));
        QVERIFY2(std::abs(parts[1].toDouble() - midY) < 0.01 * (d.axisY()->max() - d.axisY()->min()),
                 qPrintable(d.coordinateLabel()->text()));
        // The box stays inside the view.
        QVERIFY(d.chartView()->viewport()->rect().contains(d.coordinateBox()->geometry()));
        QTest::mouseMove(d.chartView()->viewport(), QPoint(2, 2));
        QTRY_VERIFY(!d.coordinateBox()->isVisible());
    }
};

QTEST_MAIN(TestSpectrum)
#include "tst_spectrum.moc"
