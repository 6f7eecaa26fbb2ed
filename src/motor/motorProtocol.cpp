#include "motor/motorProtocol.h"

#include "link/serial/protocolFormat.h"
#include "motor/escInf.h"
#include "motor/motorIds.h"
#include "motor/paramRegisters.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

bool isMotorCommandId(uint32_t frameId, uint32_t canid)
{
    for (int mode = 0; mode < 4; ++mode)
        if (frameId == canidConvention(canid, mode))
            return true;
    return false;
}

QString trMain(const char *text) { return QCoreApplication::translate("MainWindow", text); }

void appendFloatLE(QByteArray &out, float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    for (int i = 0; i < 4; ++i)
        out.append(char((u >> (8 * i)) & 0xFF));
}

void appendU16LE(QByteArray &out, uint16_t v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

// PVT velocity x 100 and current x 10000 as 16-bit codes, clamped like the MIT fields:
// a negative or huge product would otherwise wrap to a large speed or current limit.
// NaN counts as 0.
uint16_t pvtCode(float product, float top)
{
    if (!(product > 0.0f))
        return 0;
    return uint16_t(std::min(product, top));
}

} // namespace

int float_to_uint(float x, float x_min, float x_max, int bits)
{
    if (bits < 1 || bits > 24)
        return 0;
    if (std::isnan(x))
        x = 0.0f;
    const float span = x_max - x_min;
    const float offset = x_min;
    if (x < x_min)
        x = x_min;
    else
        x = std::min(x, x_max);
    const float top = float((1 << bits) - 1);
    const float code = (top * (x - offset)) / span;
    if (!(code >= 0.0f)) // NaN from an empty or infinite range, or a reversed one
        return 0;
    if (code > top)
        return int(top);
    return int(code);
}

float uint_to_float(uint16_t u, float x_min, float x_max, int bits)
{
    const float span = x_max - x_min;
    const uint16_t top = uint16_t((1u << unsigned(qBound(0, bits, 16))) - 1u);
    if (top == 0)
        return x_min;
    return float(u) * span / float(top) + x_min;
}

MappingRange MappingRange::symmetric(float max) { return MappingRange{-max, max}; }

bool MappingRange::usable() const { return std::isfinite(min) && std::isfinite(max) && min < max; }

QString unusableMitRange(const MappingRanges &r, MappingRange *range)
{
    const struct {
        const MappingRange &range;
        const char *name;
    } checks[] = {
        {r.position, QT_TRANSLATE_NOOP("MainWindow", "位置")}, {r.velocity, QT_TRANSLATE_NOOP("MainWindow", "速度")},
        {r.kp, "Kp"}, {r.kd, "Kd"}, {r.torque, QT_TRANSLATE_NOOP("MainWindow", "扭矩")},
    };
    for (const auto &c : checks) {
        if (!c.range.usable()) {
            if (range)
                *range = c.range;
            return trMain(c.name);
        }
    }
    return QString();
}

bool isValidMotorCanId(qint64 id) { return id >= 0 && id <= qint64(MaxMotorCanId); }

bool parseMotorCanId(const QString &text, int base, uint32_t &id)
{
    QString t = text.trimmed();
    if (base == 16 && t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        t = t.mid(2);
    // Digits only: toUInt alone would take a sign or surrounding blanks.
    if (t.isEmpty() || t.size() > 8)
        return false;
    for (const QChar c : t) {
        const char a = c.toLatin1();
        const bool digit = (a >= '0' && a <= '9') || (base == 16 && ((a >= 'a' && a <= 'f') || (a >= 'A' && a <= 'F')));
        if (!digit)
            return false;
    }
    bool ok = false;
    const uint v = t.toUInt(&ok, base);
    if (!ok || !isValidMotorCanId(v))
        return false;
    id = v;
    return true;
}

bool MappingRanges::applyRegister(int rid, float value)
{
    switch (rid) {
    case 21:
        position = MappingRange::symmetric(value);
        return true;
    case 22:
        velocity = MappingRange::symmetric(value);
        return true;
    case 23:
        torque = MappingRange::symmetric(value);
        return true;
    default:
        return false;
    }
}

void MappingRanges::applyRecord(const ESC_INF &r)
{
    position = MappingRange::symmetric(r.PMAX);
    velocity = MappingRange::symmetric(r.VMAX);
    torque = MappingRange::symmetric(r.TMAX);
}

MappingRanges SharedMappingRanges::get() const
{
    QMutexLocker lock(&mutex);
    return ranges;
}

void SharedMappingRanges::set(const MappingRanges &r)
{
    QMutexLocker lock(&mutex);
    ranges = r;
}

bool SharedMappingRanges::applyRegister(int rid, float value)
{
    QMutexLocker lock(&mutex);
    return ranges.applyRegister(rid, value);
}

void SharedMappingRanges::applyRecord(const ESC_INF &record)
{
    QMutexLocker lock(&mutex);
    ranges.applyRecord(record);
}

float rpmToRads(float rpm) { return float(double(rpm) * 3.1415926 / 30); }

ControlSetPoints ControlSetPoints::fromEdits(const std::function<QString(const QString &)> &text)
{
    auto f = [&](const char *name) { return text ? text(QString::fromLatin1(name)).toFloat() : 0.0f; };
    ControlSetPoints sp;
    sp.position = f("POSEdit");
    sp.velocity = f("VELEdit");
    sp.kp = f("KPEdit");
    sp.kd = f("KDEdit");
    sp.torque = f("TOREdit");
    sp.posPosition = f("POSEdit_POS");
    sp.posVelocity = f("VELEdit_POS");
    sp.velVelocity = f("VELEdit_VEL");
    sp.pvtPosition = f("POSEdit_PVT");
    sp.pvtVelocity = f("VELEdit_PVT");
    sp.pvtCurrent = f("IEdit");
    return sp;
}

QByteArray canDataConvention(int mode, const ControlSetPoints &sp, bool rpm, const MappingRanges &r)
{
    auto vel = [rpm](float v) { return rpm ? rpmToRads(v) : v; };
    QByteArray out;
    out.reserve(8); // one allocation per command: runs send a thousand a second
    switch (mode) {
    case MITMode: {
        const int p = float_to_uint(sp.position, r.position.min, r.position.max, 16);
        const int v = float_to_uint(vel(sp.velocity), r.velocity.min, r.velocity.max, 12);
        const int kp = float_to_uint(sp.kp, r.kp.min, r.kp.max, 12);
        const int kd = float_to_uint(sp.kd, r.kd.min, r.kd.max, 12);
        const int t = float_to_uint(sp.torque, r.torque.min, r.torque.max, 12);
        out.resize(8);
        out[0] = char(p >> 8);
        out[1] = char(p & 0xFF);
        out[2] = char(v >> 4);
        out[3] = char(((v & 0xF) << 4) | (kp >> 8));
        out[4] = char(kp & 0xFF);
        out[5] = char(kd >> 4);
        out[6] = char(((kd & 0xF) << 4) | (t >> 8));
        out[7] = char(t & 0xFF);
        return out;
    }
    case PosVelMode:
        appendFloatLE(out, sp.posPosition);
        appendFloatLE(out, vel(sp.posVelocity));
        return out;
    case VelMode:
        appendFloatLE(out, vel(sp.velVelocity));
        return out;
    case PVTMode:
        appendFloatLE(out, sp.pvtPosition);
        appendU16LE(out, pvtCode(vel(sp.pvtVelocity) * 100.0f, 65535.0f));
        appendU16LE(out, pvtCode(sp.pvtCurrent * 10000.0f, r.current.max * 10000.0f));
        return out;
    default:
        return QByteArray(8, '\0');
    }
}

QString payloadText(const QByteArray &payload) { return QString::fromLatin1(payload.toHex(' ').toUpper()); }

int sendIntervalValue(const QString &text)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    return ok && v > 0 ? v : 1;
}

QByteArray specialFrame(MotorCommand command)
{
    QByteArray f(8, char(0xFF));
    switch (command) {
    case MotorCommand::Enable:
        f[7] = char(0xFC);
        break;
    case MotorCommand::Disable:
        f[7] = char(0xFD);
        break;
    case MotorCommand::SaveZero:
        f[7] = char(0xFE);
        break;
    case MotorCommand::ClearError:
        f[7] = char(0xFB);
        break;
    }
    return f;
}

QByteArray consoleCommand(MotorCommand command)
{
    switch (command) {
    case MotorCommand::Enable:
        return QByteArray("m");
    case MotorCommand::Disable:
        return QByteArray(1, char(0x1B));
    case MotorCommand::SaveZero:
        return QByteArray("z");
    case MotorCommand::ClearError:
        break;
    }
    return QByteArray();
}

MotorFeedback decodeFeedback(const std::array<uint8_t, 8> &d, const MappingRanges &r)
{
    MotorFeedback fb;
    fb.state = d[0] >> 4;
    fb.idNibble = d[0] & 0xF;
    fb.position = uint_to_float(uint16_t((d[1] << 8) | d[2]), r.position.min, r.position.max, 16);
    fb.velocity = uint_to_float(uint16_t((d[3] << 4) | (d[4] >> 4)), r.velocity.min, r.velocity.max, 12);
    fb.torque = uint_to_float(uint16_t(((d[4] & 0xF) << 8) | d[5]), r.torque.min, r.torque.max, 12);
    fb.driverTemp = int8_t(d[6]);
    fb.motorTemp = int8_t(d[7]);
    return fb;
}

MotorFrame classifyMotorFrame(uint32_t frameId, const uint8_t *data, int length, uint32_t canid,
                              uint32_t masterid, const MappingRanges &ranges, ReceivePath path,
                              bool scanning)
{
    MotorFrame f;
    std::array<uint8_t, 8> &d = f.data;
    if (data && length > 0)
        std::memcpy(d.data(), data, size_t(std::min(length, 8)));
    const bool usb = path == ReceivePath::UsbAdapter;

    if (scanning) {
        if (d[2] == 0x33 && d[3] == 0x23) {
            f.kind = MotorFrameKind::ScanProbeReply;
            f.replyCanid = uint32_t(d[0]) | uint32_t(d[1]) << 8;
            f.replyMasterid = frameId;
            f.canBr = int8_t(d[4]);
        } else {
            f.kind = MotorFrameKind::ScanDropped;
        }
        return f;
    }

    // The ID replies arrive on the master ID as well, and their first byte passes the
    // feedback's ID check for a motor whose ID ends in 5 (55 …) or A (AA …). They are four
    // bytes long while feedback always carries eight, so a shorter frame is taken as an ID
    // reply first; an eight-byte AA … 55 stays feedback (over-current, state A).
    const bool idQuery = d[0] == 0x55 && d[3] == 0xAA;
    const bool idSet = d[0] == 0xAA && d[3] == 0x55;
    const bool shortFrame = length < 8;
    auto idReply = [&](MotorFrameKind kind) {
        f.kind = kind;
        f.replyCanid = d[1];
        f.replyMasterid = d[2];
    };

    // A register reply also carries the motor's ID in D0 and arrives on the master ID,
    // so it must be recognised before the feedback check would take it.
    if (d[0] == (canid & 0xFF) && d[1] == ((canid >> 8) & 0xFF)
        && (d[2] == 0x33 || d[2] == 0x55 || (usb && d[2] == 0xAA))) {
        f.kind = MotorFrameKind::RegisterReply;
    } else if (shortFrame && (idQuery || idSet)) {
        idReply(idQuery ? MotorFrameKind::IdQueryReply : MotorFrameKind::IdSetReply);
    } else if ((d[0] & 0xF) == (canid & 0xF) && frameId == masterid) {
        f.kind = MotorFrameKind::Feedback;
        f.feedback = decodeFeedback(d, ranges);
    } else if (idQuery) {
        idReply(MotorFrameKind::IdQueryReply);
    } else if (idSet) {
        idReply(MotorFrameKind::IdSetReply);
    } else if (!usb && d[0] == 0x11 && d[3] == 0xEE) {
        f.kind = MotorFrameKind::AppVersion;
        f.appVersion = QString(QChar(d[1])) + '.' + QChar(d[2]) + QStringLiteral(".x.x");
    } else if (!shortFrame && (d[0] & 0xF) == (canid & 0xF) && frameId < kMotorBroadcastId
               && !isMotorCommandId(frameId, canid)) {
        // Frames on the motor's own command IDs are another master's commands; a register
        // reply of another motor is no feedback either.
        const bool registerShaped = (d[2] == 0x33 || d[2] == 0x55 || d[2] == 0xAA) && d[3] <= RegisterFrame::LastRid
                                    && d[1] <= 4;
        // Nor is a version reply the USB road does not decode.
        const bool versionShaped = d[0] == 0x11 && d[3] == 0xEE;
        if (!registerShaped && !versionShaped)
            f.kind = MotorFrameKind::StrayFeedback;
    }
    return f;
}

MotorFrame classifyMotorFrame(uint32_t frameId, const QByteArray &data, uint32_t canid, uint32_t masterid,
                              const MappingRanges &ranges, ReceivePath path, bool scanning)
{
    return classifyMotorFrame(frameId, reinterpret_cast<const uint8_t *>(data.constData()), int(data.size()),
                              canid, masterid, ranges, path, scanning);
}

MotorFrame classifyMotorFrame(const CAN_Frame &frame, uint32_t canid, uint32_t masterid, const MappingRanges &ranges,
                              bool scanning)
{
    // Eight data bytes are carried; the length code says how many were received.
    return classifyMotorFrame(frame.id, frame.data, std::clamp(frame.dataLength(), 0, 8), canid, masterid, ranges,
                              ReceivePath::SerialAdapter, scanning);
}

void IdReplyMap::clear()
{
    QMutexLocker lock(&mutex);
    map.clear();
}

bool IdReplyMap::insert(unsigned int canid, unsigned int masterid)
{
    QMutexLocker lock(&mutex);
    map.insert(canid, masterid);
    return map.size() == 1;
}

QMap<unsigned int, unsigned int> IdReplyMap::snapshot() const
{
    QMutexLocker lock(&mutex);
    return map;
}

MotorStateDisplay motorStateDisplay(unsigned char code)
{
    static const char *const texts[] = {
        QT_TRANSLATE_NOOP("MainWindow", "电机供电超压"), QT_TRANSLATE_NOOP("MainWindow", "电机供电欠压"),
        QT_TRANSLATE_NOOP("MainWindow", "电机过流错误"), QT_TRANSLATE_NOOP("MainWindow", "驱动过温错误"),
        QT_TRANSLATE_NOOP("MainWindow", "电机过温错误"), QT_TRANSLATE_NOOP("MainWindow", "通讯丢失错误"),
        QT_TRANSLATE_NOOP("MainWindow", "电机过载错误"),
    };
    const bool ok = code < 2;
    if (code == 0)
        return {trMain(QT_TRANSLATE_NOOP("MainWindow", "电机未使能")), StateColour::DarkGreen, ok};
    if (code == 1)
        return {trMain(QT_TRANSLATE_NOOP("MainWindow", "电机已使能")), StateColour::DarkGreen, ok};
    if (code >= 8 && code <= 0xE)
        return {trMain(texts[code - 8]), StateColour::DarkRed, ok};
    return {trMain(QT_TRANSLATE_NOOP("MainWindow", "错误类型")) + QString(": 0x%1").arg(code, 2, 16, QChar('0')),
            StateColour::Black, ok};
}

QString temperatureText(int celsius) { return QString::number(celsius) + QStringLiteral(" ℃"); }

QStringList controlFormatHeaders()
{
    return {trMain(QT_TRANSLATE_NOOP("MainWindow", "控制报文")), "D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7"};
}

FrameLayoutTable controlFormatTable(int mode)
{
    FrameLayoutTable t;
    switch (mode) {
    case MITMode: {
        t.headers = QStringList{trMain(QT_TRANSLATE_NOOP("MainWindow", "控制报文")), "D0", "D1", "D2", "D3[7:4]",
                                "D3[3:0]", "D4", "D5", "D6[7:4]", "D6[3:0]", "D7"};
        const QStringList row{"ID",      "p_des[15:8]", "p_des[7:0]", "v_des[11:4]", "v_des[3:0]", "Kp[11:8]",
                              "Kp[7:0]", "Kd[11:4]",    "Kd[3:0]",    "t_ff[11:8]",  "t_ff[7:0]"};
        for (int c = 0; c < row.size(); ++c)
            t.cells.append({c, 1, row[c]});
        break;
    }
    case PosVelMode:
        t.headers = controlFormatHeaders();
        t.cells = {{0, 1, "0x100+ID"}, {1, 4, "p_des"}, {5, 4, "v_des"}};
        break;
    case VelMode:
        t.headers = QStringList{trMain(QT_TRANSLATE_NOOP("MainWindow", "控制报文")), "D0", "D1", "D2", "D3"};
        t.cells = {{0, 1, "0x200+ID"}, {1, 4, "v_des"}};
        break;
    case PVTMode:
        t.headers = controlFormatHeaders();
        t.cells = {{0, 1, "0x300+ID"}, {1, 4, "p_des"}, {5, 2, "v_des"}, {7, 2, "i_des"}};
        break;
    default:
        t.headers = controlFormatHeaders();
        break;
    }
    return t;
}

FrameLayoutTable feedbackFormatTable()
{
    FrameLayoutTable t;
    t.headers = QStringList{trMain(QT_TRANSLATE_NOOP("MainWindow", "反馈报文")),
                            "D0[7:4]", "D0[3:0]", "D1", "D2", "D3", "D4[7:4]", "D4[3:0]", "D5", "D6", "D7"};
    const QStringList row{"MST_ID",    "ERR",     "ID",     "POS[15:8]", "POS[7:0]", "VEL[11:4]",
                          "VEL[3:0]", "T[11:8]", "T[7:0]", "T_MOS",     "T_Rotor"};
    for (int c = 0; c < row.size(); ++c)
        t.cells.append({c, 1, row[c]});
    return t;
}

QString feedbackIdErrExplanation()
{
    return trMain(QT_TRANSLATE_NOOP("MainWindow",
                                    "ID 表示控制器的ID，取CAN_ID的低8位\nERR表示状态，对应状态类型为：\n0——失能；1——使能；\n"
                                    "8——超压；9——欠压；\nA——过电流；B——MOS过温；\nC——电机线圈过温；D——通讯丢失；\nE——过载；"));
}

QString feedbackValueExplanation()
{
    return trMain(QT_TRANSLATE_NOOP(
        "MainWindow",
        "POS 表示电机的位置信息，单位rad\nVEL表示电机的速度信息，单位rad/s\nT 表示电机的扭矩信息，单位N-m\n"
        "T_MOS表示驱动上MOS的平均温度，单位℃\nT_Rotor 表示电机内部线圈的平均温度，单位℃\n"
        "位置、速度和扭矩采用线性映射的关系将浮点型数据转换成有符号的定点数据，其中位置采用16位数据，速度和扭矩均使用12位。"));
}
