#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include "motor/motorProtocol.h"

#include <array>
#include <cstdint>

struct CAN_Frame;
struct CanBusFrame;
struct MotorLogFrame;

// What the decoded column needs beside the frame: the mapping ranges in force and the
// motor the tool talks to (-1: none).
struct CanLogDecodeContext {
    MappingRanges ranges;
    qint64 canid = -1;
    qint64 masterid = -1;
};

// One row of the CAN receive log, built from either adapter. A busy bus fills the log
// with a hundred thousand rows, so a row keeps the frame as it came (88 bytes, no heap)
// and its texts are made only when a cell is shown, exported or copied; they follow
// the language of that moment.
struct CANFrameData {
    enum Source : quint8 { SerialAdapter, UsbAdapter };
    enum Flag : quint8 {
        Extended = 0x01,
        Remote = 0x02,
        FlexibleData = 0x04,
        BitRateSwitch = 0x08,
        ErrorFrame = 0x10, // a bus error the interface reported; the ID is its error class
    };
    // The status categories of the serial adapter's status texts (canStatusTextIndex).
    enum StatusKind { Heartbeat = 0, RxFailed = 1, RxOk = 2, TxFailed = 3, TxOk = 4 };
    static constexpr int MaxData = 64;

    quint32 index = 0;   // running sequence number
    quint32 id = 0;
    // Serial adapter: local time of reception, milliseconds since midnight. USB adapter:
    // the adapter's time stamp in microseconds.
    qint64 time = 0;
    quint8 source = SerialAdapter;
    // The serial adapter's status code (0x11 received, 0x12 sent, 0x00 heartbeat ...);
    // USB frames take the code of the same meaning.
    quint8 statusCode = 0;
    quint8 flags = 0;
    quint8 dataLen = 0;  // the length the frame announces
    quint8 size = 0;     // bytes held in data (at most dataLen)
    std::array<quint8, MaxData> data{};

    bool has(Flag f) const { return (flags & f) != 0; }
    int statusKind() const; // canStatusTextIndex of the code
    QByteArray bytes() const { return QByteArray(reinterpret_cast<const char *>(data.data()), size); }

    // Cell texts of the log's columns 0-9 (translated at the time of the call). Column 9
    // says what the frame means to a motor, with the mapping ranges in force and the
    // motor the tool talks to (its feedback is then named in full).
    static constexpr int ColumnCount = 10;
    static constexpr int DecodedColumn = 9;
    using DecodeContext = CanLogDecodeContext;
    QString text(int column, const DecodeContext &context = DecodeContext()) const;
    // The frame as the motor protocol reads it; of no kind for heartbeats, the adapter's
    // other reports, remote, extended and error frames.
    MotorLogFrame motorFrame() const;
    bool transmitted() const;
    QString decodedText(const DecodeContext &context = DecodeContext()) const;
    QString timestampText() const;
    QString frameTypeText() const;   // standard / extended ID
    QString frameFormatText() const; // data / remote frame
    QString canTypeText() const;     // "CAN" or "FDCAN"
    QString statusText() const;
    QString dataLenText() const { return QString::number(dataLen); }
    QString idText() const;
    QString dataText() const;
};
Q_DECLARE_METATYPE(CANFrameData)

// A row of a 16-byte serial adapter receive frame: "CAN", the time of reception, the ID
// in lower-case hexadecimal, at most the 8 bytes the frame carries.
CANFrameData canLogRow(const CAN_Frame &frame, quint32 index, int msecsSinceMidnight);
// A row of a frame of the USB adapter's stream: its time stamp, "CAN" or "FDCAN", the ID
// in upper-case hexadecimal; echoed frames are the adapter's own transmissions.
CANFrameData canLogRow(const CanBusFrame &frame, quint32 index);
