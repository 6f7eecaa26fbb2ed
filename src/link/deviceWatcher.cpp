#include "link/deviceWatcher.h"

#include <QSerialPortInfo>
#include <QSet>

#include <libusb.h>

DeviceWatcher::DeviceWatcher(QObject *parent, int periodMs) : QObject(parent)
{
    m_timer.setInterval(periodMs);
    connect(&m_timer, &QTimer::timeout, this, &DeviceWatcher::poll);
    if (libusb_init(&m_usbContext) != 0)
        m_usbContext = nullptr;
}

DeviceWatcher::~DeviceWatcher()
{
    m_timer.stop();
    if (m_usbContext)
        libusb_exit(m_usbContext);
}

void DeviceWatcher::start()
{
    m_ports = serialPortSnapshot();
    m_usb = usbSnapshot();
    m_timer.start();
}

void DeviceWatcher::stop() { m_timer.stop(); }

QStringList DeviceWatcher::serialPortSnapshot()
{
    QStringList names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const auto &p : ports)
        names << p.systemLocation();
    names.sort();
    return names;
}

QStringList DeviceWatcher::usbSnapshot() const
{
    QStringList ids;
    if (!m_usbContext)
        return ids;
    libusb_device **list = nullptr;
    const ssize_t n = libusb_get_device_list(m_usbContext, &list);
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor d{};
        if (libusb_get_device_descriptor(list[i], &d) == 0)
            ids << QString("%1:%2@%3.%4")
                       .arg(d.idVendor, 4, 16, QChar('0'))
                       .arg(d.idProduct, 4, 16, QChar('0'))
                       .arg(libusb_get_bus_number(list[i]))
                       .arg(libusb_get_device_address(list[i]));
    }
    if (list)
        libusb_free_device_list(list, 1);
    ids.sort();
    return ids;
}

void DeviceWatcher::poll()
{
    const QStringList ports = serialPortSnapshot();
    const QStringList usb = usbSnapshot();
    if (ports == m_ports && usb == m_usb)
        return;
    const bool arrived = ports.size() + usb.size() > m_ports.size() + m_usb.size()
                         || !QSet<QString>(ports.begin(), ports.end()).contains(QSet<QString>(m_ports.begin(), m_ports.end()));
    m_ports = ports;
    m_usb = usb;
    emit devicesChanged(arrived);
}
