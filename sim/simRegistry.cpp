#include "simRegistry.h"

SimRegistry::~SimRegistry()
{
    stopAll();
}

SimRegistry &SimRegistry::global()
{
    static SimRegistry registry;
    return registry;
}

QList<SimPortInfo> SimRegistry::start(int count, const Options &options, QString *error)
{
    QList<SimBus::MotorSetup> wanted = options.motors;
    const int generated = wanted.isEmpty() ? std::max(1, options.motorsPerPort) : 0;
    for (int i = 0; i < generated; ++i) {
        const quint32 id = quint32(i + 1);
        wanted << SimBus::MotorSetup{id, id + 0x10, (4 - i % 10 + 10) % 10, options.layout, i};
    }
    auto make = [&](bool console) -> bool {
        auto adapter = std::make_shared<SimSerialAdapter>();
        for (const SimBus::MotorSetup &m : console ? wanted.mid(0, 1) : wanted)
            adapter->bus()->addMotor(m);
        const QString ids = adapter->bus()->describe();
        adapter->setMode(console ? SimSerialAdapter::Console : SimSerialAdapter::Adapter);
        QString why;
        if (!adapter->start(&why)) {
            if (error)
                *error = why;
            return false;
        }
        Entry e;
        e.adapter = adapter;
        e.info.path = adapter->slavePath();
        e.info.description = console ? QStringLiteral("Simulated motor console (%1)").arg(ids)
                                     : QStringLiteral("Simulated serial adapter (%1)").arg(ids);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.append(e);
        return true;
    };
    for (int i = 0; i < count; ++i)
        make(false);
    for (int i = 0; i < options.consolePorts; ++i)
        make(true);
    for (int i = 0; i < options.usbAdapters; ++i) {
        // The adapter's own serial port carries no adapter frames: an idle port.
        auto port = std::make_shared<SimSerialAdapter>();
        port->setMode(SimSerialAdapter::Adapter);
        port->setHeartbeatEnabled(false);
        QString why;
        if (!port->start(&why)) {
            if (error)
                *error = why;
            continue;
        }
        const QString serial = QStringLiteral("ZKSIM%1").arg(i + 1, 3, 10, QLatin1Char('0'));
        auto usb = std::make_shared<SimUsbAdapter>(serial, 1, quint8(10 + i));
        for (const SimBus::MotorSetup &m : wanted)
            usb->bus()->addMotor(m);
        Entry e;
        e.adapter = port;
        e.usb = usb;
        e.info.path = port->slavePath();
        e.info.description = QStringLiteral("Simulated USB CAN FD adapter (%1)").arg(usb->bus()->describe());
        e.info.vendorId = usb->vendorId();
        e.info.productId = usb->productId();
        e.info.serialNumber = serial;
        usbBackend()->addDevice(usb);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.append(e);
    }
    return ports();
}

QList<SimPortInfo> SimRegistry::ports() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QList<SimPortInfo> list;
    for (const Entry &e : m_entries)
        list.append(e.info);
    return list;
}

bool SimRegistry::isSimulated(const QString &path) const
{
    return adapter(path) != nullptr;
}

std::shared_ptr<SimSerialAdapter> SimRegistry::adapter(int port) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return port >= 0 && port < m_entries.size() ? m_entries[port].adapter : nullptr;
}

std::shared_ptr<SimSerialAdapter> SimRegistry::adapter(const QString &path) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Entry &e : m_entries)
        if (e.info.path == path)
            return e.adapter;
    return nullptr;
}

std::shared_ptr<SimMotor> SimRegistry::motor(int port, int index) const
{
    const auto a = adapter(port);
    return a ? a->motor(index) : nullptr;
}

std::shared_ptr<SimUsbBackend> SimRegistry::usbBackend()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_usbBackend)
        m_usbBackend = std::make_shared<SimUsbBackend>();
    return m_usbBackend;
}

std::shared_ptr<SimUsbAdapter> SimRegistry::usbAdapter(int index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int k = 0;
    for (const Entry &e : m_entries)
        if (e.usb && k++ == index)
            return e.usb;
    return nullptr;
}

QString SimRegistry::startCanBus(const QString &interfaceName, const QList<SimBus::MotorSetup> &motors, QString *error)
{
    auto bus = std::make_shared<SimBus>(motors);
    auto peer = std::make_unique<SimCanBusPeer>(bus, interfaceName);
    if (!peer->start(error))
        return QString();
    m_canPeer = std::move(peer);
    return QStringLiteral("Simulated motors on Qt's virtual CAN bus (%1)").arg(bus->describe());
}

void SimRegistry::stopAll()
{
    m_canPeer.reset();
    QList<Entry> entries;
    std::shared_ptr<SimUsbBackend> backend;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        entries.swap(m_entries);
        backend = m_usbBackend;
    }
    for (Entry &e : entries) {
        e.adapter->stop();
        if (e.usb && backend)
            backend->removeDevice(e.usb);
    }
}
