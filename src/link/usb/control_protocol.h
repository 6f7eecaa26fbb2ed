#pragma once

#include <QByteArray>

#include <cstdint>

// The USB FDCAN adapter's commands: frame 0xA5, code, length (LE 16), payload,
// CRC-16/ARC over code, length and payload, 0x5A, sent with one further byte on
// endpoint 0x02; the reply 0xA5, code, ack, length, payload, CRC, 0x5A comes on 0x82.
// One exchange at a time (send and reply wait under one lock). Every function returns
// a result code:
namespace UsbResult {
enum : uint8_t {
    Ok = 0,
    // any other value up to 255 not listed here: the adapter's ack code (6 during a
    // firmware update: the flash is damaged)
    CrcMismatch = 2,
    NoReply = 5,    // nothing came, the code differs, or the frame is malformed
    HaltFailed = 13,
    SendFailed = 14,
};
}

namespace UsbCmd {
enum : uint8_t {
    StartCap = 0x00,
    StopCap = 0x01,
    IapPack = 0x02,
    IapEnd = 0x03,
    SetupBaud = 0x05,
    TestAck = 0x06,
    GetBaudRate = 0x0D,
    StopPeriodSend = 0x0F,
    Heart = 0x10,
};
constexpr int MaxPayload = 4100;     // a firmware packet: index + 4096 image bytes
constexpr int SendBufferSize = 4108; // largest frame plus the byte after 0x5A
constexpr int ReceiveBufferSize = 10240;
constexpr int ImagePacketSize = 4096;
constexpr unsigned SendTimeoutMs = 1000;
constexpr unsigned ReplyTimeoutMs = 5000;
constexpr unsigned HeartbeatTimeoutMs = 10;
} // namespace UsbCmd

// The command frame (N + 7 bytes; the transfer adds one zero byte).
QByteArray usbCommandFrame(uint8_t code, const uint8_t *payload, int length);

// Sends the first `length` bytes of the send buffer to 0x02 after clearing its halt.
uint8_t usb_control_send(int length);
// Waits for the reply to `code` on 0x82 and checks it. On success the payload (empty
// when the reply has none) goes to `payload` when given.
uint8_t usb_control_ack(uint8_t code, QByteArray *payload = nullptr);
// The checks of usb_control_ack on one received transfer of `length` bytes.
uint8_t checkUsbReply(uint8_t code, const uint8_t *transfer, int length, QByteArray *payload = nullptr);
// One exchange: build, send, await and check the reply.
uint8_t usb_contorl_transfer(uint8_t code, int length, const uint8_t *payload, QByteArray *reply = nullptr);

uint8_t USB_CMD_START_CAP();
uint8_t USB_CMD_STOP_CAP();
// Packet `index` (from 0) of a firmware image: 4096 bytes from `image`.
uint8_t USB_CMD_IAP_PACK(uint32_t index, const uint8_t *image);
uint8_t USB_CMD_IAP_END();
uint8_t USB_CMD_SETUP_BUARD(uint8_t mode, uint8_t idPrescaler, uint8_t dataPrescaler, uint8_t idSeg1, uint8_t idSeg2,
                            uint8_t dataSeg1, uint8_t dataSeg2, uint8_t idSjw, uint8_t dataSjw);
// The adapter's state/version reply (`reply` is empty on failure).
uint8_t USB_CMD_TEST_ACK(QByteArray &reply);
// The 9-byte bit-timing record; empty when the exchange failed or the reply was empty.
QByteArray USB_CMD_GetBaudRate();
// Stops the adapter's own repetition; the reply payload (empty on failure).
QByteArray USB_CMD_StopPeriodSend();
// The heartbeat (code 0x10, 17 x 0xFF) on endpoint 0x01; no reply, nothing reported.
void USB_CMD_HEART();
