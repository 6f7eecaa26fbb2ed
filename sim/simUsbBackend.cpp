#include "simUsbBackend.h"

namespace {

struct SimHandle : UsbHandle {
    std::shared_ptr<SimUsbAdapter> device;
    quint64 generation = 0;
    bool alive() const { return device->isPlugged() && device->generation() == generation; }
};

SimHandle *simHandle(UsbHandle *h) { return static_cast<SimHandle *>(h); }

} // namespace

void SimUsbBackend::addDevice(const std::shared_ptr<SimUsbAdapter> &device)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_devices.append(device);
    }
    notify(true);
}

void SimUsbBackend::removeDevice(const std::shared_ptr<SimUsbAdapter> &device)
{
    device->unplug();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_devices.removeAll(device);
    }
    notify(false);
}

QList<std::shared_ptr<SimUsbAdapter>> SimUsbBackend::devices() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_devices;
}

void SimUsbBackend::unplug(const std::shared_ptr<SimUsbAdapter> &device)
{
    device->unplug();
    notify(false);
}

void SimUsbBackend::plug(const std::shared_ptr<SimUsbAdapter> &device)
{
    device->plug();
    notify(true);
}

void SimUsbBackend::setInitResult(int code)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_initResult = code;
}

void SimUsbBackend::setHotplugSupported(bool supported)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hotplugSupported = supported;
}

int SimUsbBackend::openHandles() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_handles;
}

void SimUsbBackend::notify(bool arrived)
{
    std::function<void(bool)> listener;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        listener = m_hotplug;
    }
    if (listener)
        listener(arrived);
}

int SimUsbBackend::init()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_initResult != 0)
        return m_initResult;
    ++m_contexts;
    return 0;
}

void SimUsbBackend::exit()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_contexts > 0)
        --m_contexts;
}

int SimUsbBackend::enumerate(QList<UsbDevice> &devices)
{
    devices.clear();
    for (const auto &d : this->devices()) {
        if (!d->isPlugged())
            continue;
        UsbDevice u;
        u.bus = d->busNumber();
        u.address = d->address();
        u.vendorId = d->vendorId();
        u.productId = d->productId();
        u.token = d;
        devices.append(u);
    }
    return 0;
}

int SimUsbBackend::open(const UsbDevice &device, UsbHandle *&handle)
{
    handle = nullptr;
    auto d = std::static_pointer_cast<SimUsbAdapter>(device.token);
    if (!d || !d->isPlugged())
        return SimUsbAdapter::ErrorNoDevice;
    auto *h = new SimHandle;
    h->device = d;
    h->generation = d->generation();
    handle = h;
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_handles;
    return 0;
}

void SimUsbBackend::close(UsbHandle *handle)
{
    if (!handle)
        return;
    delete handle;
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_handles;
}

int SimUsbBackend::claimInterface(UsbHandle *handle, int interfaceNumber)
{
    if (!handle || !simHandle(handle)->alive())
        return SimUsbAdapter::ErrorNoDevice;
    return interfaceNumber >= 0 && interfaceNumber <= 2 ? 0 : -5 /* not found */;
}

int SimUsbBackend::releaseInterface(UsbHandle *handle, int interfaceNumber)
{
    return claimInterface(handle, interfaceNumber);
}

int SimUsbBackend::bulkTransfer(UsbHandle *handle, quint8 endpoint, quint8 *data, int length, int *transferred,
                                unsigned timeoutMs)
{
    if (transferred)
        *transferred = 0;
    SimHandle *h = simHandle(handle);
    if (!h || !h->alive())
        return SimUsbAdapter::ErrorNoDevice;
    if (endpoint & 0x80) {
        QByteArray in;
        const int r = h->device->bulkIn(endpoint, in, length, int(timeoutMs));
        const int n = std::min(int(in.size()), length);
        std::copy_n(in.constData(), n, data);
        if (transferred)
            *transferred = n;
        return r;
    }
    const int r = h->device->bulkOut(endpoint, QByteArray(reinterpret_cast<const char *>(data), length), int(timeoutMs));
    if (r == 0 && transferred)
        *transferred = length;
    return r;
}

int SimUsbBackend::clearHalt(UsbHandle *handle, quint8 endpoint)
{
    SimHandle *h = simHandle(handle);
    if (!h || !h->alive())
        return SimUsbAdapter::ErrorNoDevice;
    return h->device->clearHalt(endpoint);
}

int SimUsbBackend::serialNumber(UsbHandle *handle, QString &serial)
{
    SimHandle *h = simHandle(handle);
    serial.clear();
    if (!h || !h->alive())
        return SimUsbAdapter::ErrorNoDevice;
    serial = h->device->serialNumber();
    return 0;
}

QString SimUsbBackend::errorName(int code) const { return usbErrorName(code); }

QString SimUsbBackend::errorText(int code) const { return usbErrorName(code) + QStringLiteral(" (simulated)"); }

bool SimUsbBackend::startHotplug(std::function<void(bool)> changed)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_hotplugSupported)
        return false;
    m_hotplug = std::move(changed);
    return true;
}

void SimUsbBackend::stopHotplug()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hotplug = nullptr;
}
