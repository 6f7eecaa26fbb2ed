#include "charts/ui/feedbackCharts.h"
#include "charts/ui/waveForm.h"
#include "charts/ui/waveSaveDialog.h"
#include "widgets/dialogService.h"

#include <QApplication>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QWheelEvent>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

namespace {

QValueAxis *axisOf(WaveForm &w, Qt::Orientation o)
{
    return qobject_cast<QValueAxis *>(w.getChart()->axes(o).first());
}

QLineSeries *mainCurve(WaveForm &w)
{
    const auto s = w.dataSeries();
    return s.isEmpty() ? nullptr : qobject_cast<QLineSeries *>(s.first());
}

QList<float> ramp(int n, float from = 0, float by = 1)
{
    QList<float> out;
    for (int i = 0; i < n; ++i)
        out.append(from + i * by);
    return out;
}

QStringList readLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QList<WaveForm *> topLevelWaveForms()
{
    QList<WaveForm *> out;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *wf = qobject_cast<WaveForm *>(w))
            out.append(wf);
    }
    return out;
}

// Answers the boxes of the save dialog: runs `onDialog` instead of the modal loop,
// returns `savePath` from the file dialog and acknowledges every box with OK.
struct DialogScript
{
    QString savePath;
    std::function<void(WaveSaveDialog *)> onDialog;

    void install()
    {
        DialogService::setHandler([this](const DialogService::Request &r) {
            DialogService::Reply reply;
            switch (r.kind) {
            case DialogService::Dialog:
                if (auto *d = qobject_cast<WaveSaveDialog *>(r.dialog); d && onDialog)
                    onDialog(d);
                reply.result = r.dialog ? r.dialog->result() : 0;
                break;
            case DialogService::SaveFile:
                reply.path = savePath;
                break;
            default:
                reply.result = QMessageBox::Ok;
                break;
            }
            return reply;
        });
    }
};

QList<DialogService::Request> requestsOf(DialogService::Kind kind)
{
    QList<DialogService::Request> out;
    for (const auto &r : DialogService::history()) {
        if (r.kind == kind)
            out.append(r);
    }
    return out;
}

} // namespace

class TestWaveForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void createChartBuildsCurveAxesAndZeroLine();
    void backgroundRedraw_data();
    void backgroundRedraw();
    void synchronousRedraw_data();
    void synchronousRedraw();
    void historyIsCapped();
    void drawReducesToPlotWidthAndFollowsResize();
    void zoomShowsTheSamples_data();
    void zoomShowsTheSamples();
    void rpmConvertsCurveAndLegendNotData();
    void multiChannelDecimatedDraw();
    void prepareDataVectorScatterChannels();
    void resetClearsEverythingButZeroLine();
    void feedbackChartsInit();
    void feedbackUpdaterDrawsInOrder();
    void feedbackUpdaterHoldsBackWhileBusy_data();
    void feedbackUpdaterHoldsBackWhileBusy();
    void saveDialog_data();
    void saveDialog();
    void saveDialogSlidersAndNothingToSave();
    void saveDialogRaggedChannels();
    void separateWindow_data();
    void separateWindow();
    void wheelZoom_data();
    void wheelZoom();
    void dragPansOnRelease();
    void rubberBandZoomIsOneShot();
    void contextMenuSwitches();

private:
    QTemporaryDir tmp;
    DialogScript script;
};

void TestWaveForm::init()
{
    QTest::failOnWarning(QRegularExpression("Cannot queue arguments"));
    DialogService::clearHistory();
    script = DialogScript();
    script.install();
}

void TestWaveForm::cleanup()
{
    DialogService::setHandler(nullptr);
    for (WaveForm *w : topLevelWaveForms())
        delete w;
}

void TestWaveForm::createChartBuildsCurveAxesAndZeroLine()
{
    WaveForm w;
    QSignalSpy legend(&w, &WaveForm::LegendValue);
    w.createChart("位置", false);

    QCOMPARE(legend.count(), 1);
    QCOMPARE(legend.first().first().toFloat(), 0.f);
    QCOMPARE(w.getWaveName(), QString("位置"));
    QCOMPARE(w.getChart()->series().size(), 2);
    QCOMPARE(w.dataSeries().size(), 1);
    QCOMPARE(mainCurve(w)->name(), QString("位置"));
    QVERIFY(!w.getChart()->legend()->isVisible());
    QCOMPARE(w.view()->dragMode(), QGraphicsView::ScrollHandDrag);

    QValueAxis *x = axisOf(w, Qt::Horizontal);
    QValueAxis *y = axisOf(w, Qt::Vertical);
    QCOMPARE(x->min(), 0.0);
    QCOMPARE(x->max(), 10.0);
    QCOMPARE(x->tickCount(), 11);
    QCOMPARE(y->min(), -2.0);
    QCOMPARE(y->max(), 2.0);
    QCOMPARE(y->tickCount(), 5);
    QCOMPARE(w.getZeroLine()->points(), (QList<QPointF>{{0, 0}, {5000, 0}}));

    // a wider window stretches the zero line along
    w.setVisiblePoints(500000);
    QCOMPARE(w.getZeroLine()->points().last(), QPointF(500000, 0));

    w.setWaveName("速度");
    QCOMPARE(mainCurve(w)->name(), QString("速度"));
}

void TestWaveForm::backgroundRedraw_data()
{
    QTest::addColumn<QList<float>>("samples");
    QTest::addColumn<bool>("includeZero");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("yMin");
    QTest::addColumn<double>("yMax");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<float>("legend");

    QTest::newRow("constant 3") << QList<float>{3, 3, 3} << false << "" << 2.9 << 3.1 << 2 << 3.f;
    // 1 … 5 with zero: proposed -0.5 … 5.5, aligned to step 2
    QTest::newRow("positive, zero included") << QList<float>{1, 5, 3} << true << "rad" << -2.0 << 6.0 << 5 << 3.f;
    QTest::newRow("positive") << QList<float>{1, 5, 3} << false << "rad" << 0.0 << 6.0 << 7 << 3.f;
    QTest::newRow("negative, zero included") << QList<float>{-1, -5, -3} << true << "" << -6.0 << 2.0 << 5 << -3.f;
    QTest::newRow("RPM") << QList<float>{1, 2} << false << "RPM" << 5.0 << 25.0 << 5
                         << float(2 * 9.549296748407162);
    QTest::newRow("empty") << QList<float>{} << true << "" << -1.0 << 1.0 << 5 << 0.f;
    // a corrupt sample is drawn as a gap and kept out of the range
    QTest::newRow("NaN ignored") << QList<float>{1, std::nanf(""), 5, 3} << false << "" << 0.0 << 6.0 << 7 << 3.f;
}

void TestWaveForm::backgroundRedraw()
{
    QFETCH(QList<float>, samples);
    QFETCH(bool, includeZero);
    QFETCH(QString, unit);
    QFETCH(double, yMin);
    QFETCH(double, yMax);
    QFETCH(int, ticks);
    QFETCH(float, legend);

    WaveForm w;
    w.createChart("t", false);
    w.setIncludeZero(includeZero);
    w.setUnit(unit);
    w.setWaveColor(Qt::darkGreen);
    QSignalSpy spy(&w, &WaveForm::LegendValue);

    WaveDataContainer data;
    // computed off the GUI thread, as the feedback cycle does
    QThread *worker = QThread::create([&] { data = w.processWaveData(samples); });
    worker->start();
    QVERIFY(worker->wait(5000));
    delete worker;

    QCOMPARE(data.points.size(), samples.size());
    w.drawWaveData(data);

    QValueAxis *y = axisOf(w, Qt::Vertical);
    QVERIFY2(std::fabs(y->min() - yMin) < 1e-9, qPrintable(QString::number(y->min(), 'g', 17)));
    QVERIFY2(std::fabs(y->max() - yMax) < 1e-9, qPrintable(QString::number(y->max(), 'g', 17)));
    QCOMPARE(y->tickCount(), ticks);
    QCOMPARE(y->minorTickCount(), 0);
    QCOMPARE(axisOf(w, Qt::Horizontal)->max(), 5000.0);
    QCOMPARE(mainCurve(w)->count(), samples.size());
    QCOMPARE(mainCurve(w)->pen().color(), QColor(Qt::darkGreen));
    QCOMPARE(mainCurve(w)->pen().width(), 2);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().toFloat(), legend);
}

void TestWaveForm::synchronousRedraw_data()
{
    QTest::addColumn<QList<float>>("samples");
    QTest::addColumn<bool>("includeZero");
    QTest::addColumn<float>("limMin");
    QTest::addColumn<float>("limMax");
    QTest::addColumn<double>("yMin");
    QTest::addColumn<double>("yMax");
    QTest::addColumn<int>("legendSignals");

    QTest::newRow("positive, zero included: exactly 0") << QList<float>{1, 5, 3} << true << 0.f << 0.f << 0.0 << 5.5
                                                        << 1;
    QTest::newRow("positive") << QList<float>{1, 5, 3} << false << 0.f << 0.f << 0.6 << 5.4 << 1;
    QTest::newRow("negative, zero included") << QList<float>{-1, -5} << true << 0.f << 0.f << -5.5 << 0.0 << 1;
    QTest::newRow("all zero") << QList<float>{0, 0} << true << 0.f << 0.f << -0.1 << 0.1 << 1;
    QTest::newRow("empty leaves the curve alone") << QList<float>{} << false << 0.f << 0.f << -1.0 << 1.0 << 0;
    QTest::newRow("bus load keeps 0..100") << QList<float>{250, -3, 7} << false << 0.f << 100.f << 0.0 << 100.0 << 1;
}

void TestWaveForm::synchronousRedraw()
{
    QFETCH(QList<float>, samples);
    QFETCH(bool, includeZero);
    QFETCH(float, limMin);
    QFETCH(float, limMax);
    QFETCH(double, yMin);
    QFETCH(double, yMax);
    QFETCH(int, legendSignals);

    WaveForm w;
    w.createChart("t", false);
    w.setIncludeZero(includeZero);
    w.setYLimit(limMin, limMax);
    w.setVisiblePoints(10);
    QSignalSpy spy(&w, &WaveForm::LegendValue);
    w.prepareData(samples);

    QValueAxis *y = axisOf(w, Qt::Vertical);
    QVERIFY2(std::fabs(y->min() - yMin) < 1e-6, qPrintable(QString::number(y->min())));
    QVERIFY2(std::fabs(y->max() - yMax) < 1e-6, qPrintable(QString::number(y->max())));
    QCOMPARE(axisOf(w, Qt::Horizontal)->max(), 10.0);
    QCOMPARE(spy.count(), legendSignals);
    if (legendSignals) {
        QCOMPARE(spy.first().first().toFloat(), samples.last());
        QCOMPARE(mainCurve(w)->count(), samples.size());
    }
}

void TestWaveForm::historyIsCapped()
{
    WaveForm w;
    w.createChart("t", false);
    QCOMPARE(w.getMaxPoints(), 50000);
    for (int i = 0; i < 6; ++i)
        w.processWaveData(ramp(10000, float(i * 10000)));
    const QList<float> h = w.getWaveData();
    QCOMPARE(h.size(), 50000);
    QCOMPARE(h.first(), 10000.f);
    QCOMPARE(h.last(), 59999.f);

    // the shown window is the newest visiblePoints
    w.setVisiblePoints(100);
    const WaveDataContainer c = w.processWaveData({60000});
    QCOMPARE(c.points.size(), 100);
    QCOMPARE(c.points.first(), QPointF(0, 59901));
    QCOMPARE(c.points.last(), QPointF(99, 60000));

    // multi-channel histories slide the same way, per channel
    WaveForm m;
    m.createChart("m", false);
    m.setMaxPoints(1000);
    QList<QList<float>> chunk{ramp(700), ramp(700, 1e6)};
    m.prepareDataVector(chunk, {});
    m.prepareDataVector(chunk, {});
    const auto multi = m.getWaveDatas();
    QCOMPARE(multi.size(), 2);
    QCOMPARE(multi[0].size(), 1000);
    QCOMPARE(multi[0].first(), 400.f);
    QCOMPARE(multi[1].last(), 1e6f + 699);
}

void TestWaveForm::drawReducesToPlotWidthAndFollowsResize()
{
    WaveForm w;
    w.createChart("t", false);
    QList<float> samples;
    for (int i = 0; i < 5000; ++i)
        samples.append(float(std::sin(i * 0.05)) + (i == 1234 ? 7.f : 0.f) - (i == 4321 ? 9.f : 0.f));
    const WaveDataContainer data = w.processWaveData(samples);
    QCOMPARE(data.points.size(), 5000); // the container carries the whole window

    // not shown yet: the plot is narrow, and so is the curve
    const int narrow = int(w.getChart()->plotArea().width());
    w.drawWaveData(data);
    QLineSeries *curve = mainCurve(w);
    QVERIFY2(curve->count() <= std::max(2, narrow) + 1, qPrintable(QString::number(curve->count())));
    double lo = 1e9, hi = -1e9;
    for (const QPointF &p : curve->points()) {
        lo = std::min(lo, p.y());
        hi = std::max(hi, p.y());
    }
    QCOMPARE(float(hi), samples[1234]); // peaks survive the reduction
    QCOMPARE(float(lo), samples[4321]);
    QCOMPARE(curve->points().last(), data.points.last());

    // shown wide: the same window is reduced again for the new width
    w.resize(1000, 300);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY(w.getChart()->plotArea().width() > 5 * narrow);
    QTRY_VERIFY(curve->count() > 3 * narrow / 2); // about a point per three pixels
    QVERIFY(curve->count() <= int(w.getChart()->plotArea().width()) / 3 + 1);
}

void TestWaveForm::zoomShowsTheSamples_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::newRow("zoomed in") << 1000.0 << 1100.0;
    QTest::newRow("panned to the start") << -20.0 << 60.0;
    QTest::newRow("zoomed out past the end") << 4000.0 << 9000.0;
}

// After a zoom or pan the curve is the samples in view (reduced again only when they
// are more than the plot shows), not the outline of the whole window's reduction; the
// separate window gets the samples too.
void TestWaveForm::zoomShowsTheSamples()
{
    QFETCH(double, from);
    QFETCH(double, to);
    WaveForm w;
    w.createChart("t", false);
    w.resize(400, 300);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QList<float> samples;
    for (int i = 0; i < 5000; ++i)
        samples.append(float(std::sin(i * 0.37)));
    w.drawWaveData(w.processWaveData(samples));
    const int width = int(w.getChart()->plotArea().width());
    axisOf(w, Qt::Horizontal)->setRange(from, to);
    const int first = std::max(0, int(from)), last = std::min(4999, int(to));
    int inView = 0;
    for (const QPointF &p : mainCurve(w)->points()) {
        QCOMPARE(float(p.y()), samples[int(p.x())]); // real samples only
        inView += p.x() >= first && p.x() <= last;
    }
    QVERIFY2(inView >= std::min(last - first + 1, width / 4), qPrintable(QString::number(inView)));

    w.on_actZoomNewWindow_triggered();
    QList<WaveForm *> copies = topLevelWaveForms();
    copies.removeAll(&w);
    QCOMPARE(copies.size(), 1);
    QCOMPARE(copies.first()->getWaveData(), samples);
}

void TestWaveForm::rpmConvertsCurveAndLegendNotData()
{
    WaveForm w;
    w.createChart("速度", false);
    w.setUnit("rad/s");
    w.setUnit("RPM");
    QCOMPARE(w.Unit(), QString("RPM"));
    QSignalSpy spy(&w, &WaveForm::LegendValue);
    w.drawWaveData(w.processWaveData({1.0f, 2.0f}));
    QCOMPARE(mainCurve(w)->at(1).y(), double(float(2 * 9.549296748407162)));
    QCOMPARE(spy.last().first().toFloat(), float(2 * 9.549296748407162));
    QCOMPARE(w.getWaveData(), (QList<float>{1.0f, 2.0f}));

    // the synchronous path converts too
    w.prepareData({3.0f});
    QCOMPARE(spy.last().first().toFloat(), float(3 * 9.549296748407162));

    // while the CSV keeps rad/s
    const QString path = tmp.filePath("rpm.csv");
    script.savePath = path;
    script.onDialog = [](WaveSaveDialog *d) { d->findChild<QPushButton *>("browseButton")->click(); };
    w.on_actZoomSave_triggered();
    QCOMPARE(readLines(path), (QStringList{"0.000000,1.000000", "1.000000,2.000000", "2.000000,3.000000"}));
}

void TestWaveForm::multiChannelDecimatedDraw()
{
    WaveForm w;
    w.resize(640, 400);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.createChart("校准", false);
    QTRY_VERIFY(w.getChart()->plotArea().width() > 100);
    w.setMaxPoints(500000);
    w.setVisiblePoints(500000);
    const int plotWidth = int(w.getChart()->plotArea().width());

    QList<QList<float>> channels;
    for (int c = 0; c < 5; ++c) {
        QList<float> ch;
        for (int i = 0; i < 20000; ++i)
            ch.append(float((c + 1) * std::sin(i * 0.001) + 10));
        channels.append(ch);
    }
    const MultiWaveDataContainer data = w.processMultiWaveData(channels);
    QCOMPARE(data.series.size(), 5);
    QCOMPARE(data.xSpan, 20000.f);
    const int stride = std::max(1, 20000 / plotWidth);
    for (const auto &pts : data.series) {
        QVERIFY(pts.size() <= 2 * (20000 / stride + 1));
        QVERIFY(pts.size() >= 20000 / stride);
        QCOMPARE(pts.first().x(), 0.0);
    }
    // all values positive: the range is pulled down to 0 minus the margin
    QVERIFY(data.yMin < 0 && data.yMin > -2);
    QVERIFY(data.yMax > 15);

    w.drawMultiWaveData(data);
    QCOMPARE(w.dataSeries().size(), 5);
    QVERIFY(w.getZeroLine() && w.getChart()->series().contains(w.getZeroLine()));
    QCOMPARE(w.getZeroLine()->count(), 2);
    const auto series = w.dataSeries();
    for (int i = 1; i < 5; ++i) {
        QCOMPARE(series[i]->count(), data.series[i].size());
        QCOMPARE(series[i]->pen().color(), (QList<QColor>{Qt::red, Qt::blue, Qt::green, Qt::yellow, Qt::magenta}[i]));
    }
    QCOMPARE(axisOf(w, Qt::Horizontal)->max(), 20000.0);
    QCOMPARE(axisOf(w, Qt::Vertical)->min(), std::floor(double(data.yMin)));
    QCOMPARE(axisOf(w, Qt::Vertical)->max(), std::ceil(double(data.yMax)));

    // fewer channels: surplus curves go
    w.drawMultiWaveData(w.processMultiWaveData({ramp(10), ramp(10)}));
    QCOMPARE(w.dataSeries().size(), 2);
    QCOMPARE(w.getWaveDatas().size(), 2);
}

void TestWaveForm::prepareDataVectorScatterChannels()
{
    WaveForm w;
    w.createChart("结果", true);
    QList<QList<float>> channels{{1, 2, 3}, {-4, 5}, {6}};
    w.prepareDataVector(channels, {false, true, false});
    auto series = w.dataSeries();
    QCOMPARE(series.size(), 3);
    QVERIFY(qobject_cast<QLineSeries *>(series[0]) && !qobject_cast<QScatterSeries *>(series[0]));
    QVERIFY(qobject_cast<QScatterSeries *>(series[1]));
    QCOMPARE(qobject_cast<QScatterSeries *>(series[1])->markerSize(), 2.0);
    QCOMPARE(qobject_cast<QScatterSeries *>(series[1])->brush().color(), QColor(Qt::blue));
    QVERIFY(qobject_cast<QLineSeries *>(series[2]));
    QCOMPARE(series[0]->name(), QString("结果"));
    QCOMPARE(series[1]->points(), (QList<QPointF>{{0, -4}, {1, 5}}));
    QCOMPARE(series[2]->pen().color(), QColor(Qt::green));
    QVERIFY(w.getChart()->series().contains(w.getZeroLine()));
    QCOMPARE(axisOf(w, Qt::Horizontal)->max(), 3.0);
    // -4 … 6 with 10 % margin (-5 … 7), aligned to step 5
    QCOMPARE(axisOf(w, Qt::Vertical)->min(), -5.0);
    QCOMPARE(axisOf(w, Qt::Vertical)->max(), 10.0);

    // back to lines only, in channel order, and the old curves are gone
    QList<QList<float>> more{{7}, {8}};
    w.prepareDataVector(more, {});
    series = w.dataSeries();
    QCOMPARE(series.size(), 2);
    for (QXYSeries *s : series)
        QVERIFY(qobject_cast<QLineSeries *>(s) && !qobject_cast<QScatterSeries *>(s));
    QCOMPARE(series[0]->points().last(), QPointF(3, 7));
    QCOMPARE(series[1]->points().last(), QPointF(2, 8));

    // fixed limits win over the data
    w.setYLimit(-1, 50);
    w.prepareDataVector(more, {});
    QCOMPARE(axisOf(w, Qt::Vertical)->min(), -1.0);
    QCOMPARE(axisOf(w, Qt::Vertical)->max(), 50.0);
}

void TestWaveForm::resetClearsEverythingButZeroLine()
{
    WaveForm w;
    w.createChart("t", false);
    w.drawWaveData(w.processWaveData(ramp(50)));
    QList<QList<float>> ch{ramp(5), ramp(5)};
    w.prepareDataVector(ch, {});
    QSignalSpy spy(&w, &WaveForm::LegendValue);
    w.reset();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().toFloat(), 0.f);
    QVERIFY(w.getWaveData().isEmpty());
    QVERIFY(w.getWaveDatas().isEmpty());
    for (QXYSeries *s : w.dataSeries())
        QCOMPARE(s->count(), 0);
    QCOMPARE(w.getZeroLine()->count(), 2);
    // and it starts again from nothing
    const WaveDataContainer c = w.processWaveData({4});
    QCOMPARE(c.points.size(), 1);
}

void TestWaveForm::feedbackChartsInit()
{
    QWidget host;
    FeedbackChartWidgets f;
    f.calibration = new WaveForm(&host);
    f.position = new WaveForm(&host);
    f.velocity = new WaveForm(&host);
    f.torque = new WaveForm(&host);
    f.busLoad = new WaveForm(&host);
    QLabel *labels[11];
    for (QLabel *&l : labels)
        l = new QLabel(&host);
    f.calibrationWaveTitle = labels[0];
    f.positionWaveTitle = labels[1];
    f.velocityWaveTitle = labels[2];
    f.torqueWaveTitle = labels[3];
    f.posLegendLabel = labels[4];
    f.velLegendLabel = labels[5];
    f.torLegendLabel = labels[6];
    f.posLegendValueLabel = labels[7];
    f.velLegendValueLabel = labels[8];
    f.torLegendValueLabel = labels[9];
    f.corLegendValueLabel = labels[10];
    initFeedbackCharts(f);

    QCOMPARE(f.calibration->getVisiblePoints(), 500000);
    QVERIFY(f.position->isIncludeZero() && f.velocity->isIncludeZero() && f.torque->isIncludeZero());
    QCOMPARE(f.velocity->Unit(), QString("rad/s")); // the RPM switch starts from here

    // createChart announced 0; later values arrive with 6 (1 for bus load) decimals
    QCOMPARE(f.posLegendValueLabel->text(), QString("0.000000"));
    QCOMPARE(f.corLegendValueLabel->text(), QString("0.0"));
    f.velocity->drawWaveData(f.velocity->processWaveData({1.23456789f}));
    QCOMPARE(f.velLegendValueLabel->text(), QString("1.234568"));
    f.torque->drawWaveData(f.torque->processWaveData({-0.5f}));
    QCOMPARE(f.torLegendValueLabel->text(), QString("-0.500000"));
    f.busLoad->prepareData({42.46f});
    QCOMPARE(f.corLegendValueLabel->text(), QString("42.5"));
    QCOMPARE(axisOf(*f.busLoad, Qt::Vertical)->max(), 100.0);
    f.position->reset();
    QCOMPARE(f.posLegendValueLabel->text(), QString("0.000000"));
}

void TestWaveForm::feedbackUpdaterDrawsInOrder()
{
    WaveForm pos, vel, tor;
    for (WaveForm *w : {&pos, &vel, &tor})
        w->createChart("t", false);
    QList<float> p{1, 2}, v{3}, t;
    p.reserve(1000);
    const qsizetype capacity = p.capacity();
    QMutex mutex;
    FeedbackWaveUpdater updater(&pos, &vel, &tor);
    QList<WaveForm *> drawn;
    connect(&updater, &FeedbackWaveUpdater::dataProcessed, &pos, [&](WaveForm *w, const WaveDataContainer &d) {
        QCOMPARE(QThread::currentThread(), qApp->thread()); // queued onto the GUI thread
        w->drawWaveData(d);
        drawn.append(w);
    });

    updater.update(p, v, t, mutex);
    // the lists are taken and left empty, capacity kept for the receive side
    QVERIFY(p.isEmpty() && v.isEmpty());
    QCOMPARE(p.capacity(), capacity);
    QTRY_COMPARE(drawn.size(), 3);
    QVERIFY(drawn.contains(&pos) && drawn.contains(&vel) && drawn.contains(&tor));
    QCOMPARE(mainCurve(pos)->points(), (QList<QPointF>{{0, 1}, {1, 2}}));
    QCOMPARE(mainCurve(vel)->points(), (QList<QPointF>{{0, 3}}));
    QCOMPARE(mainCurve(tor)->count(), 0);

    p = {4};
    updater.update(p, v, t, mutex);
    updater.waitForDone();
    QCOMPARE(pos.getWaveData(), (QList<float>{1, 2, 4}));
}

void TestWaveForm::feedbackUpdaterHoldsBackWhileBusy_data()
{
    QTest::addColumn<int>("batchSize");
    QTest::addColumn<bool>("clear");
    QTest::addColumn<int>("held"); // while the first computation cannot run
    QTest::newRow("drawn in the next cycle") << 2 << false << 4;
    QTest::newRow("cleared before the next cycle") << 2 << true << 4;
    QTest::newRow("no more than a history") << 30000 << true << int(FeedbackWaveUpdater::kMaxHeldSamples);
}

void TestWaveForm::feedbackUpdaterHoldsBackWhileBusy()
{
    QFETCH(int, batchSize);
    QFETCH(bool, clear);
    QFETCH(int, held);
    WaveForm pos, vel, tor;
    for (WaveForm *w : {&pos, &vel, &tor})
        w->createChart("t", false);
    QList<float> p, v, t;
    QMutex mutex;
    FeedbackWaveUpdater updater(&pos, &vel, &tor);

    // occupy every pool thread so that the first computation cannot finish
    QThreadPool *pool = QThreadPool::globalInstance();
    QSemaphore gate;
    QList<QFuture<void>> blockers;
    for (int i = 0; i < pool->maxThreadCount(); ++i)
        blockers.append(QtConcurrent::run([&gate] { gate.acquire(); }));

    for (float batch : {1.f, 2.f, 3.f}) {
        p = QList<float>(batchSize, batch);
        updater.update(p, v, t, mutex);
    }
    const qsizetype heldWhileBusy = updater.heldSamples();
    gate.release(pool->maxThreadCount()); // before any check: a failed one must not leave the pool blocked
    for (auto &f : blockers)
        f.waitForFinished();
    updater.waitForDone();
    QCOMPARE(heldWhileBusy, qsizetype(held));
    // one computation ran; the later batches wait for the next cycle instead of racing it
    QCOMPARE(pos.getWaveData(), QList<float>(batchSize, 1));
    if (clear)
        updater.clear();
    updater.update(p, v, t, mutex);
    updater.waitForDone();
    QList<float> expected = QList<float>(batchSize, 1);
    if (!clear)
        expected << QList<float>(batchSize, 2) << QList<float>(batchSize, 3);
    QCOMPARE(pos.getWaveData(), expected);
}

void TestWaveForm::saveDialog_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<QString>("path"); // "" = cancelled; "<tmp>" expands to the temporary folder
    QTest::addColumn<QString>("warningTitle");
    QTest::addColumn<QString>("warningText");
    QTest::addColumn<QString>("savedAs");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("two rows") << 3 << 4 << "<tmp>/a" << "" << "" << "<tmp>/a.csv"
                              << QStringList{"0.000000,1.250000", "1.000000,-2.000000"};
    QTest::newRow("suffix in any case is kept") << 0 << 9 << "<tmp>/b.CSV" << "" << "" << "<tmp>/b.CSV"
                                                << QStringList{};
    QTest::newRow("left equals right") << 5 << 5 << "<tmp>/c" << "警告" << "请选择有效的波形区域" << ""
                                       << QStringList{};
    QTest::newRow("cancelled") << 0 << 9 << "" << "" << "" << "" << QStringList{};
    QTest::newRow("unopenable file") << 0 << 9 << "<tmp>/missing/dir/d" << "保存失败" << "无法打开文件：" << ""
                                     << QStringList{};
}

void TestWaveForm::saveDialog()
{
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(QString, path);
    QFETCH(QString, warningTitle);
    QFETCH(QString, warningText);
    QFETCH(QString, savedAs);
    QFETCH(QStringList, rows);
    path.replace("<tmp>", tmp.path());
    savedAs.replace("<tmp>", tmp.path());

    WaveForm w;
    w.createChart("t", false);
    QList<float> data = ramp(10);
    data[3] = 1.25f;
    data[4] = -2.0f;
    w.prepareData(data);

    int result = -1;
    script.savePath = path.isEmpty() ? QString() : path;
    script.onDialog = [&](WaveSaveDialog *d) {
        QCOMPARE(d->windowTitle(), QString("保存波形原始数据"));
        d->findChild<QSlider *>("rightSlider")->setValue(right);
        d->findChild<QSlider *>("leftSlider")->setValue(left);
        d->findChild<QPushButton *>("browseButton")->click();
        result = d->result();
    };
    w.on_actZoomSave_triggered();

    QCOMPARE(requestsOf(DialogService::Dialog).size(), 1);
    const auto fileRequests = requestsOf(DialogService::SaveFile);
    QCOMPARE(fileRequests.size(), 1);
    QCOMPARE(fileRequests.first().title, QString("保存波形数据"));
    QCOMPARE(fileRequests.first().filter, QString("CSV文件 (*.csv);;所有文件 (*)"));

    const auto warnings = requestsOf(DialogService::Warning);
    const auto infos = requestsOf(DialogService::Information);
    if (!warningTitle.isEmpty()) {
        QCOMPARE(warnings.size(), 1);
        QCOMPARE(warnings.first().title, warningTitle);
        QVERIFY2(warnings.first().text.startsWith(warningText), qPrintable(warnings.first().text));
        QVERIFY(infos.isEmpty());
        QCOMPARE(result, int(QDialog::Rejected));
    } else {
        QVERIFY(warnings.isEmpty());
    }
    if (savedAs.isEmpty()) {
        QVERIFY(infos.isEmpty());
        QVERIFY(QDir(tmp.path()).entryList(QDir::Files).filter(QRegularExpression("^[cd]")).isEmpty());
        return;
    }
    QCOMPARE(infos.size(), 1);
    QCOMPARE(infos.first().title, QString("保存成功"));
    QCOMPARE(infos.first().text, QString("波形数据已保存为CSV文件：\n%1").arg(savedAs));
    QCOMPARE(result, int(QDialog::Accepted));
    const QStringList lines = readLines(savedAs);
    QCOMPARE(lines.size(), right - left + 1);
    if (!rows.isEmpty())
        QCOMPARE(lines, rows);
}

void TestWaveForm::saveDialogSlidersAndNothingToSave()
{
    WaveForm empty;
    empty.createChart("t", false);
    empty.on_actZoomSave_triggered();
    QVERIFY(DialogService::history().isEmpty());

    WaveForm w;
    w.createChart("t", false);
    w.processWaveData(ramp(50100)); // the sliders follow the kept 50000
    script.onDialog = [](WaveSaveDialog *d) {
        auto *l = d->findChild<QSlider *>("leftSlider");
        auto *r = d->findChild<QSlider *>("rightSlider");
        QCOMPARE(l->maximum(), 49999);
        QCOMPARE(r->maximum(), 49999);
        QCOMPARE(r->value(), 49999);
        QCOMPARE(d->findChild<QLabel *>("rightLabel")->text(), QString("右边界: 49999"));
        r->setValue(100);
        l->setValue(300); // pushes the right bound up with it
        QCOMPARE(r->value(), 300);
        QCOMPARE(d->findChild<QLabel *>("leftLabel")->text(), QString("左边界: 300"));
        r->setValue(200); // pulls the left bound down
        QCOMPARE(l->value(), 200);
        auto *preview = d->findChild<QWidget *>("previewWidget");
        QCOMPARE(preview->width(), 600);
        QVERIFY(preview->height() >= 300);
        // the preview label is made once and reused
        QCOMPARE(preview->findChildren<QLabel *>().size(), 1);
        d->updateWaveformPreview(preview, 0, 49999);
        QCOMPARE(preview->findChildren<QLabel *>().size(), 1);
        const QImage img = preview->findChild<QLabel *>()->pixmap().toImage();
        QVERIFY(!img.isNull());
        // the blue curve is drawn inside the plot rectangle
        bool blue = false;
        for (int x = 45; x < img.width() - 25 && !blue; ++x)
            for (int y = 45; y < img.height() - 65 && !blue; ++y)
                blue = img.pixelColor(x, y).blue() > 200 && img.pixelColor(x, y).red() < 100;
        QVERIFY(blue);
    };
    w.on_actZoomSave_triggered();
    QCOMPARE(requestsOf(DialogService::Dialog).size(), 1);
}

void TestWaveForm::saveDialogRaggedChannels()
{
    WaveForm w;
    w.createChart("t", false);
    QList<QList<float>> channels{{1, 2, 3}, {4}};
    w.prepareDataVector(channels, {});
    const QString path = tmp.filePath("ragged.csv");
    script.savePath = path;
    script.onDialog = [](WaveSaveDialog *d) {
        QCOMPARE(d->findChild<QSlider *>("rightSlider")->value(), 2);
        d->findChild<QPushButton *>("browseButton")->click();
    };
    w.on_actZoomSave_triggered();
    QCOMPARE(readLines(path),
             (QStringList{"0.000000,1.000000,4.000000", "1.000000,2.000000,", "2.000000,3.000000,"}));
}

void TestWaveForm::separateWindow_data()
{
    QTest::addColumn<bool>("chart");
    QTest::addColumn<QList<float>>("samples");
    QTest::addColumn<QString>("warning");

    QTest::newRow("no chart") << false << QList<float>{} << "没有波形数据可显示";
    QTest::newRow("empty curve") << true << QList<float>{} << "没有有效的波形数据可显示";
    QTest::newRow("with data") << true << QList<float>{1, -2, 3} << "";
}

void TestWaveForm::separateWindow()
{
    QFETCH(bool, chart);
    QFETCH(QList<float>, samples);
    QFETCH(QString, warning);

    WaveForm w;
    if (chart) {
        w.createChart("速度", false);
        w.setUnit("RPM");
        w.drawWaveData(w.processWaveData(samples));
    }
    const QList<WaveForm *> before = topLevelWaveForms();
    w.on_actZoomNewWindow_triggered();
    const auto warnings = requestsOf(DialogService::Warning);
    if (!warning.isEmpty()) {
        QCOMPARE(warnings.size(), 1);
        QCOMPARE(warnings.first().title, QString("警告"));
        QCOMPARE(warnings.first().text, warning);
        QCOMPARE(topLevelWaveForms().size(), before.size());
        return;
    }
    QVERIFY(warnings.isEmpty());
    QList<WaveForm *> added = topLevelWaveForms();
    added.removeIf([&](WaveForm *x) { return before.contains(x); });
    QCOMPARE(added.size(), 1);
    WaveForm *copy = added.first();
    QVERIFY(copy->isVisible());
    QVERIFY(copy->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(copy->size(), QSize(800, 600));
    // the copy shows the curve as it is shown here, converted once
    QCOMPARE(mainCurve(*copy)->points(), mainCurve(w)->points());
    QCOMPARE(float(mainCurve(*copy)->at(1).y()), float(-2 * 9.549296748407162));
}

void TestWaveForm::wheelZoom_data()
{
    QTest::addColumn<QPoint>("angleDelta");
    QTest::addColumn<double>("widthRatio"); // new X span / old X span
    QTest::addColumn<bool>("accepted");

    QTest::newRow("one notch forward") << QPoint(0, 120) << 1 / 1.1 << true;
    QTest::newRow("one notch back") << QPoint(0, -120) << 1 / 0.9 << true;
    QTest::newRow("two notches back zoom out further") << QPoint(0, -240) << 1 / 0.81 << true;
    QTest::newRow("less than half a notch") << QPoint(0, 40) << 1.0 << true;
    QTest::newRow("no rotation") << QPoint(0, 0) << 1.0 << false;
}

void TestWaveForm::wheelZoom()
{
    QFETCH(QPoint, angleDelta);
    QFETCH(double, widthRatio);
    QFETCH(bool, accepted);

    WaveForm w;
    w.resize(640, 400);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.createChart("t", false);
    w.prepareData(ramp(100));
    QTRY_VERIFY(w.getChart()->plotArea().width() > 100);
    QValueAxis *x = axisOf(w, Qt::Horizontal);
    const double before = x->max() - x->min();

    QWidget *vp = w.view()->viewport();
    const QPointF pos(vp->width() / 2, vp->height() / 2);
    QWheelEvent ev(pos, vp->mapToGlobal(pos), QPoint(), angleDelta, Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(vp, &ev);
    QCOMPARE(ev.isAccepted(), accepted);
    const double after = x->max() - x->min();
    QVERIFY2(std::fabs(after / before - widthRatio) < 1e-3, qPrintable(QString::number(after / before)));
}

void TestWaveForm::dragPansOnRelease()
{
    WaveForm w;
    w.resize(640, 400);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.createChart("t", false);
    w.prepareData(ramp(100));
    QTRY_VERIFY(w.getChart()->plotArea().width() > 100);
    QValueAxis *x = axisOf(w, Qt::Horizontal);
    QValueAxis *y = axisOf(w, Qt::Vertical);
    const double xMin = x->min(), xSpan = x->max() - x->min(), yMin = y->min();
    const double pxPerX = w.getChart()->plotArea().width() / xSpan;

    QWidget *vp = w.view()->viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(300, 200));
    QCOMPARE(x->min(), xMin); // nothing moves before the release
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(200, 200));
    // dragged 100 px to the left: the view moves 100 px to the right
    QVERIFY2(std::fabs((x->min() - xMin) * pxPerX - 100) < 2, qPrintable(QString::number(x->min())));
    QVERIFY(std::fabs((x->max() - x->min()) - xSpan) < 1e-6);
    QCOMPARE(y->min(), yMin);

    // other buttons do not pan
    const double now = x->min();
    QTest::mousePress(vp, Qt::RightButton, {}, QPoint(300, 200));
    QTest::mouseRelease(vp, Qt::RightButton, {}, QPoint(100, 200));
    QCOMPARE(x->min(), now);
}

void TestWaveForm::rubberBandZoomIsOneShot()
{
    WaveForm w;
    w.resize(640, 400);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.createChart("t", false);
    w.prepareData(ramp(100));
    QTRY_VERIFY(w.getChart()->plotArea().width() > 100);
    QValueAxis *x = axisOf(w, Qt::Horizontal);
    const double span = x->max() - x->min();

    w.on_actZoomRect_triggered();
    CustomChartView *view = w.view();
    QCOMPARE(view->dragMode(), QGraphicsView::RubberBandDrag);
    QVERIFY(view->rubberBand().testFlag(QChartView::RectangleRubberBand));
    QVERIFY(view->rubberBand().testFlag(QChartView::ClickThroughRubberBand));
    QVERIFY(view->isRectZoomMode());

    const QRectF plot = w.getChart()->plotArea();
    const QPoint a = plot.topLeft().toPoint() + QPoint(20, 20);
    const QPoint b = a + QPoint(int(plot.width() / 4), int(plot.height() / 4));
    QWidget *vp = view->viewport();
    QSignalSpy moves(view, &CustomChartView::mouseMovePoint);
    QTest::mousePress(vp, Qt::LeftButton, {}, a);
    QMouseEvent move(QEvent::MouseMove, QPointF(b), vp->mapToGlobal(QPointF(b)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    QVERIFY(!moves.isEmpty());
    QCOMPARE(moves.last().first().toPoint(), b);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, b);

    QVERIFY2(x->max() - x->min() < span / 2, qPrintable(QString::number(x->max() - x->min())));
    QCOMPARE(view->dragMode(), QGraphicsView::ScrollHandDrag);
    QCOMPARE(view->rubberBand(), QChartView::RubberBands(QChartView::NoRubberBand));
    QVERIFY(!view->isRectZoomMode());

    // "Auto-scale" returns to the full view
    w.on_actZoomReset_triggered();
    QVERIFY(std::fabs((x->max() - x->min()) - span) < 1e-6);
}

void TestWaveForm::contextMenuSwitches()
{
    WaveForm w;
    w.createChart("t", false);
    std::unique_ptr<QMenu> menu(w.createContextMenu(nullptr));
    const auto actions = menu->actions();
    QStringList texts;
    for (QAction *a : actions)
        texts << a->text();
    QCOMPARE(texts, (QStringList{"X轴自动缩放", "Y轴自动缩放", "自动缩放", "矩形选取框放大", "保存波形原始数据"}));
    QVERIFY(actions[0]->isCheckable() && actions[0]->isChecked());
    QVERIFY(actions[1]->isCheckable() && actions[1]->isChecked());

    // with the X switch off a redraw leaves the X axis where the user put it
    actions[0]->toggle();
    QVERIFY(!w.isAutoScaleX());
    axisOf(w, Qt::Horizontal)->setRange(10, 20);
    actions[1]->toggle();
    QVERIFY(!w.isAutoScaleY());
    axisOf(w, Qt::Vertical)->setRange(-7, 7);
    w.drawWaveData(w.processWaveData(ramp(100)));
    QCOMPARE(axisOf(w, Qt::Horizontal)->min(), 10.0);
    QCOMPARE(axisOf(w, Qt::Vertical)->max(), 7.0);

    actions[3]->trigger();
    QVERIFY(w.view()->isRectZoomMode());

    // a fresh menu shows the current state
    std::unique_ptr<QMenu> again(w.createContextMenu(nullptr));
    QVERIFY(!again->actions()[0]->isChecked());

    // a right click on the plot reaches the chart widget and pops the menu up
    w.resize(640, 400);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWidget *vp = w.view()->viewport();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(100, 100), vp->mapToGlobal(QPoint(100, 100)));
    QApplication::sendEvent(vp, &click);
    QMenu *popup = w.findChild<QMenu *>();
    QVERIFY(popup);
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(popup->actions().size(), 5);
    popup->close(); // deletes itself
    QTRY_VERIFY(!w.findChild<QMenu *>());
}

QTEST_MAIN(TestWaveForm)
#include "tst_waveform.moc"
