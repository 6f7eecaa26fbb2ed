#include "charts/ui/feedbackCharts.h"

#include "charts/ui/waveForm.h"
#include "charts/waveMath.h"

#include <QCoreApplication>
#include <QLabel>
#include <QtConcurrent/QtConcurrentRun>

namespace {

void connectLegend(WaveForm *chart, QLabel *valueLabel, int decimals)
{
    if (!chart || !valueLabel)
        return;
    QObject::connect(chart, &WaveForm::LegendValue, valueLabel,
                     [valueLabel, decimals](float v) { valueLabel->setText(WaveMath::formatLegendValue(v, decimals)); });
}

void setStyle(QLabel *label, const char *style)
{
    if (label)
        label->setStyleSheet(QString::fromLatin1(style));
}

} // namespace

void initFeedbackCharts(const FeedbackChartWidgets &w)
{
    // Connected first so that the labels show the 0 that createChart announces.
    connectLegend(w.position, w.posLegendValueLabel, 6);
    connectLegend(w.velocity, w.velLegendValueLabel, 6);
    connectLegend(w.torque, w.torLegendValueLabel, 6);
    connectLegend(w.busLoad, w.corLegendValueLabel, 1);

    if (w.calibration) {
        w.calibration->createChart(QCoreApplication::translate("MainWindow", "校准"), false);
        w.calibration->setVisiblePoints(500000);
    }
    if (w.position) {
        w.position->createChart(QCoreApplication::translate("MainWindow", "位置"), false);
        w.position->setWaveColor(Qt::red);
        w.position->setUnit("rad");
        w.position->setIncludeZero(true);
    }
    if (w.velocity) {
        w.velocity->createChart(QCoreApplication::translate("MainWindow", "速度"), false);
        w.velocity->setWaveColor(Qt::blue);
        w.velocity->setUnit("rad/s");
        w.velocity->setIncludeZero(true);
    }
    if (w.torque) {
        w.torque->createChart(QCoreApplication::translate("MainWindow", "力矩"), false);
        w.torque->setWaveColor(Qt::darkGreen);
        w.torque->setUnit("N-m");
        w.torque->setIncludeZero(true);
    }
    if (w.busLoad) {
        w.busLoad->createChart(QCoreApplication::translate("MainWindow", "总线占用率（%）"), false);
        w.busLoad->setUnit("%");
        w.busLoad->setVisiblePoints(10);
        w.busLoad->setYLimit(0, 100);
    }

    setStyle(w.calibrationWaveTitle, "font-weight: bold;");
    setStyle(w.positionWaveTitle, "font-weight: bold;");
    setStyle(w.velocityWaveTitle, "font-weight: bold;");
    setStyle(w.torqueWaveTitle, "font-weight: bold; ");
    setStyle(w.posLegendLabel, "color: red;");
    setStyle(w.velLegendLabel, "color: blue;");
    setStyle(w.torLegendLabel, "color: darkGreen;");
}

FeedbackWaveUpdater::FeedbackWaveUpdater(WaveForm *position, WaveForm *velocity, WaveForm *torque, QObject *parent)
    : QObject(parent)
{
    registerWaveMetaTypes();
    qRegisterMetaType<WaveForm *>("WaveForm*");
    lanes[0].chart = position;
    lanes[1].chart = velocity;
    lanes[2].chart = torque;
}

FeedbackWaveUpdater::~FeedbackWaveUpdater()
{
    waitForDone();
}

void FeedbackWaveUpdater::update(QList<float> &positions, QList<float> &velocities, QList<float> &torques,
                                 QMutex &mutex)
{
    QList<float> snapshot[3];
    {
        QMutexLocker lock(&mutex);
        QList<float> *sources[3] = {&positions, &velocities, &torques};
        for (int i = 0; i < 3; ++i) {
            snapshot[i] = *sources[i];
            sources[i]->clear(); // shared with the snapshot: clear() allocates the same capacity
        }
    }
    QMutexLocker lock(&laneMutex);
    for (int i = 0; i < 3; ++i) {
        Lane &lane = lanes[i];
        if (!lane.chart)
            continue;
        if (lane.future.isValid() && !lane.future.isFinished()) {
            // A chart that cannot keep up gets the newest samples only, as its history would.
            WaveMath::appendTrimmed(lane.carry, snapshot[i], int(kMaxHeldSamples));
            continue;
        }
        QList<float> batch;
        if (lane.carry.isEmpty()) {
            batch = snapshot[i];
        } else {
            WaveMath::appendTrimmed(lane.carry, snapshot[i], int(kMaxHeldSamples));
            batch.swap(lane.carry);
        }
        WaveForm *chart = lane.chart;
        lane.future = QtConcurrent::run([this, chart, batch] {
            const WaveDataContainer data = chart->processWaveData(batch);
            emit dataProcessed(chart, data);
        });
    }
}

void FeedbackWaveUpdater::waitForDone()
{
    QFuture<void> futures[3];
    {
        QMutexLocker lock(&laneMutex);
        for (int i = 0; i < 3; ++i)
            futures[i] = lanes[i].future;
    }
    for (QFuture<void> &f : futures) {
        if (f.isValid())
            f.waitForFinished();
    }
}

void FeedbackWaveUpdater::clear()
{
    waitForDone();
    QMutexLocker lock(&laneMutex);
    for (Lane &lane : lanes)
        lane.carry = QList<float>();
}

qsizetype FeedbackWaveUpdater::heldSamples() const
{
    QMutexLocker lock(&laneMutex);
    qsizetype n = 0;
    for (const Lane &lane : lanes)
        n += lane.carry.size();
    return n;
}
