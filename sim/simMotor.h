#pragma once

// A simulated motor controller: 38 registers, four control modes driving a simple
// motor model (MIT as an impedance against a viscous load; the other modes through the
// controller's speed and position loops, whose gains are the registers: see LoopModel), a feedback frame after every command, ID management, the
// register protocol over CAN and over the serial console (128- or 148-byte record
// blocks), identification, version answers and a bootloader that takes firmware
// packets over either path. Every public method is thread-safe (one mutex per motor).

#include "simBootloader.h"
#include "simCalibration.h"
#include "simCodec.h"
#include "simConsoleExtras.h"
#include "simLoopModel.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

class SimMotor
{
public:
    enum class Layout { Short, Long };   // console record of 128 (RIDs 0..31) or 148 bytes (0..36)
    enum ControlMode { Mit = 0, PositionVelocity = 1, Velocity = 2, Pvt = 3 };
    enum StateCode : quint8 {
        StateDisabled = 0, StateEnabled = 1,
        FaultOverVoltage = 0x8, FaultUnderVoltage = 0x9, FaultOverCurrent = 0xA,
        FaultDriverOverTemp = 0xB, FaultMotorOverTemp = 0xC, FaultCommLost = 0xD, FaultOverload = 0xE,
    };
    static constexpr int RegisterCount = 38;   // RIDs 0..37
    static constexpr int RecordFields = 37;    // RIDs 0..36 form the parameter record
    static constexpr quint32 BroadcastId = 0x7FF;

    // The register numbers the model itself uses.
    enum Rid {
        RidUV = 0, RidOT = 2, RidMaxSpd = 6, RidMstId = 7, RidEscId = 8, RidTimeout = 9, RidCmode = 10,
        RidDamp = 11, RidInertia = 12, RidSwVer = 14, RidRs = 17, RidLs = 18, RidFlux = 19,
        RidGr = 20, RidPMax = 21, RidVMax = 22, RidTMax = 23, RidKpAsr = 25, RidKiAsr = 26, RidKpApr = 27,
        RidKiApr = 28, RidOV = 29, RidCanBr = 35, RidSubVer = 36, RidLoaderVer = 37,
    };

    struct SetPoint {
        float position = 0;   // MIT p_des, position-velocity / PVT target, rad
        float velocity = 0;   // rad/s (a speed limit in position-velocity and PVT)
        float kp = 0;
        float kd = 0;
        float torque = 0;     // MIT feed-forward, N-m
        float current = 0;    // PVT current limit as a fraction of TMAX
    };

    explicit SimMotor(quint32 canId = 1, quint32 masterId = 0, Layout layout = Layout::Short);
    SimMotor(const SimMotor &) = delete;
    SimMotor &operator=(const SimMotor &) = delete;

    // ---- CAN side: one frame from the bus in, the motor's answers out (on its master ID).
    QList<SimCanFrame> receiveCan(const SimCanFrame &frame);

    // ---- Serial console side: bytes in, immediate answer bytes out.
    QByteArray consoleInput(const QByteArray &bytes);
    // Bytes the console still needs to finish the block it is collecting (0 when idle).
    int consoleBytesExpected() const;
    // Answers that became due since the last call (identification, block time-outs).
    QByteArray consolePoll();
    // True while a timed console answer is pending, so the caller keeps polling.
    bool consoleHasTimers() const;
    // The quality-analysis block, the text echo and the log of received console bytes.
    SimConsoleExtras &consoleExtras() { return m_consoleExtras; }

    // ---- Registers.
    static QString registerName(int rid);          // RID 37 is "bl_ver" (no record field)
    static int registerIndex(const QString &name); // -1 for an unknown name
    static bool registerIsFloat(int rid);
    static QStringList registerNames();
    quint32 registerRaw(int rid) const;
    float registerFloat(int rid) const;
    QVariant registerValue(int rid) const;         // float or uint, invalid for a bad RID
    QVariant registerValue(const QString &name) const;
    // Sets a register as the motor's own firmware would (no writability check, but the
    // value must be valid: finite floats, positive ranges, known codes). False when refused.
    bool setRegister(int rid, const QVariant &value);
    bool setRegister(const QString &name, const QVariant &value);
    // The same, and into the flash copy as well: a motor configured before it arrives.
    bool setSavedRegister(int rid, const QVariant &value);
    quint32 savedRegisterRaw(int rid) const;       // the flash copy
    int saveCount() const;
    QByteArray recordBytes(Layout layout) const;   // the console record, little-endian
    void powerCycle();                             // reload the flash copy, disabled, zero motion

    Layout layout() const;
    void setLayout(Layout layout);
    quint32 canId() const;
    quint32 masterId() const;
    void setIds(quint32 canId, quint32 masterId);
    SimRanges ranges() const;

    // ---- Motion and state.
    int controlMode() const;
    bool isEnabled() const;
    quint8 state() const;
    SetPoint setPoint() const;
    float position() const;
    float velocity() const;
    float torque() const;
    qint8 driverTemperature() const;
    qint8 motorTemperature() const;
    SimFeedback feedback() const;
    QByteArray feedbackPayload() const;

    void setTemperatures(int driverC, int motorC);
    void setSupplyVoltage(float volts);
    // Latches a fault (8..0xE); the motor stops until a clear-error frame.
    bool injectFault(quint8 code);
    void setIdentifyDelayMs(int ms);
    // With strict mode a command for another mode than the cmode register is answered but ignored.
    void setStrictMode(bool strict);

    // The load the position-velocity, velocity and PVT loops drive, from the registers.
    LoopModel::Plant loopPlant() const;

    // Lets a test step time by hand instead of following the steady clock.
    void setManualClock(bool manual);
    void advanceClock(double seconds);

    // ---- Encoder calibration over the console (its own lock; see simCalibration.h).
    SimCalibration &calibration() const { return *m_cal; }

    // ---- Bootloader (its own lock; see simBootloader.h).
    SimBootloader &bootloader() const { return *m_boot; }
    bool inBootloader() const;
    QByteArray firmwareImage() const;   // the packets received in the last upgrade
    int firmwarePackets() const;
    // The application version (sw_ver) the controller reports once its next upgrade has
    // completed, as a new image would carry; without it the version stays.
    void setVersionAfterUpgrade(quint32 swVer);

    // ---- What the motor saw.
    QList<SimCanFrame> receivedFrames() const;   // the latest frames (bounded), oldest first
    quint64 receivedFrameCount() const;
    void clearReceivedFrames();
    quint64 commandCount() const;                // control and special frames handled

private:
    using Clock = std::chrono::steady_clock;
    enum class ConsoleState { Idle, Header, WriteBlock, CalPacket };

    Clock::time_point nowLocked() const;
    void advanceLocked(Clock::time_point now);
    void stepLocked(double h);
    LoopModel::Plant loopPlantLocked() const;
    LoopModel::Gains loopGainsLocked() const;
    void checkFaultsLocked();
    void latchFaultLocked(quint8 code);
    SimFeedback feedbackLocked() const;
    SimRanges rangesLocked() const;
    SimCanFrame replyLocked(const QByteArray &data) const;
    QByteArray recordLocked(Layout layout) const;
    float regF(int rid) const;
    bool validLocked(int rid, quint32 raw) const;
    bool setRawLocked(int rid, quint32 raw);
    void handleControlLocked(int mode, const QByteArray &d);
    void handleSpecialLocked(quint8 code);
    void handleRegisterLocked(const QByteArray &d, QList<SimCanFrame> &out);
    QByteArray consoleByteLocked(quint8 b);
    QByteArray finishWriteBlockLocked(bool timedOut);
    QByteArray versionAnswerLocked() const;
    void noteTransfersLocked();
    QByteArray identifyAnswerLocked() const;

    mutable std::mutex m_mutex;
    std::array<quint32, RegisterCount> m_regs{};
    std::array<quint32, RegisterCount> m_flash{};
    int m_saveCount = 0;
    Layout m_layout;
    std::optional<quint32> m_versionAfterUpgrade;
    int m_transfersSeen = 0;

    // motion
    int m_mode = Mit;
    quint8 m_state = StateDisabled;
    SetPoint m_sp;
    double m_pos = 0, m_vel = 0, m_torque = 0;
    double m_speedIntegral = 0, m_positionIntegral = 0;
    double m_tMos = 30, m_tRotor = 28, m_ambient = 25;
    float m_supply = 24.0f;
    bool m_strict = false;
    mutable Clock::time_point m_lastUpdate;
    Clock::time_point m_lastCommand;
    bool m_manual = false;
    Clock::time_point m_manualNow;

    // console
    ConsoleState m_cs = ConsoleState::Idle;
    QByteArray m_block;
    Clock::time_point m_blockTouched;
    int m_identifyDelayMs = 2000;
    bool m_identifyPending = false;
    Clock::time_point m_identifyDue;

    SimConsoleExtras m_consoleExtras;
    std::unique_ptr<SimCalibration> m_cal = std::make_unique<SimCalibration>();
    std::unique_ptr<SimBootloader> m_boot = std::make_unique<SimBootloader>();

    std::deque<SimCanFrame> m_seen;
    quint64 m_seenCount = 0;
    quint64 m_commands = 0;
};
