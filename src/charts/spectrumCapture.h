#pragma once

// The conversation of the quality analysis with the motor's console: "s", then after
// 20 ms the request 0x55 0x54; the answer is "T", 4096 bytes of 1024 little-endian
// floats and their CRC-32 (little-endian). While it runs the link's analysis flag keeps
// the receive pipeline away from the port and the capture reads the port itself. Every
// wait has a time-out, and every way out clears the flag, so the pipeline always comes
// back. Runs on the GUI thread, driven by a timer: no nested event loop.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

class CustomCDC;

class SpectrumCapture : public QObject
{
    Q_OBJECT
public:
    enum class State { Idle, Entering, WaitingHeader, WaitingBlock };
    enum class Outcome {
        Done,          // samples delivered
        PortClosed,    // the port closed while waiting
        NoReply,       // nothing arrived before the header time-out
        WrongHeader,   // the first byte was not "T"
        BlockTimeout,  // the block did not complete in time
        TailLength,    // more or fewer than 4 bytes after the data
        CrcMismatch,
    };
    Q_ENUM(Outcome)

    static constexpr int DefaultHeaderTimeoutMs = 3000;

    explicit SpectrumCapture(CustomCDC *link, QObject *parent = nullptr);

    // False (and nothing sent) when a capture runs already or the port is closed.
    bool start();
    bool isRunning() const { return m_state != State::Idle; }
    State state() const { return m_state; }

    // The wait for the first byte, counted from the request.
    void setHeaderTimeoutMs(int ms) { m_headerTimeoutMs = ms; }
    int headerTimeoutMs() const { return m_headerTimeoutMs; }
    // The wait for the rest of the block, counted from the "T"; 0 derives it from the
    // port's baud rate (blockTimeoutForBaud).
    void setBlockTimeoutMs(int ms) { m_blockTimeoutMs = ms; }
    int blockTimeoutMs() const;
    // One second plus twice the time the 4100 bytes take on the line.
    static int blockTimeoutForBaud(qint32 baud);

    // Checks a received block (everything after the "T") and converts its samples.
    static Outcome checkBlock(const QByteArray &block, QList<float> *samples);

signals:
    // 0..100: the request, then the share of the block that has arrived.
    void progress(int percent);
    void finished(SpectrumCapture::Outcome outcome, const QList<float> &samples);

private:
    void tick();
    void setState(State state);
    void finish(Outcome outcome, const QList<float> &samples = {});
    bool portOpen() const;

    CustomCDC *m_link;
    QTimer m_timer;
    QElapsedTimer m_clock; // since the current state began
    State m_state = State::Idle;
    int m_headerTimeoutMs = DefaultHeaderTimeoutMs;
    int m_blockTimeoutMs = 0;
    qint64 m_lastAvailable = -1;
};
