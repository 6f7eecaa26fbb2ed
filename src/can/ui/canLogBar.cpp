#include "can/ui/canLogBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CANLogBar::CANLogBar(QWidget *parent) : QWidget(parent)
{
    setObjectName("canLogBar");
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_ids = new QLineEdit(this);
    m_ids->setObjectName("canLogIdFilterEdit");
    m_ids->setClearButtonEnabled(true);
    m_ids->setMinimumWidth(190);
    m_ids->setMaximumWidth(240);
    m_direction = new QComboBox(this);
    m_direction->setObjectName("canLogDirectionCombo");
    m_outcome = new QComboBox(this);
    m_outcome->setObjectName("canLogOutcomeCombo");
    for (QComboBox *c : {m_direction, m_outcome}) {
        c->addItems({QString(), QString(), QString()});
        c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    }
    m_hideHeartbeats = new QCheckBox(this);
    m_hideHeartbeats->setObjectName("canLogHideHeartbeats");
    m_idError = new QLabel(this);
    m_idError->setObjectName("canLogIdError");
    m_idError->setStyleSheet("color: red;");
    m_idError->hide();
    m_counts = new QLabel(this);
    m_counts->setObjectName("canLogCountLabel");
    m_counts->hide();
    m_export = new QPushButton(this);
    m_export->setObjectName("ExportAnaysis");
    m_export->setIcon(QIcon(":/source/export.png"));
    m_busLoad = new QPushButton(this);
    m_busLoad->setObjectName("ChannelOccupancyRate");
    m_busLoad->setIcon(QIcon(":/source/speed-up.png"));

    row->addWidget(m_ids);
    row->addWidget(m_direction);
    row->addWidget(m_outcome);
    row->addWidget(m_hideHeartbeats);
    row->addWidget(m_idError);
    row->addWidget(m_counts);
    row->addStretch(1);
    row->addWidget(m_export);
    row->addWidget(m_busLoad);

    connect(m_ids, &QLineEdit::textChanged, this, &CANLogBar::apply);
    connect(m_direction, &QComboBox::currentIndexChanged, this, &CANLogBar::apply);
    connect(m_outcome, &QComboBox::currentIndexChanged, this, &CANLogBar::apply);
    connect(m_hideHeartbeats, &QCheckBox::toggled, this, &CANLogBar::apply);
    retranslate();
}

void CANLogBar::apply()
{
    CANLogFilter f = m_filter;
    QString bad;
    if (CANLogFilter::parseIds(m_ids->text(), f.idRanges, &bad)) {
        m_badIds.clear();
        m_ids->setStyleSheet(QString());
    } else {
        // The rows stay filtered as before until the list reads again.
        m_badIds = bad;
        m_ids->setStyleSheet("QLineEdit { border: 1px solid red; }");
    }
    m_idError->setText(tr("无效的ID: %1").arg(m_badIds));
    m_idError->setVisible(!m_badIds.isEmpty());
    f.direction = CANLogFilter::Direction(qMax(0, m_direction->currentIndex()));
    f.outcome = CANLogFilter::Outcome(qMax(0, m_outcome->currentIndex()));
    f.hideHeartbeats = m_hideHeartbeats->isChecked();
    if (f == m_filter)
        return;
    m_filter = f;
    emit filterChanged(m_filter);
}

void CANLogBar::showCounts(int shown, int kept)
{
    m_shown = shown;
    m_kept = kept;
    const bool filtered = m_filter.isActive();
    if (filtered)
        m_counts->setText(tr("显示 %1 / %2 帧").arg(shown).arg(kept));
    m_counts->setVisible(filtered);
}

void CANLogBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void CANLogBar::retranslate()
{
    m_ids->setPlaceholderText(tr("ID筛选, 如 123, 200-2FF"));
    m_ids->setToolTip(tr("只显示这些ID的帧：十六进制ID或范围，用逗号或空格分隔；留空显示全部ID"));
    const QStringList directions = {tr("全部方向"), tr("仅接收"), tr("仅发送")};
    const QStringList outcomes = {tr("全部状态"), tr("仅成功"), tr("仅失败")};
    for (int i = 0; i < 3; ++i) {
        m_direction->setItemText(i, directions[i]);
        m_outcome->setItemText(i, outcomes[i]);
    }
    m_direction->setToolTip(tr("按方向筛选：接收的帧或适配器发送的帧"));
    m_outcome->setToolTip(tr("按状态筛选：成功或失败的帧"));
    m_hideHeartbeats->setText(tr("隐藏心跳"));
    m_hideHeartbeats->setToolTip(tr("隐藏串口适配器每秒一条的心跳数据行"));
    m_export->setText(tr("数据导出"));
    m_export->setToolTip(tr("把日志导出为CSV文件，可选择列；默认导出全部帧，不受筛选影响"));
    m_busLoad->setText(tr("通道占用率"));
    m_busLoad->setToolTip(tr("在单独的窗口中每秒显示总线占用率及其曲线"));
    if (!m_badIds.isEmpty())
        m_idError->setText(tr("无效的ID: %1").arg(m_badIds));
    if (m_shown >= 0)
        showCounts(m_shown, m_kept);
}
