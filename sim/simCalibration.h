#pragma once

// The calibration side of a simulated motor controller, reached through its serial
// console: the "Uc" (motor-side encoder) and "Ul" (output-shaft encoder) handshakes,
// the record streams in the long (21-byte) or short (9 / 13-byte) layout, the table
// downloads packet by packet with their replies, and the upload of a table computed
// here. The encoders carry a configurable error curve, so that a table computed by the
// tool can be checked against the error that was put in.
//
// Model of a motor-side run (P pole pairs, Q = 256·P steps of 2π/Q per direction):
// forward record i stands at reference angle (i + 1)·2π/Q, backward record Q + j at
// (Q − 1 − j)·2π/Q. The rotor trails the reference by `lag` in the sweep direction and
// ripples by `ripple`·sin(2·P·θ); the encoder reads rotor + error(rotor) + `motorZero`.
// Records carry refer = reference, real = reading modulo 2π, err = refer − real
// (within ±π) and raw = the reading in 14-bit counts.
//
// Model of an output-shaft run (step k, n = 4096·k samples): sample t stands at
// `shaftStart` + t·2π/n; the output encoder reads θ + error(θ) + `shaftZero`. Value 1
// is the motor angle, value 2 the reading − π, value 3 = θ − reading (within ±π),
// values 4 and 5 two plotted quantities (×800).
//
// Thread-safe; the console hooks are called with the motor's lock held and never call
// back into the motor.

#include <QByteArray>
#include <QList>

#include <chrono>
#include <mutex>

class SimCalibration
{
public:
    using Clock = std::chrono::steady_clock;

    struct Harmonic {
        int order = 1;          // per mechanical (or output) revolution
        double amplitude = 0;   // radians
        double phase = 0;
    };
    struct Config {
        quint32 polePairs = 7;
        bool shortRecords = false;
        QList<Harmonic> motorError{{1, 0.02, 0.3}, {2, 0.008, 1.1}};
        double motorZero = 0.25;
        double lag = 0.003;
        double measuredScale = 1.0; // the encoder reads this many times the rotor's travel
        double ripple = 0.002;
        QList<Harmonic> shaftError{{1, 0.006, 0.7}, {3, 0.002, 0.2}};
        double shaftZero = 0.9;
        double shaftStart = 2.0;
        quint16 shaftStep = 1;
        int shaftPreRecords = 48;   // 'h' records before the measured sweep
        int shortShaftRecords = 1024;
        int recordsPerSecond = 4000;
        int startDelayMs = 150;     // from the handshake reply to the first record
        int tableDelayMs = 400;     // from the last record to an uploaded table
        QByteArray shaftTrailer = QByteArrayLiteral("output encoder calibrated\r\n");
    };
    // Misbehaviour on purpose; -1 switches an item off.
    struct Faults {
        bool silentHandshake = false;   // no reply to "Uc" / "Ul"
        bool badHandshake = false;      // a motor-side reply that is no "c … U"
        int flipBitInRecord = -1;       // that stream record has one bit of byte 5 flipped
        int countAheadAt = -1;          // that motor-side record carries count + 1
        int wrongReplyAt = -1;          // that download packet is answered with the next number
        int silentReplyAt = -1;         // that download packet is not answered
        bool badUpload = false;         // the uploaded table starts with a wrong byte
        int wildSampleAt = -1;          // that stream record carries a wild value (motor side:
                                        // err 3e4 rad; output shaft: value 3 = 1.7e38)
    };

    void setConfig(const Config &config);
    Config config() const;
    void setFaults(const Faults &faults);
    Faults faults() const;

    // The encoder errors of the model (radians).
    double motorError(double rotorAngle) const;
    double shaftError(double shaftAngle) const;

    // What the downloads brought.
    QList<float> motorTable() const;      // 256 entries
    float motorOffset() const;
    int motorPackets() const;             // packets taken in the last motor-side download
    QList<quint16> shaftTable() const;    // 4096 entries
    int shaftPackets() const;
    int recordsSent() const;              // records of the current / last stream

    // ---- Console hooks.
    static bool isCommand(quint8 second); // 'c', 'l', 'd', 'M' after 'U'
    static bool takesPacket(quint8 second) { return second == 'd' || second == 'M'; }
    // After "U" and the command byte; identification is the 21-byte 'e' record.
    QByteArray command(quint8 second, const QByteArray &identification, Clock::time_point now);
    int packetBytesExpected() const;
    QByteArray packetByte(quint8 b);
    QByteArray poll(Clock::time_point now);
    bool active() const;
    void stop();

private:
    enum class Stream { None, MotorLong, MotorShort, ShaftLong, ShaftShort };
    int streamLength() const;
    QByteArray record(int index) const;
    QByteArray motorRecord(int index) const;
    QByteArray shaftRecord(char type, double theta) const;
    QByteArray uploadTable(char head) const;
    QByteArray finishPacket();

    mutable std::mutex m_mutex;
    Config m_config;
    Faults m_faults;
    Stream m_stream = Stream::None;
    QByteArray m_identification;
    Clock::time_point m_streamStart;
    int m_sent = 0;
    bool m_tablePending = false;
    char m_uploadHead = 'H';
    Clock::time_point m_tableDue;
    QByteArray m_packet;
    QList<float> m_motorTable = QList<float>(256, 0.0f);
    float m_motorOffset = 0;
    int m_motorPackets = 0;
    QList<quint16> m_shaftTable = QList<quint16>(4096, 0);
    int m_shaftPackets = 0;
};
