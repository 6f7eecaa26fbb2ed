#include "link/serial/customCDC.h"

#include "can/canTxModel.h"
#include "link/serial/protocolFormat.h"
#include "log/log.h"

#include <QSerialPort>

CustomCDC::CustomCDC(SerialPortModel *portModel, CANTxModel *txModel, QObject *parent)
    : QObject(parent), serialPortModel(portModel), canTxModel(txModel)
{
    periodicTimer = new QTimer(this);
    readTimer = new QTimer(this);
    writeTimer = new QTimer(this);
    storeTimer = new QTimer(this);
    connect(periodicTimer, &QTimer::timeout, this, &CustomCDC::onPeriodicSendTimerTimeout);
}

CustomCDC::~CustomCDC()
{
    for (QTimer *t : {periodicTimer, readTimer, writeTimer, storeTimer}) {
        t->stop();
        t->disconnect();
    }
}

void CustomCDC::setComPort(QSerialPort *port) { comPort = port; }

void CustomCDC::write(const QByteArray &bytes)
{
    if (comPort && comPort->isOpen())
        comPort->write(bytes);
    emit TxCntChanged();
}

void CustomCDC::frameSend(const QByteArray &data, quint32 canId)
{
    QMutexLocker lock(&m_portMutex);
    canFrameSend(data, canId, 1);
}

void CustomCDC::frameSendTimes(const QByteArray &data, quint32 canId, quint32 times)
{
    // Repetition on the serial adapter is the caller's timer: one frame per call.
    Q_UNUSED(times);
    QMutexLocker lock(&m_portMutex);
    canFrameSend(data, canId, 1);
}

void CustomCDC::canFrameSend(const QByteArray &data, quint32 canId, quint8 command)
{
    QByteArray frame;
    fillCANFrame(data, *canTxModel, frame, command, canId, 1, 1);
    write(frame);
}

void CustomCDC::uartSend(const QString &text) { write(text.toLocal8Bit()); }
void CustomCDC::uartSendByte(const QByteArray &bytes) { write(bytes); }
void CustomCDC::BuadSet(int index) { write(baudSetRequest(index)); }
void CustomCDC::disable_can_send() { write(stopSendRequest()); }

QByteArray CustomCDC::package(const QByteArray &data, quint8 cmd) const { return ::package(data, cmd); }

void CustomCDC::onPeriodicSendTimerTimeout()
{
    frameSend(debugPayload, canidConvention(canTxModel->canid(), ctrlMode));
}

void CustomCDC::sendNextFrame()
{
    // The firmware transfer answers here once upgrades are supported.
}

void CustomCDC::clearProcedureFlags()
{
    for (std::atomic_bool *f : {&motorSideHandshake, &calHandshakeBusy, &motorSideStreaming, &outputShaftStreaming,
                                &tableSending, &outTableSending, &compTableExpected, &harmonicAnalysis})
        *f = false;
}
