#include "motor/paramRules.h"

#include "motor/paramRegisters.h"

#include <QCoreApplication>

#include <cmath>
#include <cstring>

namespace {

QString trMain(const char *text) { return QCoreApplication::translate("MainWindow", text); }

enum class Rule { Any, Finite, NotNegative, Positive, Range };

struct RegisterRule {
    Rule rule;
    qint64 lo = 0, hi = 0; // Range: integers lo … hi
};

constexpr qint64 kMaxId = 0x7FF;
constexpr uint32_t kRegisterFrameId = 0x7FF;
enum : int { UV = 0, MstId = 7, EscId = 8, Cmode = 10, Pole = 16, PMax = 21, OV = 29, CanBr = 35 };

RegisterRule ruleOf(int rid)
{
    switch (rid) {
    case 0: case 1: case 6:                      // UV_Value, KT_Value, MAX_SPD
    case 24: case 25: case 26: case 27: case 28: // I_BW, KP_ASR, KI_ASR, KP_APR, KI_APR
    case 32: case 33: case 34:                   // V_BW, IQ_cl, VL_cl
        return {Rule::NotNegative};
    case 2: case 3: case 29:                     // OT_Value, OC_Value, OV_Value
    case 21: case 22: case 23:                   // PMAX, VMAX, TMAX: the range [-x, x]
        return {Rule::Positive};
    case MstId: case EscId:
        return {Rule::Range, 0, kMaxId};
    case Cmode:
        return {Rule::Range, 1, 4};
    case CanBr:
        return {Rule::Range, 0, canBaudCount - 1};
    case 9: case 13: case 14: case 15: case Pole: case 36: // TIMEOUT, versions, SN, POLE, sub_ver
        return {Rule::Any};
    default:                                     // the other floats (ACC, DEC, GREF, …)
        return {Rule::Finite};
    }
}

float floatOf(const ESC_INF &r, int rid)
{
    const uint32_t raw = r.rawValue(rid);
    float f;
    std::memcpy(&f, &raw, 4);
    return f;
}

QString hex(uint32_t v) { return QString("0x%1").arg(v, 2, 16, QLatin1Char('0')); }

} // namespace

namespace {
struct Naming {
    const ESC_INF &record;
    const RegisterNamer &namer;
    QString name(int rid) const { return namer ? namer(rid) : ESC_INF::propertyName(rid); }
    QString value(int rid) const
    {
        return rid == MstId || rid == EscId ? hex(record.rawValue(rid)) : registerValueText(record, rid);
    }
};
} // namespace

QList<ParameterProblem> checkRegisterRanges(const ESC_INF &record, const QList<int> &rids, const RegisterNamer &namer)
{
    const Naming n{record, namer};
    auto name = [&](int rid) { return n.name(rid); };
    auto value = [&](int rid) { return n.value(rid); };
    QList<ParameterProblem> out;
    for (int rid : rids) {
        if (rid < 0 || rid >= ESC_INF::FieldCount)
            continue;
        const RegisterRule r = ruleOf(rid);
        QString text;
        if (ESC_INF::isFloatRegister(rid)) {
            const float f = floatOf(record, rid);
            if (!std::isfinite(f))
                text = trMain(QT_TRANSLATE_NOOP("MainWindow", "%1 的值 %2 不是有限的数值"));
            else if (r.rule == Rule::NotNegative && f < 0)
                text = trMain(QT_TRANSLATE_NOOP("MainWindow", "%1 的值 %2 不能为负"));
            else if (r.rule == Rule::Positive && !(f > 0))
                text = trMain(QT_TRANSLATE_NOOP("MainWindow", "%1 的值 %2 须大于 0"));
        } else if (r.rule == Rule::Range) {
            const qint64 v = record.rawValue(rid);
            if (v < r.lo || v > r.hi)
                text = trMain(QT_TRANSLATE_NOOP("MainWindow", "%1 的值 %2 超出范围 %3 … %4"))
                           .arg("%1", "%2",
                                rid == MstId || rid == EscId ? hex(uint32_t(r.lo)) : QString::number(r.lo),
                                rid == MstId || rid == EscId ? hex(uint32_t(r.hi)) : QString::number(r.hi));
        }
        if (!text.isEmpty())
            out.append({{rid}, text.arg(name(rid), value(rid))});
    }
    return out;
}

QList<ParameterProblem> checkParameters(const ESC_INF &record, const QList<int> &rids, const RegisterNamer &namer)
{
    const Naming n{record, namer};
    auto name = [&](int rid) { return n.name(rid); };
    auto value = [&](int rid) { return n.value(rid); };
    QList<ParameterProblem> out = checkRegisterRanges(record, rids, namer);

    // Relations, judged when the registers they tie are written.
    auto written = [&](int rid) { return rids.contains(rid); };
    if (written(UV) && written(OV)) {
        const float uv = floatOf(record, UV), ov = floatOf(record, OV);
        if (std::isfinite(uv) && std::isfinite(ov) && !(uv < ov))
            out.append({{UV, OV},
                        trMain(QT_TRANSLATE_NOOP("MainWindow", "%1（%2）须低于 %3（%4）"))
                            .arg(name(UV), value(UV), name(OV), value(OV))});
    }
    if (written(MstId)) {
        // The motor's feedback on one of its own command IDs would be taken for a command.
        const uint32_t master = record.MST_ID, id = record.ESC_ID & 0x7FF;
        const QList<uint32_t> taken{id, id + 0x100, id + 0x200, id + 0x300, kRegisterFrameId};
        if (taken.contains(master))
            out.append({{MstId, EscId},
                        trMain(QT_TRANSLATE_NOOP("MainWindow",
                                                 "%1（%2）不能是 %3（%4）的控制帧 ID（%5、%6、%7、%8），也不能是 0x7FF"))
                            .arg(name(MstId), value(MstId), name(EscId), value(EscId), hex(id), hex(id + 0x100),
                                 hex(id + 0x200))
                            .arg(hex(id + 0x300))});
    }
    return out;
}

QStringList parameterProblemTexts(const QList<ParameterProblem> &problems)
{
    QStringList out;
    for (const ParameterProblem &p : problems)
        out << p.text;
    return out;
}

QString readOnlyParameterReason(int rid)
{
    switch (rid) {
    case EscId:
        return trMain(QT_TRANSLATE_NOOP("MainWindow", "只读：电机的 CAN ID 只能用“设ID”修改（CAN 方式写参数不发送它）"));
    case Pole:
        return trMain(QT_TRANSLATE_NOOP("MainWindow",
                                        "只读：写参数不修改极对数（CAN 方式不发送它，串口方式原样写回读到的值）"));
    case 20:
        return trMain(QT_TRANSLATE_NOOP("MainWindow",
                                        "只读：写参数不修改减速比（CAN 方式不发送它，串口方式原样写回读到的值）"));
    case 36:
        return trMain(QT_TRANSLATE_NOOP("MainWindow", "只读：子版本号由电机固件决定"));
    default:
        return QString();
    }
}

ParameterImport importParameterText(const QString &text, ESC_INF &record, bool takeIds, const QList<int> &keep)
{
    ParameterImport out;
    ESC_INF next = record;
    const ParamFileResult applied = applyParameterText(text, next);
    out.applied = applied.applied;
    out.skipped = applied.skipped;
    if (applied.applied == 0) {
        out.error = trMain(QT_TRANSLATE_NOOP("MainWindow", "文件中没有可用的参数行，未做任何更改"));
        return out;
    }
    out.fileMasterId = next.MST_ID;
    out.fileCanId = next.ESC_ID;
    out.idsDiffer = next.MST_ID != record.MST_ID || next.ESC_ID != record.ESC_ID;
    if (!takeIds) {
        next.MST_ID = record.MST_ID;
        next.ESC_ID = record.ESC_ID;
    }
    for (int rid : keep)
        next.setRawValue(rid, record.rawValue(rid));
    for (int rid = 0; rid < ESC_INF::FieldCount; ++rid)
        out.filled += next.rawValue(rid) != record.rawValue(rid);
    record = next;
    out.ok = true;
    return out;
}
