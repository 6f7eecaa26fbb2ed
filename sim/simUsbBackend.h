#pragma once

// The tool's USB seam served by simulated adapters: enumeration lists the plugged
// ones, transfers go to their endpoints, and plugging or unplugging through this
// backend raises the hot-plug notification.

#include "link/usb/usbBackend.h"
#include "simUsbAdapter.h"

#include <QList>

#include <functional>
#include <memory>
#include <mutex>

class SimUsbBackend : public UsbBackend
{
public:
    SimUsbBackend() = default;

    void addDevice(const std::shared_ptr<SimUsbAdapter> &device);
    void removeDevice(const std::shared_ptr<SimUsbAdapter> &device);
    QList<std::shared_ptr<SimUsbAdapter>> devices() const;
    // Unplug / plug a device and tell the hot-plug listener.
    void unplug(const std::shared_ptr<SimUsbAdapter> &device);
    void plug(const std::shared_ptr<SimUsbAdapter> &device);
    // Makes init() fail with this code (0 = succeed), for the library-start failure.
    void setInitResult(int code);
    void setHotplugSupported(bool supported);
    int openHandles() const;

    int init() override;
    void exit() override;
    int enumerate(QList<UsbDevice> &devices) override;
    int open(const UsbDevice &device, UsbHandle *&handle) override;
    void close(UsbHandle *handle) override;
    int claimInterface(UsbHandle *handle, int interfaceNumber) override;
    int releaseInterface(UsbHandle *handle, int interfaceNumber) override;
    int bulkTransfer(UsbHandle *handle, quint8 endpoint, quint8 *data, int length, int *transferred,
                     unsigned timeoutMs) override;
    int clearHalt(UsbHandle *handle, quint8 endpoint) override;
    int serialNumber(UsbHandle *handle, QString &serial) override;
    QString errorName(int code) const override;
    QString errorText(int code) const override;
    bool startHotplug(std::function<void(bool arrived)> changed) override;
    void stopHotplug() override;

private:
    void notify(bool arrived);

    mutable std::mutex m_mutex;
    QList<std::shared_ptr<SimUsbAdapter>> m_devices;
    std::function<void(bool)> m_hotplug;
    bool m_hotplugSupported = true;
    int m_initResult = 0;
    int m_contexts = 0;
    int m_handles = 0;
};
