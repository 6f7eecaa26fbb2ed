#pragma once

#include "link/canAdapter.h"
#include "link/serial/customFIFO.h"

#include "link/orderedPoolQueue.h"

#include <QPair>

#include <memory>

class usb_class;
class tx_can_thread;
class can_class;
struct can_node_type;

// The USB FDCAN adapter behind the adapter interface. It owns the receive reader, the
// transmit reader (with the transmit slot) and the parse thread, all started at
// construction and idle until the adapter is opened. Opening claims the adapter named
// by setDeviceName(), clears its halts, lets the readers run (starting again any that
// ended on a transfer error) and starts capture; closing stops capture, blocks the
// readers and closes the device. Frames to send are queued and go out in order from
// one thread-pool task at a time; received and transmitted frames come back in one
// batch per stream transfer.
class UsbCanAdapter : public CanAdapter
{
    Q_OBJECT
public:
    explicit UsbCanAdapter(CustomFIFO *fifo = &fdcanFIFO, QObject *parent = nullptr);
    ~UsbCanAdapter() override;

    void setDeviceName(const QString &name) { m_deviceName = name; }
    QString deviceName() const { return m_deviceName; }

    bool sendFrame(const CanBusFrame &frame, const CanTxOptions &options = CanTxOptions()) override;
    // The adapter's stop-periodic-send command.
    bool stopRepeating() override;
    bool repeatsFrames() const override { return true; }
    qint64 framesPending() const override { return m_sends->pending(); }

    // Builds the 88-byte record and sends it on the calling thread; the transfer's result.
    int transmit(const CanBusFrame &frame, const CanTxOptions &options);
    // Waits until every queued frame has gone out (or failed).
    void flushSends();

    usb_class *receiveReader() const { return m_rx; }
    tx_can_thread *transmitReader() const { return m_tx; }
    can_class *parser() const { return m_parser; }

    static CanBusFrame frameOf(const can_node_type &node);

protected:
    bool open() override;
    void close() override;

private:
    void onReaderError(quint8 endpoint);

    QString m_deviceName;
    CustomFIFO *m_fifo;
    usb_class *m_rx = nullptr;
    tx_can_thread *m_tx = nullptr;
    can_class *m_parser = nullptr;
    bool m_readerFailed = false; // a reader's failure was reported since the link opened (GUI thread)

    std::unique_ptr<OrderedPoolQueue<QPair<CanBusFrame, CanTxOptions>>> m_sends;
};
