#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>

// One CAN or CAN FD frame as the link layer knows it, whichever adapter carries it.
struct CanBusFrame
{
    enum Flag : quint8 {
        Extended = 0x01,      // 29-bit identifier
        Remote = 0x02,        // remote frame
        FlexibleData = 0x04,  // CAN FD
        BitRateSwitch = 0x08, // CAN FD data phase at the data bit rate
        Echo = 0x10,          // a frame the adapter put on the bus itself, reported back
        Failed = 0x20,        // the adapter reports the frame as failed
        ErrorFrame = 0x40,    // a bus error the interface reports; the ID is its error class
    };

    quint32 id = 0;
    quint8 flags = 0;
    QByteArray payload;
    quint64 timestampUs = 0; // adapter time stamp; 0 when the adapter has none
    qint64 sequence = -1;    // the adapter's running frame count; -1 when it keeps none

    bool has(Flag f) const { return (flags & f) != 0; }
};
Q_DECLARE_METATYPE(CanBusFrame)

// How an adapter that repeats frames by itself sends one: count, pace and counting.
// Adapters that cannot repeat send the frame once and ignore the rest.
struct CanTxOptions
{
    qint32 times = 1; // -1: until the adapter is told to stop
    quint32 intervalMs = 0;
    bool idIncrement = false;
    bool dataIncrement = false;
    quint16 idStep = 1;
    quint32 stopId = 0x7FF;
};

// The one interface between the link object and an adapter. A public connectDevice()
// runs the adapter's protected open(); the state changes in one place (setState) and
// is announced by stateChanged; received frames come in batches through
// enqueueReceivedFrames, one framesReceived per batch, possibly from a worker thread
// (connect with the automatic or a queued connection). The link layer knows frames
// only, nothing of what they mean.
class CanAdapter : public QObject
{
    Q_OBJECT
public:
    enum class State { Unconnected, Connecting, Connected, Closing };
    Q_ENUM(State)
    enum class Error { NoError, ConnectionError, ReadError, WriteError };
    Q_ENUM(Error)

    explicit CanAdapter(QObject *parent = nullptr);
    ~CanAdapter() override;

    // True when the adapter is connected afterwards (also when it already was).
    bool connectDevice();
    void disconnectDevice();

    State state() const { return m_state.load(); }
    bool isConnected() const { return state() == State::Connected; }
    Error error() const { return m_error; }
    QString errorString() const { return m_errorString; }

    // Sends one frame with the given options. False when the adapter cannot take it now.
    virtual bool sendFrame(const CanBusFrame &frame, const CanTxOptions &options = CanTxOptions()) = 0;
    // Stops whatever repetition the adapter runs by itself.
    virtual bool stopRepeating() = 0;
    // True when the adapter repeats frames by itself (CanTxOptions::times and the rest);
    // otherwise each sendFrame is one frame on the bus and repetition is the caller's.
    virtual bool repeatsFrames() const { return false; }
    // Frames taken by sendFrame and not yet written to the device: a sender that can go
    // faster than the device keeps this small instead of queueing without end.
    virtual qint64 framesPending() const { return 0; }

signals:
    void stateChanged(CanAdapter::State state);
    void errorOccurred(CanAdapter::Error error, const QString &text);
    void framesReceived(const QList<CanBusFrame> &frames);

protected:
    virtual bool open() = 0;
    virtual void close() = 0;

    void setState(State state);
    void setError(Error error, const QString &text);
    void enqueueReceivedFrames(const QList<CanBusFrame> &frames);

private:
    std::atomic<State> m_state{State::Unconnected};
    Error m_error = Error::NoError;
    QString m_errorString;
};
