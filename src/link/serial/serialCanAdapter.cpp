#include "link/serial/serialCanAdapter.h"

#include "link/serial/protocolFormat.h"

SerialCanAdapter::SerialCanAdapter(QMutex &portMutex, QObject *parent) : CanAdapter(parent), m_portMutex(portMutex) {}

bool SerialCanAdapter::open() { return m_port && m_port->isOpen(); }

bool SerialCanAdapter::sendFrame(const CanBusFrame &frame, const CanTxOptions &options)
{
    QMutexLocker lock(&m_portMutex);
    writeFrame(frame, options, SerialFrame::CmdCanSend);
    return true;
}

bool SerialCanAdapter::stopRepeating()
{
    writeBytes(stopSendRequest());
    return true;
}

void SerialCanAdapter::writeFrame(const CanBusFrame &frame, const CanTxOptions &options, quint8 command)
{
    SerialFrameSettings settings;
    settings.idType = frame.has(CanBusFrame::Extended) ? 1 : 0;
    settings.frameType = frame.has(CanBusFrame::Remote) ? 1 : 0;
    settings.idAcc = options.idIncrement;
    settings.dataAcc = options.dataIncrement;
    QByteArray bytes;
    if (fillCANFrame(frame.payload, settings, bytes, command, frame.id, 1, 1))
        writeBytes(bytes);
}

void SerialCanAdapter::writeBytes(const QByteArray &bytes)
{
    if (m_port && m_port->isOpen())
        m_port->write(bytes);
    emit written();
}
