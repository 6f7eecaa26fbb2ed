#include "link/serial/serialCanAdapter.h"

#include "link/serial/protocolFormat.h"

SerialCanAdapter::SerialCanAdapter(QMutex &portMutex, QObject *parent) : CanAdapter(parent), m_portMutex(portMutex) {}

bool SerialCanAdapter::open() { return m_port && m_port->isOpen(); }

bool SerialCanAdapter::sendFrame(const CanBusFrame &frame, const CanTxOptions &options)
{
    if (frame.has(CanBusFrame::FlexibleData) || frame.payload.size() > SerialFrame::MaxClassicData)
        return false;
    if (!m_port || !m_port->isOpen())
        return false;
    QMutexLocker lock(&m_portMutex);
    return writeFrame(frame, options, SerialFrame::CmdCanSend);
}

qint64 SerialCanAdapter::framesPending() const
{
    if (!m_port || !m_port->isOpen())
        return 0;
    return (m_port->bytesToWrite() + SerialFrame::TxFrameSize - 1) / SerialFrame::TxFrameSize;
}

bool SerialCanAdapter::stopRepeating()
{
    writeBytes(stopSendRequest());
    return true;
}

bool SerialCanAdapter::writeFrame(const CanBusFrame &frame, const CanTxOptions &options, quint8 command)
{
    SerialFrameSettings settings;
    settings.idType = frame.has(CanBusFrame::Extended) ? 1 : 0;
    settings.frameType = frame.has(CanBusFrame::Remote) ? 1 : 0;
    settings.idAcc = options.idIncrement;
    settings.dataAcc = options.dataIncrement;
    QByteArray bytes;
    if (!fillCANFrame(frame.payload, settings, bytes, command, frame.id, 1, 1))
        return false;
    writeBytes(bytes);
    return true;
}

void SerialCanAdapter::writeBytes(const QByteArray &bytes)
{
    if (m_port && m_port->isOpen())
        m_port->write(bytes);
    emit written();
}
