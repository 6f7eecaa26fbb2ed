#include "calibration/ui/calResultDialog.h"

#include "calibration/calibrationResults.h"
#include "charts/ui/waveForm.h"

#include <QChart>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QXYSeries>

CalResultDialog::CalResultDialog()
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint)
{
    setObjectName("calResultDialog");
    setWindowTitle(tr("校准结果"));
    setFixedSize(900, 600);
    new QGridLayout(this);
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
}

WaveForm *CalResultDialog::addChart(const QString &title, int visiblePoints, const QList<Curve> &curves, int row,
                                    int column, Qt::Alignment alignment)
{
    auto *chart = new WaveForm(this);
    chart->setObjectName(QString("calResultChart%1").arg(m_charts.size()));
    // An aligned widget gets only its size hint; the charts should fill their quarter
    // (leaving room for the download row below).
    chart->setMinimumSize(alignment ? QSize(430, 255) : QSize(860, 510));
    chart->createChart(title, true);
    // the legend names the curves, so the chart says what it is in its title
    chart->getChart()->setTitle(title);
    chart->setVisiblePoints(visiblePoints);
    QList<QList<float>> channels;
    QList<bool> dots;
    for (const Curve &c : curves) {
        channels.append(c.values);
        dots.append(c.dots);
    }
    chart->prepareDataVector(channels, dots);
    const QList<QXYSeries *> series = chart->dataSeries();
    for (qsizetype i = 0; i < series.size() && i < curves.size(); ++i)
        series[i]->setName(curves[i].name);
    static_cast<QGridLayout *>(layout())->addWidget(chart, row, column, alignment);
    m_charts.append(chart);
    return chart;
}

CalResultDialog *CalResultDialog::motorResult(const CalibrationResults &r)
{
    auto *d = new CalResultDialog;
    const int S = int(r.rawRefer.size());
    const int Q = int(r.motor.benefitReference.size());
    d->addChart(tr("原始数据"), S, {{"refer", r.rawRefer}, {"real", r.rawReal}, {"err", r.rawErr}}, 0, 0, Qt::AlignLeft);
    d->addChart(tr("补偿数据"), CalMath::kTableSize, {{tr("补偿值"), r.motor.compTable, true}}, 0, 1, Qt::AlignRight);
    d->addChart(tr("脉动数据"), Q,
                {{tr("平均脉动"), r.motor.rippleAveraged, true}, {tr("平滑脉动"), r.motor.rippleSmoothed}}, 1, 0,
                Qt::AlignLeft);
    d->addChart(tr("补偿效益"), Q,
                {{tr("补偿后"), r.motor.benefitCompensated},
                 {tr("补偿前"), r.motor.benefitMeasured},
                 {tr("参考"), r.motor.benefitReference}},
                1, 1, Qt::AlignRight);
    return d;
}

CalResultDialog *CalResultDialog::shaftResult(const CalibrationResults &r)
{
    auto *d = new CalResultDialog;
    d->addChart(tr("输出轴校准结果"), CalMath::kShaftTableSize,
                {{tr("往返"), r.shaft.roundTrip}, {tr("索引表"), r.shaft.inverseList}}, 0, 0, Qt::Alignment());
    return d;
}

void CalResultDialog::offerDownload(const QString &facts)
{
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(facts, this);
    label->setObjectName("calDownloadFacts");
    label->setWordWrap(true);
    auto *button = new QPushButton(tr("下载到电机"), this);
    button->setObjectName("calDownloadButton");
    button->setToolTip(tr("把上面的补偿表写入控制器；不下载就关闭本窗口，电机保持原来的表"));
    row->addWidget(label, 1);
    row->addWidget(button);
    auto *grid = static_cast<QGridLayout *>(layout());
    grid->addLayout(row, grid->rowCount(), 0, 1, 2);
    connect(button, &QPushButton::clicked, this, [this, button] {
        button->setEnabled(false);
        emit downloadRequested();
    });
}

CalResultDialog *CalResultDialog::uploadedTable(const QList<float> &table)
{
    auto *d = new CalResultDialog;
    d->addChart(tr("校准补偿表"), CalMath::kTableSize, {{tr("补偿值"), table}}, 0, 0, Qt::Alignment());
    return d;
}
