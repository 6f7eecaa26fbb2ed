#pragma once

#include <QByteArray>
#include <QMutex>
#include <QObject>

#include <atomic>
#include <functional>

class QTimer;

// The motor firmware upgrade as one conversation with the controller's bootloader: the
// request ('X' on the console, a CAN frame naming the motor otherwise), the
// bootloader's acknowledgement ("Aupgrade" or "...er Bootloa..."), then one packet at a
// time, each answered "OK", the last one "complete"; "ERROR" ends it. Every wait has a
// time-out. The object lives on one thread (the GUI thread in the tool) and needs its
// event loop; replies may be offered from any thread.
class FirmwareUpgrade : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Idle,
        WaitingForBootloader, // request sent
        Starting,             // acknowledged; the first packet follows shortly
        WaitingForAck,        // a packet sent, not the last
        WaitingForComplete,   // the last packet sent
    };
    Q_ENUM(State)
    enum class Path { Console, SerialAdapter, UsbAdapter };
    Q_ENUM(Path)
    enum class Outcome {
        Completed,
        NoBootloader, // no acknowledgement, or another answer (message 2; 11 over USB)
        Stalled,      // an acknowledgement did not come in time (message 11)
        Refused,      // the bootloader answered "ERROR" (message 11)
        EndedEarly,   // "complete" before the last packet went out (message 11)
        Cancelled,
    };
    Q_ENUM(Outcome)

    // Waits, in milliseconds: the dispatcher passes of 10 ms the tool has always counted.
    struct Timeouts {
        int bootloaderMs = 5210;          // console and serial adapter: 100 ms + 511 passes
        int usbMs = 2560;                 // USB adapter, request and every packet: 256 passes
        int packetMs = 5120;              // console and serial adapter: 512 passes
        int packetUsbConnectedMs = 1120;  // the same while a USB adapter is connected: 112
        int firstPacketDelayMs = 100;     // after the acknowledgement
    };

    // A packet goes out in slices, one per turn of the event loop, so that the window
    // stays live and the progress moves while a packet of up to 8 KB is handed over.
    static constexpr int SliceBytes = 1024;

    // How the conversation reaches the motor; the link object fills these in.
    struct Transport {
        std::function<void(const QByteArray &)> writeConsole;          // bytes as they are
        std::function<void(const QByteArray &, quint32)> sendRequest;  // the request frame to an ID
        // The CAN frames of one packet, in order, to one ID.
        std::function<void(const QList<QByteArray> &, quint32)> sendPacketFrames;
    };

    struct Request {
        Path path = Path::Console;
        QByteArray image;
        quint32 motorCanId = 1;   // named in the request; packet frames go to its low 11 bits
        quint32 requestId = 0;    // identifier the request frame is sent to
        quint32 replyId = 0;      // CAN paths: the motor's master ID, the only one answers come from
        bool usbConnected = false;
    };

    explicit FirmwareUpgrade(QObject *parent = nullptr);
    ~FirmwareUpgrade() override;

    void setTransport(const Transport &transport) { io = transport; }
    void setTimeouts(const Timeouts &t) { timeouts = t; }
    Timeouts timeoutSettings() const { return timeouts; }

    // Sends the request and waits for the bootloader. False, with nothing sent, while an
    // upgrade runs or for an empty image.
    bool start(const Request &request);
    // Ends a running upgrade (outcome Cancelled, no message).
    void cancel();
    // Any thread. Console text, or the data of a CAN frame the motor being upgraded sent
    // over an adapter: true when it belongs to the upgrade running on that path. Console
    // text is always taken while the upgrade runs; a CAN frame while the bootloader is
    // awaited only with its acknowledgement or "ERROR", afterwards always. The pieces are
    // gathered until they hold a word ("OK" may come as "O", then "K\r\n") and acted on
    // in the object's thread. Outside an upgrade, or from another path, nothing is taken:
    // ordinary traffic never moves a transfer forward.
    bool offerReply(const QByteArray &bytes, Path from);
    // A received standard data frame on a CAN path: offered as above when it comes from
    // the motor being upgraded (Request::replyId), ignored otherwise.
    bool offerFrameReply(quint32 id, const QByteArray &data, Path from);
    // The bootloader acknowledged the last packet: the next one goes out. Only while a
    // packet, handed over whole, awaits its "OK".
    void sendNextFrame();

    State state() const { return m_state.load(); }
    bool isRunning() const { return state() != State::Idle; }
    Path path() const { return m_path.load(); }
    int packetIndex() const { return m_packetIndex; } // next packet to send, from 1
    int packetCount() const { return m_packetCount; }
    // Percent of the framed image handed to the link, below 100 until the bootloader
    // said "complete"; 0 again once the upgrade ended.
    int progress() const { return m_progress; }
    // The message-table code a failed upgrade shows; -1 for none.
    static int failureMessage(Outcome outcome, Path path);
    // What happened, for the user.
    static QString outcomeText(Outcome outcome);

signals:
    void stateChanged(FirmwareUpgrade::State state);
    void progressChanged(int percent);
    void lockChanged(bool locked);
    void MessageInfo(int code);
    void packetSent(int index, int count);
    void finished(FirmwareUpgrade::Outcome outcome);

private:
    void setState(State s);
    void handleReply(const QByteArray &bytes, quint64 generation);
    void acknowledged();
    void sendPacket();
    void sendSlice();
    void setProgress(int percent);
    void onTimeout();
    void finish(Outcome outcome);
    void armTimeout(int ms);
    int packetWaitMs() const;

    Transport io;
    Timeouts timeouts;
    Request req;
    std::atomic<State> m_state{State::Idle};
    std::atomic<Path> m_path{Path::Console};
    // Counts requests and packets sent: a reply counts for what was outstanding when it
    // arrived, never for a packet sent after it.
    std::atomic<quint64> m_generation{0};
    int m_packetIndex = 1;
    int m_packetCount = 0;
    int m_progress = 0;
    QByteArray m_packet;      // the packet being handed over
    qsizetype m_packetSent = 0;
    qint64 m_bytesSent = 0;   // framed bytes of the image handed over so far
    qint64 m_bytesTotal = 0;
    bool m_slicing = false;   // a packet is still being handed over
    QTimer *sliceTimer = nullptr;
    QByteArray bootText;  // answer text gathered while the bootloader is awaited
    QByteArray ackText;   // answer text gathered since the last packet went out
    std::atomic<quint32> m_replyId{0};
    QTimer *timer = nullptr;
    QTimer *startTimer = nullptr;
};
