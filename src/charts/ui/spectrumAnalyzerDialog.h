#pragma once

#include "charts/spectrum.h"

#include <QDialog>
#include <QList>
#include <QPoint>

class QChart;
class QChartView;
class QFrame;
class QLabel;
class QLineSeries;
class QPushButton;
class QValueAxis;
class SpectrumTableDialog;

// The spectrum of the quality analysis: amplitude over frequency, a read-out of the
// point under the mouse, and the verdict table. One instance lives as long as the main
// window, so the FFT plan is made once and reused.
class SpectrumAnalyzerDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SpectrumAnalyzerDialog(QWidget *parent = nullptr);

    void setTitle(const QString &title);
    // Computes and shows the spectrum of `samples` (zero-padded or cut to fftSize) and
    // shows the verdict table.
    void setData(const QList<float> &samples, int sampleRate, int fftSize);
    // Forgets the shown spectrum and hides the verdict table, so that nothing left from an
    // earlier block passes for the result of one that could not be judged.
    void discardResult();
    // Shows the frequency and amplitude beside the last mouse position.
    void updateCoordinateDisplay(double x, double y);

    const Spectrum::Result &result() const { return m_result; }
    const SpectrumAnalyzer &analyzer() const { return m_analyzer; }
    QChart *chart() const { return m_chart; }
    QChartView *chartView() const { return m_view; }
    QLineSeries *series() const { return m_series; }
    QValueAxis *axisX() const { return m_axisX; }
    QValueAxis *axisY() const { return m_axisY; }
    QFrame *coordinateBox() const { return m_box; }
    QLabel *coordinateLabel() const { return m_boxLabel; }
    SpectrumTableDialog *tableDialog() const { return m_table; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslateUi();
    // A mouse position in the chart view's viewport: the read-out inside the plot area,
    // nothing outside it.
    void trackPointer(const QPoint &pos);

    SpectrumAnalyzer m_analyzer;
    Spectrum::Result m_result;
    bool m_hasData = false;
    QChart *m_chart = nullptr;
    QChartView *m_view = nullptr;
    QLineSeries *m_series = nullptr;
    QValueAxis *m_axisX = nullptr;
    QValueAxis *m_axisY = nullptr;
    QFrame *m_box = nullptr;
    QLabel *m_boxLabel = nullptr;
    QPushButton *m_close = nullptr;
    SpectrumTableDialog *m_table = nullptr;
    QPoint m_cursor;
};
