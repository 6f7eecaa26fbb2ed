#pragma once

#include <QByteArray>

#include <cstdint>

struct CanBusFrame;
struct CanTxOptions;

// One frame with its repetition and counting settings for the USB FDCAN adapter. Held
// as plain fields; toBytes() lays it out as the adapter expects it on the bulk OUT
// endpoint (88 bytes, packed, little-endian):
//
//   0  ID step          1  0              2  flags            3  0
//   4  data length      5..7  0           8  sends (int32, -1 = until stopped)
//  12  stop ID         16  interval ms   20  frame ID (29 bits)
//  24  64 data bytes, zero beyond the data length
struct can_tx_type
{
    static constexpr int Size = 88;
    static constexpr int MaxData = 64;
    // The ID step travels in one byte (byte 1 is reserved by the adapter).
    static constexpr quint16 MaxIdStep = 255;

    enum Flag : uint8_t {
        FlagCanFd = 0x01,
        FlagDataFrame = 0x02,   // clear for a remote frame
        FlagExtendedId = 0x04,
        FlagBitRateSwitch = 0x08,
        FlagIdAcc = 0x10,
        FlagDataAcc = 0x20,
        FlagExtra = 0x40,
    };

    uint8_t idStep = 0;
    uint8_t flags = 0;
    uint8_t dataLength = 0;
    int32_t sendTimes = 0;
    uint32_t stopId = 0;
    uint32_t interval = 0;
    uint32_t frameId = 0;
    uint8_t data[MaxData] = {};

    QByteArray toBytes() const;
    // Reads an 88-byte record back (the simulated adapter needs it). Returns false and
    // leaves `out` untouched when the input has the wrong size.
    static bool fromBytes(const QByteArray &bytes, can_tx_type &out);
};

// Zero-fills `record` and fills it. At most 64 data bytes are copied and the length
// field never claims more than were copied; the frame ID is masked to 29 bits.
void fillTxRecord(can_tx_type &record, const QByteArray &data, uint8_t flags, uint32_t frameId, int32_t sendTimes,
                  uint32_t interval, uint16_t idStep, uint32_t stopId);

// False when the record cannot carry the options whole: an ID increment whose step is
// above MaxIdStep would reach the adapter cut to its low byte (300 as 44, 256 as 0).
bool txRecordCarries(const CanTxOptions &options);

// The record of a link-layer frame: the frame's kind gives the flags (the bit-rate switch
// only with CAN FD), the options the repetition and counting.
can_tx_type txRecordOf(const CanBusFrame &frame, const CanTxOptions &options);
