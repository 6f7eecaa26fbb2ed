#include "charts/ui/customChartView.h"

#include "charts/waveMath.h"

#include <QMouseEvent>
#include <QWheelEvent>

CustomChartView::CustomChartView(QWidget *parent) : QChartView(parent)
{
    init();
}

CustomChartView::CustomChartView(QChart *chart, QWidget *parent) : QChartView(chart, parent)
{
    init();
}

void CustomChartView::init()
{
    setMouseTracking(true);
    setDragMode(QGraphicsView::NoDrag);
    setRubberBand(QChartView::NoRubberBand);
}

void CustomChartView::wheelEvent(QWheelEvent *event)
{
    const QPoint degrees = event->angleDelta() / 8; // QPoint division rounds
    if (degrees.isNull()) {
        event->ignore();
        return;
    }
    const int steps = qRound(degrees.y() / 15.0);
    // Several backward notches zoom out by 0.9 per notch; a linear factor would turn
    // two notches (1.8) into a zoom in.
    if (steps != 0 && chart())
        chart()->zoom(WaveMath::wheelZoomFactor(steps));
    event->accept();
}

void CustomChartView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        pressPoint = event->position().toPoint();
    QChartView::mousePressEvent(event);
}

void CustomChartView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    releasePoint = event->position().toPoint();
    if (dragMode() == QGraphicsView::ScrollHandDrag && rubberBand() == QChartView::NoRubberBand) {
        if (chart())
            chart()->scroll(pressPoint.x() - releasePoint.x(), releasePoint.y() - pressPoint.y());
        QChartView::mouseReleaseEvent(event); // lets the hand cursor open again
    } else if (rectZoomMode) {
        QChartView::mouseReleaseEvent(event);
        setDragMode(QGraphicsView::ScrollHandDrag);
        setRubberBand(QChartView::NoRubberBand);
        rectZoomMode = false;
    } else {
        QChartView::mouseReleaseEvent(event);
    }
}

void CustomChartView::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMovePoint(event->position().toPoint());
    QChartView::mouseMoveEvent(event);
}
