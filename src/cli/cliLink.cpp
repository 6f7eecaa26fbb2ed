#include "cli/cliLink.h"

#include "firmware/firmwareUpgrade.h"
#include "link/canbus/qtCanBusAdapter.h"
#include "procedures/customCDC.h"
#include "link/serial/customFIFO.h"
#include "link/serial/protocolFormat.h"
#include "link/serial/receiveDispatcher.h"
#include "link/serial/serialCanAdapter.h"
#include "link/serial/serialPortModel.h"
#include "link/usb/control_protocol.h"
#include "link/usb/usbCanAdapter.h"
#include "link/usb/usb_class.h"
#include "log/log.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <QThread>

#include <chrono>

namespace {
constexpr int kPollMs = 10;
constexpr int kHeartbeatMs = 10;
constexpr int kReceiveSucceeded = 2; // canStatusTextIndex of a frame received from the bus

// The chunks read so far, for the dispatcher; all on one thread.
class ChunkList : public ReceiveDispatcher::ChunkSource
{
public:
    ChunkList(QList<QByteArray> &c, quint64 &r) : chunks(c), readCount(r) {}
    bool take(QByteArray &chunk) override
    {
        if (chunks.isEmpty())
            return false;
        chunk = chunks.takeFirst();
        return true;
    }
    bool empty() override { return chunks.isEmpty(); }
    void sleepMs(int ms) override { QThread::msleep(ulong(ms)); }
    quint64 reads() override { return readCount; }

private:
    QList<QByteArray> &chunks;
    quint64 &readCount;
};
} // namespace

CliLink::CliLink(QObject *parent) : QObject(parent)
{
    registerEscInfMetaTypes();
    portModel = std::make_unique<SerialPortModel>();
    cdc = std::make_unique<CustomCDC>();
    cdc->canMode = true;
    pollTimer.setInterval(kPollMs);
    pollTimer.setTimerType(Qt::PreciseTimer);
    connect(&pollTimer, &QTimer::timeout, this, &CliLink::readPort);
}

CliLink::~CliLink() { close(); }

QString CliLink::adapterKind() const
{
    switch (kind) {
    case CliRequest::Adapter::Serial: return QStringLiteral("serial");
    case CliRequest::Adapter::Usb: return QStringLiteral("usb");
    case CliRequest::Adapter::CanBus: return QStringLiteral("canbus");
    }
    return QString();
}

bool CliLink::open(const CliRequest &request, QString *error)
{
    kind = request.adapter;
    switch (request.adapter) {
    case CliRequest::Adapter::Serial: return openSerial(request.port, error);
    case CliRequest::Adapter::Usb: return openUsb(request.port, error);
    case CliRequest::Adapter::CanBus: return openCanBus(request.canBusPlugin, request.canBusInterface, error);
    }
    return false;
}

void CliLink::close()
{
    pollTimer.stop();
    beating = false;
    if (heartbeat.joinable())
        heartbeat.join();
    if (cdc)
        cdc->setCanAdapter(nullptr);
    if (usb) {
        delete usb; // stops its threads
        usb = nullptr;
    }
    if (kind == CliRequest::Adapter::Usb)
        clear_ctx(); // the enumeration opened the library's context
    if (canBus) {
        delete canBus;
        canBus = nullptr;
    }
    if (port.isOpen()) {
        QMutexLocker lock(&cdc->portMutex());
        port.close();
    }
    if (cdc)
        cdc->serialAdapter()->disconnectDevice();
}

bool CliLink::offerToUpgrade(quint32 id, const QByteArray &data)
{
    // The USB adapter has a path of its own; a CAN interface, like the serial adapter,
    // sends one frame at a time and takes the serial adapter's waits. Only the motor
    // being upgraded answers.
    const auto from = kind == CliRequest::Adapter::Usb ? FirmwareUpgrade::Path::UsbAdapter
                                                       : FirmwareUpgrade::Path::SerialAdapter;
    if (!cdc->upgrade()->offerFrameReply(id, data, from))
        return false;
    ++upgradeRepliesTaken;
    return true;
}

void CliLink::onLost(const QString &reason)
{
    if (!lostReason.isEmpty())
        return;
    lostReason = reason;
    Logger::error(QString("%1: %2").arg(description, reason), "CliLink");
    emit lost(reason);
}

// ---------------------------------------------------------------- serial adapter

bool CliLink::openSerial(const QString &path, QString *error)
{
    location = path;
    description = QString("serial adapter on %1").arg(path);
    receivePath = ReceivePath::SerialAdapter;
    if (!QFileInfo::exists(path)) {
        *error = QString("no serial port %1").arg(path);
        return false;
    }
    port.setPortName(path);
    port.setBaudRate(portModel->Baud());
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite)) {
        *error = QString("cannot open %1: %2").arg(path, port.errorString());
        return false;
    }
    cdc->setComPort(&port);
    cdc->serialAdapter()->connectDevice();

    ReceiveDispatcher::Events ev;
    ev.canFrame = [this](const QByteArray &bytes) {
        const CAN_Frame f = byteArrayToCANFrame(bytes);
        if (canStatusTextIndex(f.code) == kReceiveSucceeded)
            emit frameReceived(f.id, QByteArray(reinterpret_cast<const char *>(f.data), 8));
    };
    ev.upgradeReply = [this](const QByteArray &data, bool fromFrame, quint32 id) {
        // The console's text never reaches a command of this program.
        return fromFrame && offerToUpgrade(id, data);
    };
    dispatcher = std::make_unique<ReceiveDispatcher>(cdc.get(), ev);
    connect(&port, &QSerialPort::readyRead, this, &CliLink::readPort);
    connect(&port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        // A read that fails (EIO once the device has gone) leaves nothing to wait for.
        if (e == QSerialPort::ResourceError || e == QSerialPort::PermissionError
            || e == QSerialPort::DeviceNotFoundError || e == QSerialPort::ReadError)
            onLost(port.errorString());
    });
    pollTimer.start();
    Logger::info("opened " + description, "CliLink");
    return true;
}

void CliLink::readPort()
{
    if (!port.isOpen() || !dispatcher)
        return;
    QByteArray chunk;
    {
        QMutexLocker lock(&cdc->portMutex());
        if (port.bytesAvailable() > 0)
            chunk = port.readAll();
    }
    if (!chunk.isEmpty())
        chunks.append(chunk);
    ++reads;
    ChunkList source(chunks, reads);
    dispatcher->pass(source);
}

// ---------------------------------------------------------------- USB CAN FD adapter

bool CliLink::openUsb(const QString &portPath, QString *error)
{
    receivePath = ReceivePath::UsbAdapter;
    description = QStringLiteral("USB CAN FD adapter");
    int count = 0;
    const QStringList names = usb_get_zk_device(count);
    if (names.isEmpty()) {
        *error = "no USB CAN FD adapter found";
        return false;
    }
    QString name;
    if (!portPath.isEmpty()) {
        matchUSBDeviceInfo(systemSerialPorts() + extraUsbPorts);
        name = Qserialport2Libusb(portPath);
        if (name.isEmpty())
            name = Qserialport2Libusb(QSerialPortInfo(portPath).portName());
        if (name.isEmpty()) {
            *error = QString("%1 belongs to no USB CAN FD adapter (found: %2)").arg(portPath, names.join(", "));
            return false;
        }
    } else if (names.size() == 1) {
        name = names.first();
    } else {
        *error = QString("%1 USB CAN FD adapters (%2): choose one with --port").arg(names.size()).arg(names.join(", "));
        return false;
    }
    location = name;
    description = QString("USB CAN FD adapter %1").arg(name);

    usb = new UsbCanAdapter(&fdcanFIFO, this);
    connect(usb, &CanAdapter::framesReceived, this, [this](const QList<CanBusFrame> &frames) {
        for (const CanBusFrame &f : frames)
            if (!f.has(CanBusFrame::Echo) && !f.has(CanBusFrame::Failed)) {
                if (!f.has(CanBusFrame::Extended) && !f.has(CanBusFrame::Remote))
                    offerToUpgrade(f.id, f.payload);
                emit frameReceived(f.id, f.payload);
            }
    });
    connect(usb, &CanAdapter::errorOccurred, this, [this](CanAdapter::Error e, const QString &text) {
        if (e == CanAdapter::Error::ReadError)
            onLost(text);
    });
    usb->setDeviceName(name);
    if (!usb->connectDevice()) {
        *error = QString("cannot open %1").arg(description);
        return false;
    }
    QByteArray state;
    if (USB_CMD_TEST_ACK(state) == UsbResult::Ok && QString::fromUtf8(state).contains("boot")) {
        *error = QString("%1 runs its bootloader, not its application").arg(description);
        return false;
    }
    cdc->setCanAdapter(usb);
    // Without its heartbeat the adapter stops what it repeats.
    beating = true;
    heartbeat = std::thread([this] {
        while (beating) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kHeartbeatMs));
            if (get_connect())
                USB_CMD_HEART();
        }
    });
    Logger::info("opened " + description, "CliLink");
    return true;
}

// ---------------------------------------------------------------- Qt CAN bus plugins

bool CliLink::openCanBus(const QString &plugin, const QString &interfaceName, QString *error)
{
    receivePath = ReceivePath::UsbAdapter; // frames arrive whole, as from the USB adapter
    location = plugin + ":" + interfaceName;
    description = QString("CAN interface %1").arg(location);
    canBus = new QtCanBusAdapter(plugin, interfaceName, this);
    if (!canBus->connectDevice()) {
        *error = QString("cannot open %1: %2").arg(description, canBus->errorString());
        return false;
    }
    connect(canBus, &CanAdapter::framesReceived, this, [this](const QList<CanBusFrame> &frames) {
        for (const CanBusFrame &f : frames)
            if (!f.has(CanBusFrame::Echo) && !f.has(CanBusFrame::Failed)) {
                if (!f.has(CanBusFrame::Extended) && !f.has(CanBusFrame::Remote))
                    offerToUpgrade(f.id, f.payload);
                emit frameReceived(f.id, f.payload);
            }
    });
    connect(canBus, &CanAdapter::errorOccurred, this, [this](CanAdapter::Error e, const QString &text) {
        if (e == CanAdapter::Error::ReadError)
            onLost(text);
    });
    cdc->setCanAdapter(canBus);
    Logger::info("opened " + description, "CliLink");
    return true;
}
