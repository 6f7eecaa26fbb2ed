#include "link/usb/libusb/libusbBackend.h"

#include <libusb.h>

namespace {

struct LibusbHandle : UsbHandle {
    libusb_device_handle *handle = nullptr;
    libusb_device *device = nullptr;
};

LibusbHandle *libusbHandle(UsbHandle *h) { return static_cast<LibusbHandle *>(h); }

int LIBUSB_CALL onHotplug(libusb_context *, libusb_device *, libusb_hotplug_event event, void *user)
{
    static_cast<LibusbBackend *>(user)->hotplugEvent(event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED);
    return 0; // stay registered
}

} // namespace

LibusbBackend::~LibusbBackend()
{
    stopHotplug();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_context)
        libusb_exit(m_context);
    m_context = nullptr;
}

int LibusbBackend::init()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_context) {
        const int r = libusb_init(&m_context);
        if (r != LIBUSB_SUCCESS) {
            m_context = nullptr;
            return r;
        }
    }
    ++m_users;
    return LIBUSB_SUCCESS;
}

void LibusbBackend::exit()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_users > 0)
        --m_users;
    // The hot-plug thread keeps the context while it listens.
    if (m_users == 0 && m_context && !m_callbackRegistered) {
        libusb_exit(m_context);
        m_context = nullptr;
    }
}

int LibusbBackend::enumerate(QList<UsbDevice> &devices)
{
    devices.clear();
    libusb_context *ctx;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ctx = m_context;
    }
    if (!ctx)
        return LIBUSB_ERROR_OTHER;
    libusb_device **list = nullptr;
    const ssize_t n = libusb_get_device_list(ctx, &list);
    if (n < 0)
        return int(n);
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor desc{};
        if (libusb_get_device_descriptor(list[i], &desc) != LIBUSB_SUCCESS)
            continue;
        UsbDevice d;
        d.bus = libusb_get_bus_number(list[i]);
        d.address = libusb_get_device_address(list[i]);
        d.vendorId = desc.idVendor;
        d.productId = desc.idProduct;
        // Each kept device holds its own reference; the list goes at once.
        d.token = std::shared_ptr<void>(libusb_ref_device(list[i]),
                                        [](void *p) { libusb_unref_device(static_cast<libusb_device *>(p)); });
        devices.append(d);
    }
    libusb_free_device_list(list, 1);
    return LIBUSB_SUCCESS;
}

int LibusbBackend::open(const UsbDevice &device, UsbHandle *&handle)
{
    handle = nullptr;
    auto *dev = static_cast<libusb_device *>(device.token.get());
    if (!dev)
        return LIBUSB_ERROR_NO_DEVICE;
    libusb_device_handle *h = nullptr;
    const int r = libusb_open(dev, &h);
    if (r != LIBUSB_SUCCESS)
        return r;
    auto *lh = new LibusbHandle;
    lh->handle = h;
    lh->device = dev;
    handle = lh;
    return LIBUSB_SUCCESS;
}

void LibusbBackend::close(UsbHandle *handle)
{
    if (!handle)
        return;
    libusb_close(libusbHandle(handle)->handle);
    delete handle;
}

int LibusbBackend::claimInterface(UsbHandle *handle, int interfaceNumber)
{
    return libusb_claim_interface(libusbHandle(handle)->handle, interfaceNumber);
}

int LibusbBackend::releaseInterface(UsbHandle *handle, int interfaceNumber)
{
    return libusb_release_interface(libusbHandle(handle)->handle, interfaceNumber);
}

int LibusbBackend::bulkTransfer(UsbHandle *handle, quint8 endpoint, quint8 *data, int length, int *transferred,
                                unsigned timeoutMs)
{
    return libusb_bulk_transfer(libusbHandle(handle)->handle, endpoint, data, length, transferred, timeoutMs);
}

int LibusbBackend::clearHalt(UsbHandle *handle, quint8 endpoint)
{
    return libusb_clear_halt(libusbHandle(handle)->handle, endpoint);
}

int LibusbBackend::serialNumber(UsbHandle *handle, QString &serial)
{
    serial.clear();
    libusb_device_descriptor desc{};
    const int r = libusb_get_device_descriptor(libusbHandle(handle)->device, &desc);
    if (r != LIBUSB_SUCCESS)
        return r;
    if (desc.iSerialNumber == 0)
        return LIBUSB_SUCCESS;
    unsigned char text[33] = {};
    const int n = libusb_get_string_descriptor_ascii(libusbHandle(handle)->handle, desc.iSerialNumber, text, 32);
    if (n < 0)
        return n;
    serial = QString::fromLatin1(reinterpret_cast<const char *>(text), n);
    return LIBUSB_SUCCESS;
}

QString LibusbBackend::errorName(int code) const { return QString::fromLatin1(libusb_error_name(code)); }

QString LibusbBackend::errorText(int code) const { return QString::fromLocal8Bit(libusb_strerror(code)); }

bool LibusbBackend::startHotplug(std::function<void(bool)> changed)
{
    if (!libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG))
        return false;
    if (init() != LIBUSB_SUCCESS)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_callbackRegistered) {
        m_listener = std::move(changed);
        --m_users; // already counted by the first start
        return true;
    }
    m_listener = std::move(changed);
    const int r = libusb_hotplug_register_callback(
        m_context, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT, 0, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY, onHotplug,
        this, &m_callbackHandle);
    if (r != LIBUSB_SUCCESS) {
        m_listener = nullptr;
        --m_users;
        return false;
    }
    m_callbackRegistered = true;
    m_eventsRunning = true;
    libusb_context *ctx = m_context;
    m_events = std::thread([this, ctx] {
        while (m_eventsRunning) {
            timeval tv{0, 100000};
            libusb_handle_events_timeout_completed(ctx, &tv, nullptr);
        }
    });
    return true;
}

void LibusbBackend::stopHotplug()
{
    libusb_context *ctx = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_callbackRegistered)
            return;
        ctx = m_context;
        m_listener = nullptr;
    }
    libusb_hotplug_deregister_callback(ctx, m_callbackHandle);
    m_eventsRunning = false;
    if (m_events.joinable())
        m_events.join();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_callbackRegistered = false;
    }
    exit();
}

void LibusbBackend::hotplugEvent(bool arrived)
{
    std::function<void(bool)> listener;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        listener = m_listener;
    }
    if (listener)
        listener(arrived);
}
