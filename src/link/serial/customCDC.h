#pragma once

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <atomic>

#include <QSerialPort>

#include "motor/escInf.h"
class SerialPortModel;
class CANTxModel;

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
    void uartSend(const QString &text);
    void uartSendByte(const QByteArray &bytes);
    void BuadSet(int index);
    void disable_can_send();
    QByteArray package(const QByteArray &data, quint8 cmd) const;

    void setComPort(QSerialPort *port);
    QSerialPort *port() const { return comPort; }
    QMutex &portMutex() { return m_portMutex; }
    CANTxModel *txModel() const { return canTxModel; }
    SerialPortModel *portModel() const { return serialPortModel; }

    // True while the USB FDCAN adapter carries the CAN traffic; until that adapter is
    // supported every frame goes through the serial adapter.
    bool usbConnected() const { return false; }

    QTimer *periodicTimer = nullptr;
    QTimer *readTimer = nullptr;
    QTimer *writeTimer = nullptr;
    QTimer *storeTimer = nullptr;

    std::atomic_bool canMode{true};
    std::atomic_int ctrlMode{0};
    QByteArray debugPayload;
    ESC_INF escInf; // the parameter record register replies and imports fill

    // ID increment settings of the transmit panel.
    quint16 idStep = 1;
    quint32 stopId = 0x7FF;

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

    // Clears the eight flags of the calibration and analysis procedures (port toggle).
    void clearProcedureFlags();

signals:
    void uartMsg(const QString &text);
    void MessageInfo(int code);
    void TxCntChanged();
    void progressBarChanged(int value);
    void nppChanged(unsigned int npp);
    void CalWaveUpdate();

public slots:
    void onPeriodicSendTimerTimeout();
    void sendNextFrame();

private:
    void write(const QByteArray &bytes);

    QPointer<QSerialPort> comPort;
    QMutex m_portMutex;
    SerialPortModel *serialPortModel;
    CANTxModel *canTxModel;
};
