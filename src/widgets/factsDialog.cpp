#include "widgets/factsDialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

FactsDialog::FactsDialog(const QString &title, const QString &heading, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(title);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto *layout = new QVBoxLayout(this);
    m_heading = new QLabel(heading, this);
    m_heading->setObjectName("factsHeading");
    m_heading->setWordWrap(true);
    QFont bold = m_heading->font();
    bold.setBold(true);
    m_heading->setFont(bold);
    layout->addWidget(m_heading);
    m_form = new QFormLayout();
    m_form->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    layout->addLayout(m_form);
    m_problems = new QVBoxLayout();
    layout->addLayout(m_problems);
    m_extra = new QVBoxLayout();
    layout->addLayout(m_extra);
    auto *row = new QHBoxLayout();
    row->addStretch(1);
    m_confirm = new QPushButton(tr("确认"), this);
    m_confirm->setObjectName("factsConfirm");
    m_confirm->setAutoDefault(false);
    m_cancel = new QPushButton(tr("取消"), this);
    m_cancel->setObjectName("factsCancel");
    m_cancel->setDefault(true);
    row->addWidget(m_confirm);
    row->addWidget(m_cancel);
    layout->addLayout(row);
    connect(m_confirm, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(420);
    m_cancel->setFocus();
}

int FactsDialog::addFact(const QString &name, const QString &value)
{
    auto *n = new QLabel(name, this);
    auto *v = new QLabel(value, this);
    v->setWordWrap(true);
    v->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_form->addRow(n, v);
    m_rows.append(qMakePair(n, v));
    return int(m_rows.size()) - 1;
}

void FactsDialog::setFact(int row, const QString &value)
{
    if (row >= 0 && row < m_rows.size())
        m_rows[row].second->setText(value);
}

void FactsDialog::addProblem(const QString &text)
{
    auto *l = new QLabel(text, this);
    l->setWordWrap(true);
    l->setStyleSheet("color: #b00000;");
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problems->addWidget(l);
    m_problemLabels.append(l);
}

void FactsDialog::clearProblems()
{
    qDeleteAll(m_problemLabels);
    m_problemLabels.clear();
}

QCheckBox *FactsDialog::addCheckBox(const QString &text, bool checked, const QString &toolTip)
{
    auto *box = new QCheckBox(text, this);
    box->setChecked(checked);
    box->setToolTip(toolTip);
    m_extra->addWidget(box);
    return box;
}

void FactsDialog::setConfirmText(const QString &text) { m_confirm->setText(text); }
void FactsDialog::setConfirmEnabled(bool enabled) { m_confirm->setEnabled(enabled); }

QList<QPair<QString, QString>> FactsDialog::facts() const
{
    QList<QPair<QString, QString>> out;
    for (const auto &r : m_rows)
        out.append(qMakePair(r.first->text(), r.second->text()));
    return out;
}

QStringList FactsDialog::problems() const
{
    QStringList out;
    for (const QLabel *l : m_problemLabels)
        out << l->text();
    return out;
}

QString FactsDialog::text() const
{
    QStringList lines{m_heading->text()};
    for (const auto &f : facts())
        lines << f.first + " " + f.second;
    lines << problems();
    return lines.join('\n');
}
