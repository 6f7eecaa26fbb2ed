#include "fakeLibusb.h"

#include <libusb.h>

#include <QList>
#include <QSet>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

struct libusb_context {
    int unused = 0;
};

struct libusb_device {
    std::shared_ptr<SimUsbAdapter> sim;
    int refs = 1;
};

struct libusb_device_handle {
    libusb_device *device = nullptr;
    quint64 generation = 0;
    QSet<int> claimed;
};

namespace {

struct HotplugCallback {
    int handle;
    libusb_context *ctx;
    int events;
    int vendor;
    int product;
    libusb_hotplug_callback_fn fn;
    void *user;
};

struct State {
    std::mutex mutex;
    std::condition_variable cv;
    QList<std::shared_ptr<SimUsbAdapter>> devices;
    QList<HotplugCallback> callbacks;
    std::deque<std::pair<std::shared_ptr<SimUsbAdapter>, bool>> events;
    int initResult = 0;
    int contexts = 0;
    int liveDevices = 0;
    int handles = 0;
    int claims = 0;
    int nextCallback = 1;
};

State &state()
{
    static State s;
    return s;
}

constexpr uint8_t kSerialIndex = 3;

libusb_device *newDevice(const std::shared_ptr<SimUsbAdapter> &sim)
{
    ++state().liveDevices;
    auto *d = new libusb_device;
    d->sim = sim;
    return d;
}

bool alive(const libusb_device_handle *h)
{
    return h && h->device->sim->isPlugged() && h->device->sim->generation() == h->generation;
}

void queueEvent(const std::shared_ptr<SimUsbAdapter> &device, bool arrived)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.events.emplace_back(device, arrived);
    s.cv.notify_all();
}

} // namespace

namespace FakeLibusb {

void setDevices(const QList<std::shared_ptr<SimUsbAdapter>> &devices)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().devices = devices;
    state().events.clear();
}

void unplug(const std::shared_ptr<SimUsbAdapter> &device)
{
    device->unplug();
    queueEvent(device, false);
}

void plug(const std::shared_ptr<SimUsbAdapter> &device)
{
    device->plug();
    queueEvent(device, true);
}

void setInitResult(int code)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().initResult = code;
}

int liveContexts()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().contexts;
}

int liveDevices()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().liveDevices;
}

int openHandles()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().handles;
}

int claimedInterfaces()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().claims;
}

} // namespace FakeLibusb

extern "C" {

int LIBUSB_CALL libusb_init(libusb_context **ctx)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.initResult != 0)
        return s.initResult;
    ++s.contexts;
    *ctx = new libusb_context;
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_exit(libusb_context *ctx)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!ctx)
        return;
    --s.contexts;
    delete ctx;
}

ssize_t LIBUSB_CALL libusb_get_device_list(libusb_context *, libusb_device ***list)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    QList<std::shared_ptr<SimUsbAdapter>> plugged;
    for (const auto &d : s.devices)
        if (d->isPlugged())
            plugged << d;
    auto **out = new libusb_device *[size_t(plugged.size()) + 1];
    for (int i = 0; i < plugged.size(); ++i)
        out[i] = newDevice(plugged[i]);
    out[plugged.size()] = nullptr;
    *list = out;
    return plugged.size();
}

void LIBUSB_CALL libusb_free_device_list(libusb_device **list, int unref_devices)
{
    if (!list)
        return;
    if (unref_devices)
        for (libusb_device **d = list; *d; ++d)
            libusb_unref_device(*d);
    delete[] list;
}

libusb_device *LIBUSB_CALL libusb_ref_device(libusb_device *dev)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    ++dev->refs;
    return dev;
}

void LIBUSB_CALL libusb_unref_device(libusb_device *dev)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (--dev->refs == 0) {
        --s.liveDevices;
        delete dev;
    }
}

int LIBUSB_CALL libusb_get_device_descriptor(libusb_device *dev, struct libusb_device_descriptor *desc)
{
    *desc = libusb_device_descriptor{};
    desc->bLength = LIBUSB_DT_DEVICE_SIZE;
    desc->bDescriptorType = LIBUSB_DT_DEVICE;
    desc->idVendor = dev->sim->vendorId();
    desc->idProduct = dev->sim->productId();
    desc->iSerialNumber = dev->sim->serialNumber().isEmpty() ? 0 : kSerialIndex;
    desc->bNumConfigurations = 1;
    return LIBUSB_SUCCESS;
}

uint8_t LIBUSB_CALL libusb_get_bus_number(libusb_device *dev) { return dev->sim->busNumber(); }

uint8_t LIBUSB_CALL libusb_get_device_address(libusb_device *dev) { return dev->sim->address(); }

int LIBUSB_CALL libusb_open(libusb_device *dev, libusb_device_handle **dev_handle)
{
    if (!dev->sim->isPlugged())
        return LIBUSB_ERROR_NO_DEVICE;
    libusb_ref_device(dev);
    auto *h = new libusb_device_handle;
    h->device = dev;
    h->generation = dev->sim->generation();
    *dev_handle = h;
    std::lock_guard<std::mutex> lock(state().mutex);
    ++state().handles;
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_close(libusb_device_handle *dev_handle)
{
    if (!dev_handle)
        return;
    {
        State &s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        --s.handles;
        s.claims -= int(dev_handle->claimed.size());
    }
    libusb_unref_device(dev_handle->device);
    delete dev_handle;
}

int LIBUSB_CALL libusb_claim_interface(libusb_device_handle *dev_handle, int interface_number)
{
    if (!alive(dev_handle))
        return LIBUSB_ERROR_NO_DEVICE;
    if (interface_number < 0 || interface_number > 2)
        return LIBUSB_ERROR_NOT_FOUND;
    std::lock_guard<std::mutex> lock(state().mutex);
    if (!dev_handle->claimed.contains(interface_number)) {
        dev_handle->claimed.insert(interface_number);
        ++state().claims;
    }
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_release_interface(libusb_device_handle *dev_handle, int interface_number)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    if (!dev_handle->claimed.remove(interface_number))
        return LIBUSB_ERROR_NOT_FOUND;
    --state().claims;
    return alive(dev_handle) ? LIBUSB_SUCCESS : LIBUSB_ERROR_NO_DEVICE;
}

int LIBUSB_CALL libusb_bulk_transfer(libusb_device_handle *dev_handle, unsigned char endpoint, unsigned char *data,
                                     int length, int *actual_length, unsigned int timeout)
{
    if (actual_length)
        *actual_length = 0;
    if (!alive(dev_handle))
        return LIBUSB_ERROR_NO_DEVICE;
    SimUsbAdapter &sim = *dev_handle->device->sim;
    if (endpoint & LIBUSB_ENDPOINT_IN) {
        QByteArray in;
        const int r = sim.bulkIn(endpoint, in, length, int(timeout));
        const int n = std::min(int(in.size()), length);
        std::copy_n(in.constData(), n, data);
        if (actual_length)
            *actual_length = n;
        return r;
    }
    const int r = sim.bulkOut(endpoint, QByteArray(reinterpret_cast<const char *>(data), length), int(timeout));
    if (r == 0 && actual_length)
        *actual_length = length;
    return r;
}

int LIBUSB_CALL libusb_clear_halt(libusb_device_handle *dev_handle, unsigned char endpoint)
{
    if (!alive(dev_handle))
        return LIBUSB_ERROR_NO_DEVICE;
    return dev_handle->device->sim->clearHalt(endpoint);
}

int LIBUSB_CALL libusb_get_string_descriptor_ascii(libusb_device_handle *dev_handle, uint8_t desc_index,
                                                   unsigned char *data, int length)
{
    if (!alive(dev_handle))
        return LIBUSB_ERROR_NO_DEVICE;
    if (desc_index != kSerialIndex)
        return LIBUSB_ERROR_INVALID_PARAM;
    const QByteArray text = dev_handle->device->sim->serialNumber().toLatin1();
    const int n = std::min(int(text.size()), length - 1);
    std::copy_n(text.constData(), n, data);
    data[n] = 0;
    return n;
}

const char *LIBUSB_CALL libusb_error_name(int errcode)
{
    switch (errcode) {
    case LIBUSB_SUCCESS: return "LIBUSB_SUCCESS";
    case LIBUSB_ERROR_IO: return "LIBUSB_ERROR_IO";
    case LIBUSB_ERROR_INVALID_PARAM: return "LIBUSB_ERROR_INVALID_PARAM";
    case LIBUSB_ERROR_ACCESS: return "LIBUSB_ERROR_ACCESS";
    case LIBUSB_ERROR_NO_DEVICE: return "LIBUSB_ERROR_NO_DEVICE";
    case LIBUSB_ERROR_NOT_FOUND: return "LIBUSB_ERROR_NOT_FOUND";
    case LIBUSB_ERROR_BUSY: return "LIBUSB_ERROR_BUSY";
    case LIBUSB_ERROR_TIMEOUT: return "LIBUSB_ERROR_TIMEOUT";
    case LIBUSB_ERROR_OVERFLOW: return "LIBUSB_ERROR_OVERFLOW";
    case LIBUSB_ERROR_PIPE: return "LIBUSB_ERROR_PIPE";
    default: return "LIBUSB_ERROR_OTHER";
    }
}

const char *LIBUSB_CALL libusb_strerror(int errcode)
{
    switch (errcode) {
    case LIBUSB_SUCCESS: return "Success";
    case LIBUSB_ERROR_NO_DEVICE: return "No such device (it may have been disconnected)";
    case LIBUSB_ERROR_TIMEOUT: return "Operation timed out";
    case LIBUSB_ERROR_PIPE: return "Pipe error";
    default: return "Other error";
    }
}

int LIBUSB_CALL libusb_has_capability(uint32_t capability) { return capability == LIBUSB_CAP_HAS_HOTPLUG ? 1 : 0; }

int LIBUSB_CALL libusb_hotplug_register_callback(libusb_context *ctx, int events, int, int vendor_id, int product_id,
                                                 int, libusb_hotplug_callback_fn cb_fn, void *user_data,
                                                 libusb_hotplug_callback_handle *callback_handle)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const int handle = s.nextCallback++;
    s.callbacks.append({handle, ctx, events, vendor_id, product_id, cb_fn, user_data});
    if (callback_handle)
        *callback_handle = handle;
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_hotplug_deregister_callback(libusb_context *, libusb_hotplug_callback_handle callback_handle)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (int i = 0; i < s.callbacks.size(); ++i)
        if (s.callbacks[i].handle == callback_handle)
            s.callbacks.removeAt(i--);
}

int LIBUSB_CALL libusb_handle_events_timeout_completed(libusb_context *ctx, struct timeval *tv, int *)
{
    State &s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    const auto wait = std::chrono::seconds(tv ? tv->tv_sec : 0) + std::chrono::microseconds(tv ? tv->tv_usec : 0);
    s.cv.wait_for(lock, wait, [&] { return !s.events.empty(); });
    while (!s.events.empty()) {
        const auto [device, arrived] = s.events.front();
        s.events.pop_front();
        const int event = arrived ? LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED : LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT;
        const QList<HotplugCallback> callbacks = s.callbacks;
        libusb_device *dev = newDevice(device);
        lock.unlock();
        for (const HotplugCallback &c : callbacks) {
            const bool vendorOk = c.vendor == LIBUSB_HOTPLUG_MATCH_ANY || c.vendor == device->vendorId();
            const bool productOk = c.product == LIBUSB_HOTPLUG_MATCH_ANY || c.product == device->productId();
            if (c.ctx == ctx && (c.events & event) && vendorOk && productOk)
                c.fn(ctx, dev, libusb_hotplug_event(event), c.user);
        }
        libusb_unref_device(dev);
        lock.lock();
    }
    return LIBUSB_SUCCESS;
}

} // extern "C"
