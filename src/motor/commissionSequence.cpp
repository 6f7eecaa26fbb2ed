#include "motor/commissionSequence.h"

#include <QCoreApplication>

QString CommissionSequence::stepName(Step step)
{
    static const char *const names[StepCount] = {
        QT_TRANSLATE_NOOP("CommissionSequence", "扫描新电机"),   QT_TRANSLATE_NOOP("CommissionSequence", "设ID"),
        QT_TRANSLATE_NOOP("CommissionSequence", "写参数（先对比）"), QT_TRANSLATE_NOOP("CommissionSequence", "保存参数"),
        QT_TRANSLATE_NOOP("CommissionSequence", "校准"),         QT_TRANSLATE_NOOP("CommissionSequence", "质量分析"),
        QT_TRANSLATE_NOOP("CommissionSequence", "生成报告"),
    };
    const int i = int(step);
    return i >= 0 && i < StepCount ? QCoreApplication::translate("CommissionSequence", names[i]) : QString();
}

void CommissionSequence::setStartIds(uint32_t canid, uint32_t masterid)
{
    nextCanid = canid;
    nextMasterid = masterid;
}

void CommissionSequence::succeed(const QString &text)
{
    if (!canRun())
        return;
    states[index] = Status::Done;
    texts[index] = text;
    ++index;
}

void CommissionSequence::skip()
{
    if (!canRun())
        return;
    states[index] = Status::Skipped;
    texts[index].clear();
    ++index;
}

void CommissionSequence::fail(const QString &reason)
{
    if (!canRun())
        return;
    states[index] = Status::Failed;
    texts[index] = reason;
    failed = true;
}

void CommissionSequence::nextMotor()
{
    if (states[int(Step::SetId)] == Status::Done) {
        ++nextCanid;
        ++nextMasterid;
    }
    ++motors;
    index = 0;
    failed = false;
    for (int i = 0; i < StepCount; ++i) {
        states[i] = Status::Pending;
        texts[i].clear();
    }
}
