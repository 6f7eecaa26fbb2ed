#include "link/canbus/qtCanBusAdapter.h"

#include "log/log.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QDateTime>
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

bool QtCanBusAdapter::ratesSetOutside(const QString &plugin) { return plugin == QLatin1String("socketcan"); }

QString QtCanBusAdapter::locationOf(const QString &plugin, const QString &interfaceName)
{
    return QStringLiteral("canbus:") + plugin + ':' + interfaceName;
}

bool QtCanBusAdapter::parseLocation(const QString &location, QString *plugin, QString *interfaceName)
{
    if (!location.startsWith(QLatin1String("canbus:")))
        return false;
    // The interface may itself hold colons (virtualcan takes tcp://host:port/can0).
    const int colon = location.indexOf(':', 7);
    if (colon <= 7 || colon + 1 >= location.size())
        return false;
    *plugin = location.mid(7, colon - 7);
    *interfaceName = location.mid(colon + 1);
    return true;
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
    m_closing = false;
    m_echoes.clear();
    // FD frames need the switch on whatever sets the rates; the rates themselves only
    // where the plugin sets them (a SocketCAN interface comes up with its own).
    device->setConfigurationParameter(QCanBusDevice::CanFdKey, QVariant(m_settings.fd));
    if (!ratesSetOutside(m_plugin)) {
        if (m_settings.bitRate > 0)
            device->setConfigurationParameter(QCanBusDevice::BitRateKey, QVariant(m_settings.bitRate));
        if (m_settings.fd && m_settings.dataBitRate > 0)
            device->setConfigurationParameter(QCanBusDevice::DataBitRateKey, QVariant(m_settings.dataBitRate));
    }
    // Error frames of every class reach the log.
    device->setConfigurationParameter(QCanBusDevice::ErrorFilterKey,
                                      QVariant::fromValue(QCanBusFrame::FrameErrors(QCanBusFrame::AnyError)));
    connect(device, &QCanBusDevice::framesReceived, this, &QtCanBusAdapter::takeFrames);
    connect(device, &QCanBusDevice::errorOccurred, this, [this](QCanBusDevice::CanBusError e) {
        if (!m_device)
            return;
        const QString text = m_device->errorString();
        Logger::warning(QString("%1:%2: %3").arg(m_plugin, m_interface, text), "QtCanBusAdapter");
        if (e == QCanBusDevice::ReadError || e == QCanBusDevice::ConnectionError) {
            if (isConnected())
                lost(text);
        } else if (e == QCanBusDevice::WriteError) {
            setError(Error::WriteError, text);
        }
    });
    // A plugin whose connection drops says so by its state alone (virtualcan's server
    // gone); not asked for, that is the interface lost.
    connect(device, &QCanBusDevice::stateChanged, this, [this](QCanBusDevice::CanBusDeviceState s) {
        if (s == QCanBusDevice::UnconnectedState && !m_closing && isConnected())
            lost(m_device && !m_device->errorString().isEmpty() ? m_device->errorString()
                                                                 : QStringLiteral("the interface closed"));
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
        m_closing = true;
        delete device;
        return false;
    }
    m_openedAtUs = QDateTime::currentMSecsSinceEpoch() * 1000;
    m_clock.start();
    return true;
}

void QtCanBusAdapter::close()
{
    if (!m_device)
        return;
    m_closing = true;
    m_device->disconnectDevice();
    delete m_device;
    m_echoes.clear();
}

void QtCanBusAdapter::lost(const QString &why)
{
    // Closed from the event loop: the device is in the middle of its own notification.
    QTimer::singleShot(0, this, [this, why] {
        if (!isConnected())
            return;
        Logger::error(QString("%1:%2 lost: %3").arg(m_plugin, m_interface, why), "QtCanBusAdapter");
        disconnectDevice();
        setError(Error::ReadError, why);
    });
}

quint64 QtCanBusAdapter::sinceOpenUs(qint64 seconds, qint64 microSeconds) const
{
    const qint64 local = m_clock.nsecsElapsed() / 1000;
    // Interfaces that stamp frames with the system time (SocketCAN, virtualcan) keep their
    // stamps; others (none, or a clock of their own) get the time of arrival.
    const qint64 stamped = seconds * 1000000 + microSeconds - m_openedAtUs;
    return quint64(stamped > 0 && stamped <= local + 1000000 ? stamped : local);
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
    if (!m_device->writeFrame(f)) {
        const QString why = m_device->errorString().isEmpty()
                                ? QString("the interface refused the frame (CAN FD %1)").arg(m_settings.fd ? "on" : "off")
                                : m_device->errorString();
        Logger::warning(QString("%1:%2: frame 0x%3 not sent: %4").arg(m_plugin, m_interface).arg(frame.id, 0, 16).arg(why),
                        "QtCanBusAdapter");
        return false;
    }
    // The frame as written goes to the log with the next batch (or on its own shortly).
    CanBusFrame echo = frame;
    echo.flags = quint8((echo.flags | CanBusFrame::Echo) & ~CanBusFrame::Failed);
    echo.timestampUs = quint64(m_clock.nsecsElapsed() / 1000);
    m_echoes.append(echo);
    if (!m_echoFlushQueued) {
        m_echoFlushQueued = true;
        QTimer::singleShot(0, this, &QtCanBusAdapter::flushEchoes);
    }
    return true;
}

qint64 QtCanBusAdapter::framesPending() const { return m_device ? m_device->framesToWrite() : 0; }

void QtCanBusAdapter::flushEchoes()
{
    m_echoFlushQueued = false;
    QList<CanBusFrame> echoes;
    echoes.swap(m_echoes);
    enqueueReceivedFrames(echoes);
}

CanBusFrame QtCanBusAdapter::frameOf(const QCanBusFrame &f)
{
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
    if (f.frameType() == QCanBusFrame::ErrorFrame) {
        out.flags |= CanBusFrame::ErrorFrame | CanBusFrame::Failed;
        out.id = quint32(f.error());
    }
    return out;
}

void QtCanBusAdapter::takeFrames()
{
    if (!m_device)
        return;
    QList<CanBusFrame> batch;
    batch.swap(m_echoes); // written before these arrived
    for (const QCanBusFrame &f : m_device->readAllFrames()) {
        if (!f.isValid())
            continue;
        CanBusFrame out = frameOf(f);
        out.timestampUs = sinceOpenUs(f.timeStamp().seconds(), f.timeStamp().microSeconds());
        batch.append(out);
    }
    enqueueReceivedFrames(batch);
}
