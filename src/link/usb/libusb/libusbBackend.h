#pragma once

#include "link/usb/usbBackend.h"

#include <atomic>
#include <mutex>
#include <thread>

struct libusb_context;

// The USB seam on libusb-1.0: one library context, created by the first init() and
// ended by the last exit(); hot-plug through libusb's callbacks with a thread that
// handles the library's events while someone listens.
class LibusbBackend : public UsbBackend
{
public:
    LibusbBackend() = default;
    ~LibusbBackend() override;

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

    // Called by libusb's hot-plug callback.
    void hotplugEvent(bool arrived);

private:
    std::mutex m_mutex;
    libusb_context *m_context = nullptr;
    int m_users = 0;
    std::function<void(bool)> m_listener;
    int m_callbackHandle = 0;
    bool m_callbackRegistered = false;
    std::atomic_bool m_eventsRunning{false};
    std::thread m_events;
};
