#pragma once

// The USB FDCAN adapter at the level of its bulk endpoints, with simulated motors on its
// bus. The USB backends (the tool's simulated backend, the test-only libusb) call
// bulkOut/bulkIn/clearHalt; everything else is for tests and the --simulate demo.
//
//   0x01 OUT  heartbeat (code 0x10, 17 x 0xFF), feeds the watchdog
//   0x02 OUT  commands: 0xA5 code len payload crc16 0x5A (+1 byte); replies on 0x82
//   0x03 OUT  88-byte transmit records: the frame goes on the bus, repeated as asked
//   0x81 IN   received frames, 0x83 IN frames the adapter transmitted: stream frames
//             0xA5 x len payload crc16 0x5A, payload = 12-byte heads + data
//
// Commands: start/stop capture (frames are streamed only while capturing), bit timing
// set and read back, stop periodic sending, state text ("app sw_version: ..." or, in
// the boot state, "boot sw_version: ..."), firmware packets and end (boot state only).
// The motors answer every classic frame of up to 8 bytes the adapter puts on the bus.
// Without a heartbeat for the watchdog time, a running repetition stops.
//
// Faults on purpose: refused commands (any ack code), no reply, slow replies, replies
// for another code, corrupted reply or stream CRCs, wrong end bytes, a failing
// transfer on one endpoint, and unplugging (every transfer fails with "no device",
// and the device leaves the enumeration until plugged again). Every method is
// thread-safe.

#include "simBus.h"
#include "simCodec.h"
#include "simFlood.h"
#include "simMotor.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

struct SimUsbFrame {
    quint32 id = 0;
    QByteArray data;
    bool extended = false;
    bool remote = false;
    bool fd = false;
    bool bitRateSwitch = false;
};

class SimUsbAdapter
{
public:
    static constexpr quint16 AdapterVendorId = 0x34B7;
    static constexpr quint16 AdapterProductId = 0x6877;
    // Result codes as libusb has them.
    enum Result { Ok = 0, ErrorIo = -1, ErrorNoDevice = -4, ErrorTimeout = -7, ErrorPipe = -9, ErrorOverflow = -8 };

    struct Stats {
        quint64 commands = 0;          // well-formed command frames
        quint64 badCommands = 0;       // command transfers with a wrong frame or CRC (not answered)
        quint64 replies = 0;           // replies queued
        quint64 heartbeats = 0;
        quint64 badHeartbeats = 0;
        quint64 transmitRecords = 0;   // 88-byte records taken
        quint64 badRecords = 0;
        quint64 busFrames = 0;         // frames put on the bus (repetitions included)
        quint64 receivedQueued = 0;    // frames queued for 0x81
        quint64 receivedDelivered = 0; // frames handed out on 0x81
        quint64 echoDelivered = 0;     // frames handed out on 0x83
        quint64 streamDrops = 0;       // frames dropped because nobody read for too long
        quint64 watchdogTrips = 0;
        quint64 streamedFrames = 0;    // frames of the throughput generator
    };

    explicit SimUsbAdapter(const QString &serialNumber = QStringLiteral("SIM0001"), quint8 bus = 1, quint8 address = 2);
    ~SimUsbAdapter();
    SimUsbAdapter(const SimUsbAdapter &) = delete;
    SimUsbAdapter &operator=(const SimUsbAdapter &) = delete;

    // ---- identity
    quint8 busNumber() const;
    quint8 address() const;
    quint16 vendorId() const;
    quint16 productId() const;
    QString serialNumber() const;
    // Another kind of device (for enumeration tests).
    void setIdentity(quint16 vendorId, quint16 productId);

    // ---- plugging. A handle opened before an unplug stays dead after the replug, as on
    // a real bus; generation() tells the handles apart.
    void unplug();
    void plug();
    bool isPlugged() const;
    quint64 generation() const;

    // ---- endpoints (what the USB backends call)
    int bulkOut(quint8 endpoint, const QByteArray &bytes, int timeoutMs);
    int bulkIn(quint8 endpoint, QByteArray &out, int maxLength, int timeoutMs);
    int clearHalt(quint8 endpoint);

    // ---- the bus (another simulated adapter may share it)
    void addMotor(const std::shared_ptr<SimMotor> &motor);
    QList<std::shared_ptr<SimMotor>> motors() const;
    std::shared_ptr<SimMotor> motor(int index = 0) const;
    std::shared_ptr<SimBus> bus() const;
    void setBus(const std::shared_ptr<SimBus> &bus);
    // Frames the adapter put on the bus (latest, bounded), repetitions included.
    QList<SimUsbFrame> busFrames() const;
    // A frame from elsewhere on the bus, delivered on 0x81 while capturing.
    void injectReceivedFrame(const SimUsbFrame &frame);

    // ---- state
    bool isCapturing() const;
    bool isRepeating() const;
    // The 9-byte timing record: mode, seg1, seg2, sjw, prescaler, data seg1, seg2, sjw, prescaler.
    QByteArray timing() const;
    void setTiming(const QByteArray &record);
    void setBootMode(bool boot);
    bool inBootMode() const;
    void setVersionText(const QString &text); // the "sw_version:" part of the state reply
    // The version text the adapter reports once its next upgrade has ended complete.
    void setVersionAfterUpgrade(const QString &text);
    QByteArray firmwareImage() const;         // the packets of the last upgrade, in order
    int firmwarePackets() const;
    bool firmwareComplete() const;            // the end command came after the packets
    // The last 88-byte transmit record taken on 0x03.
    QByteArray lastTransmitRecord() const;
    // Command frames as they arrived (latest, bounded), including the byte after 0x5A.
    QList<QByteArray> commandLog() const;
    QList<quint8> commandCodes() const;
    // Time between the first and the last heartbeat of the current plug, and their count.
    double heartbeatSpanMs() const;
    int watchdogMs() const;
    void setWatchdogMs(int ms);

    // ---- faults
    void refuseCommand(quint8 code, quint8 ackCode); // 0 takes the refusal back
    void setNoReply(bool on);
    void setReplyDelayMs(int ms);
    void answerWithWrongCode(int count);       // the next replies carry another command code
    void corruptNextReplyCrc(int count);
    void breakNextReplyEnd(int count);
    void corruptNextStreamCrc(int count);      // next transfers on 0x81
    void breakNextStreamEnd(int count);        // next transfers on 0x81
    void failNextTransfers(quint8 endpoint, int result, int count);

    // ---- throughput: received frames generated at `framesPerSecond` while capturing;
    // data = 32-bit sequence number, its complement, then zeros up to dataLength.
    void startStreaming(int framesPerSecond, quint32 canId = 0x7FE, int dataLength = 8);
    // The same with the flood's mix: transmitted frames come on 0x83, received ones on 0x81.
    void startFlood(const SimFlood &flood);
    void stopStreaming();
    quint64 streamedFrames() const;

    Stats stats() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
