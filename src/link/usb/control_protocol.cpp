#include "link/usb/control_protocol.h"

#include "link/usb/crc.h"
#include "link/usb/usb_class.h"
#include "log/log.h"

#include <QMutex>

#include <cstring>

namespace {

constexpr uint32_t kCanClockHz = 80000000;

// Shared by every exchange, which the exchange lock serialises.
uint8_t g_sendBuffer[UsbCmd::SendBufferSize];
uint8_t g_receiveBuffer[UsbCmd::ReceiveBufferSize];
QMutex g_exchangeMutex;

// Writes the frame for `length` payload bytes into `out` (length + 8 bytes, the last 0).
int buildFrame(uint8_t *out, uint8_t code, const uint8_t *payload, int length)
{
    out[0] = 0xA5;
    out[1] = code;
    out[2] = uint8_t(length);
    out[3] = uint8_t(length >> 8);
    if (length > 0)
        std::memcpy(out + 4, payload, size_t(length));
    const uint16_t crc = CRC16_IBM(out + 1, length + 3);
    out[4 + length] = uint8_t(crc);
    out[5 + length] = uint8_t(crc >> 8);
    out[6 + length] = 0x5A;
    out[7 + length] = 0;
    return length + 8;
}

QString hex2(int v) { return QString("%1").arg(v & 0xFF, 2, 16, QChar('0')); }

} // namespace

QByteArray usbCommandFrame(uint8_t code, const uint8_t *payload, int length)
{
    if (length < 0 || length > UsbCmd::MaxPayload)
        return QByteArray();
    QByteArray out(length + 8, '\0');
    buildFrame(reinterpret_cast<uint8_t *>(out.data()), code, payload, length);
    out.chop(1);
    return out;
}

uint8_t usb_control_send(int length)
{
    const int halt = usb_clear_halt(UsbAdapter::CommandOut);
    if (halt != UsbError::Success) {
        Logger::error(QString("libusb_clear_halt failed:[%1]").arg(usb_error_text(halt)), "usb_control_send");
        return UsbResult::HaltFailed;
    }
    int sent = 0;
    const int r = usb_bulk_transfer(UsbAdapter::CommandOut, g_sendBuffer, length, &sent, UsbCmd::SendTimeoutMs);
    if (r != UsbError::Success || sent != length) {
        Logger::error(QString("libusb_bulk_transfer failed:[%1]").arg(usb_error_text(r)), "usb_control_send");
        return UsbResult::SendFailed;
    }
    return UsbResult::Ok;
}

uint8_t usb_control_ack(uint8_t code, QByteArray *payload)
{
    const char *source = "usb_control_ack";
    if (payload)
        payload->clear();
    usb_clear_halt(UsbAdapter::CommandIn);
    int got = 0;
    const int r = usb_bulk_transfer(UsbAdapter::CommandIn, g_receiveBuffer, UsbCmd::ReceiveBufferSize, &got,
                                    UsbCmd::ReplyTimeoutMs);
    if (r != UsbError::Success) {
        Logger::error(QString("usb_control_ack receive failed:[%1]").arg(usb_error_text(r)), source);
        return UsbResult::NoReply;
    }
    return checkUsbReply(code, g_receiveBuffer, got, payload);
}

uint8_t checkUsbReply(uint8_t code, const uint8_t *p, int got, QByteArray *payload)
{
    const char *source = "usb_control_ack";
    if (payload)
        payload->clear();
    const int start = got > 0 ? p[0] : 0;
    const int end = got > 0 ? p[got - 1] : 0;
    // The smallest reply is 8 bytes; its length field must fit the transfer as well.
    const int m = got >= 5 ? (p[3] | (p[4] << 8)) : 0;
    if (got < 8 || start != 0xA5 || end != 0x5A || m + 8 > got) {
        Logger::error(QString("ACK frame err , frame_start = 0x%1 , frame_end = 0x%2").arg(hex2(start), hex2(end)),
                      source);
        return UsbResult::NoReply;
    }
    const uint16_t local = CRC16_IBM(p + 1, m + 4);
    const uint16_t crc = uint16_t(p[5 + m] | (p[6 + m] << 8));
    if (local != crc) {
        Logger::error(QString::asprintf("ACK crc err , crc_local = 0x%04x , crc = 0x%04x", local, crc), source);
        return UsbResult::CrcMismatch;
    }
    if (p[1] != code) {
        Logger::error(QString("ACK cmd_code err , cmd_code = 0x%1").arg(hex2(p[1])), source);
        return UsbResult::NoReply;
    }
    if (p[2] != 0) {
        Logger::error(QString("ACK ack_code err , ack_code = 0x%1").arg(p[2], 0, 16), source);
        return p[2];
    }
    Logger::debug("ACK successful", source);
    if (payload && m > 0)
        *payload = QByteArray(reinterpret_cast<const char *>(p + 5), m);
    return UsbResult::Ok;
}

uint8_t usb_contorl_transfer(uint8_t code, int length, const uint8_t *payload, QByteArray *reply)
{
    if (reply)
        reply->clear();
    if (length < 0 || length > UsbCmd::MaxPayload)
        return UsbResult::SendFailed;
    QMutexLocker lock(&g_exchangeMutex);
    const int size = buildFrame(g_sendBuffer, code, payload, length);
    uint8_t result = usb_control_send(size);
    if (result != UsbResult::Ok)
        result = UsbResult::SendFailed;
    else
        result = usb_control_ack(code, reply);
    if (result != UsbResult::Ok)
        Logger::error("ACK FAIL", "usb_contorl_transfer");
    else
        Logger::debug("ACK SUCCSEE", "usb_contorl_transfer");
    return result;
}

uint8_t USB_CMD_START_CAP() { return usb_contorl_transfer(UsbCmd::StartCap, 0, nullptr); }

uint8_t USB_CMD_STOP_CAP() { return usb_contorl_transfer(UsbCmd::StopCap, 0, nullptr); }

uint8_t USB_CMD_IAP_PACK(uint32_t index, const uint8_t *image)
{
    uint8_t payload[UsbCmd::MaxPayload];
    payload[0] = uint8_t(index);
    payload[1] = uint8_t(index >> 8);
    payload[2] = uint8_t(index >> 16);
    payload[3] = uint8_t(index >> 24);
    if (image)
        std::memcpy(payload + 4, image, UsbCmd::ImagePacketSize);
    else
        std::memset(payload + 4, 0, UsbCmd::ImagePacketSize);
    return usb_contorl_transfer(UsbCmd::IapPack, UsbCmd::MaxPayload, payload);
}

uint8_t USB_CMD_IAP_END() { return usb_contorl_transfer(UsbCmd::IapEnd, 0, nullptr); }

uint8_t USB_CMD_SETUP_BUARD(uint8_t mode, uint8_t idPrescaler, uint8_t dataPrescaler, uint8_t idSeg1, uint8_t idSeg2,
                            uint8_t dataSeg1, uint8_t dataSeg2, uint8_t idSjw, uint8_t dataSjw)
{
    const char *source = "USB_CMD_SETUP_BUARD";
    if (idPrescaler != 0 && dataPrescaler != 0) {
        auto hex4 = [](int v) { return QString("%1").arg(v, 4, 16, QChar('0')); };
        Logger::debug(QString("seg1:0x%1,seg2:0x%2,seg1_fd:0x%3,seg2_fd:0x%4")
                          .arg(hex4(idSeg1), hex4(idSeg2), hex4(dataSeg1), hex4(dataSeg2)),
                      source);
        Logger::debug(QString("仲裁域波特率为：%1").arg(kCanClockHz / idPrescaler / (idSeg1 + idSeg2 + 1u)), source);
        Logger::debug(QString("FD波特率为：%1").arg(kCanClockHz / dataPrescaler / (dataSeg1 + dataSeg2 + 1u)), source);
    }
    const double samplePoint = (idSeg1 + 1.0) / (idSeg1 + 1.0 + idSeg2) * 100.0;
    Logger::debug(QString("采样点:%1").arg(samplePoint, 0, 'f', 1), source);
    const uint8_t payload[9] = {mode, idSeg1, idSeg2, idSjw, idPrescaler, dataSeg1, dataSeg2, dataSjw, dataPrescaler};
    return usb_contorl_transfer(UsbCmd::SetupBaud, 9, payload);
}

uint8_t USB_CMD_TEST_ACK(QByteArray &reply)
{
    return usb_contorl_transfer(UsbCmd::TestAck, 0, nullptr, &reply);
}

QByteArray USB_CMD_GetBaudRate()
{
    static const char kRequest[] = "getbaudrate";
    QByteArray reply;
    if (usb_contorl_transfer(UsbCmd::GetBaudRate, 11, reinterpret_cast<const uint8_t *>(kRequest), &reply)
        != UsbResult::Ok)
        return QByteArray();
    return reply;
}

QByteArray USB_CMD_StopPeriodSend()
{
    static const char kRequest[] = "stopsend";
    QByteArray reply;
    if (usb_contorl_transfer(UsbCmd::StopPeriodSend, 8, reinterpret_cast<const uint8_t *>(kRequest), &reply)
        != UsbResult::Ok)
        return QByteArray();
    for (char c : std::as_const(reply))
        Logger::debug(QString::number(uint8_t(c)), "USB_CMD_StopPeriodSend");
    return reply;
}

void USB_CMD_HEART()
{
    // Its own frame and endpoint: the heartbeat never waits for a command exchange.
    uint8_t frame[25]; // the frame is 24 bytes; no byte follows 0x5A on this endpoint
    uint8_t payload[17];
    std::memset(payload, 0xFF, sizeof payload);
    buildFrame(frame, UsbCmd::Heart, payload, 17);
    int sent = 0;
    usb_bulk_transfer(UsbAdapter::HeartbeatOut, frame, 24, &sent, UsbCmd::HeartbeatTimeoutMs);
}
