#include "motor/ui/motorsPanel.h"

#include "motor/paramRegisters.h"
#include "widgets/dialogService.h"

#include <QDir>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
enum Column { ColId, ColMaster, ColRate, ColApp, ColLoader, ColState, ColMotorTemp, ColDriverTemp, ColNote, ColCount };
QString hex(unsigned id) { return QStringLiteral("0x%1").arg(id, 2, 16, QLatin1Char('0')); }
} // namespace

MotorsPanel::MotorsPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName("motorsPanel");
    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    m_refresh = new QPushButton(this);
    m_refresh->setObjectName("btn_motorsRefresh");
    m_report = new QPushButton(this);
    m_report->setObjectName("btn_motorReport");
    m_sequence = new QPushButton(this);
    m_sequence->setObjectName("btn_nextMotor");
    m_noteLabel = new QLabel(this);
    m_note = new QLineEdit(this);
    m_note->setObjectName("reportNoteEdit");
    bar->addWidget(m_refresh);
    bar->addWidget(m_sequence);
    bar->addWidget(m_report);
    bar->addWidget(m_noteLabel);
    bar->addWidget(m_note, 1);
    m_compareLabel = new QLabel(this);
    m_compare = new QLineEdit(this);
    m_compare->setObjectName("reportCompareEdit");
    m_browse = new QPushButton(QStringLiteral("…"), this);
    m_browse->setObjectName("btn_reportCompareBrowse");
    m_browse->setFixedWidth(m_browse->fontMetrics().horizontalAdvance(QStringLiteral("…")) + 24);
    bar->addWidget(m_compareLabel);
    bar->addWidget(m_compare, 1);
    bar->addWidget(m_browse);
    layout->addLayout(bar);

    m_table = new QTableWidget(0, ColCount, this);
    m_table->setObjectName("motorsTable");
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);
    m_status = new QLabel(this);
    m_status->setObjectName("motorsStatusLabel");
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    connect(m_refresh, &QPushButton::clicked, this, &MotorsPanel::refreshRequested);
    connect(m_report, &QPushButton::clicked, this, &MotorsPanel::reportRequested);
    connect(m_sequence, &QPushButton::clicked, this, &MotorsPanel::sequenceRequested);
    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString path = DialogService::getOpenFileName(this, tr("选择文本文件"), QDir::homePath(), tr("文本文件 (*.txt)"));
        if (!path.isEmpty())
            m_compare->setText(path);
    });
    connect(m_table, &QTableWidget::itemSelectionChanged, this, [this] {
        const int row = m_table->currentRow();
        if (row >= 0 && row < m_rows.size() && !m_table->selectedItems().isEmpty())
            emit motorSelected(m_rows[row].motor.canid, m_rows[row].motor.masterid);
    });
    retranslate();
}

void MotorsPanel::retranslate()
{
    m_refresh->setText(tr("刷新"));
    m_refresh->setToolTip(tr("扫描总线上的电机（ID 0x00~0x7F），并读取每台电机的版本"));
    m_report->setText(tr("生成报告"));
    m_report->setToolTip(tr("为当前电机生成调试记录（HTML 与 PDF）"));
    m_sequence->setText(tr("下一台电机…"));
    m_sequence->setToolTip(tr("逐步调试一台新接入的电机：扫描、设ID、写参数、保存、校准、质量分析、报告"));
    m_noteLabel->setText(tr("备注:"));
    m_note->setToolTip(tr("写入报告的操作说明"));
    m_compareLabel->setText(tr("对比文件:"));
    m_compare->setPlaceholderText(tr("最近写入或导入的参数文件"));
    m_compare->setToolTip(tr("报告列出电机的值与此参数文件的差异；留空则用最近写入或导入的文件"));
    m_browse->setToolTip(tr("选择参数文件"));
    m_table->setHorizontalHeaderLabels({tr("CAN ID"), tr("主机ID"), tr("CAN波特率"), tr("应用版本"), tr("引导版本"),
                                        tr("状态"), tr("电机温度"), tr("驱动温度"), tr("故障/冲突")});
    for (int i = 0; i < m_rows.size(); ++i)
        fillRow(i);
}

void MotorsPanel::setRows(const QList<Row> &rows)
{
    m_rows = rows;
    const QSignalBlocker block(m_table);
    m_table->clearContents();
    m_table->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        for (int c = 0; c < ColCount; ++c)
            m_table->setItem(i, c, new QTableWidgetItem);
        fillRow(i);
    }
    m_table->resizeColumnsToContents();
}

void MotorsPanel::fillRow(int row)
{
    const Row &r = m_rows[row];
    auto set = [&](int col, const QString &text) {
        if (QTableWidgetItem *item = m_table->item(row, col))
            item->setText(text);
    };
    const QString rate = canBaudText(r.motor.canBr);
    set(ColId, hex(r.motor.canid));
    set(ColMaster, hex(r.motor.masterid));
    set(ColRate, rate.isEmpty() ? QString::number(r.motor.canBr) : rate);
    set(ColApp, r.appVersion.isEmpty() ? QStringLiteral("-") : r.appVersion);
    set(ColLoader, r.loaderVersion.isEmpty() ? QStringLiteral("-") : r.loaderVersion);
    const QString conflict = scanConflictText(r.motor);
    if (!conflict.isEmpty()) {
        set(ColNote, tr("冲突：%1").arg(conflict));
        for (int c = 0; c < ColCount; ++c)
            if (QTableWidgetItem *item = m_table->item(row, c))
                item->setForeground(Qt::darkRed);
    }
}

void MotorsPanel::setLive(unsigned canid, const Live &live)
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].motor.canid != canid || m_rows[i].motor.replies > 1)
            continue;
        auto set = [&](int col, const QString &text) {
            if (QTableWidgetItem *item = m_table->item(i, col)) {
                item->setText(text);
                item->setForeground(live.fresh ? (live.fault ? Qt::darkRed : Qt::black) : Qt::gray);
            }
        };
        set(ColState, live.state);
        set(ColMotorTemp, live.motorTemp);
        set(ColDriverTemp, live.driverTemp);
        set(ColNote, live.fault ? live.state : QString());
    }
}

void MotorsPanel::setStatus(const QString &text) { m_status->setText(text); }

void MotorsPanel::setBusy(bool busy)
{
    for (QPushButton *b : {m_refresh, m_report, m_sequence})
        b->setEnabled(!busy);
}
