#include "charts/ui/spectrumAnalyzerDialog.h"

#include "charts/ui/spectrumTableDialog.h"
#include "log/log.h"

#include <QChart>
#include <QChartView>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>

namespace {
constexpr const char *kSource = "SpectrumAnalyzerDialog";
}

SpectrumAnalyzerDialog::SpectrumAnalyzerDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName("spectrumAnalyzerDialog");
    setMinimumSize(800, 600);

    m_chart = new QChart();
    m_chart->legend()->hide();
    m_series = new QLineSeries(m_chart);
    m_chart->addSeries(m_series);
    m_axisX = new QValueAxis(m_chart);
    m_axisY = new QValueAxis(m_chart);
    m_axisX->setRange(0, 100);
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    m_series->attachAxis(m_axisX);
    m_series->attachAxis(m_axisY);

    m_view = new QChartView(m_chart, this);
    m_view->setObjectName("spectrumChartView");
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setMouseTracking(true);
    m_view->viewport()->setMouseTracking(true);
    m_view->viewport()->installEventFilter(this);

    m_box = new QFrame(m_view->viewport());
    m_box->setObjectName("coordinateBox");
    m_box->setFrameShape(QFrame::Box);
    m_box->setStyleSheet("background-color: white; border: 1px solid gray;");
    auto *boxLayout = new QVBoxLayout(m_box);
    boxLayout->setContentsMargins(5, 5, 5, 5);
    m_boxLabel = new QLabel(m_box);
    m_boxLabel->setObjectName("coordinateLabel");
    m_boxLabel->setStyleSheet("font-size: 12px;");
    boxLayout->addWidget(m_boxLabel);
    m_box->hide();
    // The box never takes the mouse from the chart under it.
    m_box->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_close = new QPushButton(this);
    m_close->setObjectName("spectrumClose");
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    auto *row = new QHBoxLayout();
    row->addStretch(1);
    row->addWidget(m_close);
    layout->addLayout(row);

    m_table = new SpectrumTableDialog(this);
    retranslateUi();
}

void SpectrumAnalyzerDialog::retranslateUi()
{
    setWindowTitle(tr("质量分析"));
    m_chart->setTitle(tr("质量分析结果"));
    m_axisX->setTitleText(tr("频率 (Hz)"));
    m_axisY->setTitleText(m_hasData ? tr("幅度") : tr("幅度 (dB)"));
    m_close->setText(tr("关闭"));
}

void SpectrumAnalyzerDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

void SpectrumAnalyzerDialog::setTitle(const QString &title) { setWindowTitle(title); }

void SpectrumAnalyzerDialog::setData(const QList<float> &samples, int sampleRate, int fftSize)
{
    m_result = m_analyzer.compute(samples, sampleRate, fftSize);
    const Spectrum::Result &r = m_result;
    if (r.badSample >= 0) {
        Logger::error(QString("采样值 %1 无效: %2").arg(r.badSample).arg(double(samples[r.badSample])), kSource);
        discardResult();
        return;
    }
    if (r.size == 0) {
        Logger::error(QString("无法计算频谱: 采样率 %1, FFT点数 %2").arg(sampleRate).arg(fftSize), kSource);
        return;
    }
    Logger::info(QString("直流分量: %1, 24Hz幅值[%2]: %3, 28Hz幅值[%4]: %5")
                     .arg(r.amplitudes[0], 0, 'f', 6)
                     .arg(r.k24)
                     .arg(r.amp24, 0, 'f', 6)
                     .arg(r.k28)
                     .arg(r.amp28, 0, 'f', 6),
                 kSource);

    QList<QPointF> points;
    points.reserve(r.amplitudes.size());
    for (int k = 0; k < r.amplitudes.size(); ++k)
        points.append(QPointF(r.binWidth * k, r.amplitudes[k]));
    m_series->replace(points);

    Logger::info(QString("频谱幅度排名前%1:").arg(r.ranking.size()), kSource);
    for (int i = 0; i < r.ranking.size(); ++i) {
        const Spectrum::Peak &p = r.ranking[i];
        Logger::info(QString("排名%1: %2Hz(索引:%3), 幅度: %4")
                         .arg(i + 1)
                         .arg(p.frequency, 0, 'f', 2)
                         .arg(p.bin)
                         .arg(p.amplitude, 0, 'f', 6),
                     kSource);
    }

    m_hasData = true;
    m_axisX->setRange(1, 50);
    m_axisY->setRange(r.axisMin, r.axisMax);
    m_axisY->setTitleText(tr("幅度"));
    m_chart->update();

    m_table->updateData(float(r.amp24), float(r.amp28), Spectrum::Limit);
    m_table->show();
}

void SpectrumAnalyzerDialog::discardResult()
{
    m_result = Spectrum::Result();
    m_series->clear();
    m_hasData = false;
    m_axisY->setTitleText(tr("幅度 (dB)"));
    m_table->hide();
}

void SpectrumAnalyzerDialog::updateCoordinateDisplay(double x, double y)
{
    const QString text = QString("frequency: %1 Hz\n amplitude: %2 ").arg(x, 0, 'f', 2).arg(y, 0, 'f', 6);
    m_boxLabel->setText(text);
    Logger::info(text, kSource);
    m_box->adjustSize();
    const QSize area = m_view->viewport()->size();
    int bx = m_cursor.x() + 10;
    int by = m_cursor.y() + 10;
    if (bx + m_box->width() > area.width())
        bx = m_cursor.x() - 10 - m_box->width();
    if (by + m_box->height() > area.height())
        by = m_cursor.y() - 10 - m_box->height();
    m_box->move(qMax(0, bx), qMax(0, by));
    m_box->show();
    m_box->raise();
}

void SpectrumAnalyzerDialog::trackPointer(const QPoint &pos)
{
    const QPointF inChart = m_chart->mapFromScene(m_view->mapToScene(pos));
    const QRectF plot = m_chart->plotArea();
    if (!plot.contains(inChart) || plot.width() <= 0 || plot.height() <= 0) {
        m_box->hide();
        return;
    }
    m_cursor = pos;
    const double x = m_axisX->min() + (inChart.x() - plot.left()) / plot.width() * (m_axisX->max() - m_axisX->min());
    const double y = m_axisY->min() + (plot.bottom() - inChart.y()) / plot.height() * (m_axisY->max() - m_axisY->min());
    updateCoordinateDisplay(x, y);
}

bool SpectrumAnalyzerDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view->viewport()
        && (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress))
        trackPointer(static_cast<QMouseEvent *>(event)->position().toPoint());
    return QDialog::eventFilter(watched, event);
}

void SpectrumAnalyzerDialog::mousePressEvent(QMouseEvent *event)
{
    trackPointer(m_view->viewport()->mapFrom(this, event->position().toPoint()));
    QDialog::mousePressEvent(event);
}

void SpectrumAnalyzerDialog::mouseMoveEvent(QMouseEvent *event)
{
    trackPointer(m_view->viewport()->mapFrom(this, event->position().toPoint()));
    QDialog::mouseMoveEvent(event);
}
