#include "charts/ui/waveForm.h"

#include "charts/ui/waveSaveDialog.h"
#include "widgets/dialogService.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDebug>
#include <QGraphicsLayout>
#include <QLegendMarker>
#include <QMenu>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScatterSeries>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {
// The zero line reaches at least this far so that it spans the usual feedback window.
constexpr qreal kZeroLineMinEnd = 5000;
constexpr int kXTicks = 11;
constexpr int kPixelsPerPoint = 3; // of the reduced feedback curve

int plotWidthOf(const QRectF &plotArea)
{
    return std::max(1, int(plotArea.width()));
}
} // namespace

// ---- BlackGridChart ----------------------------------------------------------------

BlackGridChart::BlackGridChart(QGraphicsItem *parent, Qt::WindowFlags flags) : QChart(parent, flags) {}

void BlackGridChart::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    QChart::paint(painter, option, widget);
    painter->fillRect(plotArea(), Qt::black);
}

// ---- WaveForm ----------------------------------------------------------------------

WaveForm::WaveForm(QWidget *parent) : QWidget(parent)
{
    registerWaveMetaTypes();
    qRegisterMetaType<WaveForm *>("WaveForm*"); // travels with the containers through queued signals
    chartView = new CustomChartView(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(chartView);
    chartView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    chartView->setDragMode(QGraphicsView::ScrollHandDrag);
}

WaveForm::~WaveForm() = default;

void WaveForm::createChart(QString title, bool showLegend)
{
    {
        QMutexLocker lock(&drawMutex);
        waveName = title;

        auto *c = new BlackGridChart();
        c->setBackgroundBrush(Qt::transparent);
        c->layout()->setContentsMargins(0, 0, 0, 0);
        c->setMargins(QMargins(0, 0, 0, 0));
        c->setBackgroundRoundness(0);
        QChart *previous = chartView->chart();
        chartView->setChart(c);
        delete previous; // the view only lets go of the chart it showed before
        chart = c;
        chartView->setRenderHint(QPainter::Antialiasing);
        chartView->setCursor(Qt::CrossCursor);

        auto *series = new QLineSeries();
        series->setName(title);
        series->setPointsVisible(false);
        chart->addSeries(series);
        mainSeries = series;

        auto *axisX = new QValueAxis();
        axisX->setRange(0, 10);
        axisX->setLabelFormat("%.1f");
        axisX->setTickCount(kXTicks);
        axisX->setMinorTickCount(0);
        axisX->setGridLineVisible(false);
        axisX->setMinorGridLineVisible(false);
        chart->addAxis(axisX, Qt::AlignBottom);

        auto *axisY = new QValueAxis();
        axisY->setRange(-2, 2);
        axisY->setLabelFormat("%.2f");
        axisY->setTickCount(5);
        axisY->setMinorTickCount(0);
        QPen grid(QColor(128, 128, 128, 64));
        grid.setStyle(Qt::DashLine);
        grid.setWidth(1);
        axisY->setGridLinePen(grid);
        axisY->setMinorGridLineVisible(false);
        chart->addAxis(axisY, Qt::AlignLeft);
        series->attachAxis(axisX);
        series->attachAxis(axisY);

        auto *zero = new QLineSeries();
        zero->append(axisX->min(), 0);
        zero->append(std::max<qreal>(kZeroLineMinEnd, visiblePoints), 0);
        QPen zeroPen(Qt::white);
        zeroPen.setStyle(Qt::DashLine);
        zero->setPen(zeroPen);
        chart->addSeries(zero);
        zero->attachAxis(axisX);
        zero->attachAxis(axisY);
        const auto markers = chart->legend()->markers(zero);
        for (QLegendMarker *m : markers)
            m->setVisible(false);
        zeroLine = zero;

        if (!showLegend)
            chart->legend()->hide();

        plotWidth = plotWidthOf(chart->plotArea());
        drawnPoints.clear();
        connect(chart, &QChart::plotAreaChanged, this, [this](const QRectF &area) {
            plotWidth = plotWidthOf(area);
            fitXTicks();
            redecimateForWidth();
        });
        // A zoom or a pan shows a part of the window: reduce again from its samples.
        connect(axisX, &QValueAxis::rangeChanged, this, [this] {
            if (!redrawing && !drawnPoints.isEmpty()) // other paths draw their curves in full
                showDrawnPoints();
        });
    }
    emit LegendValue(0);
}

void WaveForm::setVisiblePoints(int points)
{
    {
        QMutexLocker lock(&dataMutex);
        if (visiblePoints == points)
            return;
        visiblePoints = points;
    }
    if (zeroLine && zeroLine->count() == 2 && points > zeroLine->at(1).x())
        zeroLine->replace(1, points, 0);
}

int WaveForm::getVisiblePoints() const
{
    QMutexLocker lock(&dataMutex);
    return visiblePoints;
}

void WaveForm::setMaxPoints(int points)
{
    QMutexLocker lock(&dataMutex);
    maxPoints = std::max(0, points);
}

int WaveForm::getMaxPoints() const
{
    QMutexLocker lock(&dataMutex);
    return maxPoints;
}

void WaveForm::setYLimit(float min, float max)
{
    QMutexLocker lock(&dataMutex);
    if (yLimitMin == min && yLimitMax == max)
        return;
    yLimitMin = min;
    yLimitMax = max;
}

void WaveForm::setUnit(const QString &newUnit)
{
    QMutexLocker lock(&dataMutex);
    if (unit == newUnit)
        return;
    unit = newUnit;
}

QString WaveForm::Unit() const
{
    QMutexLocker lock(&dataMutex);
    return unit;
}

void WaveForm::setWaveName(QString name)
{
    waveName = name;
    if (mainSeries)
        mainSeries->setName(name);
}

void WaveForm::setIncludeZero(bool on)
{
    QMutexLocker lock(&dataMutex);
    includeZero = on;
}

bool WaveForm::isIncludeZero() const
{
    QMutexLocker lock(&dataMutex);
    return includeZero;
}

QList<QList<float>> WaveForm::getWaveDatas() const
{
    QMutexLocker lock(&dataMutex);
    return multiHistory;
}

QList<float> WaveForm::getWaveData() const
{
    QMutexLocker lock(&dataMutex);
    return history;
}

QList<QXYSeries *> WaveForm::dataSeries() const
{
    QList<QXYSeries *> out;
    if (!chart)
        return out;
    const auto all = chart->series();
    for (QAbstractSeries *s : all) {
        if (s == zeroLine.data())
            continue;
        if (auto *xy = qobject_cast<QXYSeries *>(s))
            out.append(xy);
    }
    return out;
}

QAbstractAxis *WaveForm::firstAxis(Qt::Orientation orientation) const
{
    if (!chart)
        return nullptr;
    const auto axes = chart->axes(orientation);
    return axes.isEmpty() ? nullptr : axes.first();
}

void WaveForm::removeDataSeries(QXYSeries *series)
{
    chart->removeSeries(series);
    delete series;
}

void WaveForm::trackMainSeries()
{
    mainSeries = firstLineSeries();
}

// ---- single channel ----------------------------------------------------------------

QLineSeries *WaveForm::firstLineSeries() const
{
    const auto list = dataSeries();
    return list.isEmpty() ? nullptr : qobject_cast<QLineSeries *>(list.first());
}

WaveForm::Snapshot WaveForm::appendAndSnapshot(const QList<float> &samples)
{
    Snapshot s;
    QMutexLocker lock(&dataMutex);
    WaveMath::appendTrimmed(history, samples, maxPoints);
    s.window = WaveMath::extractWindow(history, visiblePoints, WaveMath::unitFactor(unit));
    s.zero = includeZero;
    s.limMin = yLimitMin;
    s.limMax = yLimitMax;
    s.visible = visiblePoints;
    return s;
}

void WaveForm::prepareData(const QList<float> &samples)
{
    Snapshot snap = appendAndSnapshot(samples);
    WaveMath::WaveWindow &window = snap.window;
    const bool zero = snap.zero;
    const float limMin = snap.limMin, limMax = snap.limMax;
    const int visible = snap.visible;

    auto *series = firstLineSeries();
    if (!series)
        return;
    series->setPen(QPen(waveColor, 2));

    if (auto *ax = qobject_cast<QValueAxis *>(firstAxis(Qt::Horizontal)))
        ax->setRange(0, visible);
    auto *ay = qobject_cast<QValueAxis *>(firstAxis(Qt::Vertical));
    if (limMin != 0.0f || limMax != 0.0f) {
        if (ay)
            ay->setRange(limMin, limMax);
    } else if (window.shown == 0) {
        if (ay)
            ay->setRange(-1, 1);
        return;
    } else if (ay) {
        const auto range = window.hasRange ? WaveMath::syncYRange(window.lo, window.hi, zero)
                                           : qMakePair(-1.0, 1.0);
        ay->setRange(range.first, range.second);
        ay->setTickCount(5);
        ay->setTickInterval(0.5);
        ay->setMinorTickCount(0);
    }

    drawnPoints.clear();
    series->replace(window.points);
    emit LegendValue(window.shown > 0 ? window.last : 0.0f);
}

WaveDataContainer WaveForm::processWaveData(const QList<float> &samples)
{
    Snapshot snap = appendAndSnapshot(samples);
    WaveMath::WaveWindow &window = snap.window;
    WaveDataContainer out;
    if (window.shown == 0)
        return out;
    const auto range = WaveMath::backgroundYRange(window, snap.zero, snap.limMin, snap.limMax);
    out.points = std::move(window.points);
    out.yMin = range.first;
    out.yMax = range.second;
    out.lastValue = window.last;
    return out;
}

void WaveForm::drawWaveData(const WaveDataContainer &data)
{
    {
        QMutexLocker lock(&drawMutex);
        auto *series = firstLineSeries();
        if (!series)
            return;
        const QPen pen(waveColor, 2);
        if (series->pen() != pen)
            series->setPen(pen);
        auto *ax = qobject_cast<QValueAxis *>(firstAxis(Qt::Horizontal));
        if (trackShown && ax) {
            // Live samples again: the axis counts samples, not a recording's seconds.
            trackShown = false;
            ax->setTitleText(QString());
            const QScopedValueRollback<bool> quiet(redrawing, true);
            ax->setRange(0, getVisiblePoints());
        }
        if (autoScaleX && ax) {
            const QScopedValueRollback<bool> quiet(redrawing, true); // the curve follows below
            ax->setRange(0, getVisiblePoints());
        }
        if (autoScaleY) {
            if (auto *ay = qobject_cast<QValueAxis *>(firstAxis(Qt::Vertical))) {
                double step;
                int ticks;
                const auto range = calculateAlignedYRange(data.yMin, data.yMax, step, ticks);
                ay->setRange(range.first, range.second);
                ay->setTickCount(ticks);
                ay->setMinorTickCount(0);
            }
        }
        drawnPoints = data.points;
        showDrawnPoints();
    }
    emit LegendValue(data.lastValue);
}

void WaveForm::showDrawnPoints()
{
    auto *series = firstLineSeries();
    auto *ax = qobject_cast<QValueAxis *>(firstAxis(Qt::Horizontal));
    if (!series || !ax)
        return;
    // Qt Charts strokes the whole curve again for its hit-test shape on every replace
    // and again when painting, and the 2-pixel pen makes both costly: one point per three
    // pixels (a low and a high every six) still draws the curve's whole envelope with
    // that pen (the min/max pairs keep every peak, at the samples where they lie). Only
    // the samples in view count: after a zoom they are few and shown as they are.
    const qsizetype n = drawnPoints.size();
    drawnWidth = plotWidth.load();
    if (n == 0) {
        series->clear();
        return;
    }
    // The points' x ascend (sample numbers, or a recording's seconds): the ones in view
    // and one beyond each edge, so that the curve reaches the plot's borders.
    const auto byX = [](const QPointF &p, double x) { return p.x() < x; };
    const qsizetype from = std::lower_bound(drawnPoints.cbegin(), drawnPoints.cend(), ax->min(), byX) - drawnPoints.cbegin();
    const qsizetype to = std::upper_bound(drawnPoints.cbegin(), drawnPoints.cend(), ax->max(),
                                          [](double x, const QPointF &p) { return x < p.x(); })
                         - drawnPoints.cbegin();
    const qsizetype first = std::max<qsizetype>(0, from - 1);
    const qsizetype last = std::clamp<qsizetype>(to, first, n - 1);
    if (first == 0 && last == n - 1)
        series->replace(WaveMath::decimatePoints(drawnPoints, drawnWidth / kPixelsPerPoint));
    else
        series->replace(WaveMath::decimatePoints(drawnPoints.mid(first, last - first + 1),
                                                 drawnWidth / kPixelsPerPoint));
}

void WaveForm::showTrack(const QList<double> &seconds, const QList<float> &values)
{
    const qsizetype n = std::min(seconds.size(), values.size());
    float lo = FLT_MAX, hi = -FLT_MAX;
    QList<QPointF> points;
    bool zero;
    float limMin, limMax;
    {
        QMutexLocker draw(&drawMutex);
        {
            QMutexLocker lock(&dataMutex);
            history = values.first(n);
            const double factor = WaveMath::unitFactor(unit);
            points.reserve(n);
            for (qsizetype i = 0; i < n; ++i) {
                const float y = float(values[i] * factor);
                points.append(QPointF(seconds[i], y));
                if (std::isfinite(y)) {
                    lo = std::min(lo, y);
                    hi = std::max(hi, y);
                }
            }
            zero = includeZero;
            limMin = yLimitMin;
            limMax = yLimitMax;
        }
        auto *ax = qobject_cast<QValueAxis *>(firstAxis(Qt::Horizontal));
        auto *ay = qobject_cast<QValueAxis *>(firstAxis(Qt::Vertical));
        if (!ax || !ay || !firstLineSeries())
            return;
        trackShown = true;
        const double t0 = n > 0 ? seconds.first() : 0.0;
        const double t1 = n > 0 ? std::max(seconds[n - 1], t0 + 1e-3) : 1.0;
        {
            const QScopedValueRollback<bool> quiet(redrawing, true);
            ax->setTitleText(tr("记录时间 (s)"));
            ax->setRange(t0, t1);
        }
        if (zeroLine && zeroLine->count() == 2) {
            zeroLine->replace(0, std::min(t0, 0.0), 0);
            zeroLine->replace(1, std::max({t1, kZeroLineMinEnd, qreal(getVisiblePoints())}), 0);
        }
        double step;
        int ticks;
        const bool any = lo <= hi;
        const auto y = (limMin != 0.0f || limMax != 0.0f) ? qMakePair(double(limMin), double(limMax))
                       : any ? WaveMath::syncYRange(lo, hi, zero) : qMakePair(-1.0, 1.0);
        const auto aligned = calculateAlignedYRange(y.first, y.second, step, ticks);
        ay->setRange(aligned.first, aligned.second);
        ay->setTickCount(ticks);
        ay->setMinorTickCount(0);
        drawnPoints = points;
        showDrawnPoints();
    }
    emit LegendValue(n > 0 ? float(points.last().y()) : 0.0f);
}

void WaveForm::redecimateForWidth()
{
    const int width = plotWidth.load();
    if (drawnPoints.size() <= std::min(width, drawnWidth) / kPixelsPerPoint)
        return; // reduced neither then nor now
    if (width * 5 >= drawnWidth * 4 && width * 4 <= drawnWidth * 5)
        return; // within 25 %: the next redraw will do
    showDrawnPoints();
}

void WaveForm::fitXTicks()
{
    // Labels such as "5000.0" need about 52 pixels each; on a narrow plot fewer ticks
    // keep them whole instead of elided. 10, 5 or 2 intervals keep round numbers.
    auto *ax = qobject_cast<QValueAxis *>(firstAxis(Qt::Horizontal));
    if (!ax)
        return;
    const int width = plotWidth.load();
    const int ticks = width >= 10 * 52 ? kXTicks : width >= 5 * 52 ? 6 : 3;
    if (ax->tickCount() != ticks)
        ax->setTickCount(ticks);
}

// ---- multi channel -----------------------------------------------------------------

MultiWaveDataContainer WaveForm::processMultiWaveData(const QList<QList<float>> &channels)
{
    QMutexLocker draw(&drawMutex);
    {
        QMutexLocker data(&dataMutex);
        WaveMath::appendTrimmedChannels(multiHistory, multiIndex, channels, maxPoints);
    }
    // every writer of multiHistory holds drawMutex, so it can be read without dataMutex
    return processMultiWaveDataSparse(plotWidth.load());
}

MultiWaveDataContainer WaveForm::processMultiWaveDataSparse(int width)
{
    int visible;
    double factor;
    float limMin, limMax;
    {
        QMutexLocker lock(&dataMutex);
        visible = std::max(0, visiblePoints);
        factor = WaveMath::unitFactor(unit);
        limMin = yLimitMin;
        limMax = yLimitMax;
    }
    MultiWaveDataContainer out;
    float lo = FLT_MAX, hi = -FLT_MAX;
    bool any = false;
    qsizetype xSpan = 0;
    for (qsizetype i = 0; i < multiHistory.size(); ++i) {
        const QList<float> &h = multiHistory.at(i);
        const qsizetype shown = std::min<qsizetype>(visible, h.size());
        const qsizetype start = h.size() - shown;
        float cLo, cHi;
        bool has;
        out.series.append(WaveMath::decimateMinMax(h, multiIndex.at(i), start, shown, width, factor, cLo, cHi, has));
        if (has) {
            lo = std::min(lo, cLo);
            hi = std::max(hi, cHi);
            any = true;
        }
        xSpan = std::max(xSpan, shown);
    }
    const auto range = (limMin != 0.0f || limMax != 0.0f) ? qMakePair(limMin, limMax)
                                                           : WaveMath::zeroIncludedYRange(lo, hi, any);
    out.yMin = range.first;
    out.yMax = range.second;
    out.xSpan = float(xSpan);
    return out;
}

void WaveForm::updateSeriesCount(int count)
{
    QList<QXYSeries *> list = dataSeries();
    while (list.size() > count)
        removeDataSeries(list.takeLast());
    QAbstractAxis *ax = firstAxis(Qt::Horizontal);
    QAbstractAxis *ay = firstAxis(Qt::Vertical);
    for (qsizetype j = list.size(); j < count; ++j) {
        auto *s = new QLineSeries();
        chart->addSeries(s);
        if (ax)
            s->attachAxis(ax);
        if (ay)
            s->attachAxis(ay);
        s->setPen(QPen(palette.at(j % palette.size()), 1, Qt::SolidLine));
    }
    trackMainSeries();
}

void WaveForm::updateSeriesData(const QList<QList<QPointF>> &data)
{
    const auto list = dataSeries();
    for (qsizetype i = 0; i < list.size() && i < data.size(); ++i) {
        if (auto *line = qobject_cast<QLineSeries *>(list.at(i)))
            line->replace(data.at(i));
    }
}

void WaveForm::drawMultiWaveData(const MultiWaveDataContainer &data)
{
    QMutexLocker lock(&drawMutex);
    if (!chart)
        return;
    updateSeriesCount(int(data.series.size()));
    updateSeriesData(data.series);
    drawnPoints.clear();
    if (autoScaleX) {
        if (auto *ax = qobject_cast<QValueAxis *>(firstAxis(Qt::Horizontal)))
            ax->setRange(0, data.xSpan);
    }
    if (autoScaleY) {
        if (auto *ay = qobject_cast<QValueAxis *>(firstAxis(Qt::Vertical)))
            ay->setRange(std::floor(double(data.yMin)), std::ceil(double(data.yMax)));
    }
}

void WaveForm::prepareDataVector(QList<QList<float>> &channels, QList<bool> scatter)
{
    QMutexLocker draw(&drawMutex);
    int visible;
    bool zero;
    float limMin, limMax;
    {
        QMutexLocker data(&dataMutex);
        WaveMath::appendTrimmedChannels(multiHistory, multiIndex, channels, maxPoints);
        visible = std::max(0, visiblePoints);
        zero = includeZero;
        limMin = yLimitMin;
        limMax = yLimitMax;
    }
    if (!chart)
        return;

    const qsizetype n = multiHistory.size();
    auto wantsScatter = [&](qsizetype j) { return j < scatter.size() && scatter.at(j); };
    QList<QXYSeries *> current = dataSeries();
    const bool anyScatter = std::any_of(scatter.cbegin(), scatter.cend(), [](bool b) { return b; });
    if (current.size() <= n && anyScatter) {
        for (QXYSeries *s : current)
            removeDataSeries(s);
        current.clear();
    }
    // Keep the leading series whose kind already fits; the rest is rebuilt so that
    // series j keeps drawing channel j.
    qsizetype keep = 0;
    while (keep < std::min(current.size(), n)) {
        const bool isScatter = qobject_cast<QScatterSeries *>(current.at(keep)) != nullptr;
        const bool isLine = qobject_cast<QLineSeries *>(current.at(keep)) != nullptr;
        if (wantsScatter(keep) ? !isScatter : !isLine)
            break;
        ++keep;
    }
    for (qsizetype j = current.size() - 1; j >= keep; --j)
        removeDataSeries(current.takeLast());
    QAbstractAxis *ax = firstAxis(Qt::Horizontal);
    QAbstractAxis *ay = firstAxis(Qt::Vertical);
    for (qsizetype j = keep; j < n; ++j) {
        QXYSeries *s;
        if (wantsScatter(j)) {
            auto *sc = new QScatterSeries();
            sc->setMarkerSize(2);
            s = sc;
        } else {
            s = new QLineSeries();
        }
        if (j == 0)
            s->setName(waveName);
        chart->addSeries(s);
        if (ax)
            s->attachAxis(ax);
        if (ay)
            s->attachAxis(ay);
        current.append(s);
    }
    trackMainSeries();
    drawnPoints.clear();

    float lo = FLT_MAX, hi = -FLT_MAX;
    qsizetype maxShown = 0;
    const int width = plotWidth.load();
    for (qsizetype j = 0; j < n; ++j) {
        const QList<float> &h = multiHistory.at(j);
        QXYSeries *s = current.at(j);
        const QColor color = palette.at(j % palette.size());
        s->setPen(QPen(color, 1));
        auto *sc = qobject_cast<QScatterSeries *>(s);
        if (sc)
            sc->setBrush(QBrush(color));
        const qsizetype shown = std::min<qsizetype>(visible, h.size());
        if (!sc && shown > 2 * qsizetype(width)) {
            // A long line window (a calibration run holds up to 500 000 samples) is drawn
            // from its min/max per pixel column, so a redraw costs the same at any length.
            float cLo, cHi;
            bool has;
            s->replace(WaveMath::decimateMinMax(h, multiIndex.at(j), h.size() - shown, shown, width, 1.0, cLo, cHi, has));
            if (has) {
                lo = std::min(lo, cLo);
                hi = std::max(hi, cHi);
            }
            maxShown = std::max(maxShown, shown);
            continue;
        }
        const WaveMath::WaveWindow w = WaveMath::extractWindow(h, visible, 1.0);
        if (w.hasRange) {
            lo = std::min(lo, w.lo);
            hi = std::max(hi, w.hi);
        }
        maxShown = std::max(maxShown, w.shown);
        s->replace(w.points);
    }

    if (autoScaleX) {
        if (auto *axis = qobject_cast<QValueAxis *>(ax))
            axis->setRange(0, maxShown);
    }
    if (autoScaleY) {
        if (auto *axis = qobject_cast<QValueAxis *>(ay)) {
            if (limMin != 0.0f || limMax != 0.0f) {
                axis->setRange(limMin, limMax);
            } else if (lo > hi) {
                axis->setRange(-1, 1);
            } else {
                const auto r = WaveMath::vectorYRange(lo, hi, zero);
                double step;
                int ticks;
                const auto aligned = calculateAlignedYRange(r.first, r.second, step, ticks);
                axis->setRange(aligned.first, aligned.second);
                axis->setTickCount(ticks);
                axis->setMinorTickCount(0);
            }
        }
    }
}

void WaveForm::reset()
{
    {
        QMutexLocker draw(&drawMutex);
        {
            QMutexLocker data(&dataMutex);
            history.clear();
            multiHistory.clear();
            multiIndex.clear();
        }
        const auto list = dataSeries();
        for (QXYSeries *s : list)
            s->clear();
        drawnPoints.clear();
        if (trackShown) {
            // Emptied, the chart counts samples again.
            trackShown = false;
            if (auto *ax = qobject_cast<QValueAxis *>(firstAxis(Qt::Horizontal))) {
                ax->setTitleText(QString());
                ax->setRange(0, getVisiblePoints());
            }
        }
    }
    emit LegendValue(0);
}

// ---- menu and slots ----------------------------------------------------------------

QMenu *WaveForm::createContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    QAction *x = menu->addAction(tr("X轴自动缩放"));
    x->setObjectName("actAutoScaleX");
    x->setCheckable(true);
    x->setChecked(autoScaleX);
    connect(x, &QAction::toggled, this, [this](bool on) { autoScaleX = on; });
    QAction *y = menu->addAction(tr("Y轴自动缩放"));
    y->setObjectName("actAutoScaleY");
    y->setCheckable(true);
    y->setChecked(autoScaleY);
    connect(y, &QAction::toggled, this, [this](bool on) { autoScaleY = on; });
    menu->addAction(tr("自动缩放"), this, &WaveForm::on_actZoomReset_triggered)->setObjectName("actZoomReset");
    menu->addAction(tr("矩形选取框放大"), this, &WaveForm::on_actZoomRect_triggered)->setObjectName("actZoomRect");
    menu->addAction(tr("保存波形原始数据"), this, &WaveForm::on_actZoomSave_triggered)->setObjectName("actZoomSave");
    return menu;
}

void WaveForm::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

void WaveForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange && trackShown)
        if (auto *ax = qobject_cast<QValueAxis *>(firstAxis(Qt::Horizontal)))
            ax->setTitleText(tr("记录时间 (s)"));
    QWidget::changeEvent(event);
}

void WaveForm::on_actZoomReset_triggered()
{
    if (chart)
        chart->zoomReset();
}

void WaveForm::on_actZoomRect_triggered()
{
    chartView->setDragMode(QGraphicsView::RubberBandDrag);
    chartView->setRubberBand(QChartView::RubberBands(QChartView::RectangleRubberBand) | QChartView::ClickThroughRubberBand);
    chartView->setRectZoomMode(true);
}

void WaveForm::on_actZoomSave_triggered()
{
    QList<float> single;
    QList<QList<float>> multi;
    {
        // The dialog works on a snapshot: the background path keeps appending while it
        // is open, and the slider indices must keep meaning the same samples.
        QMutexLocker lock(&dataMutex);
        single = history;
        multi = multiHistory;
    }
    if (WaveMath::saveRangeSize(single, multi) == 0)
        return;
    WaveSaveDialog dialog(single, multi, palette, this);
    DialogService::exec(&dialog);
}

void WaveForm::on_actZoomNewWindow_triggered()
{
    const auto list = dataSeries();
    if (list.isEmpty()) {
        DialogService::warning(this, tr("警告"), tr("没有波形数据可显示"));
        return;
    }
    auto *window = new WaveForm(nullptr);
    window->setAttribute(Qt::WA_DeleteOnClose);

    QList<QList<QPointF>> gathered;
    if (!drawnPoints.isEmpty()) {
        // The samples of the shown window, not the curve reduced to this plot's width:
        // the copy is wider and reduces them for itself.
        gathered.append(drawnPoints);
    }
    for (qsizetype i = gathered.size(); i < list.size(); ++i) {
        auto *line = qobject_cast<QLineSeries *>(list.at(i));
        if (!line) {
            qDebug() << "Series at index" << i << "is not a QLineSeries";
            continue;
        }
        gathered.append(line->points());
    }
    if (gathered.isEmpty() || gathered.first().isEmpty()) {
        DialogService::warning(this, tr("警告"), tr("没有有效的波形数据可显示"));
        delete window;
        return;
    }

    QList<float> values;
    values.reserve(gathered.first().size());
    for (const QPointF &p : gathered.first())
        values.append(float(p.y()));
    // The copy shows what this chart shows: the values are already converted, so the
    // unit is not carried over (it would convert them a second time).
    window->createChart(waveName, false);
    window->setWindowTitle(waveName);
    window->setWaveColor(waveColor);
    window->setIncludeZero(isIncludeZero());
    {
        QMutexLocker lock(&dataMutex);
        window->setYLimit(yLimitMin, yLimitMax);
    }
    const int n = int(values.size());
    window->setMaxPoints(std::max(getMaxPoints(), n));
    window->setVisiblePoints(std::max(getVisiblePoints(), n));
    window->prepareData(values);
    window->resize(800, 600);
    window->show();
}
