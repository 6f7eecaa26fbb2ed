#pragma once

#include "charts/waveData.h"

#include <QFuture>
#include <QList>
#include <QMutex>
#include <QObject>

class QLabel;
class WaveForm;

// The main window's charts and the labels around them, as named in its form. Null
// entries are skipped.
struct FeedbackChartWidgets
{
    WaveForm *calibration = nullptr; // Calibration
    WaveForm *position = nullptr;    // Position
    WaveForm *velocity = nullptr;    // Velocity
    WaveForm *torque = nullptr;      // Torque
    WaveForm *busLoad = nullptr;     // COR
    QLabel *calibrationWaveTitle = nullptr;
    QLabel *positionWaveTitle = nullptr;
    QLabel *velocityWaveTitle = nullptr;
    QLabel *torqueWaveTitle = nullptr;
    QLabel *posLegendLabel = nullptr;
    QLabel *velLegendLabel = nullptr;
    QLabel *torLegendLabel = nullptr;
    QLabel *posLegendValueLabel = nullptr;
    QLabel *velLegendValueLabel = nullptr;
    QLabel *torLegendValueLabel = nullptr;
    QLabel *corLegendValueLabel = nullptr;
};

// What the main window's WaveFormInit() does: titles, colours, units, window widths,
// label styles, and the legend connections (each chart's LegendValue written into its
// value label with 6 decimals, 1 for the bus load). Call once, on the GUI thread.
void initFeedbackCharts(const FeedbackChartWidgets &widgets);

// The 100 ms update cycle of the three feedback charts (onWaveUpdateTimerTimeout).
// update() takes the samples gathered since the last cycle and computes each chart on
// the global thread pool; dataProcessed then carries the result. Connect it with the
// main window (or any GUI-thread object) as context, so that it is queued onto the GUI
// thread, and call WaveForm::drawWaveData there:
//
//     connect(updater, &FeedbackWaveUpdater::dataProcessed, this, &MainWindow::dataProcessed);
//     // MainWindow::on_dataProcessed(WaveForm *w, WaveDataContainer d) { w->drawWaveData(d); }
//
// update() may be called from any one thread at a time (the wave-update task). The
// charts must outlive the updater; its destructor waits for running computations.
class FeedbackWaveUpdater : public QObject
{
    Q_OBJECT
public:
    // Samples held per chart while nobody draws them, as many as a chart's history
    // keeps; older ones are dropped in blocks of kTrimBlock.
    static constexpr qsizetype kMaxHeldSamples = 50000;
    static constexpr qsizetype kTrimBlock = 4096;

    FeedbackWaveUpdater(WaveForm *position, WaveForm *velocity, WaveForm *torque, QObject *parent = nullptr);
    ~FeedbackWaveUpdater() override;

    // Under `mutex`: take each sample list and leave it empty (capacity kept). Then one
    // pool task per chart runs processWaveData and emits dataProcessed. A chart whose
    // previous computation is still running keeps its samples for the next cycle, so
    // samples never overtake each other. Returns at once.
    void update(QList<float> &positions, QList<float> &velocities, QList<float> &torques, QMutex &mutex);

    // Blocks until no computation is running.
    void waitForDone();
    // Drops the samples held back for the next cycle (the Clear action), after the
    // computations under way have finished. GUI thread.
    void clear();
    // Samples held back, summed over the charts.
    qsizetype heldSamples() const;

signals:
    void dataProcessed(WaveForm *chart, WaveDataContainer data);

private:
    struct Lane
    {
        WaveForm *chart = nullptr;
        QFuture<void> future;
        QList<float> carry; // samples held back while the previous computation ran
    };
    Lane lanes[3];
    mutable QMutex laneMutex; // carries: update() on the wave task, clear() on the GUI thread
};
