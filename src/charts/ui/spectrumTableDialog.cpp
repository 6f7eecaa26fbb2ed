#include "charts/ui/spectrumTableDialog.h"

#include "charts/spectrum.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
QIcon statusIcon(bool normal)
{
    const QPixmap p(normal ? QStringLiteral(":/source/normal.png") : QStringLiteral(":/source/error.png"));
    return QIcon(p.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

QTableWidgetItem *cell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}
} // namespace

SpectrumTableDialog::SpectrumTableDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName("spectrumTableDialog");
    setMinimumSize(500, 300);
    auto *layout = new QVBoxLayout(this);
    m_table = new QTableWidget(2, 4, this);
    m_table->setObjectName("spectrumTable");
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setIconSize(QSize(32, 32));
    m_table->setStyleSheet("QTableWidget { border: 1px solid #ccc; }");
    layout->addWidget(m_table);
    auto *row = new QHBoxLayout();
    row->addStretch(1);
    m_close = new QPushButton(this);
    m_close->setObjectName("spectrumTableClose");
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    row->addWidget(m_close);
    layout->addLayout(row);
    retranslateUi();
}

void SpectrumTableDialog::updateData(float amp24, float amp28, float limit)
{
    m_amp24 = amp24;
    m_amp28 = amp28;
    m_limit = limit;
    m_hasData = true;
    fillRows();
}

void SpectrumTableDialog::fillRows()
{
    if (!m_hasData)
        return;
    const struct {
        QString name;
        float amplitude;
    } rows[] = {{tr("24Hz幅值"), m_amp24}, {tr("28Hz幅值"), m_amp28}};
    for (int r = 0; r < 2; ++r) {
        const bool normal = Spectrum::withinLimit(rows[r].amplitude, m_limit);
        m_table->setItem(r, 0, cell(rows[r].name));
        m_table->setItem(r, 1, cell(QString::number(rows[r].amplitude, 'f', 6)));
        m_table->setItem(r, 2, cell(QString::number(m_limit, 'f', 6)));
        QTableWidgetItem *status = cell(normal ? tr("正常") : tr("异常"));
        status->setIcon(statusIcon(normal));
        m_table->setItem(r, 3, status);
    }
}

void SpectrumTableDialog::retranslateUi()
{
    setWindowTitle(tr("质量分析表格"));
    m_table->setHorizontalHeaderLabels({tr("指标名称"), tr("指标数值"), tr("指标范围"), tr("状态")});
    m_close->setText(tr("关闭"));
    fillRows();
}

void SpectrumTableDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}
