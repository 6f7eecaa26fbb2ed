#include "link/canbus/ui/canBusPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>

namespace {
const QList<int> kBitRates = {125000, 250000, 500000, 800000, 1000000};
const QList<int> kDataBitRates = {1000000, 2000000, 4000000, 5000000, 8000000};

QString rateText(int bps) { return bps % 1000000 == 0 ? QString("%1M").arg(bps / 1000000) : QString("%1K").arg(bps / 1000); }
} // namespace

CanBusPanel::CanBusPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName("canBusPanel");
    auto *g = new QGridLayout(this);
    g->setContentsMargins(0, 0, 0, 0);
    m_bitRateLabel = new QLabel(this);
    m_bitRate = new QComboBox(this);
    m_bitRate->setObjectName("canBusBitRate");
    m_bitRate->addItem(QString(), 0); // the interface's own setting
    for (int r : kBitRates)
        m_bitRate->addItem(rateText(r), r);
    m_bitRate->setCurrentIndex(kBitRates.indexOf(1000000) + 1);
    m_fd = new QCheckBox(QStringLiteral("CAN FD"), this);
    m_fd->setObjectName("canBusFd");
    m_dataBitRateLabel = new QLabel(this);
    m_dataBitRate = new QComboBox(this);
    m_dataBitRate->setObjectName("canBusDataBitRate");
    for (int r : kDataBitRates)
        m_dataBitRate->addItem(rateText(r), r);
    m_dataBitRate->setCurrentIndex(kDataBitRates.indexOf(5000000));
    m_note = new QLabel(this);
    m_note->setObjectName("canBusNote");
    m_note->setWordWrap(true);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    g->addWidget(m_bitRateLabel, 0, 0);
    g->addWidget(m_bitRate, 0, 1);
    g->addWidget(m_fd, 1, 0);
    g->addWidget(m_dataBitRateLabel, 2, 0);
    g->addWidget(m_dataBitRate, 2, 1);
    g->addWidget(m_note, 3, 0, 1, 2);
    g->setColumnStretch(1, 1);
    connect(m_fd, &QCheckBox::toggled, this, [this] { updateRows(); });
    retranslate();
    updateRows();
}

void CanBusPanel::setInterface(const QString &plugin, const QString &interfaceName)
{
    m_plugin = plugin;
    m_interface = interfaceName;
    retranslate();
    updateRows();
}

QtCanBusAdapter::Settings CanBusPanel::settings() const
{
    QtCanBusAdapter::Settings s;
    s.fd = m_fd->isChecked();
    if (!QtCanBusAdapter::ratesSetOutside(m_plugin)) {
        s.bitRate = m_bitRate->currentData().toInt();
        s.dataBitRate = s.fd ? m_dataBitRate->currentData().toInt() : 0;
    }
    return s;
}

void CanBusPanel::setLinkOpen(bool open)
{
    for (QWidget *w : std::initializer_list<QWidget *>{m_bitRate, m_fd, m_dataBitRate})
        w->setEnabled(!open);
}

void CanBusPanel::updateRows()
{
    const bool outside = QtCanBusAdapter::ratesSetOutside(m_plugin);
    m_bitRateLabel->setVisible(!outside);
    m_bitRate->setVisible(!outside);
    m_dataBitRateLabel->setVisible(!outside && m_fd->isChecked());
    m_dataBitRate->setVisible(!outside && m_fd->isChecked());
    m_note->setVisible(outside);
}

void CanBusPanel::retranslate()
{
    m_bitRateLabel->setText(tr("仲裁域波特率"));
    m_dataBitRateLabel->setText(tr("数据域波特率"));
    m_bitRate->setItemText(0, tr("接口当前设置"));
    m_bitRate->setToolTip(tr("打开接口时设置的仲裁域波特率；“接口当前设置”保持接口已有的速率"));
    m_fd->setToolTip(tr("允许收发 CAN FD 帧（接口需支持 CAN FD）"));
    m_dataBitRate->setToolTip(tr("CAN FD 帧数据段的波特率"));
    const QString iface = m_interface.isEmpty() ? QStringLiteral("can0") : m_interface;
    m_note->setText(tr("%1 的速率由系统设置，例如：\nsudo ip link set %1 down\n"
                       "sudo ip link set %1 type can bitrate 1000000 dbitrate 5000000 fd on\n"
                       "sudo ip link set %1 up")
                        .arg(iface));
    m_note->setToolTip(tr("SocketCAN 接口以系统设置的速率打开；修改速率需要 root 权限"));
}

void CanBusPanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}
