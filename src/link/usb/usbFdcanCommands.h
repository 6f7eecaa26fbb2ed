#pragma once

#include "link/usb/fdcanCommands.h"
#include "link/usb/usbDeviceInfo.h"

#include <QList>

#include <functional>

class UsbCanAdapter;

// The panel's view of the real USB FDCAN adapter: enumeration and pairing of the USB
// layer, the adapter object for open and close (which also starts capture and the
// readers), and the command functions for timing, state and firmware.
class UsbFdcanCommands final : public FdcanCommands
{
public:
    // `ports` lists the serial ports to pair with (the system's and those known by path).
    UsbFdcanCommands(UsbCanAdapter *adapter, std::function<QList<USBDeviceInfo>()> ports);

    QStringList deviceNames() override;
    void rebuildPairing() override;
    QString portOfDevice(const QString &device) override;
    QString deviceOfPort(const QString &port) override;

    bool open(const QString &device) override;
    void close() override;
    bool connected() const override;

    quint8 setupBaud(const customBaudconfiguration &timing) override;
    QByteArray getBaudRate() override;
    quint8 testAck(QByteArray *payload) override;
    quint8 iapPack(quint32 index, const QByteArray &sector) override;
    quint8 iapEnd() override;

private:
    UsbCanAdapter *adapter;
    std::function<QList<USBDeviceInfo>()> ports;
};
