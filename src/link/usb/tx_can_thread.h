#pragma once

#include "link/usb/canTxType.h"
#include "link/usb/usb_class.h"

#include <QMutex>

// Reader of the frames the adapter transmitted (endpoint 0x83), and the transmit path:
// the one record slot whose 88 bytes go to endpoint 0x03. set_tx_frame and send run on
// the caller's thread; transmit() does both under the slot's lock, so senders on
// several threads each get their own record out.
class tx_can_thread : public usb_stream_reader
{
    Q_OBJECT
public:
    explicit tx_can_thread(CustomFIFO *fifo, QObject *parent = nullptr)
        : usb_stream_reader(UsbStream::Transmit, fifo, parent)
    {
    }

    // Copies the record into the slot; the caller's record may go at once.
    void set_tx_frame(const can_tx_type *record);
    // Sends the slot to endpoint 0x03 (10 ms time-out); the transfer's result.
    int send();
    int transmit(const can_tx_type &record);

private:
    QMutex m_slotMutex;
    QByteArray m_slot;
};
