#include "can/ui/canLogBar.h"

#include "motor/motorFrameDecode.h"

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
    m_ids->setMinimumWidth(150);
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
    m_motor = new QLineEdit(this);
    m_motor->setObjectName("canLogMotorEdit");
    m_master = new QLineEdit(this);
    m_master->setObjectName("canLogMasterEdit");
    for (QLineEdit *e : {m_motor, m_master}) {
        e->setClearButtonEnabled(true);
        e->setMaximumWidth(72);
    }
    m_kind = new QComboBox(this);
    m_kind->setObjectName("canLogKindCombo");
    m_kind->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (int groups : {0, int(MotorLogFrame::Commands), int(MotorLogFrame::FeedbackFrames), int(MotorLogFrame::Registers),
                       int(MotorLogFrame::Ids), int(MotorLogFrame::Firmware)})
        m_kind->addItem(QString(), groups);
    m_decoded = new QCheckBox(this);
    m_decoded->setObjectName("canLogDecodedBox");
    m_decoded->setChecked(true);
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
    row->addWidget(m_motor);
    row->addWidget(m_master);
    row->addWidget(m_kind);
    row->addWidget(m_idError);
    row->addWidget(m_counts);
    row->addStretch(1);
    row->addWidget(m_decoded);
    row->addWidget(m_export);
    row->addWidget(m_busLoad);

    connect(m_ids, &QLineEdit::textChanged, this, &CANLogBar::apply);
    connect(m_direction, &QComboBox::currentIndexChanged, this, &CANLogBar::apply);
    connect(m_outcome, &QComboBox::currentIndexChanged, this, &CANLogBar::apply);
    connect(m_hideHeartbeats, &QCheckBox::toggled, this, &CANLogBar::apply);
    connect(m_motor, &QLineEdit::textChanged, this, &CANLogBar::apply);
    connect(m_master, &QLineEdit::textChanged, this, &CANLogBar::apply);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &CANLogBar::apply);
    connect(m_decoded, &QCheckBox::toggled, this, &CANLogBar::decodedColumnToggled);
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
    // A motor ID or master ID that does not read keeps the motor filter as it was.
    QString badMotor;
    auto readId = [&badMotor](QLineEdit *edit, qint64 &value) {
        QList<QPair<quint32, quint32>> one;
        const QString text = edit->text().trimmed();
        if (text.isEmpty()) {
            value = -1;
        } else if (CANLogFilter::parseIds(text, one) && one.size() == 1 && one[0].first == one[0].second
                   && one[0].first <= 0x7FF) {
            value = one[0].first;
        } else {
            badMotor = text;
            return false;
        }
        return true;
    };
    qint64 motor = f.motorId, master = f.masterId;
    const bool motorOk = readId(m_motor, motor);
    const bool masterOk = readId(m_master, master);
    if (motorOk && masterOk) {
        f.motorId = motor;
        f.masterId = master;
    }
    m_badMotor = badMotor;
    m_motor->setStyleSheet(motorOk ? QString() : QStringLiteral("QLineEdit { border: 1px solid red; }"));
    m_master->setStyleSheet(masterOk ? QString() : QStringLiteral("QLineEdit { border: 1px solid red; }"));
    f.kinds = quint8(m_kind->currentData().toInt());
    showErrors();
    f.direction = CANLogFilter::Direction(qMax(0, m_direction->currentIndex()));
    f.outcome = CANLogFilter::Outcome(qMax(0, m_outcome->currentIndex()));
    f.hideHeartbeats = m_hideHeartbeats->isChecked();
    if (f == m_filter)
        return;
    m_filter = f;
    emit filterChanged(m_filter);
}

void CANLogBar::showErrors()
{
    QStringList errors;
    if (!m_badIds.isEmpty())
        errors << tr("无效的ID: %1").arg(m_badIds);
    if (!m_badMotor.isEmpty())
        errors << tr("无效的电机ID: %1").arg(m_badMotor);
    m_idError->setText(errors.join(QStringLiteral("  ")));
    m_idError->setVisible(!errors.isEmpty());
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
    m_motor->setPlaceholderText(tr("电机ID"));
    m_motor->setToolTip(tr("只显示与这台电机有关的帧（十六进制）：发给它的命令、寄存器、扫描、校准和固件帧，广播的ID帧，"
                           "以及它主ID上的反馈和应答"));
    m_master->setPlaceholderText(tr("主ID"));
    m_master->setToolTip(tr("这台电机的主ID（十六进制）：它的反馈和应答都在这个ID上；不填时反馈只能按电机ID的低4位识别"));
    const QStringList kinds = {tr("全部类型"), tr("命令"), tr("反馈"), tr("寄存器"), tr("ID"), tr("固件")};
    for (int i = 0; i < kinds.size(); ++i)
        m_kind->setItemText(i, kinds[i]);
    m_kind->setToolTip(tr("按电机协议的帧类型筛选：控制命令与特殊命令、反馈、寄存器读写、ID与扫描、固件与版本"));
    m_decoded->setText(tr("解析"));
    m_decoded->setToolTip(tr("显示“解析”列：按电机协议说明每一帧是什么及其数值（使用当前的映射范围）"));
    showErrors();
    if (m_shown >= 0)
        showCounts(m_shown, m_kept);
}
