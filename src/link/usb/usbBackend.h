#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>

// The one seam between the tool and USB: every USB call the adapter link makes goes
// through a UsbBackend. The tool's backend calls libusb; the simulated adapter brings
// another. Result codes are libusb's (0 success, negative errors) so that logs and
// decisions read the same whichever backend runs.
namespace UsbError {
enum : int {
    Success = 0,
    Io = -1,
    InvalidParam = -2,
    Access = -3,
    NoDevice = -4,
    NotFound = -5,
    Busy = -6,
    Timeout = -7,
    Overflow = -8,
    Pipe = -9,
    Interrupted = -10,
    NoMem = -11,
    NotSupported = -12,
    Other = -99,
};
}

// One device of an enumeration. The token is the backend's own reference and keeps the
// device known to the backend as long as a copy exists.
struct UsbDevice
{
    quint8 bus = 0;
    quint8 address = 0;
    quint16 vendorId = 0;
    quint16 productId = 0;
    std::shared_ptr<void> token;

    bool isValid() const { return token != nullptr; }
};

// An open device; each backend derives its own.
class UsbHandle
{
public:
    virtual ~UsbHandle() = default;
};

class UsbBackend
{
public:
    virtual ~UsbBackend() = default;

    // Creates the library context on the first call; later calls only count. Returns 0
    // or an error code. Each successful init() is balanced by one exit().
    virtual int init() = 0;
    virtual void exit() = 0;
    // Every device on the buses with its descriptor's IDs. 0 or an error code.
    virtual int enumerate(QList<UsbDevice> &devices) = 0;
    virtual int open(const UsbDevice &device, UsbHandle *&handle) = 0;
    virtual void close(UsbHandle *handle) = 0;
    virtual int claimInterface(UsbHandle *handle, int interfaceNumber) = 0;
    virtual int releaseInterface(UsbHandle *handle, int interfaceNumber) = 0;
    // A synchronous bulk transfer; IN when bit 7 of the endpoint is set. `transferred`
    // gets the bytes moved (also on a time-out, where some may have moved).
    virtual int bulkTransfer(UsbHandle *handle, quint8 endpoint, quint8 *data, int length, int *transferred,
                             unsigned timeoutMs) = 0;
    virtual int clearHalt(UsbHandle *handle, quint8 endpoint) = 0;
    // The device's serial-number string descriptor as ASCII (empty when it has none).
    virtual int serialNumber(UsbHandle *handle, QString &serial) = 0;
    // "LIBUSB_ERROR_TIMEOUT" and a sentence for people.
    virtual QString errorName(int code) const = 0;
    virtual QString errorText(int code) const = 0;
    // Calls `changed` (from any thread) whenever a device arrives (true) or leaves
    // (false). False when the platform offers no hot-plug notification; the caller then
    // compares enumerations instead.
    virtual bool startHotplug(std::function<void(bool arrived)> changed) { return false; }
    virtual void stopHotplug() {}
};

// The backend in use; a machine without USB (no devices ever) until one is set.
std::shared_ptr<UsbBackend> usbBackend();
void setUsbBackend(std::shared_ptr<UsbBackend> backend);

// libusb's names of its result codes, for backends that have no names of their own.
QString usbErrorName(int code);
