#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <functional>

class CustomCDC;

// Turns the serial byte stream into actions: adapter receive frames, answers to the
// pending console request (parameter block, write acknowledgement, identification,
// version), firmware-upgrade replies and terminal text; and runs the request time-outs.
// It owns no thread: the owner calls pass() every 10 ms from its background task.
//
// A receive frame whose bytes are split between two reads is carried over to the next
// chunk; a carried tail that no new bytes complete is released as ordinary bytes by the
// first pass that brings nothing new once the tail is older than the hold time (one
// reader period plus jitter), so console text is never held back for long. Nothing is
// held while a console answer is pending.
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
        std::function<void()> sendNextFrame;                         // next firmware packet
        std::function<void(bool)> upgradeLock;
        std::function<void(int)> progress;                           // firmware progress bar
        std::function<void()> upgradeStarted;                        // bootloader accepted the request
        std::function<void(const QByteArray &)> canFrame;            // 16 bytes, outside upgrade mode
    };

    // Where chunks come from; the owner's chunk list, or a fake in tests.
    struct ChunkSource {
        virtual ~ChunkSource() = default;
        virtual bool take(QByteArray &chunk) = 0; // oldest chunk; false when none
        virtual bool empty() = 0;
        virtual void sleepMs(int ms) = 0;
    };

    ReceiveDispatcher(CustomCDC *link, Events events);

    // One 10 ms pass (the caller sleeps and checks that the port is open).
    void pass(ChunkSource &source, bool usbConnected);
    // Step 7 alone: split one chunk into frames and other bytes and route them.
    void processChunk(const QByteArray &chunk);
    // Releases a carried tail as ordinary bytes.
    void flushHeldTail();

    // How long a carried tail waits for the rest of its frame; 0 releases it at the first
    // pass without new bytes.
    void setTailHoldMs(int ms) { tailHoldMs = ms; }

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

    CustomCDC *cdc;
    Events ev;
    int rxTimeoutTicks = 0;
    QByteArray answerBuffer;
    QByteArray held;
    QElapsedTimer heldSince;
    int tailHoldMs = 50;
};

// "4.3.2.1" from four version bytes stored lowest first.
QString versionText(const QByteArray &fourBytes);
