#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

struct ReceiveSteering;

// Turns the serial byte stream into actions: adapter receive frames, answers to the
// pending console request (parameter block, write acknowledgement, identification,
// version), firmware-upgrade replies and terminal text; and runs the request time-outs
// (the firmware upgrade keeps its own).
// It owns no thread: the owner calls pass() every 10 ms from its background task.
//
// A receive frame whose bytes are split between two reads is carried over to the next
// chunk. The carried tail is released as ordinary bytes when bytes arrive that cannot
// complete it, or once the reader has looked at the port a few times without finding
// more. Reads are counted, not milliseconds: while the reader's thread stalls, the rest
// of the frame waits in the port's buffer and must not be given up. Only the adapter
// sends frames, so nothing is held in console mode, and a 0xAA that is the second byte
// of a GBK character (华 is BB AA) starts no frame.
//
// While a console answer is awaited the port carries the motor's console, not the
// adapter: the answer's bytes are taken whole, never cut into adapter frames.
class ReceiveDispatcher
{
public:
    // Everything the dispatcher reports. All hooks run on the caller's thread.
    struct Events {
        std::function<void()> rxCount;                               // one received frame or text chunk
        std::function<void(const QByteArray &)> terminalBytes;       // bytes for the terminal
        std::function<void(int)> message;                            // message-table code
        std::function<void(const QByteArray &, bool)> parameterBlock; // 148 record bytes, long layout?
        std::function<void(const QByteArray &)> motorParameters;    // 20 bytes of identified parameters
        std::function<void(const QString &, const QString &)> versions; // application, bootloader
        // Console text (fromFrame false) or the data of a standard data frame received from
        // the bus, with its identifier, offered to a running firmware upgrade; true when it
        // was the bootloader's answer.
        std::function<bool(const QByteArray &, bool fromFrame, quint32 id)> upgradeReply;
        std::function<void(const QByteArray &)> canFrame;            // 16 bytes, outside upgrade mode
    };

    // Where chunks come from; the owner's chunk list, or a fake in tests.
    struct ChunkSource {
        virtual ~ChunkSource() = default;
        virtual bool take(QByteArray &chunk) = 0; // oldest chunk; false when none
        virtual bool empty() = 0;
        virtual void sleepMs(int ms) = 0;
        // How many times the reader has looked at the port so far, with or without bytes.
        // Counted after the read's chunk is queued.
        virtual quint64 reads() = 0;
    };

    ReceiveDispatcher(ReceiveSteering *steering, Events events);

    // One 10 ms pass (the caller sleeps and checks that the port is open).
    void pass(ChunkSource &source);
    // Step 7 alone: split one chunk into frames and other bytes and route them.
    void processChunk(const QByteArray &chunk);
    // Releases a carried tail as ordinary bytes.
    void flushHeldTail();

    // How many empty reads after the one that brought a carried tail give it up; 0
    // releases it at the first pass without new bytes.
    void setTailHoldReads(int reads) { tailHoldReads = reads; }

    int ticks() const { return rxTimeoutTicks; }
    QByteArray pendingAnswer() const { return answerBuffer; }
    QByteArray heldTail() const { return held; }

    static const int kRequestTimeoutPasses = 63;    // more passes than this: 0.64 s
    static const int kIdentifyTimeoutPasses = 1500; // about 15 s

private:
    void handleRest(const QByteArray &rest);
    void handleFrame(const QByteArray &frame);
    void timeOut();
    void emitTerminal(const QByteArray &bytes);

    ReceiveSteering *cdc;
    Events ev;
    int rxTimeoutTicks = 0;
    QByteArray answerBuffer;
    QByteArray held;
    quint64 heldAtRead = 0; // the newest read that may have brought the held bytes
    int tailHoldReads = 5;
    bool gbkLead = false;   // the last byte handed on was the first byte of a GBK character
};

// "4.3.2.1" from four version bytes stored lowest first.
QString versionText(const QByteArray &fourBytes);
