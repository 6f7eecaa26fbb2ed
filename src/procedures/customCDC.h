#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <atomic>

#include <QSerialPort>

#include "link/canAdapter.h"
#include "link/serial/receiveSteering.h"
#include "motor/escInf.h"
#include "motor/paramRegisters.h"
class SendingRoads;
class SerialCanAdapter;
class CalHandshake;
class FirmwareUpgrade;
struct CalPort;

// The procedures the tool runs over the open link: motor commands, registers, IDs, the
// bus scan, calibration and identification, the firmware upgrade and the version read,
// and the hand-over of the CAN tab's frames. Every frame and console text the tool sends
// goes through here to the adapter that carries it. Each motor road builds its own
// frames, standard (11-bit) classic data frames of their own length sent once (or, for
// the periodic motor command on an adapter that repeats frames, repeated with its own
// interval); only the CAN tab's frames carry the CAN tab's settings, and the CAN tab
// builds those itself. It also carries the activity flags (ReceiveSteering) with which
// one procedure at a time takes over the receive stream.
class CustomCDC : public QObject, public ReceiveSteering
{
    Q_OBJECT
public:
    explicit CustomCDC(QObject *parent = nullptr);
    ~CustomCDC() override;

    // The motor the procedures address, as the window (or the command line) knows it:
    // its CAN ID and the master ID it answers on. Any thread may read them.
    void setMotorCanid(quint32 id) { m_canid = id; }
    void setMotorMasterid(quint32 id) { m_masterid = id; }
    quint32 motorCanid() const { return m_canid; }
    quint32 motorMasterid() const { return m_masterid; }

    // A motor road's frame: a standard classic data frame with the data as it is.
    static CanBusFrame motorFrame(const QByteArray &data, quint32 canId);

    // Motor roads: the frame once, or repeated `times` times (-1: until stopped) every
    // `intervalMs` by an adapter that repeats frames itself; elsewhere once (the caller's
    // timer repeats it). False when it was refused: an ID beyond 11 bits, more than 8
    // bytes, or CAN frames while the port is the motor's console.
    bool frameSend(const QByteArray &data, quint32 canId);
    bool frameSendTimes(const QByteArray &data, quint32 canId, quint32 times, quint32 intervalMs = 0);
    // The CAN tab's road: a frame and options the CAN tab built from its own settings,
    // to the adapter that carries frames now. False when refused (the ID does not fit the
    // frame's ID type, a CAN FD frame on a classic adapter, CAN frames into a console).
    bool sendCanTabFrame(const CanBusFrame &frame, const CanTxOptions &options);
    // True while CAN frames would be written into the motor's serial console: UART mode on
    // a port without a CAN adapter of its own.
    bool portIsConsole() const;
    // Console text goes out in GBK, the code page the terminal also decodes with.
    void uartSend(const QString &text);
    void uartSendByte(const QByteArray &bytes);
    // Quality analysis: HarmonicAnalysis() sends the console text "s"; 20 ms later
    // HarmonicRequest() sets the analysis flag and writes the request 0x55 0x54.
    void HarmonicAnalysis();
    void HarmonicRequest();
    void BuadSet(int index);
    void disable_can_send();
    QByteArray package(const QByteArray &data, quint8 cmd) const;

    void setComPort(QSerialPort *port);
    QSerialPort *port() const { return comPort; }
    QMutex &portMutex() { return m_portMutex; }
    // Who is sending on the link; the procedures and the window register their roads here.
    SendingRoads *roads() const { return m_roads; }

    // The adapter CAN frames go to: the one given with setCanAdapter while it is
    // connected (the USB FDCAN adapter), the serial adapter otherwise.
    CanAdapter *canAdapter() const;
    void setCanAdapter(CanAdapter *adapter);
    SerialCanAdapter *serialAdapter() const { return serial; }
    // True while the CAN traffic goes through a connected adapter that repeats frames
    // itself: the USB FDCAN adapter.
    bool usbConnected() const;
    // Stops the repetition of the adapter that carries the frames: the USB adapter's
    // stop command, or the serial adapter's stop request.
    void stopAdapterSending();

    QTimer *periodicTimer = nullptr;
    QTimer *readTimer = nullptr;
    QTimer *writeTimer = nullptr;
    QTimer *storeTimer = nullptr;

    // The control mode of the periodic motor command and its payload, taken together
    // from the control panel when the user sends or updates them.
    std::atomic_int ctrlMode{0};
    QByteArray debugPayload;
    // The parameter record that register replies, console blocks and imports fill. Only
    // the GUI thread touches it: the receive task queues its updates there.
    ESC_INF escInf;
    // The next CAN write-all sends only these registers (empty: all it writes); used once.
    QList<int> writeOnly;

    // Frame flag of the motor firmware upgrade over the USB adapter, set by the adapter's
    // timing read-back: -1 classic CAN, 0 CAN FD with a data phase of 5 Mbit/s or more.
    std::atomic_int upgradeFrameFlag{-1};

    // Calibration records cut from the serial stream, oldest first.
    QMutex calRecordMutex;
    QList<QByteArray> calRecordQueue;

    // Encoder calibration and parameter identification over the console; the special
    // (in-wheel hub) motor takes one CAN command instead.
    void calibration();
    void SpecialCalibration();
    void MPreCalculate();
    void SpecialMPreCalculate();
    // The serial port as the calibration conversations use it.
    CalPort calPort();
    CalHandshake *calibrationHandshake() const { return handshake; }

    // Clears the eight flags of the calibration and analysis procedures (port toggle).
    void clearProcedureFlags();

    // Motor commands. motorMode: 0 enable, 1 disable, 2 save zero; with `console` the
    // one-byte console command is written instead of the special CAN frame, which goes to
    // the command ID of control mode `mode` (the mode tab selected when the user asked).
    // False when the CAN frame was not sent.
    bool motorMode(int type, bool console, int mode);
    // The debug payload once, to the command ID of its control mode.
    void canDebugSend();
    // The debug payload repeated every `intervalMs` by the adapter until its stop command
    // (USB adapter).
    void canDebugSendTimes(quint32 intervalMs);
    void canDebugClear(int mode);
    // canidConvention(canid, ctrlMode): where the periodic payload goes.
    quint32 debugCanId() const;

    // Motor IDs on the broadcast identifier: the query every motor answers, and the
    // assignment every motor takes (each ID sent as its low byte).
    void ReadID();
    void SetID(unsigned int canid, unsigned int masterid);

    // Register operations. controllerAllParamsCRUFunc sends one register frame (type 0
    // read, 1 write with the record's value, 2 save; false when not sent); controllerAllParamsCRU starts a
    // whole-record read (0), write (1) or save (2) over the current transport: paced
    // register frames in CAN mode, the console block after "s" in UART mode.
    bool controllerAllParamsCRUFunc(int type, int rid);
    void controllerAllParamsCRU(int type);
    // Replies to register frames are counted here (by the GUI thread, which also owns
    // escInf); versionMode is set by a CAN version read.
    RegisterReplyState registerReplies;
    const RegisterSequence &registerSequence() const { return sequence; }
    // Stops a running register read, write or save walk (the link closed under it).
    void stopRegisterSequence() { stopRegisterTimers(); }

    // Motor firmware upgrade and version read. The image is the file the user chose;
    // firmwareUpgrade() starts the transfer over the current path (console in UART mode,
    // the USB adapter while connected, the serial adapter otherwise). readVersion() asks
    // for the application and bootloader versions: registers 14 and 37 in CAN mode, the
    // console request after "s" in UART mode.
    QByteArray firmwareImage;
    bool firmwareUpgrade();
    void readVersion();
    FirmwareUpgrade *upgrade() const { return m_upgrade; }

signals:
    void uartMsg(const QString &text);
    void MessageInfo(int code);
    void TxCntChanged();
    void progressBarChanged(int value);
    void nppChanged(unsigned int npp);
    void CalWaveUpdate();
    // A frame was not sent because its ID does not fit the frame type (11 or 29 bits).
    void frameRefused(quint32 canId, bool extended);
    // CAN frames were not sent because the port is the motor's serial console.
    void consoleRefusedFrame();

public slots:
    void onPeriodicSendTimerTimeout();
    void sendNextFrame();
    void onReadTimerTimeout();
    void onWriteTimerTimeout();
    void onStoreTimerTimeout();

private:
    void write(const QByteArray &bytes);
    // True when a frame may go to the adapter now; otherwise it is refused and logged. A
    // motor road's refusal also stops the periodic motor command and raises the signal
    // that says why; the CAN tab says so itself.
    bool mayCarry(const CanBusFrame &frame, bool motorRoad);
    // Hands a frame to the adapter that carries frames now; a repetition the adapter runs
    // by itself is a sending road until it is stopped.
    bool toAdapter(const CanBusFrame &frame, const CanTxOptions &options);
    void registerTick(QTimer *timer, RegisterSequence::Kind kind);
    void stopRegisterTimers();

    void syncUpgradeFlags();
    void sendFirmwareFrames(const QList<QByteArray> &frames, quint32 canId);

    RegisterSequence sequence;
    CalHandshake *handshake = nullptr;
    FirmwareUpgrade *m_upgrade = nullptr;
    QTimer *versionTimer = nullptr; // CAN version read: both replies within this

    QPointer<QSerialPort> comPort;
    QMutex m_portMutex;
    SerialCanAdapter *serial = nullptr;
    QPointer<CanAdapter> adapter;
    SendingRoads *m_roads = nullptr;
    QTimer *repeatEnd = nullptr; // a finite adapter repetition is over by then
    std::atomic<quint32> m_canid{1};
    std::atomic<quint32> m_masterid{0};
};
