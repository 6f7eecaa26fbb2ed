#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

#include <cstdint>

// Byte formats spoken with the serial CAN adapter (and the framed data packet of the
// motor console). Every multi-byte integer is little-endian.

namespace SerialFrame {
constexpr int TxFrameSize = 30;      // PC -> adapter, one classic CAN frame
constexpr int RxFrameSize = 16;      // adapter -> PC, received frame or request outcome
constexpr uint8_t TxHead1 = 0x55;
constexpr uint8_t TxHead2 = 0xAA;
constexpr uint8_t RxHead = 0xAA;
constexpr uint8_t RxTail = 0x55;
constexpr uint8_t CmdCanSend = 1;    // ordinary CAN transmission
constexpr uint8_t CmdFirmware = 3;   // firmware data
constexpr int MaxClassicData = 8;
constexpr int PackageOverhead = 6;   // '#' cmd '#' lenLo lenHi ... crc
constexpr int MaxPackageData = 0xFFFF; // the length field has 16 bits
}

// Decoded 16-byte receive frame; fields mirror the frame bytes in order.
struct CAN_Frame
{
    uint8_t head = 0;
    uint8_t code = 0;     // status code
    uint8_t info = 0;     // bits 0-5 length code, bit 6 extended ID, bit 7 remote frame
    uint32_t id = 0;
    uint8_t data[8] = {};
    uint8_t tail = 0;

    int dataLength() const { return info & 0x3F; }
    bool isExtended() const { return info & 0x40; }
    bool isRemote() const { return info & 0x80; }
};
Q_DECLARE_METATYPE(CAN_Frame)

// CRC-8/MAXIM (poly 0x31 reflected, init 0, no final xor) of the first `length` bytes.
// Check value for "123456789" is 0xA1.
int CRC_8(const uint8_t *bytes, int length);
int CRC_8(const QByteArray &bytes, int length);
inline int CRC_8(const QByteArray &bytes) { return CRC_8(bytes, int(bytes.size())); }

// Whether an identifier fits its frame type: 11 bits for a standard frame, 29 bits for
// an extended one.
bool canIdFitsFrame(uint32_t id, bool extended);

// The four frame settings of a 30-byte transmit frame.
struct SerialFrameSettings
{
    uint8_t idType = 0;    // 0 standard, 1 extended
    uint8_t frameType = 0; // 0 data, 1 remote
    bool idAcc = false;
    bool dataAcc = false;
};
// Builds the 30-byte transmit frame into `frame` (resized to 30) with the ID type, frame
// type, ID increment and data increment bytes of `settings`. At most 8 data bytes are
// copied; the interval field is interval x 10. An ID that does not fit the ID type is
// refused: `frame` is left empty and the result is false (the adapter would otherwise
// send a different, cut identifier).
bool fillCANFrame(const QByteArray &data, const SerialFrameSettings &settings, QByteArray &frame,
                  uint8_t cmd, uint32_t canId, uint32_t sendTimes, uint32_t interval);

// Fields of bytes 0-15 in order. Input shorter than 16 bytes is logged and yields a
// zeroed frame (head 0, so no caller can mistake it for a real one).
CAN_Frame byteArrayToCANFrame(const QByteArray &bytes);

// Scans `buffer` from `start`: every 16-byte window 0xAA ... 0x55 counts as a receive
// frame (its start index goes to `positions`, the scan jumps past it); every other
// byte is appended to `rest`. Returns the index where the scan ended (buffer length).
// An incomplete frame at the end goes to `rest` byte by byte.
int isCANFrame(const QByteArray &buffer, int start, QList<int> &positions, QByteArray &rest);

// 5-byte request that sets the adapter's CAN bit rate; `index` is the position in
// CANBaudList. An index outside the list yields an empty array (nothing to write).
QByteArray baudSetRequest(int index);

// 4-byte request that stops the adapter's repeated transmission.
QByteArray stopSendRequest();

// Framed data packet '#' cmd '#' lenLo lenHi data CRC-8(data). Data longer than the
// 16-bit length field can describe is refused with an empty array.
QByteArray package(const QByteArray &data, uint8_t cmd);

// Motor command CAN ID of a control mode: mode 0..3 -> (id & 0x7FF) + mode * 0x100;
// any other mode returns id unchanged.
uint32_t canidConvention(uint32_t id, int mode);

// Receive-frame status code -> index 0..7 of the status texts in the order heartbeat,
// receive failed, receive succeeded, send failed, send succeeded, bit-rate failed,
// bit-rate succeeded, position command.
int canStatusTextIndex(int code);
// The status text of a code, translated in the "MainWindow" context.
QString canStatusText(int code);
