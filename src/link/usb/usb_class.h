#pragma once

#include "link/usb/usbBackend.h"
#include "link/usb/usbDeviceInfo.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <vector>

class CustomFIFO;

// The USB FDCAN adapter: finding it, pairing it with its serial port, opening and
// closing it, and the two threads that read its frame streams. One adapter is open at
// a time; the functions keep that state for the whole program. Every USB call goes
// through the UsbBackend in use (usbBackend()).
namespace UsbAdapter {
constexpr quint16 VendorId = 0x34B7;
constexpr quint16 ProductId = 0x6877;
constexpr int MaxDevices = 8;
constexpr int InterfaceCount = 3; // interfaces 0, 1 and 2 are claimed
enum Endpoint : quint8 {
    HeartbeatOut = 0x01,
    CommandOut = 0x02,
    TransmitOut = 0x03,
    ReceiveIn = 0x81,
    CommandIn = 0x82,
    EchoIn = 0x83,
};
constexpr int ReadBufferSize = 0x100000; // 1 MiB per reader
constexpr unsigned ReadTimeoutMs = 10;
// Result of a transfer asked for while no adapter is open (not a libusb code).
constexpr int NotOpen = 1;
} // namespace UsbAdapter

// "device:%d,%d" with bus number and device address.
QString usbDeviceName(int bus, int address);

// Enumerates the adapters (at most 8) and returns their names; `count` gets how many.
QStringList usb_get_zk_device(int &count);
// The listed adapter of that name (invalid when none); it becomes the selected one.
UsbDevice get_libusb_device(const QString &name);
// Opens the adapter of that name and claims its interfaces: 0, or -1 (closed again).
int usb_open(const QString &name);
// Releases the interfaces, closes the adapter and clears the connected flag.
void usb_clear();
// usb_clear, then forgets the device list and ends the library context.
void clear_ctx();
bool get_connect();
void set_connect();
void clear_connect();
// Clears a halt on 0x82, 0x02, 0x81 and 0x01, in this order.
void clearWINUSBhalt();

// Transfers on the open adapter. Several threads use it at once; closing waits for
// the transfers in progress. UsbAdapter::NotOpen when no adapter is open.
int usb_bulk_transfer(quint8 endpoint, quint8 *data, int length, int *transferred, unsigned timeoutMs);
int usb_clear_halt(quint8 endpoint);
QString usb_error_name(int code);
QString usb_error_text(int code);

// Pairing of serial ports with adapters by "vendor:product:serial". The map is built
// anew from `ports` (ports without vendor or product ID take no part) and the USB
// devices that can be opened.
void matchUSBDeviceInfo(const QList<USBDeviceInfo> &ports);
// The system's serial ports with their USB identities.
QList<USBDeviceInfo> systemSerialPorts();
// The adapter paired with a port, or an empty string.
QString Qserialport2Libusb(const QString &portName);
// The first port (by name) paired with the adapter, or an empty string.
QString Libusb2Qserialport(const QString &adapterName);

// Which reader a stream transfer came from (its log lines differ).
enum class UsbStream { Receive, Transmit };
// Checks one IN transfer (0xA5, length, payload, CRC, 0x5A) and queues the length,
// payload and CRC as one heap block in `fifo`. Malformed transfers are logged and
// dropped; so is a block the full FIFO refuses.
void unpack_usb_frame(const quint8 *transfer, int length, CustomFIFO &fifo, UsbStream stream);

// A reader of one IN endpoint: every 10 ms, unless blocked or no adapter is connected,
// it takes what the endpoint has (transfer by transfer until a time-out) into the FIFO.
// A transfer error other than a time-out ends the thread with usb_happen_err(); it can
// be started again.
class usb_stream_reader : public QThread
{
    Q_OBJECT
public:
    usb_stream_reader(UsbStream stream, CustomFIFO *fifo, QObject *parent = nullptr);
    ~usb_stream_reader() override;

    void setBlockFlag(bool block) { m_block = block; }
    bool blocked() const { return m_block; }
    // Blocked (or never unblocked) and outside any transfer.
    bool isIdle() const { return m_idle; }
    // The loop has ended on an error; the thread may still be finishing.
    bool hasFailed() const { return m_failed; }
    // Starts the thread again if it is not running (after a failure it waits for the
    // old run to end first).
    void restart();

signals:
    void usb_happen_err();

protected:
    void run() override;

private:
    const UsbStream m_stream;
    const quint8 m_endpoint;
    CustomFIFO *m_fifo;
    std::vector<quint8> m_buffer;
    std::atomic_bool m_block{true};
    std::atomic_bool m_idle{true};
    std::atomic_bool m_failed{false};
};

// Receive reader on endpoint 0x81.
class usb_class : public usb_stream_reader
{
    Q_OBJECT
public:
    explicit usb_class(CustomFIFO *fifo, QObject *parent = nullptr) : usb_stream_reader(UsbStream::Receive, fifo, parent) {}
};
