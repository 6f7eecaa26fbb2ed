#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

class CustomCDC;

// The special motor's CAN commands, on 0x7FF: start the encoder calibration of motor
// `canid` (its ID low, high, 66, then zeros), and start the parameter identification
// (01 00 99, then zeros).
QByteArray specialCalibrationFrame(quint32 canid);
QByteArray specialIdentificationFrame();

// The serial port as a calibration conversation sees it. The owner locks the port for
// each call; the conversation owns the receive stream (its activity flag keeps the
// receive pipeline away) while it runs.
struct CalPort
{
    std::function<bool()> isOpen;
    std::function<qint64()> available;
    std::function<QByteArray(qint64)> read;
    std::function<void(const QByteArray &)> write;
};

// A conversation with the controller on the GUI thread: every wait is a single-shot
// timer, so the window stays alive; every wait for bytes has a limit.
class PortConversation : public QObject
{
    Q_OBJECT
public:
    explicit PortConversation(QObject *parent = nullptr);
    void setPort(CalPort port) { m_port = std::move(port); }
    bool running() const { return m_running; }
    // Stops at once; nothing more is sent or reported.
    void cancel();

protected:
    // Runs step() after ms milliseconds (0: from the event loop, at once).
    void after(int ms);
    void finishRunning() { m_running = false; }
    void beginRunning() { m_running = true; }
    virtual void step() = 0;

    bool portOpen() const { return m_port.isOpen && m_port.isOpen(); }
    qint64 available() const { return portOpen() ? m_port.available() : 0; }
    QByteArray read(qint64 n) { return portOpen() ? m_port.read(n) : QByteArray(); }
    void write(const QByteArray &bytes)
    {
        if (m_port.write)
            m_port.write(bytes);
    }

    // Bounded wait for `count` bytes, re-checked every `sliceMs`: true when they are
    // there, false while waiting; `timedOut` once `slices` waits have passed.
    bool waitForBytes(qint64 count, int slices, int sliceMs, bool &timedOut);
    void resetWait() { m_waits = 0; }
    int waits() const { return m_waits; }

private:
    CalPort m_port;
    QTimer m_timer;
    bool m_running = false;
    int m_waits = 0;
};

// The start of a calibration run: "s", then "Ul" (output shaft) or "Uc" (motor side)
// and the first replies, until the record stream can be cut by the receive pipeline.
// Reports through the link object's signals (MessageInfo, uartMsg, nppChanged,
// CalWaveUpdate) and leaves its streaming flag set on success.
class CalHandshake : public PortConversation
{
    Q_OBJECT
public:
    enum class State { Idle, Command, ShaftPause, ShaftFirst, ShaftRest, MotorReply, MotorFirstRecord };
    static constexpr unsigned kMaxPolePairs = 976; // 512 records each must fit the chart history

    explicit CalHandshake(CustomCDC *link);
    void start();
    State state() const { return m_state; }

protected:
    void step() override;

private:
    void enter(State s, int ms);
    void fail(int message, bool showChart = false);
    void startStreaming(bool motorSide);

    CustomCDC *cdc;
    State m_state = State::Idle;
    QByteArray m_record;
    qint64 m_rest = 0;
};

// The download of a computed table, packet by packet, each confirmed by the controller.
class TableDownload : public PortConversation
{
    Q_OBJECT
public:
    enum class Kind { MotorSide, OutputShaft };
    enum class State { Idle, Escape, Setup, Flush, Sent, Polling };
    enum class Outcome { Success, PortClosed, NoReply, WrongReply };

    explicit TableDownload(QObject *parent = nullptr) : PortConversation(parent) {}
    void start(Kind kind, const QList<QByteArray> &packets);
    State state() const { return m_state; }
    Kind kind() const { return m_kind; }

signals:
    void packetConfirmed(int packet, int total);
    // The controller is late with a motor-side reply (shown once per packet).
    void lateReply(int packet);
    void finished(TableDownload::Outcome outcome, int packet);

protected:
    void step() override;

private:
    void enter(State s, int ms);
    void done(Outcome outcome);

    Kind m_kind = Kind::MotorSide;
    State m_state = State::Idle;
    QList<QByteArray> m_packets;
    int m_packet = 0;
    bool m_warned = false;
};

// The table the controller computed itself: a pause, then 1026 bytes.
class TableUpload : public PortConversation
{
    Q_OBJECT
public:
    enum class State { Idle, Pause, Waiting };
    explicit TableUpload(QObject *parent = nullptr) : PortConversation(parent) {}
    void start();
    State state() const { return m_state; }

signals:
    // ok false: nothing came in time, or not a table.
    void finished(bool ok, const QList<float> &table);

protected:
    void step() override;

private:
    State m_state = State::Idle;
};
