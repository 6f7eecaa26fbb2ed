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
#include "motor/escInf.h"
#include "motor/paramRegisters.h"
class SerialPortModel;
class CANTxModel;
class SerialCanAdapter;
class CalHandshake;
class FirmwareUpgrade;
struct CalPort;

// The link object: every CAN frame, console text and adapter request the tool sends
// goes through here. It also carries the activity flags with which one procedure at a
// time takes over the receive stream; those are read by background tasks every 10 ms,
// hence atomics.
class CustomCDC : public QObject
{
    Q_OBJECT
public:
    CustomCDC(SerialPortModel *serialPortModel, CANTxModel *canTxModel, QObject *parent = nullptr);
    ~CustomCDC() override;

    // Transmit operations.
    void frameSend(const QByteArray &data, quint32 canId);
    void frameSendTimes(const QByteArray &data, quint32 canId, quint32 times);
    void canFrameSend(const QByteArray &data, quint32 canId, quint8 command);
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
    CANTxModel *txModel() const { return canTxModel; }
    SerialPortModel *portModel() const { return serialPortModel; }

    // The adapter CAN frames go to: the one given with setCanAdapter while it is
    // connected (the USB FDCAN adapter), the serial adapter otherwise.
    CanAdapter *canAdapter() const;
    void setCanAdapter(CanAdapter *adapter);
    SerialCanAdapter *serialAdapter() const { return serial; }
    // True while the CAN traffic goes through a connected adapter that repeats frames
    // itself: the USB FDCAN adapter.
    bool usbConnected() const;
    // A frame and its sending options as the transmit settings describe them.
    CanBusFrame canFrameOf(const QByteArray &data, quint32 canId) const;
    CanTxOptions txOptions(qint32 times) const;
    // Stops the repetition of the adapter that carries the frames: the USB adapter's
    // stop command, or the serial adapter's stop request.
    void stopAdapterSending();

    QTimer *periodicTimer = nullptr;
    QTimer *readTimer = nullptr;
    QTimer *writeTimer = nullptr;
    QTimer *storeTimer = nullptr;

    std::atomic_bool canMode{true};
    std::atomic_int ctrlMode{0};
    QByteArray debugPayload;
    // The parameter record that register replies, console blocks and imports fill. Only
    // the GUI thread touches it: the receive task queues its updates there.
    ESC_INF escInf;

    // ID increment settings of the transmit panel.
    quint16 idStep = 1;
    quint32 stopId = 0x7FF;
    // Frame flag of the motor firmware upgrade over the USB adapter, set by the adapter's
    // timing read-back: -1 classic CAN, 0 CAN FD with a data phase of 5 Mbit/s or more.
    std::atomic_int upgradeFrameFlag{-1};

    // Activity flags that steer the receive pipeline.
    std::atomic_bool motorSideHandshake{false};
    std::atomic_bool calHandshakeBusy{false};
    std::atomic_bool motorSideStreaming{false};
    std::atomic_bool outputShaftStreaming{false};
    std::atomic_bool tableSending{false};
    std::atomic_bool outTableSending{false};
    std::atomic_bool compTableExpected{false};
    std::atomic_bool harmonicAnalysis{false};
    std::atomic_bool paramReading{false};
    std::atomic_bool paramWriting{false};
    std::atomic_bool versionReading{false};
    std::atomic_bool identifying{false};
    std::atomic_bool longParamFormat{false};
    std::atomic_bool bootWaitSerial{false};
    std::atomic_bool bootWaitUsb{false};
    std::atomic_bool upgradeDone{false};
    std::atomic_bool upgradeMode{false};
    std::atomic_bool upgradeSending{false};
    std::atomic_bool outputShaftEncoder{false};
    std::atomic_bool shortRecords{false}; // calibration records of 9 / 13 bytes instead of 21

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
    // one-byte console command is written instead of the special CAN frame.
    void motorMode(int type, bool console);
    // The debug payload once, to the command ID of the current control mode.
    void canDebugSend();
    // The debug payload repeated by the adapter until its stop command (USB adapter).
    void canDebugSendTimes();
    void canDebugClear();
    // canidConvention(canid, ctrlMode).
    quint32 debugCanId() const;

    // Motor IDs on the broadcast identifier: the query every motor answers, and the
    // assignment every motor takes (each ID sent as its low byte).
    void ReadID();
    void SetID(unsigned int canid, unsigned int masterid);

    // Register operations. controllerAllParamsCRUFunc sends one register frame (type 0
    // read, 1 write with the record's value, 2 save); controllerAllParamsCRU starts a
    // whole-record read (0), write (1) or save (2) over the current transport: paced
    // register frames in CAN mode, the console block after "s" in UART mode.
    void controllerAllParamsCRUFunc(int type, int rid);
    void controllerAllParamsCRU(int type);
    // Replies to register frames are counted here (by the GUI thread, which also owns
    // escInf); versionMode is set by a CAN version read.
    RegisterReplyState registerReplies;
    std::atomic_bool versionMode{false};
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

public slots:
    void onPeriodicSendTimerTimeout();
    void sendNextFrame();
    void onReadTimerTimeout();
    void onWriteTimerTimeout();
    void onStoreTimerTimeout();

private:
    void write(const QByteArray &bytes);
    // True when the ID fits the frame kind of the transmit settings; otherwise the frame
    // is refused (logged, frameRefused, periodic sending stopped).
    bool idFits(quint32 canId);
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
    SerialPortModel *serialPortModel;
    CANTxModel *canTxModel;
};
