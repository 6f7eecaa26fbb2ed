#include "can/ui/canRecordBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

CanRecordBar::CanRecordBar(QWidget *parent) : QWidget(parent)
{
    setObjectName("canRecordBar");
    auto *h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    m_record = new QPushButton(this);
    m_record->setObjectName("btn_canRecord");
    m_status = new QLabel(this);
    m_status->setObjectName("canRecordStatus");
    // A long status must not widen the tab: it is cut, and whole in its tool tip.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->setMinimumWidth(120);
    m_open = new QPushButton(this);
    m_open->setObjectName("btn_canRecordingOpen");
    m_charts = new QCheckBox(this);
    m_charts->setObjectName("canRecordingCharts");
    m_chartMotor = new QComboBox(this);
    m_chartMotor->setObjectName("canRecordingMotor");
    m_chartMotor->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_chartMotor->setVisible(false);
    m_replay = new QPushButton(this);
    m_replay->setObjectName("btn_canReplay");
    m_speed = new QComboBox(this);
    m_speed->setObjectName("canReplaySpeed");
    for (double s : {1.0, 2.0, 10.0, 0.0})
        m_speed->addItem(QString(), s);
    m_sentOnly = new QCheckBox(this);
    m_sentOnly->setObjectName("canReplaySentOnly");
    m_sentOnly->setChecked(true); // a recording holds the motors' replies too: not sent unless asked
    m_progress = new QProgressBar(this);
    m_progress->setObjectName("canReplayProgress");
    m_progress->setRange(0, 1000);
    m_progress->setMaximumWidth(160);
    m_progress->setVisible(false);
    h->addWidget(m_record);
    h->addWidget(m_status, 1);
    h->addWidget(m_open);
    h->addWidget(m_charts);
    h->addWidget(m_chartMotor);
    h->addWidget(m_replay);
    h->addWidget(m_speed);
    h->addWidget(m_sentOnly);
    h->addWidget(m_progress);
    retranslate();
}

double CanRecordBar::speed() const { return m_speed->currentData().toDouble(); }

void CanRecordBar::setRecording(bool on)
{
    m_recording = on;
    retranslate();
}

void CanRecordBar::setReplaying(bool on)
{
    m_replaying = on;
    m_progress->setVisible(on);
    m_progress->setValue(0);
    m_speed->setEnabled(!on);
    m_sentOnly->setEnabled(!on);
    m_open->setEnabled(!on);
    retranslate();
}

void CanRecordBar::showStatus(const QString &text) const
{
    m_status->setText(text);
    m_status->setToolTip(text);
}

void CanRecordBar::setChartMotors(const QStringList &labels, int current)
{
    const QSignalBlocker quiet(m_chartMotor);
    m_chartMotor->clear();
    m_chartMotor->addItems(labels);
    m_chartMotor->setCurrentIndex(std::min(current, int(labels.size()) - 1));
    m_chartMotor->setVisible(!labels.isEmpty());
}

void CanRecordBar::retranslate()
{
    m_record->setText(m_recording ? tr("停止录制") : tr("录制..."));
    m_record->setToolTip(tr("把接收记录中的帧（收发两个方向）边收边写入 can-utils 日志文件（candump -l 格式）"));
    m_open->setText(tr("打开记录..."));
    m_open->setToolTip(tr("把 can-utils 日志文件中的帧载入接收记录；格式错误的行会跳过并报告行号"));
    m_charts->setText(tr("反馈送入曲线"));
    m_charts->setToolTip(tr("打开记录时，把一台电机的反馈按记录的时间轴送入调试页的位置、速度、力矩曲线，可缩放和保存"));
    m_chartMotor->setToolTip(tr("记录中发送反馈的电机：选择要在曲线中查看的一台"));
    m_replay->setText(m_replaying ? tr("停止回放") : tr("回放..."));
    m_replay->setToolTip(tr("把 can-utils 日志文件中的帧发送到当前打开的适配器"));
    m_speed->setItemText(0, tr("原始时序"));
    m_speed->setItemText(1, tr("2 倍速"));
    m_speed->setItemText(2, tr("10 倍速"));
    m_speed->setItemText(3, tr("尽快发送"));
    m_speed->setToolTip(tr("回放速度：按记录中帧之间的间隔，或更快"));
    m_sentOnly->setText(tr("仅发送帧"));
    m_sentOnly->setToolTip(tr("只回放记录为发送（T）的帧，不回放收到的帧"));
}

void CanRecordBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}
