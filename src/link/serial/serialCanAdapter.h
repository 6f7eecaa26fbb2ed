#pragma once

#include "link/canAdapter.h"

#include <QMutex>
#include <QPointer>
#include <QSerialPort>

// The serial CAN adapter behind the adapter interface: every frame is one 30-byte
// transmit frame written to the COM port. The port itself is opened and read by the
// main window (its byte stream also carries console text), so connecting only checks
// that the port is open, and received frames reach the tool through the serial receive
// pipeline rather than through framesReceived.
class SerialCanAdapter : public CanAdapter
{
    Q_OBJECT
public:
    // `portMutex` serialises frame writes with the reader of the same port.
    explicit SerialCanAdapter(QMutex &portMutex, QObject *parent = nullptr);

    void setPort(QSerialPort *port) { m_port = port; }
    QSerialPort *port() const { return m_port; }

    // One classic frame, sent once: the adapter's own repetition is not used (times,
    // interval and stop ID are ignored; the ID and data counting flags travel in the
    // frame). A CAN FD frame, or more than 8 data bytes, is refused: the adapter carries
    // classic frames only and would cut it.
    bool sendFrame(const CanBusFrame &frame, const CanTxOptions &options = CanTxOptions()) override;
    // The 4-byte stop request.
    bool stopRepeating() override;
    // Transmit frames still in the port's write buffer.
    qint64 framesPending() const override;

    // Writes one 30-byte frame with the given command byte, without taking the mutex.
    // An ID that does not fit the frame's ID type is not written (false).
    bool writeFrame(const CanBusFrame &frame, const CanTxOptions &options, quint8 command);
    // Writes bytes as they are when the port is open; announces every write attempt.
    void writeBytes(const QByteArray &bytes);

signals:
    void written();

protected:
    bool open() override;
    void close() override {}

private:
    QMutex &m_portMutex;
    QPointer<QSerialPort> m_port;
};
