#include "link/canbus/qtCanBusAdapter.h"

#include "log/log.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

QtCanBusAdapter::QtCanBusAdapter(const QString &plugin, const QString &interfaceName, QObject *parent)
    : CanAdapter(parent), m_plugin(plugin), m_interface(interfaceName)
{
}

QtCanBusAdapter::~QtCanBusAdapter() { disconnectDevice(); }

QStringList QtCanBusAdapter::availableInterfaces()
{
    QStringList out;
    for (const QString &plugin : QCanBus::instance()->plugins()) {
        QString error;
        for (const QCanBusDeviceInfo &info : QCanBus::instance()->availableDevices(plugin, &error))
            out << plugin + ":" + info.name();
    }
    return out;
}

bool QtCanBusAdapter::open()
{
    QString error;
    if (!QCanBus::instance()->plugins().contains(m_plugin)) {
        setError(Error::ConnectionError, QString("no CAN bus plugin \"%1\" (installed: %2)")
                                             .arg(m_plugin, QCanBus::instance()->plugins().join(", ")));
        return false;
    }
    QCanBusDevice *device = QCanBus::instance()->createDevice(m_plugin, m_interface, &error);
    if (!device) {
        setError(Error::ConnectionError, error);
        return false;
    }
    device->setParent(this);
    m_device = device;
    connect(device, &QCanBusDevice::framesReceived, this, &QtCanBusAdapter::takeFrames);
    connect(device, &QCanBusDevice::errorOccurred, this, [this](QCanBusDevice::CanBusError e) {
        if (!m_device)
            return;
        Logger::warning(QString("%1:%2: %3").arg(m_plugin, m_interface, m_device->errorString()), "QtCanBusAdapter");
        if (e == QCanBusDevice::ReadError || e == QCanBusDevice::ConnectionError)
            setError(Error::ReadError, m_device->errorString());
        else if (e == QCanBusDevice::WriteError)
            setError(Error::WriteError, m_device->errorString());
    });
    if (!device->connectDevice()) {
        setError(Error::ConnectionError, device->errorString());
        delete device;
        return false;
    }
    // Some plugins connect asynchronously (virtualcan over a local socket).
    QDeadlineTimer deadline(ConnectTimeoutMs);
    while (device->state() == QCanBusDevice::ConnectingState && !deadline.hasExpired()) {
        QEventLoop loop;
        connect(device, &QCanBusDevice::stateChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(int(qMax<qint64>(1, deadline.remainingTime())), &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (device->state() != QCanBusDevice::ConnectedState) {
        const QString why = device->errorString().isEmpty() ? QString("not connected within %1 ms").arg(ConnectTimeoutMs)
                                                            : device->errorString();
        setError(Error::ConnectionError, why);
        delete device;
        return false;
    }
    return true;
}

void QtCanBusAdapter::close()
{
    if (!m_device)
        return;
    m_device->disconnectDevice();
    delete m_device;
}

bool QtCanBusAdapter::sendFrame(const CanBusFrame &frame, const CanTxOptions &)
{
    if (!isConnected() || !m_device)
        return false;
    QCanBusFrame f(frame.id, frame.payload);
    f.setExtendedFrameFormat(frame.has(CanBusFrame::Extended));
    if (frame.has(CanBusFrame::Remote))
        f.setFrameType(QCanBusFrame::RemoteRequestFrame);
    f.setFlexibleDataRateFormat(frame.has(CanBusFrame::FlexibleData));
    f.setBitrateSwitch(frame.has(CanBusFrame::BitRateSwitch));
    return m_device->writeFrame(f);
}

void QtCanBusAdapter::takeFrames()
{
    if (!m_device)
        return;
    QList<CanBusFrame> batch;
    for (const QCanBusFrame &f : m_device->readAllFrames()) {
        if (!f.isValid())
            continue;
        CanBusFrame out;
        out.id = f.frameId();
        out.payload = f.payload();
        if (f.hasExtendedFrameFormat())
            out.flags |= CanBusFrame::Extended;
        if (f.frameType() == QCanBusFrame::RemoteRequestFrame)
            out.flags |= CanBusFrame::Remote;
        if (f.hasFlexibleDataRateFormat())
            out.flags |= CanBusFrame::FlexibleData;
        if (f.hasBitrateSwitch())
            out.flags |= CanBusFrame::BitRateSwitch;
        if (f.hasLocalEcho())
            out.flags |= CanBusFrame::Echo;
        if (f.frameType() == QCanBusFrame::ErrorFrame)
            out.flags |= CanBusFrame::Failed;
        out.timestampUs = quint64(f.timeStamp().seconds()) * 1000000u + quint64(f.timeStamp().microSeconds());
        batch.append(out);
    }
    enqueueReceivedFrames(batch);
}
