// The link object's part in calibration and identification: the console handshake, the
// special-motor CAN commands, and the port as the calibration conversations see it.
#include "calibration/calConversation.h"
#include "procedures/customCDC.h"
#include "motor/paramRegisters.h"

#include <QSerialPort>
#include <QTimer>

namespace {
constexpr quint32 kBroadcastId = 0x7FF;
}

CalPort CustomCDC::calPort()
{
    CalPort p;
    p.isOpen = [this] { return comPort && comPort->isOpen(); };
    p.available = [this] {
        QMutexLocker lock(&m_portMutex);
        return comPort ? comPort->bytesAvailable() : 0;
    };
    p.read = [this](qint64 n) {
        QMutexLocker lock(&m_portMutex);
        return comPort ? comPort->read(n) : QByteArray();
    };
    p.write = [this](const QByteArray &bytes) { write(bytes); };
    return p;
}

void CustomCDC::calibration()
{
    if (!handshake) {
        handshake = new CalHandshake(this);
        handshake->setPort(calPort());
    }
    handshake->start();
}

void CustomCDC::SpecialCalibration()
{
    frameSend(specialCalibrationFrame(m_canid), kBroadcastId);
}

void CustomCDC::MPreCalculate()
{
    uartSend(QString::fromLatin1(ConsoleEnterText));
    QTimer::singleShot(ConsoleDelayMs, this, [this] {
        identifying = true;
        write(QByteArray("\x55\x65\x55", 3));
    });
}

void CustomCDC::SpecialMPreCalculate()
{
    frameSend(specialIdentificationFrame(), kBroadcastId);
}
