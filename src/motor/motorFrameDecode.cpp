#include "motor/motorFrameDecode.h"

#include "firmware/firmwareImage.h"
#include "motor/escInf.h"
#include "motor/motorIds.h"
#include "motor/paramRegisters.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

namespace {

QString trD(const char *text) { return QCoreApplication::translate("MotorFrameDecode", text); }


float floatLE(const std::array<uint8_t, 8> &d, int at)
{
    const uint32_t u = uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 | uint32_t(d[at + 2]) << 16 | uint32_t(d[at + 3]) << 24;
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

uint32_t u32LE(const std::array<uint8_t, 8> &d, int at)
{
    return uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 | uint32_t(d[at + 2]) << 16 | uint32_t(d[at + 3]) << 24;
}

bool isSpecial(const MotorLogFrame &f)
{
    if (f.length != 8 || f.d[7] < 0xFB || f.d[7] > 0xFE)
        return false;
    return std::all_of(f.d.begin(), f.d.begin() + 7, [](uint8_t b) { return b == 0xFF; });
}

// A value in fixed decimals; one that rounds to zero shows no sign ("-0.000" says
// nothing a reader needs).
QString fixed(double v, int decimals)
{
    QString t = QString::number(v, 'f', decimals);
    if (t.startsWith('-') && t.count('0') == t.size() - 2)
        t.remove(0, 1);
    return t;
}

bool isRegisterCommand(uint8_t c) { return c == RegisterFrame::Read || c == RegisterFrame::Write || c == RegisterFrame::Save; }

// The bootloader answers in words of text: printable bytes that hold one of its words.
bool isBootloaderText(const MotorLogFrame &f)
{
    if (f.length < 2)
        return false;
    QByteArray text;
    for (int i = 0; i < f.length; ++i) {
        const uint8_t c = f.d[size_t(i)];
        if (c == '\n' || c == '\r')
            continue;
        if (c < 0x20 || c > 0x7E)
            return false;
        text.append(char(c));
    }
    for (const char *word : {"Aupgrade", "OK", "complete", "ERROR", "Bootloa"})
        if (text.contains(word))
            return true;
    return false;
}

void set(MotorLogFrame &f, MotorLogFrame::Kind kind, quint8 groups)
{
    f.kind = kind;
    f.groups = groups;
}

void classifyBroadcast(MotorLogFrame &f)
{
    const auto &d = f.d;
    if (f.length == 4) {
        if (d[0] == 0x55 && d[1] == 0 && d[2] == 0 && d[3] == 0xAA) {
            set(f, MotorLogFrame::IdQuery, MotorLogFrame::Ids);
        } else if (d[0] == 0xAA && d[3] == 0x55) {
            set(f, MotorLogFrame::IdAssign, MotorLogFrame::Ids);
            f.motorId = d[1];
            f.masterId = d[2];
        } else if (d[1] == 0 && d[2] == RegisterFrame::Read && d[3] == 0x23) {
            set(f, MotorLogFrame::ScanProbe, MotorLogFrame::Ids);
            f.motorId = d[0];
            f.code = d[2];
            f.rid = d[3];
        }
        return;
    }
    if (f.length != 8)
        return;
    const quint32 named = quint32(d[0]) | quint32(d[1]) << 8;
    if (isRegisterCommand(d[2]) && d[3] <= RegisterFrame::LastRid) {
        set(f, MotorLogFrame::RegisterRequest, MotorLogFrame::Registers);
        f.motorId = named;
        f.code = d[2];
        f.rid = d[3];
    } else if (d[2] == 0x66 && std::all_of(d.begin() + 3, d.end(), [](uint8_t b) { return b == 0; })) {
        set(f, MotorLogFrame::CalibrationStart, MotorLogFrame::Commands);
        f.motorId = named;
    } else if (d[0] == 0x01 && d[1] == 0 && d[2] == 0x99 && std::all_of(d.begin() + 3, d.end(), [](uint8_t b) { return b == 0; })) {
        set(f, MotorLogFrame::IdentificationStart, MotorLogFrame::Commands);
    }
}

void classifyReceived(MotorLogFrame &f)
{
    const auto &d = f.d;
    if (isBootloaderText(f)) {
        set(f, MotorLogFrame::FirmwareReply, MotorLogFrame::Firmware);
        return;
    }
    f.masterId = f.frameId;
    if (f.length == 4) {
        if (d[0] == 0x55 && d[3] == 0xAA) {
            set(f, MotorLogFrame::IdQueryReply, MotorLogFrame::Ids);
            f.motorId = d[1];
            f.masterId = d[2];
        } else if (d[0] == 0xAA && d[3] == 0x55) {
            set(f, MotorLogFrame::IdAssignReply, MotorLogFrame::Ids);
            f.motorId = d[1];
            f.masterId = d[2];
        } else if (d[0] == 0x11 && d[3] == 0xEE) {
            set(f, MotorLogFrame::VersionReply, MotorLogFrame::Firmware);
        }
        return;
    }
    if (f.length != 8)
        return;
    if (isSpecial(f)) {
        // Another master's command, or an echo the adapter did not mark as sent.
        set(f, MotorLogFrame::Special, MotorLogFrame::Commands);
        f.mode = quint8(f.frameId >> 8);
        f.motorId = f.frameId & 0xFF;
        f.code = d[7];
        return;
    }
    if (d[1] <= (MaxMotorCanId >> 8) && isRegisterCommand(d[2]) && d[3] <= RegisterFrame::LastRid) {
        // The can_br read reply is also what a scan probe brings back.
        const bool scan = d[2] == RegisterFrame::Read && d[3] == 0x23;
        set(f, MotorLogFrame::RegisterReply, quint8(MotorLogFrame::Registers | (scan ? MotorLogFrame::Ids : 0)));
        f.motorId = quint32(d[0]) | quint32(d[1]) << 8;
        f.code = d[2];
        f.rid = d[3];
        return;
    }
    set(f, MotorLogFrame::Feedback, MotorLogFrame::FeedbackFrames);
    f.motorId = d[0] & 0xF;
}

void classifySent(MotorLogFrame &f)
{
    if (f.frameId > 0x3FF)
        return;
    const auto &d = f.d;
    f.mode = quint8(f.frameId >> 8);
    f.motorId = f.frameId & 0xFF;
    if (isSpecial(f)) {
        set(f, MotorLogFrame::Special, MotorLogFrame::Commands);
        f.code = d[7];
        return;
    }
    switch (f.mode) {
    case MITMode:
        if (f.length == 8 && d[0] == '#' && d[2] == '#')
            set(f, MotorLogFrame::FirmwarePacket, MotorLogFrame::Firmware);
        else if (f.length == 8)
            set(f, MotorLogFrame::Command, MotorLogFrame::Commands);
        else
            set(f, MotorLogFrame::FirmwareData, MotorLogFrame::Firmware);
        break;
    case PosVelMode:
    case PVTMode:
        if (f.length == 8)
            set(f, MotorLogFrame::Command, MotorLogFrame::Commands);
        break;
    case VelMode:
        if (f.length >= 4)
            set(f, MotorLogFrame::Command, MotorLogFrame::Commands);
        break;
    default: break;
    }
}

} // namespace

QString motorHexId(quint32 id) { return QStringLiteral("0x") + QStringLiteral("%1").arg(id, 2, 16, QLatin1Char('0')).toUpper(); }

QString motorNibbleText(quint32 nibble) { return QStringLiteral("0x?") + QString::number(nibble & 0xF, 16).toUpper(); }

QString motorFrameKindName(MotorLogFrame::Kind kind)
{
    static const char *const names[] = {"",
                                        "command",
                                        "special",
                                        "feedback",
                                        "register-request",
                                        "register-reply",
                                        "id-query",
                                        "id-assign",
                                        "id-query-reply",
                                        "id-assign-reply",
                                        "scan-probe",
                                        "version-reply",
                                        "calibration-start",
                                        "identification-start",
                                        "firmware-request",
                                        "firmware-packet",
                                        "firmware-data",
                                        "firmware-reply"};
    static_assert(sizeof(names) / sizeof(names[0]) == MotorLogFrame::FirmwareReply + 1, "one name per kind");
    return QString::fromLatin1(names[kind]);
}

bool MotorLogFrame::isReply() const
{
    switch (kind) {
    case Feedback:
    case RegisterReply:
    case IdQueryReply:
    case IdAssignReply:
    case VersionReply:
    case FirmwareReply: return true;
    default: return false;
    }
}

MotorLogFrame classifyLogFrame(uint32_t id, bool standardData, bool transmitted, const uint8_t *data, int length)
{
    MotorLogFrame f;
    f.frameId = id;
    if (!standardData || id > kMotorBroadcastId || length < 0 || length > 8 || (length > 0 && !data))
        return f;
    f.length = quint8(length);
    std::copy_n(data, length, f.d.begin());
    const auto &d = f.d;
    // The bootloader request names its motor in the data and goes to whatever ID the
    // transmit panel holds.
    if (length == 8 && d[0] == 0x55 && d[1] == 0x01 && d[2] == 0x02 && d[3] == 0xAA && d[6] == 0xAA && d[7] == 0xAA) {
        set(f, MotorLogFrame::FirmwareRequest, MotorLogFrame::Firmware);
        f.motorId = quint32(d[4]) | quint32(d[5]) << 8;
        return f;
    }
    if (id == kMotorBroadcastId)
        classifyBroadcast(f);
    else if (transmitted)
        classifySent(f);
    else
        classifyReceived(f);
    return f;
}

CommandValues decodeCommand(const MotorLogFrame &f, const MappingRanges &r)
{
    CommandValues v;
    const auto &d = f.d;
    switch (f.mode) {
    case MITMode:
        v.position = uint_to_float(uint16_t(d[0] << 8 | d[1]), r.position.min, r.position.max, 16);
        v.velocity = uint_to_float(uint16_t(d[2] << 4 | d[3] >> 4), r.velocity.min, r.velocity.max, 12);
        v.kp = uint_to_float(uint16_t((d[3] & 0xF) << 8 | d[4]), r.kp.min, r.kp.max, 12);
        v.kd = uint_to_float(uint16_t(d[5] << 4 | d[6] >> 4), r.kd.min, r.kd.max, 12);
        v.torque = uint_to_float(uint16_t((d[6] & 0xF) << 8 | d[7]), r.torque.min, r.torque.max, 12);
        break;
    case PosVelMode:
        v.position = floatLE(d, 0);
        v.velocity = floatLE(d, 4);
        break;
    case VelMode: v.velocity = floatLE(d, 0); break;
    case PVTMode:
        v.position = floatLE(d, 0);
        v.velocity = float(uint16_t(d[4] | d[5] << 8)) / 100.0f;
        v.current = float(uint16_t(d[6] | d[7] << 8)) / 10000.0f;
        break;
    default: break;
    }
    return v;
}

QString registerNameText(int rid)
{
    if (rid == RegisterFrame::LastRid)
        return QStringLiteral("loader_ver");
    const QString name = ESC_INF::propertyName(rid);
    return name.isEmpty() ? QStringLiteral("RID %1").arg(rid) : name;
}

QString registerRawText(int rid, uint32_t raw)
{
    if (ESC_INF::isFloatRegister(rid)) {
        float f;
        std::memcpy(&f, &raw, 4);
        return QString::number(f, 'g', 6);
    }
    switch (rid) {
    case 7:
    case 8: return motorHexId(raw);
    case 10: {
        static const char *const modes[] = {"MIT", QT_TRANSLATE_NOOP("MotorFrameDecode", "位置速度"),
                                            QT_TRANSLATE_NOOP("MotorFrameDecode", "速度"), "PVT"};
        return raw >= 1 && raw <= 4 ? QStringLiteral("%1 (%2)").arg(raw).arg(trD(modes[raw - 1])) : QString::number(raw);
    }
    case 14: return ParseVersion(raw, true);
    case 35: {
        const QString rate = canBaudText(raw);
        return rate.isEmpty() ? QString::number(raw) : QStringLiteral("%1 (%2)").arg(raw).arg(rate);
    }
    case 36: return QStringLiteral("\"%1\"").arg(ParseVersion(raw, true).remove('.'));
    case 37: return ParseVersion(raw, false);
    default: return QString::number(raw);
    }
}

QString describeMotorFrame(const MotorLogFrame &f, const MappingRanges &ranges, qint64 knownCanid, qint64 knownMasterid)
{
    const QString motor = motorHexId(f.motorId);
    const QString master = motorHexId(f.masterId);
    switch (f.kind) {
    case MotorLogFrame::None: return QString();
    case MotorLogFrame::Command: {
        const CommandValues v = decodeCommand(f, ranges);
        switch (f.mode) {
        case MITMode:
            return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "MIT → %1: p %2 rad, v %3 rad/s, Kp %4, Kd %5, τ %6 N·m"))
                .arg(motor)
                .arg(fixed(v.position, 3))
                .arg(fixed(v.velocity, 2))
                .arg(fixed(v.kp, 1))
                .arg(fixed(v.kd, 2))
                .arg(fixed(v.torque, 2));
        case PosVelMode:
            return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "位置速度 → %1: p %2 rad, v %3 rad/s")).arg(motor).arg(fixed(v.position, 3)).arg(fixed(v.velocity, 2));
        case VelMode: return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "速度 → %1: v %2 rad/s")).arg(motor).arg(fixed(v.velocity, 2));
        default:
            return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "PVT → %1: p %2 rad, v %3 rad/s, i %4"))
                .arg(motor)
                .arg(fixed(v.position, 3))
                .arg(fixed(v.velocity, 2))
                .arg(fixed(v.current, 4));
        }
    }
    case MotorLogFrame::Special: {
        static const char *const names[] = {
            QT_TRANSLATE_NOOP("MotorFrameDecode", "清除错误"), QT_TRANSLATE_NOOP("MotorFrameDecode", "使能"),
            QT_TRANSLATE_NOOP("MotorFrameDecode", "失能"), QT_TRANSLATE_NOOP("MotorFrameDecode", "保存零点")};
        return trD(names[f.code - 0xFB]) + QStringLiteral(" → ") + motor;
    }
    case MotorLogFrame::Feedback: {
        const MotorFeedback fb = decodeFeedback(f.d, ranges);
        const bool full = knownCanid >= 0 && knownMasterid == qint64(f.frameId) && (knownCanid & 0xF) == fb.idNibble;
        // Feedback carries four bits of its motor's ID: the rest is known only for the
        // motor the tool talks to.
        const QString from = full ? motorHexId(quint32(knownCanid)) : motorNibbleText(fb.idNibble);
        return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "%1 ← %2: %3 rad, %4 rad/s, %5 N·m, MOS %6 ℃, 线圈 %7 ℃, %8"))
            .arg(motorHexId(f.frameId), from)
            .arg(fixed(fb.position, 3))
            .arg(fixed(fb.velocity, 2))
            .arg(fixed(fb.torque, 2))
            .arg(fb.driverTemp)
            .arg(fb.motorTemp)
            .arg(motorStateDisplay(fb.state).text);
    }
    case MotorLogFrame::RegisterRequest: {
        const QString reg = QStringLiteral("%1 (%2)").arg(registerNameText(f.rid)).arg(f.rid);
        if (f.code == RegisterFrame::Read)
            return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "读寄存器 → %1: %2")).arg(motor, reg);
        if (f.code == RegisterFrame::Write)
            return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "写寄存器 → %1: %2 = %3")).arg(motor, reg, registerRawText(f.rid, u32LE(f.d, 4)));
        return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "保存参数到Flash → %1")).arg(motor);
    }
    case MotorLogFrame::RegisterReply: {
        const QString reg = QStringLiteral("%1 (%2)").arg(registerNameText(f.rid)).arg(f.rid);
        const QString value = registerRawText(f.rid, u32LE(f.d, 4));
        if (f.code == RegisterFrame::Read)
            return (f.rid == 0x23 ? trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "%1 ← %2: 读应答/扫描应答 %3 = %4")) : trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "%1 ← %2: 读应答 %3 = %4")))
                .arg(master, motor, reg, value);
        if (f.code == RegisterFrame::Write)
            return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "%1 ← %2: 写应答 %3 = %4")).arg(master, motor, reg, value);
        return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "%1 ← %2: 保存应答")).arg(master, motor);
    }
    case MotorLogFrame::IdQuery: return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "读ID（广播）"));
    case MotorLogFrame::IdAssign: return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "设ID（广播）: CAN ID %1, 主ID %2")).arg(motor, master);
    case MotorLogFrame::IdQueryReply:
        return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "%1 ← ID应答: CAN ID %2, 主ID %3")).arg(motorHexId(f.frameId), motor, master);
    case MotorLogFrame::IdAssignReply:
        return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "%1 ← 设ID应答: CAN ID %2, 主ID %3")).arg(motorHexId(f.frameId), motor, master);
    case MotorLogFrame::ScanProbe: return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "扫描探测 → %1 (读 can_br)")).arg(motor);
    case MotorLogFrame::VersionReply:
        return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "%1 ← 应用版本 %2")).arg(motorHexId(f.frameId), QString(QChar(f.d[1])) + '.' + QChar(f.d[2]) + ".x.x");
    case MotorLogFrame::CalibrationStart: return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "开始校准 → %1")).arg(motor);
    case MotorLogFrame::IdentificationStart: return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "开始参数辨识"));
    case MotorLogFrame::FirmwareRequest: return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "进入Bootloader请求 → %1")).arg(motor);
    case MotorLogFrame::FirmwarePacket:
        return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "固件包头 → %1: 其后还有 %2 包, 数据 %3 字节")).arg(motor).arg(f.d[1]).arg(f.d[3] | f.d[4] << 8);
    case MotorLogFrame::FirmwareData: return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "固件数据 → %1")).arg(motor);
    case MotorLogFrame::FirmwareReply: {
        QByteArray text(reinterpret_cast<const char *>(f.d.data()), f.length);
        return trD(QT_TRANSLATE_NOOP("MotorFrameDecode", "%1 ← Bootloader应答 “%2”")).arg(motorHexId(f.frameId), QString::fromLatin1(text.trimmed()));
    }
    }
    return QString();
}
