#include "link/usb/usb_class.h"

#include "link/serial/customFIFO.h"
#include "link/usb/crc.h"
#include "log/log.h"

#include <QMap>
#include <QMutex>
#include <QReadWriteLock>
#include <QSerialPortInfo>

#include <cstring>
#include <new>

namespace {

struct Slot
{
    UsbDevice device;
    QString name;
};

// Everything the functions of this file share. Enumeration, opening and pairing run
// on the GUI thread; the handle is used by the readers, the transmit path, the
// command exchanges and the heartbeat as well, hence its own read-write lock: a
// transfer holds it for reading, closing takes it for writing.
struct Module
{
    QMutex mutex; // everything but the handle
    std::shared_ptr<UsbBackend> backend;
    bool contextReady = false;
    QList<UsbDevice> deviceList;
    QList<Slot> slotList;
    UsbDevice selected;
    QMap<QString, QString> portToAdapter;

    QReadWriteLock handleLock;
    std::shared_ptr<UsbBackend> handleBackend;
    UsbHandle *handle = nullptr;
    std::atomic_bool connected{false};
};

Module &module()
{
    static Module m;
    return m;
}

// Releases the interfaces and closes the handle; the caller holds the write lock.
void closeHandleLocked(Module &m)
{
    if (!m.handle)
        return;
    for (int i = 0; i < UsbAdapter::InterfaceCount; ++i)
        m.handleBackend->releaseInterface(m.handle, i);
    Logger::debug("释放接口", "usb_clear");
    m.handleBackend->close(m.handle);
    Logger::debug("释放句柄", "usb_clear");
    m.handle = nullptr;
    m.handleBackend.reset();
}

} // namespace

QString usbDeviceName(int bus, int address) { return QString::asprintf("device:%d,%d", bus, address); }

QStringList usb_get_zk_device(int &count)
{
    Module &m = module();
    QMutexLocker lock(&m.mutex);
    count = 0;
    if (!m.contextReady) {
        m.backend = usbBackend();
        const int r = m.backend->init();
        if (r != UsbError::Success) {
            Logger::error(QString("libusb初始化失败:%1").arg(m.backend->errorText(r)), "usb_get_zk_device");
            m.backend.reset();
            return {};
        }
        m.contextReady = true;
    }
    QList<UsbDevice> devices;
    const int r = m.backend->enumerate(devices);
    if (r < 0) {
        Logger::error(QString("获取设备列表失败:%1").arg(QString("错误码: %1").arg(r)), "usb_get_zk_device");
        return {};
    }
    m.deviceList = devices;
    m.slotList.clear();
    QStringList names;
    for (const UsbDevice &d : devices) {
        if (d.vendorId != UsbAdapter::VendorId || d.productId != UsbAdapter::ProductId)
            continue;
        if (m.slotList.size() >= UsbAdapter::MaxDevices)
            break;
        const QString name = usbDeviceName(d.bus, d.address);
        m.slotList.append({d, name});
        names << name;
        Logger::debug("device-id:" + name, "usb_get_zk_device");
    }
    count = int(names.size());
    if (count > 0)
        Logger::debug(QString("found RI-RAZOV,cnt=%1").arg(count), "usb_get_zk_device");
    else
        Logger::debug("未发现RI-RAZOV设备", "usb_get_zk_device");
    return names;
}

UsbDevice get_libusb_device(const QString &name)
{
    Module &m = module();
    QMutexLocker lock(&m.mutex);
    Logger::debug("choose device is " + name, "get_libusb_device");
    m.selected = UsbDevice();
    for (const Slot &s : m.slotList) {
        if (s.name == name) {
            m.selected = s.device;
            break;
        }
    }
    return m.selected;
}

int usb_open(const QString &name)
{
    Module &m = module();
    const UsbDevice device = get_libusb_device(name);
    std::shared_ptr<UsbBackend> backend;
    {
        QMutexLocker lock(&m.mutex);
        backend = m.backend;
    }
    if (!device.isValid() || !backend) {
        Logger::debug("not found device", "usb_open");
        return -1;
    }
    // Never two handles: a second open replaces the first.
    if (get_connect() || m.handle)
        usb_clear();

    UsbHandle *handle = nullptr;
    const int r = backend->open(device, handle);
    if (r != UsbError::Success || !handle) {
        Logger::error("libusb_open failed", "usb_open");
        if (handle)
            backend->close(handle);
        usb_clear();
        return -1;
    }
    Logger::debug("open successful", "usb_open");
    {
        QWriteLocker lock(&m.handleLock);
        m.handle = handle;
        m.handleBackend = backend;
    }
    for (int i = 0; i < UsbAdapter::InterfaceCount; ++i) {
        const int c = backend->claimInterface(handle, i);
        if (c != UsbError::Success) {
            Logger::error(QString("libusb_claim_interface %1 failed:[%2]").arg(i).arg(backend->errorText(c)), "usb_open");
            usb_clear();
            return -1;
        }
        Logger::debug(QString("libusb_claim_interface %1 successful").arg(i), "usb_open");
    }
    m.connected = true;
    return 0;
}

void usb_clear()
{
    Module &m = module();
    // Readers look at the flag before each transfer: no new ones start.
    m.connected = false;
    {
        QWriteLocker lock(&m.handleLock);
        closeHandleLocked(m);
    }
    {
        QMutexLocker lock(&m.mutex);
        m.selected = UsbDevice();
    }
    Logger::debug("清理完毕", "usb_clear");
}

void clear_ctx()
{
    Module &m = module();
    m.connected = false;
    {
        QWriteLocker lock(&m.handleLock);
        closeHandleLocked(m);
    }
    QMutexLocker lock(&m.mutex);
    m.deviceList.clear();
    m.selected = UsbDevice();
    Logger::debug("释放链表", "clear_ctx");
    if (m.contextReady && m.backend)
        m.backend->exit();
    m.backend.reset();
    m.contextReady = false;
    Logger::debug("释放上下文", "clear_ctx");
    m.slotList.clear();
}

bool get_connect() { return module().connected; }
void set_connect() { module().connected = true; }
void clear_connect() { module().connected = false; }

void clearWINUSBhalt()
{
    for (quint8 ep : {UsbAdapter::CommandIn, UsbAdapter::CommandOut, UsbAdapter::ReceiveIn, UsbAdapter::HeartbeatOut}) {
        const int r = usb_clear_halt(ep);
        if (r != UsbError::Success)
            Logger::warning(QString("libusb_clear_halt 0x%1 failed:[%2]").arg(ep, 2, 16, QChar('0')).arg(usb_error_text(r)),
                            "clearWINUSBhalt");
    }
}

int usb_bulk_transfer(quint8 endpoint, quint8 *data, int length, int *transferred, unsigned timeoutMs)
{
    Module &m = module();
    QReadLocker lock(&m.handleLock);
    if (!m.handle) {
        if (transferred)
            *transferred = 0;
        return UsbAdapter::NotOpen;
    }
    int moved = 0;
    const int r = m.handleBackend->bulkTransfer(m.handle, endpoint, data, length, &moved, timeoutMs);
    if (transferred)
        *transferred = moved;
    return r;
}

int usb_clear_halt(quint8 endpoint)
{
    Module &m = module();
    QReadLocker lock(&m.handleLock);
    if (!m.handle)
        return UsbAdapter::NotOpen;
    return m.handleBackend->clearHalt(m.handle, endpoint);
}

QString usb_error_name(int code)
{
    if (code == UsbAdapter::NotOpen)
        return QStringLiteral("NOT_OPEN");
    return usbBackend()->errorName(code);
}

QString usb_error_text(int code)
{
    if (code == UsbAdapter::NotOpen)
        return QStringLiteral("未打开设备");
    return usbBackend()->errorText(code);
}

// ---------------------------------------------------------------- pairing

QList<USBDeviceInfo> systemSerialPorts()
{
    QList<USBDeviceInfo> out;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &p : ports) {
        USBDeviceInfo info;
        info.portName = p.portName();
        info.description = p.description();
        info.vendorId = p.hasVendorIdentifier() ? p.vendorIdentifier() : 0;
        info.productId = p.hasProductIdentifier() ? p.productIdentifier() : 0;
        info.serialNumber = p.serialNumber();
        out << info;
    }
    return out;
}

void matchUSBDeviceInfo(const QList<USBDeviceInfo> &ports)
{
    Module &m = module();
    const std::shared_ptr<UsbBackend> backend = usbBackend();
    QMap<QString, QString> pairs;
    // A map that survived from an earlier enumeration could pair a port with an adapter
    // that has gone: the map is built anew every time.
    auto store = [&] {
        QMutexLocker lock(&m.mutex);
        m.portToAdapter = pairs;
    };
    const int r = backend->init();
    if (r != UsbError::Success) {
        Logger::error("初始化libusb失败:" + backend->errorName(r), "matchUSBDeviceInfo");
        store();
        return;
    }
    // A device with several serial interfaces gives them all the same key.
    QMultiMap<QString, QString> portByKey;
    for (const USBDeviceInfo &p : ports) {
        if (p.vendorId != 0 && p.productId != 0)
            portByKey.insert(p.key(), p.portName);
    }
    QList<UsbDevice> devices;
    if (backend->enumerate(devices) < 0) {
        Logger::error("获取libusb设备列表失败", "matchUSBDeviceInfo");
        backend->exit();
        store();
        return;
    }
    for (const UsbDevice &d : devices) {
        if (d.vendorId == 0 || d.productId == 0)
            continue;
        UsbHandle *handle = nullptr;
        if (backend->open(d, handle) != UsbError::Success || !handle)
            continue;
        QString serial;
        backend->serialNumber(handle, serial);
        backend->close(handle);
        USBDeviceInfo probe;
        probe.vendorId = d.vendorId;
        probe.productId = d.productId;
        probe.serialNumber = serial.left(32);
        for (const QString &port : portByKey.values(probe.key()))
            pairs.insert(port, usbDeviceName(d.bus, d.address));
    }
    backend->exit();
    store();
}

QString Qserialport2Libusb(const QString &portName)
{
    Module &m = module();
    QMutexLocker lock(&m.mutex);
    return m.portToAdapter.value(portName);
}

QString Libusb2Qserialport(const QString &adapterName)
{
    Module &m = module();
    QMutexLocker lock(&m.mutex);
    for (auto it = m.portToAdapter.constBegin(); it != m.portToAdapter.constEnd(); ++it) {
        if (it.value() == adapterName)
            return it.key();
    }
    return QString();
}

// ---------------------------------------------------------------- stream readers

void unpack_usb_frame(const quint8 *transfer, int length, CustomFIFO &fifo, UsbStream stream)
{
    const bool rx = stream == UsbStream::Receive;
    const char *source = rx ? "usb_class" : "tx_can_thread";
    if (length < 1 || transfer[0] != 0xA5 || transfer[length - 1] != 0x5A) {
        const int start = length > 0 ? transfer[0] : 0;
        const int end = length > 0 ? transfer[length - 1] : 0;
        Logger::error(QString(rx ? "usb thread 帧格式错误 , start = 0x%1 , end = 0x%2"
                                 : "tx_can_thread 帧格式错误 帧格式错误 , start = 0x%1 , end = 0x%2")
                          .arg(start, 2, 16, QChar('0'))
                          .arg(end, 2, 16, QChar('0')),
                      source);
        return;
    }
    if (length < 4) {
        Logger::error("字节数为空", source);
        return;
    }
    const int payload = transfer[2] | (transfer[3] << 8);
    if (payload == 0) {
        Logger::error("字节数为空", source);
        return;
    }
    // Head, length, payload, CRC and the end byte must all lie inside the transfer.
    if (payload + 7 > length) {
        Logger::error(QString("帧长度错误 , L = %1 , 传输字节 = %2").arg(payload).arg(length), source);
        return;
    }
    auto *block = new (std::nothrow) quint8[size_t(payload) + 4]();
    if (!block) {
        Logger::error("usb缓存内存申请失败", source);
        return;
    }
    std::memcpy(block, transfer + 2, size_t(payload) + 4);
    if (fifo.fifo_write(block))
        delete[] block; // full: the FIFO logged it, the transfer is lost
}

usb_stream_reader::usb_stream_reader(UsbStream stream, CustomFIFO *fifo, QObject *parent)
    : QThread(parent),
      m_stream(stream),
      m_endpoint(stream == UsbStream::Receive ? UsbAdapter::ReceiveIn : UsbAdapter::EchoIn),
      m_fifo(fifo)
{
}

usb_stream_reader::~usb_stream_reader()
{
    requestInterruption();
    quit();
    wait();
}

void usb_stream_reader::restart()
{
    if (isRunning() && m_failed)
        wait();
    if (!isRunning()) {
        m_failed = false;
        start();
    }
}

void usb_stream_reader::run()
{
    const bool rx = m_stream == UsbStream::Receive;
    const char *source = rx ? "usb_class::run" : "tx_can_thread::run";
    Logger::info(rx ? "RX接收线程启动" : "TX接收线程启动", source);
    if (m_buffer.empty())
        m_buffer.assign(UsbAdapter::ReadBufferSize, 0);
    // A pass takes what the endpoint holds, but not forever: the loop must still see an
    // interruption or a block in time.
    constexpr int kMaxTransfersPerPass = 64;
    int error = 0;
    while (!isInterruptionRequested() && error == 0) {
        QThread::msleep(10);
        if (m_block || !get_connect()) {
            m_idle = true;
            continue;
        }
        m_idle = false;
        for (int k = 0; k < kMaxTransfersPerPass && !m_block && !isInterruptionRequested(); ++k) {
            int got = 0;
            const int r = usb_bulk_transfer(m_endpoint, m_buffer.data(), int(m_buffer.size()), &got,
                                            UsbAdapter::ReadTimeoutMs);
            if (r == UsbError::Success && got > 0) {
                unpack_usb_frame(m_buffer.data(), got, *m_fifo, m_stream);
                std::memset(m_buffer.data(), 0, size_t(got));
                continue;
            }
            // Closed between the check and the transfer: the next pass sees it.
            if (r == UsbError::Success || r == UsbError::Timeout || r == UsbAdapter::NotOpen)
                break;
            error = r;
            break;
        }
        if (error == 0)
            usb_clear_halt(m_endpoint);
    }
    m_idle = true;
    if (error != 0) {
        Logger::error(QString("发送CAN指令失败: %1 (%2)").arg(usb_error_name(error)).arg(error), source);
        m_failed = true;
        emit usb_happen_err();
    }
}
