#include "can/ui/canTxDialogs.h"

#include "widgets/dialogService.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

IdIncrementDialog::IdIncrementDialog(quint16 step, quint32 stopId, QWidget *parent, quint16 maxStep)
    : QDialog(parent), m_maxStep(maxStep)
{
    setObjectName("idIncrementDialog");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("id递增配置"));
    auto *g = new QGridLayout(this);
    m_step = new QLineEdit(QString::number(step), this);
    m_step->setObjectName("idStepEdit");
    m_step->setToolTip(tr("每次发送后ID增加的值，十进制，0 到 %1").arg(maxStep));
    m_stopId = new QLineEdit(QString::number(stopId, 16).toUpper(), this);
    m_stopId->setObjectName("stopIdEdit");
    m_stopId->setPlaceholderText("0x");
    m_stopId->setToolTip(tr("ID按 停止ID+1 取模回绕，十六进制"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    g->addWidget(new QLabel(tr("步距"), this), 0, 0);
    g->addWidget(m_step, 0, 1);
    g->addWidget(new QLabel(tr("停止ID"), this), 1, 0);
    g->addWidget(m_stopId, 1, 1);
    g->addWidget(buttons, 2, 0, 1, 2);
    connect(buttons, &QDialogButtonBox::accepted, this, &IdIncrementDialog::takeValues);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool IdIncrementDialog::parse(const QString &stepText, const QString &stopIdText, quint16 &step, quint32 &stopId,
                              QString *reason, quint16 maxStep)
{
    bool ok = false;
    const uint s = stepText.trimmed().toUInt(&ok, 10);
    if (!ok || s > maxStep) {
        if (reason)
            *reason = maxStep < 0xFFFF ? tr("USB适配器的发送记录只能携带 0 到 %1 的步距: %2").arg(maxStep).arg(stepText)
                                       : tr("步距应为 0 到 65535 之间的十进制数: %1").arg(stepText);
        return false;
    }
    QString hex = stopIdText.trimmed();
    if (hex.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        hex = hex.mid(2);
    const uint id = hex.size() <= 8 ? hex.toUInt(&ok, 16) : (ok = false, 0u);
    if (!ok) {
        if (reason)
            *reason = tr("停止ID应为十六进制数: %1").arg(stopIdText);
        return false;
    }
    step = quint16(s);
    stopId = id;
    return true;
}

void IdIncrementDialog::takeValues()
{
    quint16 step = 0;
    quint32 stopId = 0;
    QString reason;
    if (!parse(m_step->text(), m_stopId->text(), step, stopId, &reason, m_maxStep)) {
        DialogService::warning(this, tr("警告"), reason);
        return;
    }
    emit configured(step, stopId);
    accept();
}

ExportColumnsDialog::ExportColumnsDialog(const QStringList &titles, bool filterActive, QWidget *parent)
    : QDialog(parent)
{
    setObjectName("exportColumnsDialog");
    setWindowTitle(tr("选择导出列"));
    resize(300, 250);
    auto *v = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->setObjectName("exportColumnList");
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    for (const QString &t : titles) {
        auto *item = new QListWidgetItem(t, m_list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    connect(m_list, &QListWidget::itemDoubleClicked, this, [](QListWidgetItem *item) {
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
    m_visibleOnly = new QCheckBox(tr("只导出筛选后显示的行"), this);
    m_visibleOnly->setObjectName("exportVisibleOnly");
    m_visibleOnly->setToolTip(tr("不勾选时导出日志中的全部帧，不受筛选影响"));
    m_visibleOnly->setVisible(filterActive);
    auto *row = new QHBoxLayout();
    auto *ok = new QPushButton(tr("确认"), this);
    ok->setObjectName("exportOkButton");
    auto *cancel = new QPushButton(tr("取消"), this);
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    v->addWidget(m_list, 1);
    v->addWidget(m_visibleOnly);
    v->addLayout(row);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QList<int> ExportColumnsDialog::checkedColumns() const
{
    QList<int> out;
    for (int i = 0; i < m_list->count(); ++i)
        if (m_list->item(i)->checkState() == Qt::Checked)
            out << i;
    return out;
}

void ExportColumnsDialog::setColumnChecked(int column, bool checked)
{
    if (QListWidgetItem *item = m_list->item(column))
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

bool ExportColumnsDialog::visibleOnly() const { return !m_visibleOnly->isHidden() && m_visibleOnly->isChecked(); }
