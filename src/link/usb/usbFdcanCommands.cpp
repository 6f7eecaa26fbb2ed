#include "link/usb/usbFdcanCommands.h"

#include "link/usb/adapterFirmware.h"
#include "link/usb/control_protocol.h"
#include "link/usb/usbCanAdapter.h"
#include "link/usb/usb_class.h"

UsbFdcanCommands::UsbFdcanCommands(UsbCanAdapter *a, std::function<QList<USBDeviceInfo>()> p)
    : adapter(a), ports(std::move(p))
{
}

QStringList UsbFdcanCommands::deviceNames()
{
    int count = 0;
    return usb_get_zk_device(count);
}

void UsbFdcanCommands::rebuildPairing() { matchUSBDeviceInfo(ports ? ports() : QList<USBDeviceInfo>()); }

QString UsbFdcanCommands::portOfDevice(const QString &device) { return Libusb2Qserialport(device); }

QString UsbFdcanCommands::deviceOfPort(const QString &port) { return Qserialport2Libusb(port); }

bool UsbFdcanCommands::open(const QString &device)
{
    adapter->setDeviceName(device);
    return adapter->connectDevice();
}

void UsbFdcanCommands::close() { adapter->disconnectDevice(); }

bool UsbFdcanCommands::connected() const { return adapter->state() != CanAdapter::State::Unconnected; }

quint8 UsbFdcanCommands::setupBaud(const customBaudconfiguration &t)
{
    return USB_CMD_SETUP_BUARD(t.mode, t.idPrescaler, t.dataPrescaler, t.idSeg1, t.idSeg2, t.dataSeg1, t.dataSeg2,
                               t.idSjw, t.dataSjw);
}

QByteArray UsbFdcanCommands::getBaudRate() { return USB_CMD_GetBaudRate(); }

quint8 UsbFdcanCommands::testAck(QByteArray *payload) { return USB_CMD_TEST_ACK(*payload); }

quint8 UsbFdcanCommands::iapPack(quint32 index, const QByteArray &sector)
{
    // The command takes exactly one sector; a short one is padded, never over-read.
    const QByteArray full = sector.size() == kIapSectorSize ? sector : iapSector(sector, 0);
    return USB_CMD_IAP_PACK(index, reinterpret_cast<const uint8_t *>(full.constData()));
}

quint8 UsbFdcanCommands::iapEnd() { return USB_CMD_IAP_END(); }
