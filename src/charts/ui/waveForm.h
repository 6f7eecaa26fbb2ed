#pragma once

#include "charts/ui/customChartView.h"
#include "charts/waveData.h"
#include "charts/waveMath.h"

#include <QChart>
#include <QColor>
#include <QLineSeries>
#include <QList>
#include <QMutex>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <atomic>

class QAbstractAxis;
class QMenu;
class QXYSeries;

// A chart whose plot area is a black field.
class BlackGridChart : public QChart
{
    Q_OBJECT
public:
    explicit BlackGridChart(QGraphicsItem *parent = nullptr, Qt::WindowFlags flags = {});
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget = nullptr) override;
};

// The strip chart behind every live curve: a bounded history per channel, a sliding
// window of the newest samples, auto-scaled axes, the newest value for the legend and a
// context menu (auto-scale switches, zoom reset, rubber-band zoom, save raw data).
//
// Threads: processWaveData may run on any thread; processMultiWaveData on any thread
// (it holds drawMutex throughout). Everything else, setters included, on the GUI thread.
class WaveForm : public QWidget
{
    Q_OBJECT
public:
    explicit WaveForm(QWidget *parent = nullptr);
    ~WaveForm() override;

    void createChart(QString title, bool showLegend);

    void setVisiblePoints(int points);
    int getVisiblePoints() const;
    void setMaxPoints(int points);
    int getMaxPoints() const;
    void setYLimit(float min, float max);
    void setUnit(const QString &newUnit);
    QString Unit() const;
    void setWaveName(QString name);
    QString getWaveName() const { return waveName; }
    void setWaveColor(const QColor &color) { waveColor = color; }
    QColor getWaveColor() const { return waveColor; }
    void setIncludeZero(bool on);
    bool isIncludeZero() const;
    void setAutoScaleX(bool on) { autoScaleX = on; }
    bool isAutoScaleX() const { return autoScaleX; }
    void setAutoScaleY(bool on) { autoScaleY = on; }
    bool isAutoScaleY() const { return autoScaleY; }

    QList<QList<float>> getWaveDatas() const; // copy of the channel histories
    QList<float> getWaveData() const;         // copy of the single-channel history

    // Synchronous single-channel path: append and redraw now (GUI thread).
    void prepareData(const QList<float> &samples);
    // Background single-channel path: append and compute (any thread) ...
    WaveDataContainer processWaveData(const QList<float> &samples);
    // ... then draw (GUI thread).
    void drawWaveData(const WaveDataContainer &data);

    // A recorded series on its own time axis (GUI thread): the history becomes `values`
    // (saved and copied as live samples are), the curve is drawn at x = `seconds`, and
    // the X axis spans the recording. Live samples that follow take the chart back.
    void showTrack(const QList<double> &seconds, const QList<float> &values);
    bool showsTrack() const { return trackShown; }

    // Multi-channel path, decimated to the plot width.
    MultiWaveDataContainer processMultiWaveData(const QList<QList<float>> &channels);
    void drawMultiWaveData(const MultiWaveDataContainer &data);
    // Synchronous multi-channel redraw; scatter[i] draws channel i as dots.
    void prepareDataVector(QList<QList<float>> &channels, QList<bool> scatter);

    void reset();

    CustomChartView *view() const { return chartView; }
    BlackGridChart *getChart() const { return chart; }
    QLineSeries *getZeroLine() const { return zeroLine; }
    // The data curves in drawing order (the zero reference line is not one of them).
    QList<QXYSeries *> dataSeries() const;
    // Built fresh for each right click; exposed so that it can be inspected.
    QMenu *createContextMenu(QWidget *parent);

signals:
    void LegendValue(float value);

public slots:
    void on_actZoomReset_triggered();
    void on_actZoomRect_triggered();
    void on_actZoomSave_triggered();
    void on_actZoomNewWindow_triggered();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Appends samples to the history and takes, under the data lock, what a redraw needs.
    struct Snapshot {
        WaveMath::WaveWindow window;
        bool zero = false;
        float limMin = 0, limMax = 0;
        int visible = 0;
    };
    Snapshot appendAndSnapshot(const QList<float> &samples);
    // The chart's first series when it is a line series (the data curve), else null.
    QLineSeries *firstLineSeries() const;

    MultiWaveDataContainer processMultiWaveDataSparse(int plotWidth);
    void updateSeriesCount(int count);
    void updateSeriesData(const QList<QList<QPointF>> &data);
    QAbstractAxis *firstAxis(Qt::Orientation orientation) const;
    void removeDataSeries(QXYSeries *series);
    void trackMainSeries();
    void redecimateForWidth();
    // Puts the drawn window's samples that lie in the X range on the curve, reduced to
    // the plot width when there are more than it can show.
    void showDrawnPoints();
    void fitXTicks();

    int maxPoints = 50000;
    QList<float> history;
    QList<QList<float>> multiHistory;
    QList<WaveMath::MinMaxIndex> multiIndex; // kept in step with multiHistory for decimation
    QList<QColor> palette{Qt::red, Qt::blue, Qt::green, Qt::yellow, Qt::magenta};
    QColor waveColor = Qt::red;
    QPointer<QLineSeries> zeroLine;
    bool includeZero = false;
    CustomChartView *chartView = nullptr;
    BlackGridChart *chart = nullptr;
    int visiblePoints = 5000;
    float yLimitMin = 0.0f;
    float yLimitMax = 0.0f;
    mutable QMutex dataMutex;
    QMutex drawMutex;
    QPointer<QLineSeries> mainSeries;
    QString waveName;
    bool autoScaleX = true;
    bool autoScaleY = true;
    QString unit;
    std::atomic<int> plotWidth{1}; // plot-area width, readable from the worker threads
    // The last window drawWaveData received, kept (shared, not copied) so that the curve
    // can be reduced again when the plot gets much wider or narrower, e.g. when a hidden
    // tab is shown. GUI thread only.
    QList<QPointF> drawnPoints;
    int drawnWidth = 0;
    bool redrawing = false; // drawWaveData moves the X axis and then sets the curve itself
    bool trackShown = false; // the X axis is a recording's time in seconds
};
