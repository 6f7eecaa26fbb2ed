#include "motor/ui/commissionDialog.h"

#include "motor/motorIds.h"
#include "widgets/dialogService.h"

#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

CommissionDialog::CommissionDialog(CommissionBench &bench, QWidget *parent) : QDialog(parent), m_bench(bench)
{
    setObjectName("commissionDialog");
    setWindowTitle(tr("下一台电机"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(tr("总线上每次只接入一台新电机：逐步执行，每一步可跳过；出错即停止。完成后接入下一台，点“下一台电机”。"), this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto *form = new QFormLayout;
    m_canid = new QLineEdit(QStringLiteral("01"), this);
    m_canid->setObjectName("commissionCanidEdit");
    m_canid->setToolTip(tr("第一台电机的 CAN ID（十六进制）；每台电机设ID后加一"));
    m_masterid = new QLineEdit(QStringLiteral("11"), this);
    m_masterid->setObjectName("commissionMasteridEdit");
    m_masterid->setToolTip(tr("第一台电机的主机ID（十六进制）；每台电机设ID后加一"));
    m_file = new QLineEdit(this);
    m_file->setObjectName("commissionFileEdit");
    m_file->setToolTip(tr("要写入每台电机的参数文件；写入前显示与电机当前值的差异"));
    auto *browse = new QPushButton(tr("选择…"), this);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(browse);
    m_folder = new QLineEdit(QDir::homePath(), this);
    m_folder->setObjectName("commissionFolderEdit");
    m_folder->setToolTip(tr("报告（HTML 与 PDF）保存的文件夹"));
    m_note = new QLineEdit(this);
    m_note->setObjectName("commissionNoteEdit");
    form->addRow(tr("起始 CAN ID:"), m_canid);
    form->addRow(tr("起始主机ID:"), m_masterid);
    form->addRow(tr("参数文件:"), fileRow);
    form->addRow(tr("报告文件夹:"), m_folder);
    form->addRow(tr("备注:"), m_note);
    layout->addLayout(form);

    m_steps = new QTableWidget(CommissionSequence::StepCount, 3, this);
    m_steps->setObjectName("commissionSteps");
    m_steps->setHorizontalHeaderLabels({tr("步骤"), tr("状态"), tr("结果")});
    m_steps->verticalHeader()->hide();
    m_steps->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_steps->horizontalHeader()->setStretchLastSection(true);
    for (int i = 0; i < CommissionSequence::StepCount; ++i)
        for (int c = 0; c < 3; ++c)
            m_steps->setItem(i, c, new QTableWidgetItem);
    layout->addWidget(m_steps, 1);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    auto *buttons = new QHBoxLayout;
    m_run = new QPushButton(tr("执行本步"), this);
    m_run->setObjectName("commissionRun");
    m_skip = new QPushButton(tr("跳过本步"), this);
    m_skip->setObjectName("commissionSkip");
    m_next = new QPushButton(tr("下一台电机"), this);
    m_next->setObjectName("commissionNext");
    m_next->setToolTip(tr("接入下一台电机后点此，从扫描重新开始；ID 自动加一"));
    auto *close = new QPushButton(tr("关闭"), this);
    buttons->addWidget(m_run);
    buttons->addWidget(m_skip);
    buttons->addWidget(m_next);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(m_run, &QPushButton::clicked, this, &CommissionDialog::runStep);
    connect(m_skip, &QPushButton::clicked, this, &CommissionDialog::skipStep);
    connect(m_next, &QPushButton::clicked, this, &CommissionDialog::nextMotor);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = DialogService::getOpenFileName(this, tr("选择文本文件"), QDir::homePath(), tr("文本文件 (*.txt)"));
        if (!path.isEmpty())
            m_file->setText(path);
    });
    resize(720, 520);
    show_();
}

bool CommissionDialog::takeIds()
{
    if (m_idsTaken)
        return true;
    unsigned ids[2] = {0, 0};
    QLineEdit *edits[2] = {m_canid, m_masterid};
    for (int i = 0; i < 2; ++i) {
        if (!parseHexId(edits[i]->text(), &ids[i]) || ids[i] > kMaxAssignableId) {
            DialogService::warning(this, tr("提示"), tr("起始 ID 须为 00~FF 的十六进制数: %1").arg(edits[i]->text()));
            return false;
        }
    }
    m_seq.setStartIds(ids[0], ids[1]);
    m_idsTaken = true;
    m_canid->setEnabled(false);
    m_masterid->setEnabled(false);
    return true;
}

void CommissionDialog::runStep()
{
    if (!m_seq.canRun() || !takeIds())
        return;
    setEnabled(false);
    CommissionBench::Result r;
    switch (m_seq.current()) {
    case CommissionSequence::Step::Scan: r = m_bench.scanNewMotor(); break;
    case CommissionSequence::Step::SetId: r = m_bench.assignIds(m_seq.canid(), m_seq.masterid()); break;
    case CommissionSequence::Step::WriteParameters:
        r = m_file->text().isEmpty() ? CommissionBench::Result{false, tr("未选择参数文件")}
                                     : m_bench.writeParameterFile(m_file->text());
        break;
    case CommissionSequence::Step::Save: r = m_bench.saveParameters(); break;
    case CommissionSequence::Step::Calibrate: r = m_bench.calibrate(); break;
    case CommissionSequence::Step::Quality: r = m_bench.qualityAnalysis(); break;
    case CommissionSequence::Step::Report: r = m_bench.writeReport(m_folder->text(), m_note->text()); break;
    }
    setEnabled(true);
    if (r.ok)
        m_seq.succeed(r.text);
    else
        m_seq.fail(r.text);
    show_();
}

void CommissionDialog::skipStep()
{
    m_seq.skip();
    show_();
}

void CommissionDialog::nextMotor()
{
    if (!takeIds())
        return;
    m_seq.nextMotor();
    show_();
}

void CommissionDialog::show_()
{
    for (int i = 0; i < CommissionSequence::StepCount; ++i) {
        const auto step = CommissionSequence::Step(i);
        const CommissionSequence::Status st = m_seq.status(step);
        QString state;
        QColor colour = Qt::black;
        switch (st) {
        case CommissionSequence::Status::Pending: state = i == int(m_seq.current()) && m_seq.canRun() ? tr("下一步") : QString(); break;
        case CommissionSequence::Status::Done: state = tr("完成"); colour = Qt::darkGreen; break;
        case CommissionSequence::Status::Skipped: state = tr("已跳过"); colour = Qt::gray; break;
        case CommissionSequence::Status::Failed: state = tr("失败"); colour = Qt::darkRed; break;
        }
        m_steps->item(i, 0)->setText(CommissionSequence::stepName(step));
        m_steps->item(i, 1)->setText(state);
        m_steps->item(i, 1)->setForeground(colour);
        m_steps->item(i, 2)->setText(m_seq.result(step));
        m_steps->item(i, 2)->setToolTip(m_seq.result(step));
    }
    m_steps->resizeColumnToContents(0);
    const QString ids = QStringLiteral("0x%1 / 0x%2").arg(m_seq.canid(), 2, 16, QLatin1Char('0')).arg(m_seq.masterid(), 2, 16, QLatin1Char('0'));
    if (m_seq.stopped())
        m_status->setText(tr("已停止：%1").arg(m_seq.result(m_seq.current())));
    else if (m_seq.finished())
        m_status->setText(tr("本台电机完成。接入下一台电机后点“下一台电机”。"));
    else
        m_status->setText(tr("当前电机将设为 CAN ID / 主机ID %1").arg(ids));
    m_run->setEnabled(m_seq.canRun());
    m_skip->setEnabled(m_seq.canRun());
}
