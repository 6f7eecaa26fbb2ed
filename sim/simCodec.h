#pragma once

// Byte-level helpers of the simulated devices: the serial adapter frames, the motor's
// fixed-point mapping and command/feedback payloads. Written from the protocol tables
// on their own, so that the tool's encoders and these can check each other.

#include <QByteArray>
#include <QtGlobal>

struct SimCanFrame {
    quint32 id = 0;
    QByteArray data;        // 0..8 bytes
    bool extended = false;  // 29-bit identifier
    bool remote = false;
};

// A decoded 16-byte adapter receive frame (adapter -> PC).
struct SimReceiveFrame {
    quint8 status = 0;
    quint8 info = 0;        // bits 0-5 length, bit 6 extended, bit 7 remote
    quint32 id = 0;
    QByteArray data;        // the meaningful bytes only (info & 0x3F, at most 8)
};

// Mapping ranges of the MIT command and the feedback frame.
struct SimRanges {
    float pMax = 12.5f;
    float vMax = 30.0f;
    float tMax = 10.0f;
    float kpMax = 500.0f;
    float kdMax = 5.0f;
};

struct SimFeedback {
    quint8 state = 0;       // D0 bits 7..4
    quint8 idNibble = 0;    // D0 bits 3..0
    float position = 0;
    float velocity = 0;
    float torque = 0;
    qint8 driverTemp = 0;   // D6
    qint8 motorTemp = 0;    // D7
};

namespace SimCodec {

// Status codes of the adapter receive frame.
enum Status : quint8 {
    StatusHeartbeat = 0x00,
    StatusRxFail = 0x01,
    StatusTxFail = 0x02,
    StatusBitRateFail = 0x03,
    StatusRxOk = 0x11,
    StatusTxOk = 0x12,
    StatusBitRateOk = 0x13,
};

constexpr int TransmitFrameSize = 30;
constexpr int ReceiveFrameSize = 16;
constexpr int BitRateCount = 14;   // 1000 ... 5 kbit/s

// CRC-8/MAXIM (poly 0x31 reflected, init 0, no final XOR); "123456789" gives 0xA1.
quint8 crc8Maxim(const char *data, int length);
inline quint8 crc8Maxim(const QByteArray &bytes) { return crc8Maxim(bytes.constData(), int(bytes.size())); }

// Linear fixed-point mapping, single precision, truncating toward zero.
int floatToUint(float x, float xMin, float xMax, int bits);
float uintToFloat(int code, float xMin, float xMax, int bits);

void putU32(QByteArray &out, int offset, quint32 v);
quint32 getU32(const QByteArray &in, int offset);
void putFloat(QByteArray &out, int offset, float v);
float getFloat(const QByteArray &in, int offset);
quint32 floatBits(float v);
float bitsFloat(quint32 v);

// PC -> adapter. command 1 is an ordinary transmission, 3 firmware data.
QByteArray transmitFrame(quint32 id, const QByteArray &data, bool extended = false,
                         bool remote = false, quint8 command = 1, quint32 count = 1,
                         quint32 intervalField = 10);
QByteArray bitRateRequest(quint8 index);
QByteArray stopRequest();
// True when the 30 bytes carry the right head, length and CRC.
bool transmitFrameValid(const QByteArray &frame);

// Adapter -> PC.
QByteArray receiveFrame(quint8 status, quint32 id, const QByteArray &data,
                        bool extended = false, bool remote = false);
// Decodes 16 bytes starting at offset; false when head/tail are wrong or bytes are missing.
bool parseReceiveFrame(const QByteArray &bytes, int offset, SimReceiveFrame *out);

// Motor command payloads (modes 0..3) and the four special frames.
QByteArray mitCommand(float p, float v, float kp, float kd, float t, const SimRanges &r = {});
QByteArray positionVelocityCommand(float p, float v);
QByteArray velocityCommand(float v);
QByteArray pvtCommand(float p, float v, float currentFraction);
enum Special : quint8 { SpecialClearError = 0xFB, SpecialEnable = 0xFC, SpecialDisable = 0xFD, SpecialSaveZero = 0xFE };
QByteArray specialCommand(Special which);
// Command identifier of a control mode: ID, 0x100+ID, 0x200+ID, 0x300+ID.
quint32 commandId(quint32 canId, int mode);

// Feedback frame (eight bytes on the master ID).
QByteArray feedbackPayload(const SimFeedback &fb, const SimRanges &r);
SimFeedback decodeFeedback(const QByteArray &data, const SimRanges &r = {});

// Register frame on 0x7FF: canid low, high, command (0x33 read, 0x55 write, 0xAA save), RID, value.
enum RegisterCommand : quint8 { RegRead = 0x33, RegWrite = 0x55, RegSave = 0xAA };
QByteArray registerFrame(quint32 canId, quint8 command, quint8 rid, quint32 value = 0);

// Firmware data packet: '#', command, '#', length (LE 16), data, CRC-8 of the data.
QByteArray firmwarePacket(const QByteArray &data, quint8 command);

} // namespace SimCodec
