#include "simMotor.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

struct RegisterDef {
    const char *name;
    bool isFloat;
    double value;          // default (integers are exact in a double)
    bool canWrite;         // writable with the CAN write command
};

constexpr quint32 chars4(char a, char b, char c, char d)
{
    return quint32(quint8(a)) | quint32(quint8(b)) << 8 | quint32(quint8(c)) << 16 | quint32(quint8(d)) << 24;
}

// Defaults of a small 24 V joint motor with a 10:1 gear. The application version is
// kept as four characters, the loader version as four small numbers (lowest byte first).
const RegisterDef kRegisters[SimMotor::RegisterCount] = {
    {"UV_Value", true, 10.0, true},
    {"KT_Value", true, 0.0, true},
    {"OT_Value", true, 80.0, true},
    {"OC_Value", true, 0.98, true},
    {"ACC", true, 10.0, true},
    {"DEC", true, -10.0, true},
    {"MAX_SPD", true, 30.0, true},
    {"MST_ID", false, 0, true},
    {"ESC_ID", false, 1, false},
    {"TIMEOUT", false, 0, true},
    {"cmode", false, 1, true},
    {"Damp", true, 0.0023, true},
    {"Inertia", true, 0.000185, true},
    {"hw_ver", false, 0x00000102, false},
    {"sw_ver", false, chars4('1', '2', '0', '5'), false},
    {"SN", false, 23081501, false},
    {"POLE", false, 14, true},
    {"Rs", true, 0.315, true},
    {"Ls", true, 0.000186, true},
    {"Flux", true, 0.0058, true},
    {"Gr", true, 10.0, true},
    {"PMAX", true, 12.5, true},
    {"VMAX", true, 30.0, true},
    {"TMAX", true, 10.0, true},
    {"I_BW", true, 1000.0, true},
    {"KP_ASR", true, 1.0, true},   // N*m/(rad/s)
    {"KI_ASR", true, 10.0, true},  // N*m/rad
    {"KP_APR", true, 20.0, true},  // (rad/s)/rad
    {"KI_APR", true, 0.0, true},   // (rad/s)/(rad*s)
    {"OV_Value", true, 32.0, true},
    {"GREF", true, 1.0, true},
    {"GREF2", true, 0.0, true},
    {"V_BW", true, 100.0, true},
    {"IQ_cl", true, 1.0, true},
    {"VL_cl", true, 1.0, true},
    {"can_br", false, 4, true},
    {"sub_ver", false, chars4('B', '0', '0', '1'), false},
    {"bl_ver", false, 0x00030001, false},
};

constexpr double kBaseDamping = 0.05;      // friction and back-EMF, N*m*s/rad
constexpr double kVelocityLag = 0.05;      // s, coasting while disabled
constexpr double kThermalLag = 60.0;       // s
constexpr int kSeenLimit = 10000;
constexpr int kBlockSilenceMs = 100;       // an unfinished console block is judged after this

int layoutBytes(SimMotor::Layout l) { return l == SimMotor::Layout::Long ? 148 : 128; }

double clampd(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

} // namespace

SimMotor::SimMotor(quint32 canId, quint32 masterId, Layout layout)
    : m_layout(layout)
{
    for (int rid = 0; rid < RegisterCount; ++rid) {
        const RegisterDef &d = kRegisters[rid];
        m_regs[rid] = d.isFloat ? SimCodec::floatBits(float(d.value)) : quint32(d.value);
    }
    m_regs[RidEscId] = canId & 0x7FF;
    m_regs[RidMstId] = masterId & 0x7FF;
    m_flash = m_regs;
    m_lastUpdate = m_lastCommand = m_blockTouched = Clock::now();
    m_manualNow = m_lastUpdate;
}

// ---------------------------------------------------------------- time and model

SimMotor::Clock::time_point SimMotor::nowLocked() const
{
    return m_manual ? m_manualNow : Clock::now();
}

void SimMotor::advanceLocked(Clock::time_point now)
{
    if (now <= m_lastUpdate)
        return;
    double dt = std::chrono::duration<double>(now - m_lastUpdate).count();
    m_lastUpdate = now;

    // A watchdog (TIMEOUT, in 50 us units) stops an enabled motor that hears no commands.
    double beforeLoss = dt;
    const quint32 timeoutTicks = m_regs[RidTimeout];
    bool lose = false;
    if (m_state == StateEnabled && timeoutTicks > 0) {
        const auto deadline = m_lastCommand + std::chrono::microseconds(qint64(timeoutTicks) * 50);
        if (now > deadline) {
            lose = true;
            beforeLoss = std::max(0.0, dt - std::chrono::duration<double>(now - deadline).count());
        }
    }
    auto integrate = [this](double span) {
        if (span <= 0)
            return;
        const int n = int(clampd(std::ceil(span / 0.001), 1, 2000));
        const double h = span / n;
        for (int i = 0; i < n; ++i)
            stepLocked(h);
    };
    integrate(beforeLoss);
    if (lose) {
        latchFaultLocked(FaultCommLost);
        integrate(dt - beforeLoss);
    }

    const double a = 1.0 - std::exp(-dt / kThermalLag);
    const double t2 = m_torque * m_torque;
    m_tRotor += (m_ambient + 3.0 + 2.0 * t2 - m_tRotor) * a;
    m_tMos += (m_ambient + 5.0 + 1.2 * t2 - m_tMos) * a;
}

void SimMotor::stepLocked(double h)
{
    const double damping = std::max(0.0, double(regF(RidDamp))) + kBaseDamping;
    double vLimit = regF(RidVMax);
    const float maxSpd = regF(RidMaxSpd);
    if (maxSpd > 0 && maxSpd < vLimit)
        vLimit = maxSpd;
    const double tLimit = regF(RidTMax);

    if (m_state != StateEnabled) {
        m_vel *= std::exp(-h / kVelocityLag);
        m_pos += m_vel * h;
        m_torque = 0;
        m_speedIntegral = m_positionIntegral = 0;
        return;
    }

    if (m_mode == Mit) {
        // Impedance control against a viscous load; the implicit step keeps stiff gains stable.
        const double kp = m_sp.kp, kd = m_sp.kd;
        const double d = kd + damping;
        const double drive = kp * m_sp.position + kd * m_sp.velocity + m_sp.torque;
        const double p1 = (m_pos + h * drive / d) / (1.0 + h * kp / d);
        m_vel = clampd((p1 - m_pos) / h, -vLimit, vLimit);
        m_pos += m_vel * h;
        m_torque = clampd(kp * (m_sp.position - m_pos) + kd * (m_sp.velocity - m_vel) + m_sp.torque,
                          -tLimit, tLimit);
        return;
    }

    // Position-velocity, velocity and PVT: the controller's own loops (LoopModel).
    LoopModel::Command c;
    c.positionLoop = m_mode != Velocity;
    c.position = m_sp.position;
    c.velocity = m_mode == Velocity ? clampd(m_sp.velocity, -vLimit, vLimit) : 0.0;
    c.speedLimit = std::min(double(std::fabs(m_sp.velocity)), vLimit);
    c.torqueLimit = m_mode == Pvt ? clampd(m_sp.current, 0.0, 1.0) * tLimit : tLimit;
    const LoopModel::Plant plant = loopPlantLocked();
    const LoopModel::Gains gains = loopGainsLocked();
    LoopModel::State x{m_pos, m_vel, m_torque, m_speedIntegral, m_positionIntegral};
    for (double done = 0; done < h - 1e-12;) {
        const double dt = std::min(LoopModel::kStep, h - done);
        x = LoopModel::step(x, plant, gains, c, dt);
        done += dt;
    }
    m_pos = x.position;
    m_vel = x.velocity;
    m_torque = x.torque;
    m_speedIntegral = x.speedIntegral;
    m_positionIntegral = x.positionIntegral;
}

LoopModel::Plant SimMotor::loopPlantLocked() const
{
    // The identified motor values seen at the output shaft, where positions are counted.
    const double gear = regF(RidGr) > 0 ? double(regF(RidGr)) : 1.0;
    LoopModel::Plant p;
    p.inertia = std::max(1e-6, double(regF(RidInertia))) * gear * gear;
    p.damping = std::max(0.0, double(regF(RidDamp))) * gear * gear;
    p.torqueLag = LoopModel::kTorqueLag;
    return p;
}

LoopModel::Gains SimMotor::loopGainsLocked() const
{
    LoopModel::Gains g;
    g.speedKp = regF(RidKpAsr);
    g.speedKi = regF(RidKiAsr);
    g.positionKp = regF(RidKpApr);
    g.positionKi = regF(RidKiApr);
    return g;
}

LoopModel::Plant SimMotor::loopPlant() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return loopPlantLocked();
}

void SimMotor::latchFaultLocked(quint8 code)
{
    m_state = code;
    m_torque = 0;
}

void SimMotor::checkFaultsLocked()
{
    if (m_state >= FaultOverVoltage)
        return;
    const float ov = regF(RidOV), uv = regF(RidUV), ot = regF(RidOT);
    if (m_supply > ov)
        latchFaultLocked(FaultOverVoltage);
    else if (m_supply < uv)
        latchFaultLocked(FaultUnderVoltage);
    else if (m_tMos > ot)
        latchFaultLocked(FaultDriverOverTemp);
    else if (m_tRotor > ot)
        latchFaultLocked(FaultMotorOverTemp);
}

float SimMotor::regF(int rid) const { return SimCodec::bitsFloat(m_regs[rid]); }

SimRanges SimMotor::rangesLocked() const
{
    SimRanges r;
    r.pMax = regF(RidPMax);
    r.vMax = regF(RidVMax);
    r.tMax = regF(RidTMax);
    return r;
}

SimFeedback SimMotor::feedbackLocked() const
{
    SimFeedback fb;
    fb.state = m_state;
    fb.idNibble = quint8(m_regs[RidEscId] & 0xF);
    fb.position = float(m_pos);
    fb.velocity = float(m_vel);
    fb.torque = float(m_torque);
    fb.driverTemp = qint8(clampd(std::lround(m_tMos), -128, 127));
    fb.motorTemp = qint8(clampd(std::lround(m_tRotor), -128, 127));
    return fb;
}

SimCanFrame SimMotor::replyLocked(const QByteArray &data) const
{
    SimCanFrame f;
    f.id = m_regs[RidMstId];
    f.data = data;
    return f;
}

// ---------------------------------------------------------------- CAN side

QList<SimCanFrame> SimMotor::receiveCan(const SimCanFrame &frame)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_seen.push_back(frame);
    if (m_seen.size() > size_t(kSeenLimit))
        m_seen.pop_front();
    ++m_seenCount;

    QList<SimCanFrame> out;
    // The controller listens to standard data frames only.
    if (frame.extended || frame.remote)
        return out;
    const Clock::time_point now = nowLocked();
    advanceLocked(now);

    const QByteArray &d = frame.data;
    auto b = [&](int i) { return quint8(d.at(i)); };
    const quint32 id = frame.id & 0x7FF;
    const quint32 canId = m_regs[RidEscId];

    // The upgrade request names the motor in its data; it may arrive on any identifier.
    if (d.size() == 8 && b(0) == 0x55 && b(1) == 0x01 && b(2) == 0x02 && b(3) == 0xAA
        && b(6) == 0xAA && b(7) == 0xAA && quint32(b(4) | (b(5) << 8)) == canId) {
        m_state = StateDisabled;
        m_vel = m_torque = 0;
        for (const QByteArray &word : m_boot->enter(SimBootloader::Path::Can, now).split('\n'))
            if (!word.isEmpty())
                out.append(replyLocked(word.left(8)));
        return out;
    }

    if (m_boot->path() == SimBootloader::Path::Can) {
        if (id == (canId & 0x7FF))
            for (const QByteArray &word : m_boot->feed(d, now).split('\n'))
                if (!word.isEmpty())
                    out.append(replyLocked(word.left(8)));
        noteTransfersLocked();
        return out;
    }

    if (id == BroadcastId) {
        if (d.size() >= 4 && b(0) == 0x55 && b(1) == 0 && b(2) == 0 && b(3) == 0xAA) {
            QByteArray r(4, '\0');
            r[0] = char(0x55);
            r[1] = char(canId & 0xFF);
            r[2] = char(m_regs[RidMstId] & 0xFF);
            r[3] = char(0xAA);
            out.append(replyLocked(r));
        } else if (d.size() == 4 && b(0) == 0xAA && b(3) == 0x55) {
            m_regs[RidEscId] = m_flash[RidEscId] = b(1);
            m_regs[RidMstId] = m_flash[RidMstId] = b(2);
            QByteArray r(4, '\0');
            r[0] = char(0xAA);
            r[1] = char(b(1));
            r[2] = char(b(2));
            r[3] = char(0x55);
            out.append(replyLocked(r));
        } else if (d.size() >= 4) {
            handleRegisterLocked(d, out);
        }
        return out;
    }

    for (int mode = Mit; mode <= Pvt; ++mode) {
        if (id != ((canId & 0x7FF) + quint32(mode) * 0x100))
            continue;
        bool special = d.size() == 8 && b(7) >= 0xFB && b(7) <= 0xFE;
        for (int i = 0; special && i < 7; ++i)
            special = b(i) == 0xFF;
        if (special)
            handleSpecialLocked(b(7));
        else
            handleControlLocked(mode, d);
        m_lastCommand = now;
        ++m_commands;
        out.append(replyLocked(SimCodec::feedbackPayload(feedbackLocked(), rangesLocked())));
        break;
    }
    return out;
}

void SimMotor::handleSpecialLocked(quint8 code)
{
    switch (code) {
    case SimCodec::SpecialEnable:
        if (m_state >= FaultOverVoltage)
            return;
        checkFaultsLocked();
        if (m_state >= FaultOverVoltage)
            return;
        if (m_state != StateEnabled) {
            // Hold where it stands instead of jumping to an old set-point.
            m_sp = SetPoint();
            m_sp.position = float(m_pos);
        }
        m_state = StateEnabled;
        break;
    case SimCodec::SpecialDisable:
        if (m_state < FaultOverVoltage)
            m_state = StateDisabled;
        m_torque = 0;
        break;
    case SimCodec::SpecialSaveZero:
        m_sp.position -= float(m_pos);
        m_pos = 0;
        break;
    case SimCodec::SpecialClearError:
        if (m_state >= FaultOverVoltage)
            m_state = StateDisabled;
        break;
    default:
        break;
    }
}

void SimMotor::handleControlLocked(int mode, const QByteArray &d)
{
    if (m_strict && mode != int(m_regs[RidCmode]) - 1)
        return;
    auto b = [&](int i) { return int(quint8(d.at(i))); };
    const SimRanges r = rangesLocked();
    SetPoint sp = m_sp;
    switch (mode) {
    case Mit:
        if (d.size() < 8)
            return;
        sp.position = SimCodec::uintToFloat((b(0) << 8) | b(1), -r.pMax, r.pMax, 16);
        sp.velocity = SimCodec::uintToFloat((b(2) << 4) | (b(3) >> 4), -r.vMax, r.vMax, 12);
        sp.kp = SimCodec::uintToFloat(((b(3) & 0xF) << 8) | b(4), 0, r.kpMax, 12);
        sp.kd = SimCodec::uintToFloat((b(5) << 4) | (b(6) >> 4), 0, r.kdMax, 12);
        sp.torque = SimCodec::uintToFloat(((b(6) & 0xF) << 8) | b(7), -r.tMax, r.tMax, 12);
        break;
    case PositionVelocity:
        if (d.size() < 8)
            return;
        sp.position = SimCodec::getFloat(d, 0);
        sp.velocity = SimCodec::getFloat(d, 4);
        break;
    case Velocity:
        if (d.size() < 4)
            return;
        sp.velocity = SimCodec::getFloat(d, 0);
        break;
    case Pvt:
        if (d.size() < 8)
            return;
        sp.position = SimCodec::getFloat(d, 0);
        sp.velocity = float(b(4) | (b(5) << 8)) / 100.0f;
        sp.current = float(b(6) | (b(7) << 8)) / 10000.0f;
        break;
    default:
        return;
    }
    // A non-finite float from the bus is refused rather than poisoning the model.
    if (!std::isfinite(sp.position) || !std::isfinite(sp.velocity))
        return;
    m_sp = sp;
    m_mode = mode;
    if (m_state == StateEnabled)
        checkFaultsLocked();
}

void SimMotor::handleRegisterLocked(const QByteArray &d, QList<SimCanFrame> &out)
{
    auto b = [&](int i) { return quint8(d.at(i)); };
    const quint8 cmd = b(2);
    const quint8 rid = b(3);
    if (cmd != SimCodec::RegRead && cmd != SimCodec::RegWrite && cmd != SimCodec::RegSave)
        return;
    if (quint32(b(0) | (b(1) << 8)) != m_regs[RidEscId] || rid >= RegisterCount)
        return;
    if (cmd == SimCodec::RegWrite && d.size() >= 8 && kRegisters[rid].canWrite) {
        const quint32 raw = SimCodec::getU32(d, 4);
        if (validLocked(rid, raw))
            m_regs[rid] = raw;
    } else if (cmd == SimCodec::RegSave) {
        m_flash = m_regs;
        ++m_saveCount;
    }
    QByteArray r = d.left(4);
    r.resize(8);
    SimCodec::putU32(r, 4, m_regs[rid]);
    // The reply names the motor by the ID it had when the request came in.
    out.append(replyLocked(r));
}

bool SimMotor::validLocked(int rid, quint32 raw) const
{
    if (rid < 0 || rid >= RegisterCount)
        return false;
    if (kRegisters[rid].isFloat) {
        const float f = SimCodec::bitsFloat(raw);
        if (!std::isfinite(f))
            return false;
        if ((rid == RidPMax || rid == RidVMax || rid == RidTMax) && !(f > 0.0f))
            return false;
        return true;
    }
    switch (rid) {
    case RidCmode: return raw >= 1 && raw <= 4;
    case RidCanBr: return raw <= 9;
    case RidEscId: return raw >= 1 && raw < 0x7FF;
    case RidMstId: return raw <= 0x7FF;
    case 16: return raw >= 1 && raw <= 255; // POLE
    default: return true;
    }
}

bool SimMotor::setRawLocked(int rid, quint32 raw)
{
    if (!validLocked(rid, raw))
        return false;
    m_regs[rid] = raw;
    return true;
}

// ---------------------------------------------------------------- console side

QByteArray SimMotor::consoleInput(const QByteArray &bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_consoleExtras.record(bytes);
    const Clock::time_point now = nowLocked();
    advanceLocked(now);
    QByteArray out;
    for (int i = 0; i < bytes.size(); ++i) {
        if (m_boot->path() == SimBootloader::Path::Console) {
            int taken = 0;
            out += m_boot->feed(bytes.mid(i), now, &taken).replace("\n", "\r\n");
            noteTransfersLocked();
            if (taken > 0) {
                i += taken - 1;
                continue;
            }
        }
        out += consoleByteLocked(quint8(bytes[i]));
        m_blockTouched = now;
    }
    return out;
}

QByteArray SimMotor::recordLocked(Layout layout) const
{
    const int n = layoutBytes(layout);
    QByteArray r(n, '\0');
    for (int rid = 0; rid * 4 < n; ++rid)
        SimCodec::putU32(r, rid * 4, m_regs[rid]);
    return r;
}

QByteArray SimMotor::consoleByteLocked(quint8 c)
{
    switch (m_cs) {
    case ConsoleState::Idle:
        switch (c) {
        case 'm': handleSpecialLocked(SimCodec::SpecialEnable); break;
        case 0x1B:
            handleSpecialLocked(SimCodec::SpecialDisable);
            m_cal->stop();
            break;
        case 'z': handleSpecialLocked(SimCodec::SpecialSaveZero); break;
        case 's':
            // "s" leaves motor mode for the set-up menu and stores the registers.
            if (m_state == StateEnabled)
                m_state = StateDisabled;
            m_flash = m_regs;
            ++m_saveCount;
            break;
        case 'X':
            m_state = m_state >= FaultOverVoltage ? m_state : quint8(StateDisabled);
            return m_boot->enter(SimBootloader::Path::Console, nowLocked()).replace("\n", "\r\n");
        case 0x55:
            m_cs = ConsoleState::Header;
            m_block = QByteArray(1, char(0x55));
            break;
        default:
            // Not a command: plain text, echoed like a terminal would.
            return m_consoleExtras.echoOf(c);
        }
        return {};
    case ConsoleState::Header: {
        m_block.append(char(c));
        if (m_block.size() == 2 && c == 0x54) {
            m_cs = ConsoleState::Idle;
            return m_consoleExtras.spectrumAnswer();
        }
        if (m_block.size() == 2 && SimCalibration::isCommand(c)) {
            m_cs = SimCalibration::takesPacket(c) ? ConsoleState::CalPacket : ConsoleState::Idle;
            return m_cal->command(c, identifyAnswerLocked(), nowLocked());
        }
        if (m_block.size() < 3)
            return {};
        const quint8 k = quint8(m_block[1]);
        m_cs = ConsoleState::Idle;
        if (k == 0x67 && c == 0xAA)
            return QByteArray(1, 'g') + recordLocked(m_layout) + QByteArray(1, char(0xAA));
        if (k == 0x67 && c == 0x55) {
            m_cs = ConsoleState::WriteBlock;
            m_block.clear();
            return {};
        }
        if (k == 0x66 && c == 0xAA)
            return versionAnswerLocked();
        if (k == 0x65 && c == 0x55) {
            m_identifyPending = true;
            m_identifyDue = nowLocked() + std::chrono::milliseconds(m_identifyDelayMs);
            return {};
        }
        // Not a known block: a 0x55 among the later header bytes may start the real one.
        const QByteArray rest = m_block.mid(1);
        const qsizetype again = rest.indexOf(char(0x55));
        if (again >= 0) {
            m_block = rest.mid(again);
            m_cs = ConsoleState::Header;
        }
        return {};
    }
    case ConsoleState::WriteBlock:
        m_block.append(char(c));
        if (m_block.size() >= layoutBytes(m_layout))
            return finishWriteBlockLocked(false);
        return {};
    case ConsoleState::CalPacket: {
        const QByteArray reply = m_cal->packetByte(c);
        if (m_cal->packetBytesExpected() == 0)
            m_cs = ConsoleState::Idle;
        return reply;
    }
    }
    return {};
}

QByteArray SimMotor::finishWriteBlockLocked(bool timedOut)
{
    m_cs = ConsoleState::Idle;
    const QByteArray block = m_block;
    m_block.clear();
    const int n = int(block.size());
    // A long-layout controller also takes a complete short record that ends in silence.
    const bool complete = n == layoutBytes(m_layout)
        || (timedOut && m_layout == Layout::Long && n == layoutBytes(Layout::Short));
    static const QByteArray ok = QByteArrayLiteral("UgU");
    static const QByteArray fail = QByteArrayLiteral("UgZ");
    if (!complete)
        return fail;
    const int fields = n / 4;
    auto consoleWritable = [](int rid) {
        return rid != 13 && rid != RidSwVer && rid != 15 && rid != RidSubVer;
    };
    for (int rid = 0; rid < fields; ++rid)
        if (consoleWritable(rid) && !validLocked(rid, SimCodec::getU32(block, rid * 4)))
            return fail;
    for (int rid = 0; rid < fields; ++rid)
        if (consoleWritable(rid))
            m_regs[rid] = SimCodec::getU32(block, rid * 4);
    return ok;
}

void SimMotor::noteTransfersLocked()
{
    const int transfers = m_boot->transfers();
    if (transfers == m_transfersSeen)
        return;
    m_transfersSeen = transfers;
    if (m_versionAfterUpgrade)
        m_regs[RidSwVer] = *std::exchange(m_versionAfterUpgrade, std::nullopt);
}

void SimMotor::setVersionAfterUpgrade(quint32 swVer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_versionAfterUpgrade = swVer;
}

QByteArray SimMotor::versionAnswerLocked() const
{
    // The console shows byte 4..1 and 8..5 as numbers: send the digits so that both
    // paths (register 14 as characters, this answer as numbers) read the same.
    QByteArray r(9, '\0');
    r[0] = 'f';
    const quint32 app = m_regs[RidSwVer];
    const quint32 loader = m_regs[RidLoaderVer];
    for (int i = 0; i < 4; ++i) {
        quint8 ch = quint8(app >> (8 * i));
        if (ch >= '0' && ch <= '9')
            ch = quint8(ch - '0');
        r[4 - i] = char(ch);
        r[8 - i] = char(quint8(loader >> (8 * i)));
    }
    return r;
}

QByteArray SimMotor::identifyAnswerLocked() const
{
    QByteArray r(21, '\0');
    r[0] = 'e';
    const int rids[5] = {RidRs, RidLs, RidFlux, RidDamp, RidInertia};
    for (int i = 0; i < 5; ++i)
        SimCodec::putU32(r, 1 + 4 * i, m_regs[rids[i]]);
    return r;
}

int SimMotor::consoleBytesExpected() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_boot->path() == SimBootloader::Path::Console)
        return m_boot->bytesExpected();
    switch (m_cs) {
    case ConsoleState::Header: return 3 - int(m_block.size());
    case ConsoleState::WriteBlock: return layoutBytes(m_layout) - int(m_block.size());
    case ConsoleState::CalPacket: return m_cal->packetBytesExpected();
    default: return 0;
    }
}

QByteArray SimMotor::consolePoll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Clock::time_point now = nowLocked();
    advanceLocked(now);
    QByteArray out;
    if (m_identifyPending && now >= m_identifyDue) {
        m_identifyPending = false;
        out += identifyAnswerLocked();
    }
    out += m_cal->poll(now);
    const auto silence = now - m_blockTouched;
    if (m_cs == ConsoleState::WriteBlock && silence >= std::chrono::milliseconds(kBlockSilenceMs))
        out += finishWriteBlockLocked(true);
    else if (m_cs == ConsoleState::Header && silence >= std::chrono::milliseconds(kBlockSilenceMs))
        m_cs = ConsoleState::Idle;
    if (m_boot->path() == SimBootloader::Path::Console)
        out += m_boot->poll(now).replace("\n", "\r\n");
    return out;
}

bool SimMotor::consoleHasTimers() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_identifyPending || m_cs != ConsoleState::Idle || m_cal->active()
        || (m_boot->path() == SimBootloader::Path::Console && m_boot->packetPending());
}

// ---------------------------------------------------------------- registers

QString SimMotor::registerName(int rid)
{
    return rid >= 0 && rid < RegisterCount ? QString::fromLatin1(kRegisters[rid].name) : QString();
}

int SimMotor::registerIndex(const QString &name)
{
    for (int rid = 0; rid < RegisterCount; ++rid)
        if (name == QLatin1String(kRegisters[rid].name))
            return rid;
    return -1;
}

bool SimMotor::registerIsFloat(int rid)
{
    return rid >= 0 && rid < RegisterCount && kRegisters[rid].isFloat;
}

QStringList SimMotor::registerNames()
{
    QStringList names;
    for (int rid = 0; rid < RegisterCount; ++rid)
        names << registerName(rid);
    return names;
}

quint32 SimMotor::registerRaw(int rid) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return rid >= 0 && rid < RegisterCount ? m_regs[rid] : 0;
}

float SimMotor::registerFloat(int rid) const
{
    return SimCodec::bitsFloat(registerRaw(rid));
}

QVariant SimMotor::registerValue(int rid) const
{
    if (rid < 0 || rid >= RegisterCount)
        return {};
    const quint32 raw = registerRaw(rid);
    return registerIsFloat(rid) ? QVariant(SimCodec::bitsFloat(raw)) : QVariant(uint(raw));
}

QVariant SimMotor::registerValue(const QString &name) const { return registerValue(registerIndex(name)); }

bool SimMotor::setRegister(int rid, const QVariant &value)
{
    if (rid < 0 || rid >= RegisterCount || !value.isValid())
        return false;
    bool ok = false;
    quint32 raw;
    if (registerIsFloat(rid)) {
        const float f = value.toFloat(&ok);
        raw = SimCodec::floatBits(f);
    } else {
        raw = value.toUInt(&ok);
    }
    if (!ok)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    advanceLocked(nowLocked());
    return setRawLocked(rid, raw);
}

bool SimMotor::setRegister(const QString &name, const QVariant &value)
{
    return setRegister(registerIndex(name), value);
}

bool SimMotor::setSavedRegister(int rid, const QVariant &value)
{
    if (!setRegister(rid, value))
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_flash[rid] = m_regs[rid];
    return true;
}

quint32 SimMotor::savedRegisterRaw(int rid) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return rid >= 0 && rid < RegisterCount ? m_flash[rid] : 0;
}

int SimMotor::saveCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_saveCount;
}

QByteArray SimMotor::recordBytes(Layout layout) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return recordLocked(layout);
}

void SimMotor::powerCycle()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_regs = m_flash;
    m_state = StateDisabled;
    m_mode = Mit;
    m_sp = SetPoint();
    m_pos = m_vel = m_torque = 0;
    m_boot->leave();
    m_cs = ConsoleState::Idle;
    m_identifyPending = false;
    m_cal->stop();
    m_lastUpdate = m_lastCommand = nowLocked();
}

SimMotor::Layout SimMotor::layout() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_layout;
}

void SimMotor::setLayout(Layout layout)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_layout = layout;
}

quint32 SimMotor::canId() const { return registerRaw(RidEscId); }
quint32 SimMotor::masterId() const { return registerRaw(RidMstId); }

void SimMotor::setIds(quint32 canId, quint32 masterId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_regs[RidEscId] = m_flash[RidEscId] = canId & 0x7FF;
    m_regs[RidMstId] = m_flash[RidMstId] = masterId & 0x7FF;
}

SimRanges SimMotor::ranges() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return rangesLocked();
}

// ---------------------------------------------------------------- motion and state

#define SIM_LOCKED_NOW()                                   \
    std::lock_guard<std::mutex> lock(m_mutex);             \
    const_cast<SimMotor *>(this)->advanceLocked(nowLocked())

int SimMotor::controlMode() const { std::lock_guard<std::mutex> lock(m_mutex); return m_mode; }
bool SimMotor::isEnabled() const { SIM_LOCKED_NOW(); return m_state == StateEnabled; }
quint8 SimMotor::state() const { SIM_LOCKED_NOW(); return m_state; }
SimMotor::SetPoint SimMotor::setPoint() const { std::lock_guard<std::mutex> lock(m_mutex); return m_sp; }
float SimMotor::position() const { SIM_LOCKED_NOW(); return float(m_pos); }
float SimMotor::velocity() const { SIM_LOCKED_NOW(); return float(m_vel); }
float SimMotor::torque() const { SIM_LOCKED_NOW(); return float(m_torque); }
qint8 SimMotor::driverTemperature() const { SIM_LOCKED_NOW(); return feedbackLocked().driverTemp; }
qint8 SimMotor::motorTemperature() const { SIM_LOCKED_NOW(); return feedbackLocked().motorTemp; }
SimFeedback SimMotor::feedback() const { SIM_LOCKED_NOW(); return feedbackLocked(); }

QByteArray SimMotor::feedbackPayload() const
{
    SIM_LOCKED_NOW();
    return SimCodec::feedbackPayload(feedbackLocked(), rangesLocked());
}

#undef SIM_LOCKED_NOW

void SimMotor::setTemperatures(int driverC, int motorC)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    advanceLocked(nowLocked());
    m_tMos = driverC;
    m_tRotor = motorC;
}

void SimMotor::setSupplyVoltage(float volts)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_supply = volts;
}

bool SimMotor::injectFault(quint8 code)
{
    if (code < FaultOverVoltage || code > FaultOverload)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    advanceLocked(nowLocked());
    latchFaultLocked(code);
    return true;
}

void SimMotor::setIdentifyDelayMs(int ms)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_identifyDelayMs = std::max(0, ms);
}

void SimMotor::setStrictMode(bool strict)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strict = strict;
}

void SimMotor::setManualClock(bool manual)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (manual == m_manual)
        return;
    advanceLocked(nowLocked());
    if (manual) {
        m_manualNow = m_lastUpdate;
    } else {
        // Shift the model's time stamps onto the real clock.
        const auto shift = Clock::now() - m_manualNow;
        m_lastUpdate += shift;
        m_lastCommand += shift;
        m_blockTouched += shift;
        m_boot->shiftClock(shift);
        m_identifyDue += shift;
    }
    m_manual = manual;
}

void SimMotor::advanceClock(double seconds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_manual || !(seconds > 0))
        return;
    m_manualNow += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    advanceLocked(m_manualNow);
}

bool SimMotor::inBootloader() const { return m_boot->active(); }
QByteArray SimMotor::firmwareImage() const { return m_boot->image(); }
int SimMotor::firmwarePackets() const { return m_boot->packets(); }

QList<SimCanFrame> SimMotor::receivedFrames() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return QList<SimCanFrame>(m_seen.begin(), m_seen.end());
}

quint64 SimMotor::receivedFrameCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_seenCount;
}

void SimMotor::clearReceivedFrames()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_seen.clear();
}

quint64 SimMotor::commandCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}
