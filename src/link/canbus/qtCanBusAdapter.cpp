#include "link/canbus/qtCanBusAdapter.h"

#include "log/log.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <mutex>


namespace {
QThread *g_ioThread = nullptr;

void stopIoThread()
{
    if (!g_ioThread)
        return;
    g_ioThread->quit();
    g_ioThread->wait();
    delete g_ioThread;
    g_ioThread = nullptr;
}
} // namespace

QThread *QtCanBusAdapter::ioThread()
{
    // Made and ended on the GUI thread, before any device reaches it and after the last.
    if (!g_ioThread) {
        g_ioThread = new QThread;
        g_ioThread->setObjectName("canbus-io");
        g_ioThread->start();
        qAddPostRoutine(stopIoThread);
    }
    return g_ioThread;
}

// The device's side of the adapter: lives on the I/O thread, owns the device, reads,
// writes and batches. It reaches the adapter only through queued calls and the
// adapter's thread-safe hand-over; the adapter ends it before it goes itself.
class QtCanBusAdapter::Worker : public QObject
{
public:
    Worker(QtCanBusAdapter *adapter, QCanBusDevice *device, bool fd)
        : m_adapter(adapter), m_device(device), m_fd(fd), m_name(adapter->m_plugin + ':' + adapter->m_interface)
    {
        device->setParent(this);
        m_batchTimer.setSingleShot(true);
        m_batchTimer.setTimerType(Qt::PreciseTimer);
        m_batchTimer.setParent(this);
        QObject::connect(&m_batchTimer, &QTimer::timeout, this, [this] { handOver(); });
    }

    // Runs on the I/O thread: connects and waits for a plugin that connects
    // asynchronously (virtualcan over a local socket).
    bool connectDevice(QString *error)
    {
        QCanBusDevice *device = m_device;
        QObject::connect(device, &QCanBusDevice::framesReceived, this, [this] {
            // One notice per frame on some plugins: read once per turn of the loop.
            if (m_readQueued)
                return;
            m_readQueued = true;
            QMetaObject::invokeMethod(this, [this] { read(); }, Qt::QueuedConnection);
        });
        QObject::connect(device, &QCanBusDevice::errorOccurred, this, [this](QCanBusDevice::CanBusError e) {
            const QString text = m_device ? m_device->errorString() : QString();
            Logger::warning(QString("%1: %2").arg(m_name, text), "QtCanBusAdapter");
            if (e == QCanBusDevice::ReadError || e == QCanBusDevice::ConnectionError)
                reportLost(text);
            else if (e == QCanBusDevice::WriteError)
                reportWriteError(text);
        });
        QObject::connect(device, &QCanBusDevice::framesWritten, this, [this] {
            if (m_device)
                m_adapter->m_devicePending = m_device->framesToWrite();
        });
        // A plugin whose connection drops says so by its state alone (virtualcan's server
        // gone); not asked for, that is the interface lost.
        QObject::connect(device, &QCanBusDevice::stateChanged, this, [this](QCanBusDevice::CanBusDeviceState s) {
            if (s == QCanBusDevice::UnconnectedState && !m_closing && m_connected)
                reportLost(m_device && !m_device->errorString().isEmpty() ? m_device->errorString()
                                                                           : QStringLiteral("the interface closed"));
        });
        if (!device->connectDevice()) {
            *error = device->errorString();
            return false;
        }
        QDeadlineTimer deadline(ConnectTimeoutMs);
        while (device->state() == QCanBusDevice::ConnectingState && !deadline.hasExpired()) {
            QEventLoop loop;
            QObject::connect(device, &QCanBusDevice::stateChanged, &loop, &QEventLoop::quit);
            QTimer::singleShot(int(qMax<qint64>(1, deadline.remainingTime())), &loop, &QEventLoop::quit);
            loop.exec();
        }
        if (device->state() != QCanBusDevice::ConnectedState) {
            *error = device->errorString().isEmpty() ? QString("not connected within %1 ms").arg(ConnectTimeoutMs)
                                                     : device->errorString();
            m_closing = true;
            return false;
        }
        m_openedAtUs = QDateTime::currentMSecsSinceEpoch() * 1000;
        m_clock.start();
        m_connected = true;
        return true;
    }

    // Runs on the I/O thread: what was read goes out, then the device closes.
    void shutdown()
    {
        m_closing = true;
        handOver();
        if (m_device) {
            m_device->disconnectDevice();
            delete m_device;
        }
    }

    // Runs on the I/O thread: the frames queued by the senders go out.
    void drain()
    {
        const QList<CanBusFrame> frames = m_adapter->takeOutbox();
        if (!m_device || m_closing)
            return;
        for (const CanBusFrame &frame : frames) {
            if (!m_device->writeFrame(qtFrameOf(frame))) {
                const QString why =
                    m_device->errorString().isEmpty()
                        ? QString("the interface refused the frame (CAN FD %1)").arg(m_fd ? "on" : "off")
                        : m_device->errorString();
                Logger::warning(QString("%1: frame 0x%2 not sent: %3").arg(m_name).arg(frame.id, 0, 16).arg(why),
                                "QtCanBusAdapter");
                reportWriteError(why);
                continue;
            }
            // The frame as written goes to the log with the next batch.
            CanBusFrame echo = frame;
            echo.flags = quint8((echo.flags | CanBusFrame::Echo) & ~CanBusFrame::Failed);
            echo.timestampUs = quint64(m_clock.nsecsElapsed() / 1000);
            m_batch.append(echo);
        }
        m_adapter->m_devicePending = m_device->framesToWrite();
        batchReady();
    }

private:
    void read()
    {
        m_readQueued = false;
        if (!m_device)
            return;
        const QList<QCanBusFrame> frames = m_device->readAllFrames();
        const qint64 localUs = m_clock.nsecsElapsed() / 1000;
        m_batch.reserve(m_batch.size() + frames.size());
        for (const QCanBusFrame &f : frames) {
            if (!f.isValid())
                continue;
            CanBusFrame out = frameOf(f);
            out.timestampUs = sinceOpenUs(f.timeStamp().seconds(), f.timeStamp().microSeconds(), localUs);
            m_batch.append(std::move(out));
        }
        batchReady();
    }

    // A batch goes at once when the last one left a while ago; otherwise it waits for
    // the rest of the gap and takes what arrives meanwhile.
    void batchReady()
    {
        if (m_batch.isEmpty() || m_batchTimer.isActive())
            return;
        const qint64 sinceLast = m_sinceHandOver.isValid() ? m_sinceHandOver.elapsed() : BatchGapMs;
        if (sinceLast >= BatchGapMs)
            handOver();
        else
            m_batchTimer.start(int(BatchGapMs - sinceLast));
    }

    void handOver()
    {
        m_batchTimer.stop();
        if (m_batch.isEmpty())
            return;
        m_sinceHandOver.start();
        QList<CanBusFrame> batch;
        batch.swap(m_batch);
        m_adapter->handOver(batch);
    }

    // Interfaces that stamp frames with the system time (SocketCAN, virtualcan) keep their
    // stamps; others (none, or a clock of their own) get the time of arrival.
    quint64 sinceOpenUs(qint64 seconds, qint64 microSeconds, qint64 localUs) const
    {
        const qint64 stamped = seconds * 1000000 + microSeconds - m_openedAtUs;
        return quint64(stamped > 0 && stamped <= localUs + 1000000 ? stamped : localUs);
    }

    void reportLost(const QString &why)
    {
        if (!m_connected || m_closing)
            return;
        QtCanBusAdapter *adapter = m_adapter;
        QMetaObject::invokeMethod(adapter, [adapter, why] { adapter->lost(why); }, Qt::QueuedConnection);
    }
    void reportWriteError(const QString &why)
    {
        QtCanBusAdapter *adapter = m_adapter;
        QMetaObject::invokeMethod(
            adapter,
            [adapter, why] {
                if (adapter->isConnected())
                    adapter->setError(Error::WriteError, why);
            },
            Qt::QueuedConnection);
    }

    QtCanBusAdapter *m_adapter;
    QPointer<QCanBusDevice> m_device;
    const bool m_fd;
    const QString m_name;
    bool m_connected = false;
    bool m_closing = false;
    bool m_readQueued = false;
    // Time stamps count from the opening, as an adapter's clock would.
    qint64 m_openedAtUs = 0;
    QElapsedTimer m_clock;
    QList<CanBusFrame> m_batch;
    QTimer m_batchTimer;
    QElapsedTimer m_sinceHandOver;
};

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
    // Made and configured here (the plugin registry is the GUI thread's), connected and
    // read on the I/O thread.
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

    auto *worker = new Worker(this, device, m_settings.fd);
    worker->moveToThread(ioThread());
    // The GUI goes on while the device connects (up to ConnectTimeoutMs).
    // The loop ends only on the quit the worker posts, the worker's last touch of it.
    bool ok = false;
    std::mutex resultMutex;
    QEventLoop wait;
    QMetaObject::invokeMethod(
        worker,
        [worker, &ok, &error, &resultMutex, &wait] {
            QString why;
            const bool connected = worker->connectDevice(&why);
            {
                std::lock_guard<std::mutex> lock(resultMutex);
                ok = connected;
                error = why;
            }
            QMetaObject::invokeMethod(&wait, &QEventLoop::quit, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    wait.exec();
    std::unique_lock<std::mutex> result(resultMutex);
    if (!ok) {
        QMetaObject::invokeMethod(
            worker,
            [worker] {
                worker->shutdown();
                delete worker;
            },
            Qt::BlockingQueuedConnection);
        result.unlock();
        setError(Error::ConnectionError, error);
        return false;
    }
    result.unlock();
    QMutexLocker lock(&m_sendMutex);
    m_worker = worker;
    m_outbox.clear();
    m_drainQueued = false;
    return true;
}

void QtCanBusAdapter::close()
{
    Worker *worker = nullptr;
    {
        QMutexLocker lock(&m_sendMutex);
        std::swap(worker, m_worker);
        m_outbox.clear();
    }
    if (!worker)
        return;
    auto end = [worker] {
        worker->shutdown();
        delete worker;
    };
    if (QThread::currentThread() == worker->thread())
        end();
    else
        QMetaObject::invokeMethod(worker, end, Qt::BlockingQueuedConnection);
}

void QtCanBusAdapter::lost(const QString &why)
{
    if (!isConnected())
        return;
    Logger::error(QString("%1:%2 lost: %3").arg(m_plugin, m_interface, why), "QtCanBusAdapter");
    disconnectDevice();
    setError(Error::ReadError, why);
}

QList<CanBusFrame> QtCanBusAdapter::takeOutbox()
{
    QMutexLocker lock(&m_sendMutex);
    m_drainQueued = false;
    QList<CanBusFrame> frames;
    frames.swap(m_outbox);
    return frames;
}

qint64 QtCanBusAdapter::framesPending() const
{
    QMutexLocker lock(&m_sendMutex);
    return m_outbox.size() + m_devicePending.load();
}

bool QtCanBusAdapter::sendFrame(const CanBusFrame &frame, const CanTxOptions &)
{
    if (!isConnected())
        return false;
    // What the interface would refuse whatever its state is refused here, with its reason.
    QString refused;
    if (frame.has(CanBusFrame::FlexibleData) && !m_settings.fd)
        refused = "CAN FD frame while CAN FD is off";
    else if (!qtFrameOf(frame).isValid())
        refused = "not a valid frame";
    if (!refused.isEmpty()) {
        Logger::warning(QString("%1:%2: frame 0x%3 not sent: %4").arg(m_plugin, m_interface).arg(frame.id, 0, 16).arg(refused),
                        "QtCanBusAdapter");
        return false;
    }
    QMutexLocker lock(&m_sendMutex);
    if (!m_worker)
        return false;
    m_outbox.append(frame);
    if (!m_drainQueued) {
        m_drainQueued = true;
        Worker *worker = m_worker;
        QMetaObject::invokeMethod(worker, [worker] { worker->drain(); }, Qt::QueuedConnection);
    }
    return true;
}

QCanBusFrame QtCanBusAdapter::qtFrameOf(const CanBusFrame &frame)
{
    QCanBusFrame f(frame.id, frame.payload);
    f.setExtendedFrameFormat(frame.has(CanBusFrame::Extended));
    if (frame.has(CanBusFrame::Remote))
        f.setFrameType(QCanBusFrame::RemoteRequestFrame);
    f.setFlexibleDataRateFormat(frame.has(CanBusFrame::FlexibleData));
    f.setBitrateSwitch(frame.has(CanBusFrame::BitRateSwitch));
    return f;
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
