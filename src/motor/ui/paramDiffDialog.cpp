#include "motor/ui/paramDiffDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

ParamDiffDialog::ParamDiffDialog(const QList<RegisterDiffRow> &rows, const QString &intro, QWidget *parent,
                                 const QString &acceptText)
    : QDialog(parent), m_rows(rows)
{
    setObjectName("paramDiffDialog");
    setWindowTitle(tr("写入前对比"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(intro, this);
    label->setWordWrap(true);
    layout->addWidget(label);

    m_table = new QTableWidget(int(rows.size()), 4, this);
    m_table->setObjectName("paramDiffTable");
    m_table->setHorizontalHeaderLabels({tr("寄存器"), tr("电机的值"), tr("新值"), tr("单位")});
    m_table->horizontalHeaderItem(0)->setToolTip(tr("取消勾选的行保留电机的值，不写入"));
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    for (int i = 0; i < rows.size(); ++i) {
        const RegisterDiffRow &r = rows[i];
        auto *name = new QTableWidgetItem(ESC_INF::propertyName(r.rid));
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        name->setCheckState(r.write ? Qt::Checked : Qt::Unchecked);
        m_table->setItem(i, 0, name);
        m_table->setItem(i, 1, new QTableWidgetItem(rawValueText(r.rid, r.motorRaw)));
        m_table->setItem(i, 2, new QTableWidgetItem(rawValueText(r.rid, r.newRaw)));
        m_table->setItem(i, 3, new QTableWidgetItem(registerUnit(r.rid)));
    }
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *write = buttons->addButton(acceptText.isEmpty() ? tr("写入勾选的参数") : acceptText,
                                           QDialogButtonBox::AcceptRole);
    write->setObjectName("paramDiffWrite");
    buttons->addButton(tr("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 420);
}

QList<RegisterDiffRow> ParamDiffDialog::rows() const
{
    QList<RegisterDiffRow> out = m_rows;
    for (int i = 0; i < out.size(); ++i)
        out[i].write = m_table->item(i, 0)->checkState() == Qt::Checked;
    return out;
}

void ParamDiffDialog::setTicked(int row, bool ticked)
{
    if (QTableWidgetItem *item = m_table->item(row, 0))
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}
