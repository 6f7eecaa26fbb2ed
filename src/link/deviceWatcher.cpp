#include "link/deviceWatcher.h"

#include "link/usb/usbBackend.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSerialPortInfo>
#include <QSet>

DeviceWatcher::DeviceWatcher(QObject *parent, int periodMs) : QObject(parent), m_backend(usbBackend())
{
    m_timer.setInterval(periodMs);
    connect(&m_timer, &QTimer::timeout, this, &DeviceWatcher::poll);
    m_backendReady = m_backend->init() == UsbError::Success;
}

DeviceWatcher::~DeviceWatcher()
{
    stop();
    if (m_backendReady)
        m_backend->exit();
}

void DeviceWatcher::start()
{
    m_ports = serialPortSnapshot();
    m_usb = usbSnapshot();
    if (!m_hotplug && m_backendReady) {
        // The notification comes on the library's thread; the window's object may be gone
        // by the time the queued call runs, hence the guard on the GUI thread.
        QPointer<DeviceWatcher> self(this);
        m_hotplug = m_backend->startHotplug([self](bool arrived) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, arrived] {
                    if (self)
                        self->onHotplug(arrived);
                },
                Qt::QueuedConnection);
        });
    }
    m_timer.start();
}

void DeviceWatcher::stop()
{
    m_timer.stop();
    if (m_hotplug) {
        m_backend->stopHotplug();
        m_hotplug = false;
    }
}

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
    QList<UsbDevice> devices;
    if (!m_backendReady || m_backend->enumerate(devices) != UsbError::Success)
        return ids;
    for (const UsbDevice &d : devices)
        ids << QString("%1:%2@%3.%4")
                   .arg(d.vendorId, 4, 16, QChar('0'))
                   .arg(d.productId, 4, 16, QChar('0'))
                   .arg(d.bus)
                   .arg(d.address);
    ids.sort();
    return ids;
}

void DeviceWatcher::poll()
{
    const QStringList ports = serialPortSnapshot();
    // With hot-plug notifications the USB side needs no polling.
    const QStringList usb = m_hotplug ? m_usb : usbSnapshot();
    if (ports == m_ports && usb == m_usb)
        return;
    const bool arrived = ports.size() + usb.size() > m_ports.size() + m_usb.size()
                         || !QSet<QString>(ports.begin(), ports.end()).contains(QSet<QString>(m_ports.begin(), m_ports.end()));
    m_ports = ports;
    m_usb = usb;
    emit devicesChanged(arrived);
}

void DeviceWatcher::onHotplug(bool arrived)
{
    // The adapter's serial port comes and goes with it.
    m_ports = serialPortSnapshot();
    emit devicesChanged(arrived);
}
