#include "link/usb/usbBackend.h"

#include <QMutex>

namespace {

// A machine without a USB bus: the library starts, and there is never a device.
class NoUsbBackend : public UsbBackend
{
public:
    int init() override { return UsbError::Success; }
    void exit() override {}
    int enumerate(QList<UsbDevice> &devices) override
    {
        devices.clear();
        return UsbError::Success;
    }
    int open(const UsbDevice &, UsbHandle *&handle) override
    {
        handle = nullptr;
        return UsbError::NoDevice;
    }
    void close(UsbHandle *handle) override { delete handle; }
    int claimInterface(UsbHandle *, int) override { return UsbError::NoDevice; }
    int releaseInterface(UsbHandle *, int) override { return UsbError::NoDevice; }
    int bulkTransfer(UsbHandle *, quint8, quint8 *, int, int *transferred, unsigned) override
    {
        if (transferred)
            *transferred = 0;
        return UsbError::NoDevice;
    }
    int clearHalt(UsbHandle *, quint8) override { return UsbError::NoDevice; }
    int serialNumber(UsbHandle *, QString &serial) override
    {
        serial.clear();
        return UsbError::NoDevice;
    }
    QString errorName(int code) const override { return usbErrorName(code); }
    QString errorText(int code) const override { return usbErrorName(code); }
};

QMutex g_backendMutex;
std::shared_ptr<UsbBackend> g_backend;

} // namespace

std::shared_ptr<UsbBackend> usbBackend()
{
    QMutexLocker lock(&g_backendMutex);
    if (!g_backend)
        g_backend = std::make_shared<NoUsbBackend>();
    return g_backend;
}

void setUsbBackend(std::shared_ptr<UsbBackend> backend)
{
    QMutexLocker lock(&g_backendMutex);
    g_backend = std::move(backend);
}

QString usbErrorName(int code)
{
    switch (code) {
    case UsbError::Success: return QStringLiteral("LIBUSB_SUCCESS");
    case UsbError::Io: return QStringLiteral("LIBUSB_ERROR_IO");
    case UsbError::InvalidParam: return QStringLiteral("LIBUSB_ERROR_INVALID_PARAM");
    case UsbError::Access: return QStringLiteral("LIBUSB_ERROR_ACCESS");
    case UsbError::NoDevice: return QStringLiteral("LIBUSB_ERROR_NO_DEVICE");
    case UsbError::NotFound: return QStringLiteral("LIBUSB_ERROR_NOT_FOUND");
    case UsbError::Busy: return QStringLiteral("LIBUSB_ERROR_BUSY");
    case UsbError::Timeout: return QStringLiteral("LIBUSB_ERROR_TIMEOUT");
    case UsbError::Overflow: return QStringLiteral("LIBUSB_ERROR_OVERFLOW");
    case UsbError::Pipe: return QStringLiteral("LIBUSB_ERROR_PIPE");
    case UsbError::Interrupted: return QStringLiteral("LIBUSB_ERROR_INTERRUPTED");
    case UsbError::NoMem: return QStringLiteral("LIBUSB_ERROR_NO_MEM");
    case UsbError::NotSupported: return QStringLiteral("LIBUSB_ERROR_NOT_SUPPORTED");
    default: return QStringLiteral("LIBUSB_ERROR_OTHER");
    }
}
