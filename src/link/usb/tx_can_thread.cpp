#include "link/usb/tx_can_thread.h"

#include "log/log.h"

void tx_can_thread::set_tx_frame(const can_tx_type *record)
{
    m_slot = record ? record->toBytes() : QByteArray();
}

int tx_can_thread::send()
{
    if (m_slot.size() != can_tx_type::Size)
        return UsbError::InvalidParam;
    int sent = 0;
    const int r = usb_bulk_transfer(UsbAdapter::TransmitOut, reinterpret_cast<quint8 *>(m_slot.data()),
                                    int(m_slot.size()), &sent, UsbAdapter::ReadTimeoutMs);
    if (r == UsbError::Timeout)
        Logger::error("发送CAN指令超时", "send");
    else if (r != UsbError::Success)
        Logger::error(QString("发送CAN指令失败: %1 (%2)").arg(usb_error_name(r)).arg(r), "send");
    return r;
}

int tx_can_thread::transmit(const can_tx_type &record)
{
    QMutexLocker lock(&m_slotMutex);
    set_tx_frame(&record);
    return send();
}
