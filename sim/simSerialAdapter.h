#pragma once

// The serial adapter in front of one or more simulated motors, served on a
// pseudo-terminal: the tool opens slavePath() with QSerialPort (or any serial program)
// and talks to it as to the real USB adapter. A worker thread (poll on the master side,
// no Qt event loop) takes 30-byte transmit frames, bit-rate and stop requests, puts the
// frames on the simulated bus and answers with 16-byte receive frames: a transmit
// confirmation (0x12) per frame, each motor reply as a received frame (0x11), and a
// heartbeat (0x00) every second.
//
// Modes:
//  - Adapter: the byte stream is the adapter protocol only; other bytes are counted as garbage.
//  - Console: the pseudo-terminal is the first motor's serial console (no adapter frames,
//    no heartbeat).
//  - Auto: both at once. While the console is in the middle of a block or a firmware
//    packet its bytes go to the console. Otherwise a 0x55 followed by 0xAA 0x1E and 27
//    more bytes is an adapter frame (judged by its CRC), "55 05 ii AA 55" a bit-rate
//    request and "55 03 AA 55" a stop request; every other byte is console input (no
//    console command starts with 55 AA, 55 05 or 55 03). A 0x55 that waits more than
//    30 ms for the bytes that would decide is given to the console. Heartbeats start
//    with the first adapter frame or request seen.
//
// Misbehaviour knobs (thread-safe, any time): dropping answers, delaying them, injecting
// raw bytes, corrupting answers, splitting every outgoing write at chosen offsets,
// stopping the heartbeat, closing the port, and a streaming mode for throughput tests.
// "Answers" are the confirmations, motor replies, bit-rate answers and console answers;
// heartbeats and streamed frames are not answers (drop/delay/corrupt leave them alone).

#include "simBus.h"
#include "simCodec.h"
#include "simFlood.h"
#include "simMotor.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class SimSerialAdapter
{
public:
    enum Mode { Adapter, Console, Auto };

    struct Stats {
        quint64 framesReceived = 0;    // valid 30-byte transmit frames
        quint64 badCrc = 0;            // 30-byte frames with a wrong CRC (ignored)
        quint64 bitRateRequests = 0;
        quint64 stopRequests = 0;
        quint64 garbageBytes = 0;      // bytes that were no adapter frame (Adapter mode)
        quint64 consoleBytes = 0;      // bytes handed to the motor console
        quint64 answersSent = 0;       // answer units fully written
        quint64 answersDropped = 0;
        quint64 heartbeatsSent = 0;
        quint64 streamedFrames = 0;
        quint64 streamSlipped = 0;     // stream slots skipped because the reader fell behind
        quint64 bytesWritten = 0;
        quint64 overflowDrops = 0;     // answers refused because nobody read for too long
    };

    SimSerialAdapter();
    ~SimSerialAdapter();
    SimSerialAdapter(const SimSerialAdapter &) = delete;
    SimSerialAdapter &operator=(const SimSerialAdapter &) = delete;

    // Opens the pseudo-terminal and starts the worker. False (with a reason) on failure.
    bool start(QString *error = nullptr);
    // Stops the worker and closes the pseudo-terminal.
    void stop();
    bool isRunning() const;
    QString slavePath() const;

    void setMode(Mode mode);
    Mode mode() const;

    // The bus behind the adapter. In Console mode the console motor (index 0 unless set) answers.
    void addMotor(const std::shared_ptr<SimMotor> &motor);
    void clearMotors();
    QList<std::shared_ptr<SimMotor>> motors() const;
    std::shared_ptr<SimMotor> motor(int index = 0) const;
    // The bus itself; another simulated adapter may share it.
    std::shared_ptr<SimBus> bus() const;
    void setBus(const std::shared_ptr<SimBus> &bus);
    void setConsoleMotor(int index);

    int bitRateIndex() const;                 // last accepted bit-rate index (0 = 1000 kbit/s)
    QList<SimCanFrame> busFrames() const;     // frames the adapter put on the bus (latest, bounded)

    // ---- Misbehaviour.
    void setDropAll(bool drop);
    void setDropEveryNth(int n);              // 0 = off; n drops answers n, 2n, 3n, ...
    void setAnswerDelayMs(int ms);
    void injectBytes(const QByteArray &bytes);
    // Flips (XOR 0xFF) one byte of each of the next count answers; offset -1 = the middle byte.
    void corruptNextAnswers(int count, int byteOffset = -1);
    // Every outgoing unit (answer, heartbeat, injected bytes) is written in pieces cut at
    // these offsets, with pauseMs between the pieces. An empty list turns it off.
    void setSplitOffsets(const QList<int> &offsets, int pauseMs = 20);
    void setHeartbeatEnabled(bool enabled);
    void setHeartbeatIntervalMs(int ms);
    // Closes the master side: the tool's reads get end-of-file / EIO, as when the device
    // is unplugged. Returns once it is closed. The adapter cannot be reopened.
    void closePort();
    bool isPortOpen() const;
    // Sends receive frames (status 0x11) continuously: framesPerSecond (0 = as fast as the
    // reader takes them), data = 32-bit sequence number then its complement, little-endian.
    void startStreaming(int framesPerSecond, quint32 canId = 0x7FE);
    // The same with the flood's mix (lengths capped at 8, no FD): transmitted frames come
    // as transmit confirmations (0x12), the others as received frames.
    void startFlood(const SimFlood &flood);
    void stopStreaming();
    bool isStreaming() const;
    quint64 streamedFrames() const;

    Stats stats() const;
    void resetStats();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
