#pragma once

#include <QChartView>
#include <QPoint>

// Chart view of every WaveForm: wheel zoom, pan by dragging (applied on release) and a
// one-shot rubber-band zoom armed from the context menu.
class CustomChartView : public QChartView
{
    Q_OBJECT
public:
    explicit CustomChartView(QWidget *parent = nullptr);
    explicit CustomChartView(QChart *chart, QWidget *parent = nullptr);

    void setRectZoomMode(bool on) { rectZoomMode = on; }
    bool isRectZoomMode() const { return rectZoomMode; }

signals:
    void mouseMovePoint(QPoint point);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void init();

    QPoint pressPoint;
    QPoint releasePoint;
    bool rectZoomMode = false;
};
