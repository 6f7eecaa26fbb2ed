#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>

struct CAN_Frame;
class ESC_INF;

// The motor's CAN dialogue: command payloads per control mode, the special command
// frames, the feedback frame and the classification of every received motor frame.
// Everything here is plain data and pure functions; the main window sends, shows and
// stores.

// Linear fixed-point mapping of MIT commands and feedback. x is clamped into
// [x_min, x_max]; the code is ((2^bits - 1) * (x - x_min)) / (x_max - x_min) in single
// precision, truncated toward zero. A NaN set-point counts as 0 (as any text that is no
// number does) and a degenerate range (empty, infinite or NaN) gives a code
// within 0..2^bits - 1 instead of an undefined conversion.
int float_to_uint(float x, float x_min, float x_max, int bits);
// u * (x_max - x_min) / (2^bits - 1) + x_min in single precision.
float uint_to_float(uint16_t u, float x_min, float x_max, int bits);

struct MappingRange
{
    float min = 0;
    float max = 0;
    // [-max, max]: the lower bound is the upper bound with its sign bit flipped.
    static MappingRange symmetric(float max);
    // Finite and min < max: only then does a code mean a value. An empty range (a PMAX of
    // 0), a reversed or a non-finite one would turn any set-point into an extreme command.
    bool usable() const;
    bool operator==(const MappingRange &o) const { return min == o.min && max == o.max; }
};

// The six ranges kept by the main window, with its start-up defaults. Position,
// velocity and torque follow the registers PMAX, VMAX and TMAX; the others never change.
struct MappingRanges
{
    MappingRange position{-12.5f, 12.5f}; // rad
    MappingRange velocity{-30.0f, 30.0f}; // rad/s
    MappingRange kp{0.0f, 500.0f};        // N/r
    MappingRange kd{0.0f, 5.0f};          // N*s/r
    MappingRange torque{-10.0f, 10.0f};   // N-m
    MappingRange current{0.0f, 1.0f};     // PVT current, fraction of full scale

    // RIDs 21 (PMAX), 22 (VMAX), 23 (TMAX) set their range to [-value, value]; returns
    // false and changes nothing for any other RID.
    bool applyRegister(int rid, float value);
    // The three ranges from a whole parameter set.
    void applyRecord(const ESC_INF &record);
};

// The ranges are read by the receive thread (feedback decoding) and changed by the GUI
// thread (parameter set shown) and the receive thread (register reply): one lock.
class SharedMappingRanges
{
public:
    MappingRanges get() const;
    void set(const MappingRanges &ranges);
    bool applyRegister(int rid, float value);
    void applyRecord(const ESC_INF &record);

private:
    mutable QMutex mutex;
    MappingRanges ranges;
};

enum ControlMode { MITMode = 0, PosVelMode = 1, VelMode = 2, PVTMode = 3 };

// The first MIT range that cannot map a command, by its translated name ("位置", "速度",
// "Kp", "Kd", "扭矩"); empty when all five can. An MIT frame built with such a range would
// command full negative position, velocity or torque, so it must not be sent.
QString unusableMitRange(const MappingRanges &ranges, MappingRange *range = nullptr);

// The highest motor CAN ID whose four command IDs (ID + 0x000 ... 0x300) stay below 0x7FF,
// the identifier of the register, ID and scan frames.
constexpr uint32_t MaxMotorCanId = 0x7FE - 0x300;
bool isValidMotorCanId(qint64 id);
// A motor CAN ID typed in or sent by the assistant: plain digits of `base` (16 also takes
// a "0x" prefix), within 0..MaxMotorCanId. False for a sign, an exponent, "NaN", a number
// beyond the range, or no number at all.
bool parseMotorCanId(const QString &text, int base, uint32_t &id);

// RPM typed in the velocity fields -> rad/s: x * 3.1415926 / 30 in double, then float.
float rpmToRads(float rpm);

// Set-points of the four control pages, as the line edits give them (toFloat: 0 for
// text that is no number). Velocities are in the unit the RPM switch says.
struct ControlSetPoints
{
    // MIT page
    float position = 0, velocity = 0, kp = 0, kd = 0, torque = 0; // POSEdit VELEdit KPEdit KDEdit TOREdit
    // position-velocity page
    float posPosition = 0, posVelocity = 0; // POSEdit_POS VELEdit_POS
    // velocity page
    float velVelocity = 0; // VELEdit_VEL
    // PVT page
    float pvtPosition = 0, pvtVelocity = 0, pvtCurrent = 0; // POSEdit_PVT VELEdit_PVT IEdit

    // Reads every field from the edit of that object name through `text` (an unknown
    // name may return an empty string, which counts as 0).
    static ControlSetPoints fromEdits(const std::function<QString(const QString &objectName)> &text);
};

// The payload of the current mode: 8 bytes, 4 in velocity mode, 8 zero bytes for an
// unknown mode. With `rpm` every velocity is converted to rad/s before packing. PVT
// velocity x 100 and current x 10000 are clamped to their fields: velocity to
// 0 ... 655.35 rad/s, current to its range 0 ... 1.
QByteArray canDataConvention(int mode, const ControlSetPoints &sp, bool rpm, const MappingRanges &ranges);

// "7F FF 7F F0 00 00 07 FF": upper-case bytes separated by single spaces.
QString payloadText(const QByteArray &payload);

// The interval field of the debug panel: the text as a positive decimal int, else 1.
int sendIntervalValue(const QString &text);

// Special command frames and their console bytes. The int values are motorMode's.
enum class MotorCommand { Enable = 0, Disable = 1, SaveZero = 2, ClearError = 3 };
// FF FF FF FF FF FF FF FC / FD / FE / FB.
QByteArray specialFrame(MotorCommand command);
// "m", 0x1B, "z"; empty for ClearError, which has no console form.
QByteArray consoleCommand(MotorCommand command);

// Decoded feedback frame.
struct MotorFeedback
{
    uint8_t state = 0;      // D0 >> 4
    uint8_t idNibble = 0;   // D0 & 0xF
    float position = 0;     // rad
    float velocity = 0;     // rad/s
    float torque = 0;       // N-m
    int8_t driverTemp = 0;  // D6, T_MOS
    int8_t motorTemp = 0;   // D7, T_Rotor
};
MotorFeedback decodeFeedback(const std::array<uint8_t, 8> &d, const MappingRanges &ranges);

// What a received frame on the motor's dialogue is, in the order of the checks.
enum class MotorFrameKind {
    Ignored,
    RegisterReply,  // D0..D1 = canid, D2 = 33/55 (and AA from the USB adapter): parseRIDFrame
    Feedback,       // D0 low nibble = canid low nibble and frame ID = master ID
    IdQueryReply,   // 55 canid masterid AA: answer to the ID query (insert into the ID-reply map)
    IdSetReply,     // AA canid masterid 55: answer to the ID assignment
    AppVersion,     // 11 c1 c2 EE (serial adapter only)
    ScanProbeReply, // while a scan runs: D2 = 33, D3 = 23 (the can_br reply to a probe)
    ScanDropped,    // while a scan runs: anything else
};

enum class ReceivePath { SerialAdapter, UsbAdapter };

struct MotorFrame
{
    MotorFrameKind kind = MotorFrameKind::Ignored;
    std::array<uint8_t, 8> data{}; // D0..D7, zero past the received length
    MotorFeedback feedback;        // Feedback
    uint32_t replyCanid = 0;       // IdQueryReply / IdSetReply: D1; ScanProbeReply: D0 | D1 << 8
    uint32_t replyMasterid = 0;    // IdQueryReply / IdSetReply: D2; ScanProbeReply: the frame's ID
    int8_t canBr = 0;              // ScanProbeReply: D4 as a signed byte
    QString appVersion;            // AppVersion: "c1.c2.x.x"; the caller logs "AppVersion:" + text
};

// The receive dispatch of parseCANReceiveFrame (serial adapter) and
// parseFDCANReceiveFrame (USB adapter, which also takes AA as a register reply and has
// no version check). While `scanning`, every frame from either adapter goes to the scan:
// probe replies are collected, the rest is dropped. The first check that matches wins.
MotorFrame classifyMotorFrame(uint32_t frameId, const uint8_t *data, int length, uint32_t canid,
                              uint32_t masterid, const MappingRanges &ranges, ReceivePath path,
                              bool scanning = false);
MotorFrame classifyMotorFrame(uint32_t frameId, const QByteArray &data, uint32_t canid, uint32_t masterid,
                              const MappingRanges &ranges, ReceivePath path, bool scanning = false);
MotorFrame classifyMotorFrame(const CAN_Frame &frame, uint32_t canid, uint32_t masterid,
                              const MappingRanges &ranges, bool scanning = false);

// The map of motors that answered the ID query (CAN ID -> master ID), written by the
// receive thread. insert() returns true when the map then holds exactly one entry,
// i.e. when this answer should set the IDs.
class IdReplyMap
{
public:
    void clear();
    bool insert(unsigned int canid, unsigned int masterid);
    QMap<unsigned int, unsigned int> snapshot() const;

private:
    mutable QMutex mutex;
    QMap<unsigned int, unsigned int> map;
};

// State code -> what motorStateLabel shows.
enum class StateColour { DarkGreen, DarkRed, Black };
struct MotorStateDisplay
{
    QString text;       // translated
    StateColour colour;
    bool ok;            // code 0 or 1: the normal state icon
};
MotorStateDisplay motorStateDisplay(unsigned char code);

// "-5 ℃"
QString temperatureText(int celsius);

// Frame-layout tables of the control panel.
struct FormatCell
{
    int column;
    int span;
    QString text;
};
struct FrameLayoutTable
{
    QStringList headers;
    QList<FormatCell> cells; // one row; columns without a cell stay empty
};
QStringList controlFormatHeaders();
FrameLayoutTable controlFormatTable(int mode);
FrameLayoutTable feedbackFormatTable();
// The two read-only explanation boxes beside the feedback table.
QString feedbackIdErrExplanation();
QString feedbackValueExplanation();
